#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "console/RunTimeError.h"
#include "highscore/Bestenlistenanzeige.h"
#include "highscore/HighscoreTestSupport.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

using testing::onePerPass;
using testing::PassPilot;

std::string blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}
const std::string kBlankRow = blanks(80);

// A seed whose first draw makes the list pick this drawing style.
double seedForStyle(int style) {
    for (int seed = 0;; ++seed) {
        RandomGenerator generator;
        generator.randomize(seed);
        if (generator.below(4) + 1 == style) return seed;
    }
}

std::string playerName(int place) {
    std::string name = "Spieler " + std::to_string(place);
    name.resize(15, ' ');
    return name;
}

// A table as the game builds it: 15-character names, 21-character dates, falling points.
HighscoreTable gameTable() {
    HighscoreTable table;
    for (int place = 1; place <= 100; ++place) {
        table.at(place).points = 20000 - 150 * place;
        storeText(table.at(place).name, playerName(place));
        storeText(table.at(place).dateTime, "07.01.2025 - 18:05:09");
    }
    return table;
}

std::string expectedRow(int place, const HighscoreTable& table) {
    std::string row = kBlankRow;
    auto put = [&row](int column, const std::string& text) {
        row.replace(static_cast<std::size_t>(column - 1), text.size(), text);
    };
    put(5, std::to_string(place) + ".");
    put(16, std::to_string(table.at(place).points));
    put(29, fieldText(table.at(place).name));
    put(57, fieldText(table.at(place).dateTime));
    return row;
}

struct Picture {
    double atMs;
    std::vector<std::string> rows;  // rows 1..35 at index 0..34
};

class HighscoreList : public ::testing::Test {
  protected:
    // Opens the list in a style, steers it with passes of keys, then leaves with Space.
    // Takes a picture of the screen at every wait whose screen differs from the last one.
    // Returns the number of polls the key loop made.
    int show(int style, std::int32_t fromMenu, std::int32_t newPoints, std::int32_t newPlace,
             std::vector<PassPilot::Keys> passes = {}) {
        platform.random.randomize(seedForStyle(style));
        platform.setDeadline(10 * 60 * 1000);
        std::uint64_t lastVersion = ~0ULL;
        PassPilot pilot(platform, std::move(passes), {Key::Space}, [&] {
            if (platform.screen.version() == lastVersion) return;
            lastVersion = platform.screen.version();
            Picture picture{platform.nowMs(), {}};
            for (int r = 1; r <= 35; ++r)
                picture.rows.push_back(platform.row(r));
            pictures.push_back(std::move(picture));
        });
        BESTENLISTENANZEIGE(platform.io, fromMenu, table, newPoints, newPlace);
        return pilot.passesSeen();
    }
    const Picture& last() const { return pictures.back(); }
    std::string lastRow(int r) const { return last().rows[static_cast<std::size_t>(r - 1)]; }

    VirtualPlatform platform;
    HighscoreTable table = gameTable();
    std::vector<Picture> pictures;
};

class HighscoreListStyle : public HighscoreList, public ::testing::WithParamInterface<int> {};

TEST_P(HighscoreListStyle, FromTheMenuShowsHeaderPlacesOneToTenAndHelpAndClearsOnReturn) {
    show(GetParam(), 1, 4321, 7);
    ASSERT_FALSE(pictures.empty());
    EXPECT_EQ(lastRow(3), "                          Bestenliste ( Top 100 )" + blanks(31));
    EXPECT_EQ(lastRow(4), blanks(26) + std::string(23, '=') + blanks(31));
    EXPECT_EQ(
        lastRow(6),
        "   Platz     Punkte           Spielername                  Datum / Uhrzeit" + blanks(6));
    for (int place = 1; place <= 10; ++place) {
        EXPECT_EQ(lastRow(6 + 2 * place), expectedRow(place, table)) << "place " << place;
        EXPECT_EQ(lastRow(7 + 2 * place), kBlankRow) << "place " << place;
    }
    // Opened from the menu, the player's lines stay empty whatever they were given.
    for (int r : {1, 2, 5, 7, 27, 28, 29, 30, 31, 32, 35})
        EXPECT_EQ(lastRow(r), kBlankRow) << r;
    EXPECT_EQ(lastRow(33), " Blaettern : Pfeil hoch & runter " + blanks(47));
    EXPECT_EQ(lastRow(34), " Hauptmenue: Leertaste" + blanks(58));
    for (int r = 1; r <= 35; ++r)
        EXPECT_EQ(platform.row(r), kBlankRow) << r;
    EXPECT_EQ(platform.beeps(), 0);
}

