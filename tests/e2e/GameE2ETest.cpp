// The real program in an 80 x 35 pseudo-terminal: one whole round from the menu through a lost
// game, the name entry and the list back to the menu, and the saved highscore file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/PtyTerminal.h"

namespace numerion::e2e {
namespace {

constexpr int kTimeout = 20000;
constexpr const char* kUp = "\x1b[A";
constexpr const char* kDown = "\x1b[B";
constexpr const char* kRight = "\x1b[C";
// Without the kitty protocol two presses of one key close together read as a held key that
// auto-repeats; taps of the same key are kept further apart than that.
constexpr int kTapGapMs = 400;
// The name grid's highlighted cell has a cyan background, the others black.
constexpr int kCyan = 6;

int pointsShown(const PtyTerminal& term) {
    const std::string row = term.rowText(19);
    return std::atoi(row.c_str() + row.find("Punkte:") + std::strlen("Punkte:"));
}

class GameE2ETest : public ::testing::Test {
  protected:
    GameE2ETest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "numerion-e2e-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
    }
    ~GameE2ETest() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // Moves the name grid's highlight by one cell and waits until it stands on the new cell.
    static void step(PtyTerminal& term, const char* arrow, int row, int column) {
        term.send(arrow);
        ASSERT_TRUE(term.waitFor(
            [&](const PtyTerminal& t) { return t.cell(row, column).background == kCyan; },
            kTimeout))
            << "highlight at row " << row << ", column " << column << "\n"
            << term.screenText();
        term.pump(kTapGapMs);
    }

    std::filesystem::path dir_;
};

TEST_F(GameE2ETest, LosesAllLivesOnWallsEntersANameAndSavesItAtPlaceOne) {
    PtyTerminal term({NUMERION_BINARY}, dir_.string());
    ASSERT_TRUE(term.waitForText(22, "4 = Spielende", kTimeout)) << term.screenText();
    ASSERT_TRUE(term.waitForText(16, "1 = Spielbeginn", kTimeout)) << term.screenText();

    term.send("1");
    ASSERT_TRUE(term.waitForText(21, "Leben:  3", kTimeout)) << term.screenText();
    ASSERT_TRUE(
        term.waitFor([](const PtyTerminal& t) { return t.cell(3, 2).text == "☺"; }, kTimeout))
        << term.screenText();
    for (int column = 1; column <= 51; ++column)
        EXPECT_EQ(term.cell(1, column).text, "▓");
    for (int row = 1; row <= 17; ++row)
        EXPECT_EQ(term.cell(row, 1).text, "▓") << row;
    EXPECT_EQ(term.rowText(19).rfind("Punkte: 0", 0), 0U) << term.rowText(19);
    EXPECT_NE(term.rowText(19).find("Raum: 1"), std::string::npos) << term.rowText(19);

    // Up collects the digit above the start, then runs into the top wall; each restart puts
    // the apprentice back at row 3, column 2, standing, and the next Up does it again.
    for (int lives = 2; lives >= 0; --lives) {
        term.send(kUp);
        const std::string livesLine = "Leben:  " + std::to_string(lives);
        ASSERT_TRUE(term.waitForText(21, livesLine, kTimeout)) << term.screenText();
        if (lives == 2) {
            EXPECT_GT(pointsShown(term), 0) << term.rowText(19);
            EXPECT_LE(pointsShown(term), 9) << term.rowText(19);
        }
        if (lives > 0) {
            ASSERT_TRUE(term.waitFor([](const PtyTerminal& t) { return t.cell(3, 2).text == "☺"; },
                                     kTimeout))
                << term.screenText();
            EXPECT_EQ(term.cell(1, 2).text, "▓") << "the wall stays";
        }
    }
    const int points = pointsShown(term);
    ASSERT_TRUE(term.waitForText(29, "# Spiel vorbei - Du hast kein Leben mehr #", kTimeout))
        << term.screenText();
    ASSERT_TRUE(term.waitForText(32, "Druecke Taste 5 zur Fortsetzung!", kTimeout));
    EXPECT_EQ(term.rowText(27).rfind(std::string(42, '#'), 0), 0U) << term.rowText(27);

    term.send("5");
    ASSERT_TRUE(term.waitForText(3, "Du hast es in die Bestenliste geschafft", kTimeout))
        << term.screenText();
    ASSERT_TRUE(term.waitFor(
        [](const PtyTerminal& t) { return t.cell(14, 25).background == kCyan; }, kTimeout))
        << term.screenText();
    term.pump(kTapGapMs);
    // 'A' is cell 35: four rows down, three columns right; END is four rows below, one right.
    for (int row = 16; row <= 22; row += 2)
        step(term, kDown, row, 25);
    for (int column = 29; column <= 37; column += 4)
        step(term, kRight, 22, column);
    term.send("\r");
    ASSERT_TRUE(
        term.waitFor([](const PtyTerminal& t) { return t.cell(33, 25).text == "A"; }, kTimeout))
        << term.screenText();
    term.pump(kTapGapMs);
    for (int row = 24; row <= 30; row += 2)
        step(term, kDown, row, 37);
    step(term, kRight, 30, 41);
    term.send("\r");

    // The list draws its rows in one of four styles; the last row stands once it starts at
    // column 1.
    ASSERT_TRUE(term.waitFor(
        [](const PtyTerminal& t) { return t.rowText(26).rfind("    10.", 0) == 0; }, kTimeout))
        << term.screenText();
    const std::string pointsText = std::to_string(points);
    std::string place1 = "    1.         " + pointsText;
    place1 += std::string(28 - place1.size(), ' ') + "A" + std::string(14, ' ');
    EXPECT_EQ(term.rowText(8).rfind(place1, 0), 0U) << term.rowText(8);
    EXPECT_NE(term.rowText(10).find("==============="), std::string::npos) << term.rowText(10);
    EXPECT_NE(term.rowText(29).find("<<<<  Dein Platz  : 1."), std::string::npos);
    EXPECT_NE(term.rowText(30).find("<<<<  Deine Punkte: " + pointsText), std::string::npos);

    term.send(" ");
    ASSERT_TRUE(term.waitForText(22, "4 = Spielende", kTimeout)) << term.screenText();
    term.send("4");
    const auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value()) << term.screenText();
    EXPECT_TRUE(status->exited);
    EXPECT_EQ(status->code, 0);
    EXPECT_FALSE(term.altScreen());
    EXPECT_TRUE(term.cursorVisible());

    std::ifstream file(dir_ / "Highscore.rnk", std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(bytes.size(), 4400U);
    std::uint32_t stored = 0;  // little-endian
    for (int i = 3; i >= 0; --i)
        stored = (stored << 8) | static_cast<unsigned char>(bytes[i]);
    EXPECT_EQ(static_cast<std::int32_t>(stored), points);
    EXPECT_EQ(std::string(bytes.data() + 4, 15), "A" + std::string(14, ' '));
}

}  // namespace
}  // namespace numerion::e2e
