#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/VirtualPlatform.h"
#include "highscore/Bestenliste.h"
#include "highscore/HighscoreTestSupport.h"

namespace numerion {
namespace {

using testing::nameAt;
using testing::PassPilot;
using testing::pathOnGrid;
using testing::readFileBytes;
using testing::tableWithPoints;
using testing::TempWorkingDir;

std::vector<std::int32_t> pointsOf(const HighscoreTable& table, int places) {
    std::vector<std::int32_t> points;
    for (int place = 1; place <= places; ++place)
        points.push_back(table.at(place).points);
    return points;
}

const std::string kName = "NEU            ";
const std::string kWhen = "24.12.2025 - 20:15:00";

// --- insertResult ---

TEST(InsertResult, ANewEqualResultGoesBelowEveryOlderEqualOne) {
    HighscoreTable table = tableWithPoints({500, 500, 500, 100});
    std::int32_t newPlace = 101;
    insertResult(table, 500, kName, kWhen, newPlace);
    EXPECT_EQ(newPlace, 4);
    EXPECT_EQ(pointsOf(table, 6), (std::vector<std::int32_t>{500, 500, 500, 500, 100, 0}));
    EXPECT_EQ(nameAt(table, 3), "Platz3");
    EXPECT_EQ(nameAt(table, 4), kName);
    EXPECT_EQ(nameAt(table, 5), "Platz4");

    HighscoreTable single = tableWithPoints({500, 100});
    insertResult(single, 500, kName, kWhen, newPlace);
    EXPECT_EQ(newPlace, 2);
    EXPECT_EQ(nameAt(single, 1), "Platz1");
}

TEST(InsertResult, TheExampleOfTheRules) {
    HighscoreTable table = tableWithPoints({500, 300, 300, 100});
    std::int32_t newPlace = 101;
    insertResult(table, 300, kName, kWhen, newPlace);
    EXPECT_EQ(newPlace, 4);
    EXPECT_EQ(pointsOf(table, 6), (std::vector<std::int32_t>{500, 300, 300, 300, 100, 0}));
}

TEST(InsertResult, AResultHigherThanAllTakesPlaceOneAndPlace100IsDropped) {
    HighscoreTable table = tableWithPoints({});
    for (int place = 1; place <= 100; ++place)
        table.at(place).points = 1000 - place;
    table.at(50).padding = {0xAB, 0xCD};  // a whole record moves, padding and all
    std::int32_t newPlace = 101;
    insertResult(table, 5000, kName, kWhen, newPlace);
    EXPECT_EQ(newPlace, 1);
    EXPECT_EQ(table.at(1).points, 5000);
    EXPECT_EQ(fieldText(table.at(1).dateTime), kWhen);
    for (int place = 2; place <= 100; ++place) {
        EXPECT_EQ(table.at(place).points, 1000 - (place - 1)) << place;
        EXPECT_EQ(nameAt(table, place), "Platz" + std::to_string(place - 1)) << place;
    }
    EXPECT_EQ(table.at(51).padding, (std::array<std::uint8_t, 2>{0xAB, 0xCD}));
    EXPECT_EQ(table.at(1).padding, (std::array<std::uint8_t, 2>{0, 0}));
}

TEST(InsertResult, OnePointAbovePlace100ReplacesIt) {
    HighscoreTable table;
    for (int place = 1; place <= 100; ++place)
        table.at(place).points = 1000 - 10 * place;
    std::int32_t newPlace = 101;
    insertResult(table, table.at(100).points + 1, kName, kWhen, newPlace);
    EXPECT_EQ(newPlace, 100);
    EXPECT_EQ(table.at(99).points, 10);
    EXPECT_EQ(table.at(100).points, 1);
    EXPECT_EQ(nameAt(table, 100), kName);
}

TEST(InsertResult, InAnUnsortedForeignTableItGoesBelowTheLowestPlaceWithAtLeastItsPoints) {
    // Places 1..99 unsorted: the last one from the bottom with >= 250 is place 5.
    HighscoreTable table = tableWithPoints({10, 900, 20, 30, 400, 100, 200, 50});
    std::int32_t newPlace = 101;
    insertResult(table, 250, kName, kWhen, newPlace);
    EXPECT_EQ(newPlace, 6);
    EXPECT_EQ(pointsOf(table, 10),
              (std::vector<std::int32_t>{10, 900, 20, 30, 400, 250, 100, 200, 50, 0}));
}

TEST(InsertResult, TheNameAndDateAreStoredAsFixedWidthFields) {
    HighscoreTable table;
    std::int32_t newPlace = 101;
    insertResult(table, 1, "ABCDEFGHIJKLMNOPQ", kWhen + "XYZ", newPlace);
    EXPECT_EQ(fieldText(table.at(1).name), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(table.at(1).name[15], 0);
    EXPECT_EQ(fieldText(table.at(1).dateTime), kWhen);
    EXPECT_EQ(table.at(1).dateTime[21], 0);
}

// --- the after-game chain ---

class AfterGame : public ::testing::Test {
  protected:
    // Plays the chain for a game with these points; a qualifying player takes "Z" and "END".
    void finish(std::int32_t points) {
        GameState game;
        game.points = points;
        game.endDateTime = kWhen;
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
        BESTENLISTENEINTRAG(platform.io, game, table, grid, newPlace);
    }
    static std::string trimmed(const std::string& row) {
        return row.substr(0, row.find_last_not_of(' ') + 1);
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

TEST_F(AfterGame, TwoQualifyingGamesInARowBuildOnTheTableInMemory) {
    initHighscoreFile(table, platform.keys);
    finish(300);
    // The file is not read again: a changed file is overwritten by the second save.
    testing::writeFileBytes(std::vector<std::uint8_t>(4400, 0x55));
    finish(200);
    EXPECT_EQ(newPlace, 2);
    EXPECT_EQ(trimmed(listRow29), std::string(24, ' ') + "<<<<  Dein Platz  : 2.");
    EXPECT_EQ(pointsOf(table, 3), (std::vector<std::int32_t>{300, 200, 0}));
    const auto image = table.image();
    EXPECT_EQ(readFileBytes(), std::vector<std::uint8_t>(image.begin(), image.end()));
}

TEST_F(AfterGame, AFailingSaveEndsTheProgramBeforeTheList) {
    initHighscoreFile(table, platform.keys);
    std::filesystem::remove(kHighscoreFileName);
    std::filesystem::create_directory(kHighscoreFileName);
    EXPECT_EXIT(finish(10), ::testing::ExitedWithCode(2),
                "runtime error 2 \\(file not found\\) at line 338 ");
}

}  // namespace
}  // namespace numerion
