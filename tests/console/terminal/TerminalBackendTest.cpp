#include "console/terminal/TerminalBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "console/KeyInput.h"
#include "console/PlatformCore.h"
#include "console/TextConsole.h"
#include "support/PseudoTerminal.h"

namespace numerion {
namespace {

// A pseudo-terminal of 80 x 35 with the program's side and the terminal's side.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        const testing::PseudoTerminalPair pty = testing::openPseudoTerminal();
        master_ = pty.master;
        slave_ = pty.program;
    }
    ~PseudoTerminal() {
        ::close(slave_);
        ::close(master_);
    }
    int program() const { return slave_; }
    void type(std::string_view bytes) const {
        if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            std::abort();
        }
    }
    // Everything the program has written so far.
    std::string shown() {
        char buffer[65536];
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, 0) > 0) {
            ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            shown_.append(buffer, static_cast<std::size_t>(n));
        }
        return shown_;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string shown_;
};

// The terminal answers the start-up query as a kitty-protocol terminal or a legacy one.
constexpr const char* kKittyAnswer = "\x1b[?0u\x1b[?62;22c";
constexpr const char* kLegacyAnswer = "\x1b[?1;2c";

struct Session {
    explicit Session(const char* answer) {
        pty.type(answer);
        backend.start();
    }
    // Waits (bounded) until the typed bytes have been read and have made an input event.
    void settle() { platform.waitForInput(2000); }

    PseudoTerminal pty;
    TextConsole model;
    TerminalScreen screen{pty.program(), model};
    TerminalBackend backend{&screen, pty.program(), pty.program()};
    PlatformCore platform{backend};
};

TEST(TerminalBackend, LegacyTerminalKeysFillTheQueueAndATapIsHeldForOnePoll) {
    Session s(kLegacyAnswer);
    EXPECT_EQ(s.backend.heldKeysMode(), HeldKeys::Mode::Inferred);
    s.pty.type("\x1b[A");
    s.settle();
    EXPECT_TRUE(s.platform.isHeld(Key::Up));
    s.platform.sleep(1);
    EXPECT_FALSE(s.platform.isHeld(Key::Up));
    EXPECT_EQ(s.platform.nextKeyPress(), keycode::kUp);
    EXPECT_EQ(s.platform.nextKeyPress(), std::nullopt);
    // Answers and focus reports are no keys.
    s.pty.type("\x1b[?1;2c\x1b[I\x1b[O");
    s.settle();
    EXPECT_EQ(s.platform.nextKeyPress(), std::nullopt);
    EXPECT_FALSE(s.platform.hasFocus());
    s.pty.type("\x1b[I");
    s.settle();
    EXPECT_TRUE(s.platform.hasFocus());
}

TEST(TerminalBackend, ALegacyPressThatEndsAWaitIsNoNewHoldOfTheKeyLastReadAfterTheNextWait) {
    Session s(kLegacyAnswer);
    KeyInput keys(s.platform);
    // A breather: the tick reads Space, its own press ends the first wait at once, and a
    // second Space ends the second wait. The next tick must not read that press again.
    s.pty.type(" ");
    s.settle();
    ASSERT_EQ(keys.isKeyDown(scan::kSpace), -1);
    keys.sleepMs(-1);
    s.platform.sleep(HeldKeys::kRepeatGapMs + 50);  // no auto-repeat: a press of its own
    s.pty.type(" ");
    keys.sleepMs(-1);
    s.platform.sleep(90);
    EXPECT_EQ(keys.isKeyDown(scan::kSpace), 0) << "the press that ended the breather holds";

    // Another key that ends the wait reads as down at the next tick: an arrow turns.
    s.pty.type("\x1b[D");
    keys.sleepMs(-1);
    s.platform.sleep(90);
    EXPECT_EQ(keys.isKeyDown(scan::kLeft), -1);

    // A press of the key last read that ends a rest is still read in the same poll (the menu).
    s.platform.sleep(HeldKeys::kRepeatGapMs + 50);
    s.pty.type("\x1b[D");
    keys.sleepMs(5000);
    EXPECT_EQ(keys.isKeyDown(scan::kLeft), -1);
    EXPECT_EQ(keys.isKeyDown(scan::kLeft), -1);
    s.platform.sleep(1);
    EXPECT_EQ(keys.isKeyDown(scan::kLeft), 0);
}

