// The harness itself, on small shell scripts whose output is known: where a fault would let an
// end-to-end test pass wrongly (colours, the screen and cursor modes, the keyboard protocol and
// its flags, the bytes of key events, the terminal modes). What else it does, every end-to-end
// test relies on.

#include "support/PtyTerminal.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

namespace numerion::e2e {
namespace {

constexpr int kTimeout = 10000;

PtyTerminal shell(const std::string& script, PtyTerminal::Options options = {}) {
    return PtyTerminal({"/bin/sh", "-c", script}, std::move(options));
}

TEST(PtyTerminal, ReportsColoursAsTerminalIndexesAndDefaultsAsMinusOne) {
    auto term = shell("printf 'a\\033[31;44mb\\033[95;106mc\\033[39;49md\\033[1;32me'; sleep 5");
    ASSERT_TRUE(term.waitForText(1, "abcde", kTimeout)) << term.screenText();
    EXPECT_EQ(term.cell(1, 1).foreground, -1);
    EXPECT_EQ(term.cell(1, 1).background, -1);
    EXPECT_EQ(term.cell(1, 2).foreground, 1);
    EXPECT_EQ(term.cell(1, 2).background, 4);
    EXPECT_EQ(term.cell(1, 3).foreground, 13);
    EXPECT_EQ(term.cell(1, 3).background, 14);
    EXPECT_EQ(term.cell(1, 4).foreground, -1);
    EXPECT_EQ(term.cell(1, 4).background, -1);
    EXPECT_TRUE(term.cell(1, 5).bold);
    EXPECT_FALSE(term.cell(1, 4).bold);
}

TEST(PtyTerminal, FollowsAlternateScreenAndCursorVisibility) {
    // Each step waits for a line typed by the test, so every state can be looked at.
    auto term = shell(
        "printf 'main'; read a; printf '\\033[?1049h\\033[H\\033[?25lalt'; read b;"
        " printf '\\033[?25h\\033[?1049l'; read c");
    ASSERT_TRUE(term.waitForText(1, "main", kTimeout));
    EXPECT_FALSE(term.altScreen());
    EXPECT_TRUE(term.cursorVisible());

    term.send("\r");
    ASSERT_TRUE(term.waitFor([](const PtyTerminal& t) { return t.altScreen(); }, kTimeout));
    ASSERT_TRUE(term.waitForText(1, "alt", kTimeout)) << term.screenText();
    EXPECT_FALSE(term.cursorVisible());
    EXPECT_EQ(term.rowText(1).find("main"), std::string::npos);

    term.send("\r");
    ASSERT_TRUE(term.waitFor([](const PtyTerminal& t) { return !t.altScreen(); }, kTimeout));
    EXPECT_TRUE(term.cursorVisible());
    EXPECT_NE(term.rowText(1).find("main"), std::string::npos);  // the main screen is back
    term.send("\r");
    auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->code, 0);
}

// Answers arrive as input; the scripts show them up to the attributes' final 'c', with ESC
// made visible.
constexpr const char* kShowAnswer = "IFS= read -r -d c a; printf '%s|' \"$a\" | tr '\\033' E;";

TEST(PtyTerminal, AnswersOnlyTheDeviceAttributesQueryWithoutTheKeyboardProtocol) {
    auto term = PtyTerminal({"/bin/bash", "-c",
                             std::string("stty -icanon -echo min 1; printf '\\033[?u\\033[c'; ") +
                                 kShowAnswer + " sleep 5"},
                            PtyTerminal::Options{});
    ASSERT_TRUE(term.waitForText(1, "|", kTimeout)) << term.screenText();
    EXPECT_EQ(term.rowText(1).rfind("E[?1", 0), 0U) << term.rowText(1);
    EXPECT_EQ(term.rowText(1).find('u'), std::string::npos) << term.rowText(1);
    EXPECT_EQ(term.keyboardQueries(), 0);
}

TEST(PtyTerminal, KeyboardProtocolAnswersBeforeTheAttributesAndKeepsOneFlagStackPerScreen) {
    PtyTerminal::Options options;
    options.kittyKeyboard = true;
    const std::string script =
        std::string("stty -icanon -echo min 1; printf '\\033[?u\\033[c'; ") + kShowAnswer +
        "printf '\\033[>11u\\033[?u\\033[c'; " + kShowAnswer +
        "read -r -n 1 x; printf '\\033[?1049h\\033[>1u\\033[=4;2u'; read -r -n 1 x;"
        "printf '\\033[<u\\033[?1049l'; read -r -n 1 x; printf '\\033[<5u'; sleep 5";
    auto term = PtyTerminal({"/bin/bash", "-c", script}, options);
    ASSERT_TRUE(term.waitFor(
        [](const PtyTerminal& t) {
            return std::count(t.output().begin(), t.output().end(), '|') == 2;
        },
        kTimeout))
        << term.screenText();
    EXPECT_EQ(term.rowText(1).rfind("E[?0uE[?1", 0), 0U) << term.rowText(1);
    EXPECT_NE(term.rowText(1).find("|E[?11uE[?1"), std::string::npos) << term.rowText(1);
    EXPECT_EQ(term.keyboardQueries(), 2);

    // The alternate screen starts with a stack of its own; set mode 2 adds bits to the top.
    term.send("x");
    ASSERT_TRUE(term.waitFor([](const PtyTerminal& t) { return t.altScreen(); }, kTimeout));
    ASSERT_TRUE(
        term.waitFor([](const PtyTerminal& t) { return t.keyboardFlags() == 5; }, kTimeout));
    EXPECT_EQ(term.keyboardFlagsPushed(), 2);

    term.send("x");
    ASSERT_TRUE(term.waitFor([](const PtyTerminal& t) { return !t.altScreen(); }, kTimeout));
    ASSERT_TRUE(
        term.waitFor([](const PtyTerminal& t) { return t.keyboardFlagsPushed() == 1; }, kTimeout));
    EXPECT_EQ(term.keyboardFlags(), 11);

    term.send("x");  // popping more than was pushed empties the stack
    ASSERT_TRUE(
        term.waitFor([](const PtyTerminal& t) { return t.keyboardFlagsPushed() == 0; }, kTimeout));
    EXPECT_EQ(term.keyboardFlags(), 0);
}

TEST(PtyTerminal, KeyEventsHaveTheBytesKittySends) {
    EXPECT_EQ(PtyTerminal::kittyEvent(kittyKey('1'), 1), "\x1b[49u");
    EXPECT_EQ(PtyTerminal::kittyEvent(kittyKey('1'), 3), "\x1b[49;1:3u");
    EXPECT_EQ(PtyTerminal::kittyEvent(kittyKey('1'), 2), "\x1b[49;1:2u");
    EXPECT_EQ(PtyTerminal::kittyEvent(kittyKey(' '), 3), "\x1b[32;1:3u");
    EXPECT_EQ(PtyTerminal::kittyEvent(kKittyEnter, 1), "\x1b[13u");
    EXPECT_EQ(PtyTerminal::kittyEvent(kKittyUp, 1), "\x1b[A");
    EXPECT_EQ(PtyTerminal::kittyEvent(kKittyUp, 3), "\x1b[1;1:3A");
    EXPECT_EQ(PtyTerminal::kittyEvent(kKittyLeft, 2), "\x1b[1;1:2D");
    EXPECT_EQ(PtyTerminal::kittyEvent(kittyKey('c'), 1, kKittyCtrl), "\x1b[99;5u");
    EXPECT_EQ(PtyTerminal::kittyEvent(kittyKey('c'), 3, kKittyCtrl), "\x1b[99;5:3u");

    auto term = shell("stty -icanon -echo min 1; head -c 10 | od -An -tx1; sleep 5");
    term.press(kKittyRight);
    term.release(kittyKey('5'));
    ASSERT_TRUE(term.waitForText(1, "1b 5b 43 1b 5b 35 33 3b 31 3a", kTimeout))
        << term.screenText();
}

TEST(PtyTerminal, ReportsTheModesBeforeTheStartAndAsTheProgramLeftThem) {
    auto term = shell("stty raw -echo; printf 'roh'; exit 0");
    EXPECT_TRUE(term.modesAtStart().c_lflag & ECHO);
    EXPECT_TRUE(term.modesAtStart().c_lflag & ICANON);
    ASSERT_TRUE(term.waitExit(kTimeout).has_value());
    ASSERT_TRUE(term.waitForText(1, "roh", kTimeout));
    // Still readable once the program is gone, and still as it set them.
    EXPECT_FALSE(term.modes().c_lflag & ECHO);
    EXPECT_FALSE(term.modes().c_lflag & ICANON);
    EXPECT_TRUE(term.modesAtStart().c_lflag & ECHO);
}

}  // namespace
}  // namespace numerion::e2e
