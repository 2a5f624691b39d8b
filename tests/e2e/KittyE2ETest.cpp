// The real program under a kitty-protocol terminal: keys come as press and release events,
// focus reports make held keys read as up, and a whole round ends with the protocol popped.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

TEST(KittyE2ETest, PlaysARoundWithKeyEventsWhileKeysReadAsUpWithoutTheFocus) {
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.kittyKeyboard = true;
    PtyTerminal term({NUMERION_BINARY}, options);
    Keyboard keys(term, true);

    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    EXPECT_EQ(term.keyboardQueries(), 1);
    EXPECT_TRUE(term.altScreen());
    EXPECT_EQ(term.keyboardFlags(), 11) << "pushed on the alternate screen";
    const std::vector<char> before = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(before.size(), 4400U);

    // Held while the window has no focus, 1 reads as up; once the focus is back it is down.
    term.focusOut();
    term.press(kittyKey('1'));
    term.pump(1000);
    EXPECT_NE(term.rowText(16).find("1 = Spielbeginn"), std::string::npos) << term.screenText();
    EXPECT_EQ(term.rowText(21).find("Leben:"), std::string::npos);
    term.focusIn();
    ASSERT_TRUE(term.waitForText(21, "Leben:  3", kE2eTimeout)) << term.screenText();
    term.release(kittyKey('1'));

    ASSERT_TRUE(term.waitFor(apprenticeAtStart, kE2eTimeout)) << term.screenText();
    ASSERT_TRUE(term.waitForText(25, "Punkterekord: 0", kE2eTimeout)) << term.screenText();
    int digits = 0;
    int mines = 0;
    expectRoomDrawn(term, digits, mines);
    EXPECT_EQ(digits, 200);
    EXPECT_EQ(mines, 15);
    EXPECT_EQ(term.rowText(19).substr(0, 9), "Punkte: 0");
    EXPECT_EQ(term.rowText(19).substr(26, 7), "Raum: 1");
    EXPECT_EQ(term.rowText(21).substr(0, 9), "Leben:  3");
    EXPECT_EQ(term.rowText(21).substr(26, 25), "verbliebene Zahlen: 20000");
    EXPECT_EQ(term.rowText(23).substr(0, 21), "Extra-Leben bei: 2500");
    EXPECT_EQ(term.rowText(23).substr(26, 9), "Pausen: 3");
    EXPECT_EQ(term.rowText(25).substr(9, 15), "Punkterekord: 0");

    ASSERT_NO_FATAL_FAILURE(loseTheLivesLeft(term, keys));
    const int points = pointsShown(term);
    EXPECT_NE(term.rowText(21).find("verbliebene Zahlen: 19999"), std::string::npos)
        << term.rowText(21);

    ASSERT_NO_FATAL_FAILURE(continueToNameEntry(term, keys));
    ASSERT_NO_FATAL_FAILURE(moveHighlightTo(term, keys, 30, 41));  // END, with no name typed
    ASSERT_TRUE(keys.tap('\r', [](const PtyTerminal& t) {
        return t.rowText(26).rfind("    10.", 0) == 0;
    })) << term.screenText();
    EXPECT_NE(term.rowText(29).find("<<<<  Dein Platz  : 1."), std::string::npos)
        << term.screenText();
    EXPECT_NE(term.rowText(30).find("<<<<  Deine Punkte: " + std::to_string(points)),
              std::string::npos);
    const std::string place1 = term.rowText(8);
    EXPECT_EQ(place1.rfind("    1.         " + std::to_string(points), 0), 0U) << place1;
    EXPECT_EQ(place1.substr(28, 15), std::string(15, ' ')) << place1;
    EXPECT_EQ(place1.substr(56, 21).find_last_not_of(' '), 20U) << "date and time" << place1;

    EXPECT_EQ(fileBytes(dir.path() / "Highscore.rnk"),
              fileWithNewFirstPlace(before, points, std::string(15, ' '), place1.substr(56, 21)));

    ASSERT_TRUE(keys.tap(' ', [](const PtyTerminal& t) {
        return t.rowText(22).find("4 = Spielende") != std::string::npos;
    })) << term.screenText();
    EXPECT_EQ(term.keyboardFlags(), 11);
    term.press(kittyKey('4'));
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
    expectTerminalGivenBack(term);
}

}  // namespace
}  // namespace numerion::e2e
