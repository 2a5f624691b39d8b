// The real program in an 80 x 35 pseudo-terminal typed as a legacy terminal types: a whole round
// from the menu through a lost game and the name entry to the list, and the highscore file as
// the real save left it, dated by the real clock. What the screens do on the way is the virtual
// platform's tests'; here the arrows, Enter and the digits come as a terminal sends them. And two
// real games saving into one file, the worst order, keep both results.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

TEST(GameE2ETest, ALostGameWithLegacyKeysEndsInTheListAndTheSavedFileAtPlaceOne) {
    ScratchDir dir;
    PtyTerminal term({NUMERION_BINARY}, dir.path().string());
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(startGame(term, keys));
    const std::vector<char> before = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(before.size(), 4400U);

    ASSERT_NO_FATAL_FAILURE(loseTheLivesLeft(term, keys));
    const int points = pointsShown(term);
    EXPECT_GT(points, 0) << "the digit above the start";

    ASSERT_NO_FATAL_FAILURE(continueToNameEntry(term, keys));
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(term, keys, 30, 41));  // END, with no name typed
    // The list's own lines come before its rows, which one of its styles takes seconds to draw.
    ASSERT_TRUE(keys.tap('\r', [points](const PtyTerminal& t) {
        return t.rowText(30).find("<<<<  Deine Punkte: " + std::to_string(points)) !=
               std::string::npos;
    })) << term.screenText();
    EXPECT_NE(term.rowText(29).find("<<<<  Dein Platz  : 1."), std::string::npos);

    // The save was done before the list showed: the file holds the new result and all the old
    // ones. The new result's date and time are the game's end, taken from the file once their
    // form is checked.
    const std::vector<char> after = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(after.size(), 4400U);
    const std::string date(after.begin() + 20, after.begin() + 41);
    for (std::size_t i : {0U, 1U, 3U, 4U, 6U, 7U, 8U, 9U, 13U, 14U, 16U, 17U, 19U, 20U})
        EXPECT_TRUE(date[i] >= '0' && date[i] <= '9') << i << " of " << date;
    EXPECT_EQ(date.substr(10, 3), " - ");
    EXPECT_EQ(after, fileWithNewFirstPlace(before, points, std::string(15, ' '), date));
}

// Two games started in one directory, both at the name entry, A saving first and then B: each
// save reads the file again under its lock, so B's save keeps A's result, and each list shows
// the place its result got in the file as saved.
TEST(GameE2ETest, TwoGamesInOneDirectoryBothSavingKeepBothResults) {
    ScratchDir dir;
    PtyTerminal a({NUMERION_BINARY}, dir.path().string());
    Keyboard keysA(a, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(a));
    PtyTerminal b({NUMERION_BINARY}, dir.path().string());
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
    const auto place = [&after](int p) {
        const auto* record = after.data() + (p - 1) * 44;
        std::int32_t points = 0;
        std::memcpy(&points, record, sizeof points);
        return std::make_pair(points, std::string(record + 4, 15));
    };
    const std::pair<std::int32_t, std::string> resultA{pointsA, "A" + std::string(14, ' ')};
    const std::pair<std::int32_t, std::string> resultB{pointsB, "B" + std::string(14, ' ')};
    EXPECT_EQ(place(1), bFirst ? resultB : resultA);
    EXPECT_EQ(place(2), bFirst ? resultA : resultB);
    EXPECT_EQ(place(3), (std::pair<std::int32_t, std::string>{0, "==============="}));
}

}  // namespace
}  // namespace numerion::e2e
