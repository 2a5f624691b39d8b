// The real program under a kitty-protocol terminal: the protocol asked for once and switched on
// on the alternate screen, keys as press and release events, and focus reports that make a held
// key read as up. (Its ways out, the protocol popped, are the failure tests'.)

#include <gtest/gtest.h>

#include <string>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

TEST(KittyE2ETest, KeyEventsStartAndSteerAGameButAKeyHeldWithoutTheFocusReadsAsUp) {
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.kittyKeyboard = true;
    PtyTerminal term({NUMERION_BINARY}, options);
    Keyboard keys(term, true);

    ASSERT_NO_FATAL_FAILURE(waitForTitle(term));
    EXPECT_EQ(term.keyboardQueries(), 1);
    EXPECT_EQ(term.keyboardFlags(), 11) << "pushed on the alternate screen";

    // Held while the window has no focus, 1 reads as up at every step of the menu (a step is
    // under 100 ms; nothing shows that, so give it a few); once the focus is back it is down.
    term.focusOut();
    term.press(kittyKey('1'));
    term.pump(400);
    EXPECT_EQ(term.rowText(21).find("Leben:"), std::string::npos) << term.screenText();
    term.focusIn();
    ASSERT_TRUE(term.waitForText(21, "Leben:  3", kE2eTimeout)) << term.screenText();
    term.release(kittyKey('1'));
    ASSERT_TRUE(term.waitFor(apprenticeAtStart, kE2eTimeout)) << term.screenText();

    // An arrow as key events turns the apprentice, who walks on after its release (down column
    // 2 lie digits and blanks only, down to the bottom wall).
    ASSERT_TRUE(keys.tapArrow('B', [](const PtyTerminal& t) { return !apprenticeAtStart(t); }))
        << term.screenText();
    const auto walkedOn = [](const PtyTerminal& t) {
        for (int row = 5; row <= 16; ++row)
            if (t.cell(row, 2).text == "☺") return true;
        return false;
    };
    ASSERT_TRUE(term.waitFor(walkedOn, kE2eTimeout)) << term.screenText();
    EXPECT_EQ(term.keyboardFlags(), 11);
}

}  // namespace
}  // namespace numerion::e2e
