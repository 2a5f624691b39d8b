// The real program in an 80 x 35 pseudo-terminal typed as a legacy terminal types: a whole round
// from the menu through a lost game and the name entry to the list, and the highscore file as
// the real save left it, dated by the real clock. What the screens do on the way is the virtual
// platform's tests'; here the arrows, Enter and the digits come as a terminal sends them.

#include <gtest/gtest.h>

#include <string>
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

}  // namespace
}  // namespace numerion::e2e
