#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "highscore/Bestenlisteneintrag.h"
#include "highscore/HighscoreFile.h"
#include "highscore/HighscoreTestSupport.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

using testing::PassPilot;
using testing::pathOnGrid;
using testing::readFileBytes;
using testing::tableWithPoints;
using testing::TempWorkingDir;
using testing::trimmed;

std::vector<std::int32_t> pointsOf(const HighscoreTable& table, int places) {
    std::vector<std::int32_t> points;
    for (int place = 1; place <= places; ++place)
        points.push_back(table.at(place).points);
    return points;
}

const std::string kName = "NEU            ";
const std::string kWhen = "24.12.2025 - 20:15:00";

// --- insertResult ---

struct InsertCase {
    const char* what;
    std::vector<std::int32_t> points;  // from place 1 on; the rest 0
    std::int32_t result;
    int place;
    friend void PrintTo(const InsertCase& c, std::ostream* os) { *os << c.what; }
};

class InsertResult : public ::testing::TestWithParam<InsertCase> {};

// Above the new place nothing changes; below it every entry moved down one place as a whole
// record (padding included), and the old place 100 is gone. The new entry keeps the padding
// bytes that stood at its place, because insertion writes only its three fields.
TEST_P(InsertResult, TakesItsPlaceBelowEveryEntryWithAtLeastItsPoints) {
    const InsertCase& c = GetParam();
    const HighscoreTable before = tableWithPoints(c.points);
    HighscoreTable table = before;
    std::int32_t newPlace = 101;
    insertResult(table, c.result, kName, kWhen, newPlace);
    ASSERT_EQ(newPlace, c.place);

    auto record = [](const HighscoreEntry& entry) {
        std::array<std::uint8_t, HighscoreEntry::kRecordSize> bytes{};
        entry.toRecord(bytes);
        return bytes;
    };
    for (int place = 1; place < c.place; ++place)
        EXPECT_EQ(record(table.at(place)), record(before.at(place))) << place;
    HighscoreEntry expected = before.at(c.place);
    expected.points = c.result;
    storeText(expected.name, kName);
    storeText(expected.dateTime, kWhen);
    EXPECT_EQ(record(table.at(c.place)), record(expected));
    for (int place = c.place + 1; place <= 100; ++place)
        EXPECT_EQ(record(table.at(place)), record(before.at(place - 1))) << place;
}

std::vector<std::int32_t> falling(std::int32_t top, std::int32_t step) {
    std::vector<std::int32_t> points;
    for (int place = 1; place <= 100; ++place)
        points.push_back(top - step * place);
    return points;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InsertResult,
    ::testing::Values(InsertCase{"TiesAtPlacesOneToThree", {500, 500, 500, 100}, 500, 4},
                      InsertCase{"EqualToPlaceOne", {500, 100}, 500, 2},
                      InsertCase{"TheRulesExample", {500, 300, 300, 100}, 300, 4},
                      InsertCase{"HigherThanAll", falling(1000, 1), 5000, 1},
                      InsertCase{"OneAbovePlace100", falling(1000, 10), 1, 100},
                      InsertCase{"DefaultTable", {}, 1, 1},
                      // Unsorted: the lowest place with at least 250 points is place 5.
                      InsertCase{
                          "UnsortedForeignTable", {10, 900, 20, 30, 400, 100, 200, 50}, 250, 6}),
    [](const auto& info) { return std::string(info.param.what); });

// --- the after-game chain ---

class AfterGame : public ::testing::Test {
  protected:
    // Plays the chain for a game with these points, ended at that time, with this table; a
    // qualifying player takes "Z" and "END".
    void finish(std::int32_t points) { finish(points, table, kWhen); }
    void finish(std::int32_t points, HighscoreTable& highscores, const std::string& when) {
        GameResult game;
        game.points = points;
        game.endDateTime = when;
        newPlace = 101;
        std::vector<PassPilot::Keys> passes = pathOnGrid(0, 'Z' - 30);
        passes.push_back({Key::Enter});
        auto toEnd = pathOnGrid('Z' - 30, 68);
        passes.insert(passes.end(), toEnd.begin(), toEnd.end());
        passes.push_back({Key::Enter});
        sawNameEntry = false;
        listRow29.clear();
        platform.tap(Key::Digit5, platform.nowMs());  // the banner's key
        platform.setDeadline(platform.nowMs() + 10 * 60 * 1000);
        PassPilot pilot(platform, passes, {Key::Space}, [this] {
            if (platform.row(3).find("Bestenliste geschafft") != std::string::npos) {
                sawNameEntry = true;
            }
            if (platform.row(3).find("Bestenliste ( Top 100 )") != std::string::npos) {
                listRow29 = platform.row(29);
                listRow30 = platform.row(30);
            }
        });
        BESTENLISTENEINTRAG(platform.io, game, highscores, grid, newPlace);
    }

    TempWorkingDir dir;
    VirtualPlatform platform;
    HighscoreTable table;
    NameGrid grid;
    std::int32_t newPlace = 101;
    bool sawNameEntry = false;
    std::string listRow29;
    std::string listRow30;
};