TEST_P(HighscoreListStyle, AfterAGameRow29TellsThePlaceOrThatThereIsNoneAndRow30ThePoints) {
    show(GetParam(), 0, 12345, 7);
    EXPECT_EQ(lastRow(29), blanks(24) + "<<<<  Dein Platz  : 7." + blanks(34));
    EXPECT_EQ(lastRow(30), blanks(24) + "<<<<  Deine Punkte: 12345" + blanks(31));
    show(GetParam(), 0, 0, 101);
    EXPECT_EQ(lastRow(29),
              blanks(24) + "<<<<  Dein Platz  : Nicht unter den Top 100 !!" + blanks(10));
    EXPECT_EQ(lastRow(30), blanks(24) + "<<<<  Deine Punkte: 0" + blanks(35));
}

// Bytes from a damaged file are shown, never obeyed: no bell, no line feed, no cursor move.
TEST_P(HighscoreListStyle, ControlBytesFromTheFileAreShownAsGlyphs) {
    HighscoreEntry& entry = table.at(1);
    entry.name = {7, 10, 13, 8, 9, 'X', 27, '[', '2', 'J', 0};
    entry.dateTime.fill(7);
    entry.dateTime[5] = 10;
    show(GetParam(), 1, 0, 101);
    EXPECT_EQ(platform.beeps(), 0);
    const std::string row8 = lastRow(8);
    EXPECT_EQ(row8.substr(28, 10), std::string("\x07\x0A\x0D\x08\x09X\x1B[2J"));
    EXPECT_NE(row8.find(std::string(5, '\x07') + "\x0A"), std::string::npos);
    EXPECT_EQ(lastRow(9), kBlankRow);
    EXPECT_EQ(lastRow(10), expectedRow(2, table));
}

INSTANTIATE_TEST_SUITE_P(EveryStyle, HighscoreListStyle, ::testing::Values(1, 2, 3, 4),
                         [](const auto& info) { return "Style" + std::to_string(info.param); });

TEST_F(HighscoreList, EachOpeningDrawsExactlyOneRandomNumber) {
    show(2, 1, 0, 101);
    RandomGenerator same;
    same.randomize(seedForStyle(2));
    same.rnd(1);
    EXPECT_EQ(platform.random.rnd(1), same.rnd(1));
}

TEST_F(HighscoreList, Style1PrintsTheRowsOneByOneAfterAFifthOfASecondEach) {
    show(1, 1, 0, 101);
    std::vector<double> appeared;
    for (int place = 1; place <= 10; ++place) {
        for (const Picture& p : pictures) {
            if (p.rows[static_cast<std::size_t>(5 + 2 * place)] != kBlankRow) {
                appeared.push_back(p.atMs);
                break;
            }
        }
    }
    ASSERT_EQ(appeared.size(), 10U);
    for (std::size_t i = 0; i < appeared.size(); ++i) {
        EXPECT_GE(appeared[i], 200.0 * static_cast<double>(i + 1)) << i;
        EXPECT_LT(appeared[i], 200.0 * static_cast<double>(i + 1) + 5) << i;
    }
    EXPECT_EQ(platform.inputWaits(), 0);  // no spinning on the clock
}

TEST_F(HighscoreList, Style2DrawsThePageAtOnce) {
    show(2, 1, 0, 101);
    EXPECT_EQ(pictures.front().atMs, 0);
    EXPECT_EQ(pictures.front().rows[25], expectedRow(10, table));
}

// The pictures of one row sliding in: its first k characters from column 79 - k on.
std::vector<std::string> slideOf(const std::string& finalRow) {
    std::vector<std::string> steps;
    for (int k = 1; k <= 78; ++k) {
        std::string row = kBlankRow;
        row.replace(static_cast<std::size_t>(78 - k), static_cast<std::size_t>(k),
                    finalRow.substr(0, static_cast<std::size_t>(k)));
        if (row != kBlankRow) steps.push_back(row);
    }
    return steps;
}

std::vector<std::string> distinctNonBlank(const std::vector<Picture>& pictures, int row) {
    std::vector<std::string> seen;
    for (const Picture& p : pictures) {
        const std::string& text = p.rows[static_cast<std::size_t>(row - 1)];
        if (text != kBlankRow && (seen.empty() || seen.back() != text)) seen.push_back(text);
    }
    return seen;
}

// Style 3 slides row after row (row 10 begins once row 8 is in), style 4 all ten rows at once
// (row 26 begins with row 8's first step); either way 780 prints, each followed by its pause.
struct SlideCase {
    int style;
    int laterRow;
    bool firstRowInThen;
    double pauseMs;
};