// A terminal resized while the game rests may fill the cells it frees in the colours in force,
// on the main screen too: a rest gives it its own colours back; a tick of a walk does not.
TEST(TerminalBackend, TheColoursGoBackToTheTerminalsOwnWhenTheGameRestsButNotBetweenTicks) {
    Session s(kLegacyAnswer);
    const auto afterLastFrame = [&s] {
        const std::string shown = s.pty.shown();
        return shown.substr(shown.rfind("\x1b[?2026l"));
    };
    s.model.printText("x");
    s.platform.sleep(90);
    EXPECT_EQ(afterLastFrame(), "\x1b[?2026l");
    s.model.printText("y");
    s.platform.sleep(150);
    EXPECT_EQ(afterLastFrame(), "\x1b[?2026l\x1b[0m");
}

TEST(TerminalBackend, ALoneEscapeArrivesAfterItsTimeout) {
    Session s(kLegacyAnswer);
    s.pty.type("\x1b");
    std::optional<std::int32_t> key;
    while (!(key = s.platform.nextKeyPress()))
        s.platform.waitForInput(2000);
    EXPECT_EQ(key, 27);
}

TEST(TerminalBackend, KittyTerminalGetsItsFlagsOnTheAlternateScreenAndHeldKeysAreExact) {
    Session s(kKittyAnswer);
    ASSERT_EQ(s.backend.heldKeysMode(), HeldKeys::Mode::Exact);
    const std::string start = s.pty.shown();
    ASSERT_NE(start.find("\x1b[>11u"), std::string::npos);
    EXPECT_LT(start.find("\x1b[?1049h"), start.find("\x1b[>11u"));
    EXPECT_NE(start.find("\x1b[?1004h"), std::string::npos);

    s.pty.type("\x1b[A");
    s.settle();
    EXPECT_TRUE(s.platform.isHeld(Key::Up));
    s.platform.sleep(1);
    EXPECT_TRUE(s.platform.isHeld(Key::Up));  // still held: no release came
    s.pty.type("\x1b[1;1:3A");
    s.settle();
    EXPECT_FALSE(s.platform.isHeld(Key::Up));
    EXPECT_EQ(s.platform.nextKeyPress(), keycode::kUp);
    EXPECT_EQ(s.platform.nextKeyPress(), std::nullopt);  // the release gave no key
}

TEST(TerminalBackend, TheEndGivesTheTerminalBackAsItWasFound) {
    PseudoTerminal pty;
    termios before{};
    ::tcgetattr(pty.program(), &before);
    {
        TextConsole model;
        TerminalScreen screen(pty.program(), model);
        TerminalBackend backend(&screen, pty.program(), pty.program());
        pty.type(kKittyAnswer);
        backend.start();
        termios during{};
        ::tcgetattr(pty.program(), &during);
        EXPECT_EQ(during.c_lflag & (ECHO | ICANON), 0u);
        EXPECT_NE(during.c_lflag & ISIG, 0u);
    }
    termios after{};
    ::tcgetattr(pty.program(), &after);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    const std::string shown = pty.shown();
    const auto pop = shown.rfind("\x1b[<u");
    ASSERT_NE(pop, std::string::npos);
    EXPECT_LT(pop, shown.rfind("\x1b[?1049l"));
    EXPECT_NE(shown.find("\x1b[?1004l"), std::string::npos);
}

using TerminalBackendDeathTest = ::testing::Test;

TEST(TerminalBackendDeathTest, CtrlCAsAKittyKeyEndsTheProgramLikeTheInterrupt) {
    EXPECT_EXIT(
        {
            Session s(kKittyAnswer);
            s.pty.type("\x1b[57442u\x1b[99;5u");
            for (;;)
                s.platform.waitForInput(1000);
        },
        ::testing::ExitedWithCode(9), "runtime error 9");
}

TEST(TerminalBackendDeathTest, TerminationSignalsEndTheProgramAtTheNextCall) {
    EXPECT_EXIT(
        {
            Session s(kLegacyAnswer);
            ::raise(SIGTERM);
            s.platform.hasFocus();
            std::exit(0);
        },
        ::testing::ExitedWithCode(13), "runtime error 13");
    EXPECT_EXIT(
        {
            Session s(kLegacyAnswer);
            ::raise(SIGHUP);
            s.platform.sleep(5000);
            std::exit(0);
        },
        ::testing::ExitedWithCode(13), "runtime error 13");
    EXPECT_EXIT(
        {
            Session s(kLegacyAnswer);
            ::raise(SIGQUIT);
            s.platform.monotonicSeconds();
            std::exit(0);
        },
        ::testing::ExitedWithCode(15), "runtime error 15");
}

}  // namespace
}  // namespace numerion