TEST_F(AfterGame, AResultEqualToPlace100IsNotEnteredAndNothingIsWritten) {
    initHighscoreFile(table, platform.keys);
    const auto before = readFileBytes();
    const auto image = table.image();
    finish(0);
    EXPECT_FALSE(sawNameEntry);
    EXPECT_EQ(newPlace, 101);
    EXPECT_EQ(table.image(), image);
    EXPECT_EQ(readFileBytes(), before);
    EXPECT_EQ(trimmed(listRow29),
              std::string(24, ' ') + "<<<<  Dein Platz  : Nicht unter den Top 100 !!");
    EXPECT_EQ(trimmed(listRow30), std::string(24, ' ') + "<<<<  Deine Punkte: 0");
}

TEST_F(AfterGame, AQualifyingResultIsNamedInsertedSavedAndShownWithItsPlace) {
    initHighscoreFile(table, platform.keys);
    finish(1);
    EXPECT_TRUE(sawNameEntry);
    EXPECT_EQ(newPlace, 1);
    EXPECT_EQ(trimmed(listRow29), std::string(24, ' ') + "<<<<  Dein Platz  : 1.");
    EXPECT_EQ(trimmed(listRow30), std::string(24, ' ') + "<<<<  Deine Punkte: 1");
    EXPECT_EQ(fieldText(table.at(1).name), "Z" + std::string(14, ' '));
    // The end of the game, not the end of the name entry, dates the result.
    EXPECT_EQ(fieldText(table.at(1).dateTime), kWhen);
    EXPECT_EQ(fieldText(table.at(2).name), "===============");

    // The file is the memory image, byte for byte.
    const auto bytes = readFileBytes();
    const auto image = table.image();
    ASSERT_EQ(bytes.size(), 4400U);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), image.begin()));
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[4], 'Z');
    EXPECT_EQ(bytes[18], ' ');  // the 15th name character
    EXPECT_EQ(bytes[19], 0);
    EXPECT_EQ(std::string(bytes.begin() + 20, bytes.begin() + 41), kWhen);
    EXPECT_EQ(bytes[41], 0);
    EXPECT_EQ(bytes[42], 0);
    EXPECT_EQ(bytes[43], 0);
}

std::vector<std::string> datesOf(const HighscoreTable& table, int places) {
    std::vector<std::string> dates;
    for (int place = 1; place <= places; ++place)
        dates.push_back(fieldText(table.at(place).dateTime));
    return dates;
}

// Two games in one directory, each with the list it loaded at its start: the one that saves
// later reads the list again and keeps the other's result, and an equal result of its own goes
// below that older one. A next game of the first builds on the list as saved.
TEST_F(AfterGame, TwoGamesInOneDirectoryKeepEachOthersResults) {
    initHighscoreFile(table, platform.keys);
    HighscoreTable other;
    initHighscoreFile(other, platform.keys);
    finish(300, table, "01.01.2026 - 10:00:00");
    EXPECT_EQ(newPlace, 1);
    finish(300, other, "01.01.2026 - 10:05:00");
    EXPECT_EQ(newPlace, 2);
    EXPECT_EQ(trimmed(listRow29), std::string(24, ' ') + "<<<<  Dein Platz  : 2.");
    EXPECT_EQ(pointsOf(other, 3), (std::vector<std::int32_t>{300, 300, 0}));
    EXPECT_EQ(datesOf(other, 2),
              (std::vector<std::string>{"01.01.2026 - 10:00:00", "01.01.2026 - 10:05:00"}));
    const auto saved = other.image();
    EXPECT_EQ(readFileBytes(), std::vector<std::uint8_t>(saved.begin(), saved.end()));

    finish(200, table, "01.01.2026 - 10:10:00");
    EXPECT_EQ(newPlace, 3);
    EXPECT_EQ(pointsOf(table, 4), (std::vector<std::int32_t>{300, 300, 200, 0}));
    const auto image = table.image();
    EXPECT_EQ(readFileBytes(), std::vector<std::uint8_t>(image.begin(), image.end()));
}

// Qualified against the list loaded at the start, but the list filled up meanwhile: the
// result is not entered, the file stays, and the list shows it as it is now.
TEST_F(AfterGame, AResultTheListOutgrewMeanwhileIsNotEntered) {
    initHighscoreFile(table, platform.keys);
    const HighscoreTable full = tableWithPoints(std::vector<std::int32_t>(100, 500));
    const auto fullImage = full.image();
    const std::vector<std::uint8_t> fullBytes(fullImage.begin(), fullImage.end());
    testing::writeFileBytes(fullBytes);
    finish(10);
    EXPECT_TRUE(sawNameEntry);
    EXPECT_EQ(newPlace, 101);
    EXPECT_EQ(trimmed(listRow29),
              std::string(24, ' ') + "<<<<  Dein Platz  : Nicht unter den Top 100 !!");
    EXPECT_EQ(table.image(), fullImage);
    EXPECT_EQ(readFileBytes(), fullBytes);
}

TEST_F(AfterGame, AFailingSaveEndsTheProgramBeforeTheList) {
    initHighscoreFile(table, platform.keys);
    std::filesystem::remove(kHighscoreFileName);
    std::filesystem::create_directory(kHighscoreFileName);
    platform.whenShown("Bestenliste ( Top 100 )", [] { std::_Exit(99); });
    EXPECT_EXIT(finish(10), ::testing::ExitedWithCode(2),
                testing::fatalReport(2, "file not found", 338));
}

}  // namespace
}  // namespace numerion