class HighscoreListSlide : public HighscoreList, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(HighscoreListSlide, RowsSlideInFromTheRightInTheirOrderWithTheirPauses) {
    const SlideCase& c = GetParam();
    show(c.style, 1, 0, 101);
    const auto firstRow = slideOf(expectedRow(1, table));
    EXPECT_EQ(distinctNonBlank(pictures, 8), firstRow);
    EXPECT_EQ(distinctNonBlank(pictures, 26), slideOf(expectedRow(10, table)));
    for (const Picture& p : pictures) {
        if (p.rows[static_cast<std::size_t>(c.laterRow - 1)] != kBlankRow) {
            EXPECT_EQ(p.rows[7], c.firstRowInThen ? firstRow.back() : firstRow.front());
            break;
        }
    }
    const double pageDone = pictures.back().atMs;
    EXPECT_GE(pageDone, 780 * c.pauseMs);
    EXPECT_LT(pageDone, 780 * c.pauseMs + 100);
}

INSTANTIATE_TEST_SUITE_P(SlidingStyles, HighscoreListSlide,
                         ::testing::Values(SlideCase{3, 10, true, 6}, SlideCase{4, 26, false, 0.8}),
                         [](const auto& info) {
                             return "Style" + std::to_string(info.param.style);
                         });

// The first place of every page drawn, in order.
std::vector<int> pagesDrawn(const std::vector<Picture>& pictures) {
    std::vector<int> pages;
    for (const Picture& p : pictures) {
        const int first = std::atoi(p.rows[7].substr(0, 8).c_str());
        if (first != 0) pages.push_back(first);
    }
    return pages;
}

TEST_F(HighscoreList, PagingStopsAtTheFirstAndTheLastPage) {
    std::vector<PassPilot::Keys> passes(12, {Key::Down});
    passes.insert(passes.end(), 12, {Key::Up});
    show(2, 1, 0, 101, passes);
    EXPECT_EQ(pagesDrawn(pictures), (std::vector<int>{1, 11, 21, 31, 41, 51, 61, 71, 81, 91, 81, 71,
                                                      61, 51, 41, 31, 21, 11, 1}));
    EXPECT_EQ(lastRow(26), expectedRow(10, table));
}

TEST_F(HighscoreList, TheLastPageEndsWithPlace100) {
    show(3, 0, 5, 100, std::vector<PassPilot::Keys>(9, {Key::Down}));
    for (int place = 91; place <= 100; ++place) {
        EXPECT_EQ(lastRow(6 + 2 * (place - 90)), expectedRow(place, table)) << place;
    }
    EXPECT_EQ(lastRow(29), blanks(24) + "<<<<  Dein Platz  : 100." + blanks(32));
}

TEST_F(HighscoreList, UpWinsOverDown) {
    show(2, 1, 0, 101, {{Key::Down}, {Key::Down}, {Key::Up, Key::Down}});
    // The Down held under Up was never looked at: released, it counts once at the next poll.
    EXPECT_EQ(pagesDrawn(pictures), (std::vector<int>{1, 11, 21, 11, 21}));
}

TEST_F(HighscoreList, AnAllZeroTableShowsPointsZeroAndEmptyFields) {
    table = HighscoreTable();
    show(2, 1, 0, 101);
    EXPECT_EQ(lastRow(8).substr(0, 28), "    1.         0" + blanks(12));
    EXPECT_EQ(lastRow(8).substr(28, 15), std::string(15, '\0'));
    show(3, 1, 0, 101);
    EXPECT_EQ(lastRow(8), "    1.         0" + blanks(64));
}

TEST_F(HighscoreList, AReportWhileItRunsNamesItAndAfterItReturnsTheMainRoutine) {
    EXPECT_EXIT(
        {
            platform.at(10, [] { RunTimeError(kErrOutOfBounds, 425); });
            show(2, 1, 0, 101);
        },
        ::testing::ExitedWithCode(6),
        testing::fatalReport(6, "out of bounds array access", 425, "BESTENLISTENANZEIGE"));
    EXPECT_EXIT(
        {
            show(2, 1, 0, 101);
            RunTimeError(kErrOutOfBounds, 39);
        },
        ::testing::ExitedWithCode(6), testing::fatalReport(6, "out of bounds array access", 39));
}

TEST_F(HighscoreList, SpaceIsSeenOnlyByTheKeyLoopNotWhileAPageIsDrawn) {
    // Style 1 draws for two seconds; a Space released before the first poll is missed.
    platform.tap(Key::Space, 500, 100);
    EXPECT_EQ(show(1, 1, 0, 101, {{}}), 2);
}

}  // namespace
}  // namespace numerion
