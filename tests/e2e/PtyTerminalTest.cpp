// The harness itself, on small shell scripts whose output is known.

#include "e2e/PtyTerminal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace numerion::e2e {
namespace {

constexpr int kTimeout = 10000;

PtyTerminal shell(const std::string& script, PtyTerminal::Options options = {}) {
    return PtyTerminal({"/bin/sh", "-c", script}, std::move(options));
}

TEST(PtyTerminal, ShowsPrintedTextOnItsRowsCountsBellsAndReportsTheExitCode) {
    auto term = shell("printf 'Hallo\\a Welt\\r\\nzweite Zeile\\a'; exit 3");
    auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->exited);
    EXPECT_EQ(status->code, 3);
    EXPECT_EQ(term.rowText(1).substr(0, 10), "Hallo Welt");
    EXPECT_EQ(term.rowText(2).substr(0, 12), "zweite Zeile");
    EXPECT_EQ(term.rowText(1).size(), 80u);  // blanks fill the rest of the row
    EXPECT_EQ(term.rowText(3), std::string(80, ' '));
    EXPECT_EQ(term.rows(), 35);
    EXPECT_EQ(term.columns(), 80);
    EXPECT_EQ(term.bellCount(), 2);
}

TEST(PtyTerminal, DecodesUtf8AndPositionedTextInto80By35Cells) {
    auto term = shell("printf '\\033[35;80H\\342\\226\\223\\033[2;5H\\342\\230\\272x'; sleep 5");
    ASSERT_TRUE(term.waitForText(2, "\u263Ax", kTimeout)) << term.screenText();
    EXPECT_EQ(term.cell(2, 5).text, "\u263A");
    EXPECT_EQ(term.cell(2, 6).text, "x");
    EXPECT_EQ(term.cell(35, 80).text, "\u2593");
    EXPECT_EQ(term.cursorRow(), 2);
    EXPECT_EQ(term.cursorColumn(), 7);
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

TEST(PtyTerminal, AnswersTheDeviceAttributesQueryOfTheProgram) {
    // The answer arrives as input; the script shows its first bytes with ESC made visible.
    auto term = shell(
        "stty -icanon -echo min 1; printf '\\033[c'; "
        "head -c 3 | tr '\\033' E; printf '|'; sleep 5");
    ASSERT_TRUE(term.waitForText(1, "E[?|", kTimeout)) << term.screenText();
}

TEST(PtyTerminal, PassesKeysSentToTheProgram) {
    auto term = shell("stty -icanon -echo min 1; head -c 2 | od -An -tx1; sleep 5");
    term.send(
        "\x1b"
        "A");
    ASSERT_TRUE(term.waitForText(1, "1b 41", kTimeout)) << term.screenText();
}

TEST(PtyTerminal, ResizeReachesTheProgramAsItsNewSize) {
    auto term = shell("trap 'stty size' WINCH; printf 'bereit'; while :; do sleep 0.05; done");
    ASSERT_TRUE(term.waitForText(1, "bereit", kTimeout));
    term.resize(30, 70);
    ASSERT_TRUE(term.waitFor(
        [](const PtyTerminal& t) { return t.screenText().find("30 70") != std::string::npos; },
        kTimeout))
        << term.screenText();
    EXPECT_EQ(term.rows(), 30);
    EXPECT_EQ(term.rowText(1).size(), 70u);
}

TEST(PtyTerminal, ReportsTheSignalThatEndedTheProgram) {
    auto term = shell("printf 'x'; exec sleep 30");
    ASSERT_TRUE(term.waitForText(1, "x", kTimeout));
    ::kill(term.pid(), SIGTERM);
    auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value());
    EXPECT_FALSE(status->exited);
    EXPECT_EQ(status->signal, SIGTERM);
}

TEST(PtyTerminal, StartsInTheGivenDirectoryWithTermAndUtf8Locale) {
    const std::string dir = std::filesystem::temp_directory_path().string();
    PtyTerminal::Options options;
    options.workingDir = dir;
    auto term = shell("printf '%s|%s|%s' \"$(pwd)\" \"$TERM\" \"$LC_ALL\"; sleep 5", options);
    ASSERT_TRUE(term.waitForText(1, "xterm-256color|C.UTF-8", kTimeout)) << term.screenText();
    EXPECT_EQ(term.rowText(1).rfind(dir + "|", 0), 0u) << term.rowText(1);
}

TEST(PtyTerminal, RunsAFunctionInTheChildWithTheTerminalAsItsStandardStreams) {
    PtyTerminal term(
        [] {
            std::printf("%s", isatty(1) ? "tty" : "kein tty");
            std::fflush(stdout);
            return 7;
        },
        PtyTerminal::Options{});
    auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->code, 7);
    EXPECT_EQ(term.rowText(1).substr(0, 3), "tty");
}

TEST(PtyTerminal, KillsAProgramThatStillRunsWhenDestroyed) {
    pid_t pid;
    {
        auto term = shell("exec sleep 30");
        pid = term.pid();
        EXPECT_TRUE(term.running());
    }
    EXPECT_EQ(::kill(pid, 0), -1);  // reaped: the pid is gone
}

}  // namespace
}  // namespace numerion::e2e
