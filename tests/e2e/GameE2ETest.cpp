// The real program in an 80 x 35 pseudo-terminal typed as a legacy terminal types: one whole
// round from the menu through a lost game and the name entry to the list, the saved highscore
// file, and the terminal closed while the list shows. (The way back from a list to the menu and
// out on key 4 are the menu's end-to-end test; after a game, the kitty round's.)

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

TEST(GameE2ETest, LosesAllLivesOnWallsEntersANameSavesItAtPlaceOneAndAHangUpAtTheListKeepsIt) {
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.captureStderr = true;
    PtyTerminal term({NUMERION_BINARY}, options);
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    ASSERT_TRUE(term.waitForText(16, "1 = Spielbeginn", kE2eTimeout)) << term.screenText();
    const std::vector<char> before = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(before.size(), 4400U);

    ASSERT_NO_FATAL_FAILURE(startGame(term, keys));
    for (int column = 1; column <= 51; ++column)
        EXPECT_EQ(term.cell(1, column).text, "▓");
    for (int row = 1; row <= 17; ++row)
        EXPECT_EQ(term.cell(row, 1).text, "▓") << row;
    EXPECT_EQ(term.rowText(19).rfind("Punkte: 0", 0), 0U) << term.rowText(19);
    EXPECT_NE(term.rowText(19).find("Raum: 1"), std::string::npos) << term.rowText(19);

    ASSERT_NO_FATAL_FAILURE(loseTheLivesLeft(term, keys));
    const int points = pointsShown(term);
    EXPECT_GT(points, 0) << "the digit above the start";
    EXPECT_EQ(term.rowText(27).rfind(std::string(42, '#'), 0), 0U) << term.rowText(27);

    ASSERT_NO_FATAL_FAILURE(continueToNameEntry(term, keys));
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(term, keys, 22, 37));  // A
    ASSERT_TRUE(keys.tap('\r', [](const PtyTerminal& t) { return t.cell(33, 25).text == "A"; }))
        << term.screenText();
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(term, keys, 30, 41));  // END
    // The list's own lines come before its rows (the kitty round reads those).
    ASSERT_TRUE(keys.tap('\r', [points](const PtyTerminal& t) {
        return t.rowText(30).find("<<<<  Deine Punkte: " + std::to_string(points)) !=
               std::string::npos;
    })) << term.screenText();
    EXPECT_NE(term.rowText(29).find("<<<<  Dein Platz  : 1."), std::string::npos);

    // The save was done before the list showed: closing the terminal now ends the program as
    // asked to, and the file holds the new result and all the old ones. The new result's date
    // and time are the game's end, taken from the file once their form is checked.
    const auto status = term.hangUp(kE2eTimeout);
    ASSERT_TRUE(status.has_value()) << "still running after the hang-up";
    EXPECT_TRUE(status->exited && status->code == 13);
    expectHangUpReport(term.errorOutput());
    const std::vector<char> after = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(after.size(), 4400U);
    const std::string date(after.begin() + 20, after.begin() + 41);
    for (std::size_t i : {0U, 1U, 3U, 4U, 6U, 7U, 8U, 9U, 13U, 14U, 16U, 17U, 19U, 20U})
        EXPECT_TRUE(date[i] >= '0' && date[i] <= '9') << i << " of " << date;
    EXPECT_EQ(date.substr(10, 3), " - ");
    EXPECT_EQ(after, fileWithNewFirstPlace(before, points, "A" + std::string(14, ' '), date));
}

// Points and name of a place of the highscore file.
std::pair<std::int32_t, std::string> placeIn(const std::vector<char>& file, int place) {
    const char* record = file.data() + (place - 1) * 44;
    std::uint32_t points = 0;
    for (int i = 0; i < 4; ++i)
        points |= static_cast<std::uint32_t>(static_cast<unsigned char>(record[i])) << (8 * i);
    return {static_cast<std::int32_t>(points), std::string(record + 4)};
}

// Two games in one working directory, in the worst order: both start with the same list and
// play to the name entry, then A saves, then B. The file keeps both results, and each list
// shows the place its result got (B's below an equal A, the older one).
TEST(GameE2ETest, TwoGamesInOneDirectoryBothSavingKeepBothResults) {
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.captureStderr = true;
    PtyTerminal a({NUMERION_BINARY}, options);
    Keyboard keysA(a, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(a));
    PtyTerminal b({NUMERION_BINARY}, options);
    Keyboard keysB(b, false);
    ASSERT_NO_FATAL_FAILURE(startGame(b, keysB));
    ASSERT_NO_FATAL_FAILURE(startGame(a, keysA));

    ASSERT_NO_FATAL_FAILURE(loseTheLivesLeft(a, keysA));
    const int pointsA = pointsShown(a);
    ASSERT_NO_FATAL_FAILURE(loseTheLivesLeft(b, keysB));
    const int pointsB = pointsShown(b);
    ASSERT_NO_FATAL_FAILURE(continueToNameEntry(a, keysA));
    ASSERT_NO_FATAL_FAILURE(continueToNameEntry(b, keysB));
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(a, keysA, 22, 37));  // A
    ASSERT_TRUE(keysA.tap('\r', [](const PtyTerminal& t) { return t.cell(33, 25).text == "A"; }));
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(b, keysB, 22, 41));  // B
    ASSERT_TRUE(keysB.tap('\r', [](const PtyTerminal& t) { return t.cell(33, 25).text == "B"; }));
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(a, keysA, 30, 41));  // END
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(b, keysB, 30, 41));

    const auto listShown = [](const PtyTerminal& t) {
        return t.rowText(30).find("<<<<  Deine Punkte:") != std::string::npos;
    };
    ASSERT_TRUE(keysA.tap('\r', listShown)) << a.screenText();
    EXPECT_NE(a.rowText(29).find("<<<<  Dein Platz  : 1."), std::string::npos) << a.rowText(29);
    ASSERT_TRUE(keysB.tap('\r', listShown)) << b.screenText();
    const bool bFirst = pointsB > pointsA;
    EXPECT_NE(b.rowText(29).find(bFirst ? "<<<<  Dein Platz  : 1." : "<<<<  Dein Platz  : 2."),
              std::string::npos)
        << b.rowText(29) << " with " << pointsA << " and " << pointsB;

    const std::vector<char> after = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(after.size(), 4400U);
    const std::pair<std::int32_t, std::string> resultA{pointsA, "A" + std::string(14, ' ')};
    const std::pair<std::int32_t, std::string> resultB{pointsB, "B" + std::string(14, ' ')};
    EXPECT_EQ(placeIn(after, 1), bFirst ? resultB : resultA);
    EXPECT_EQ(placeIn(after, 2), bFirst ? resultA : resultB);
    EXPECT_EQ(placeIn(after, 3), (std::pair<std::int32_t, std::string>{0, "==============="}));
}

}  // namespace
}  // namespace numerion::e2e
