// The screen on a real pseudo-terminal: what reaches the terminal side, byte for byte.

#include "console/terminal/TerminalScreen.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "console/terminal/Renderer.h"
#include "support/PseudoTerminal.h"

namespace numerion {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class TerminalScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* term = std::getenv("TERM")) savedTerm_ = term;
        ::setenv("TERM", "xterm-256color", 1);
        const testing::PseudoTerminalPair pty = testing::openPseudoTerminal();
        master_ = pty.master;
        slave_ = pty.program;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    void TearDown() override {
        ::close(master_);
        ::close(slave_);
        if (savedTerm_) {
            ::setenv("TERM", savedTerm_->c_str(), 1);
        } else {
            ::unsetenv("TERM");
        }
    }

    // Everything the screen has written so far; the bytes are already in the pty.
    std::string received() {
        std::string bytes;
        char buffer[65536];
        for (;;) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, bytes.empty() ? 50 : 0) <= 0) break;
            ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        total_ += bytes.size();
        return bytes;
    }

    int master_ = -1;
    int slave_ = -1;
    std::size_t total_ = 0;
    std::optional<std::string> savedTerm_;
};

TEST_F(TerminalScreenTest, EnterTakesTheAlternateScreenHidesTheCursorAndAsksFor80By35) {
    TextConsole model;
    TerminalScreen screen(slave_, model);
    EXPECT_EQ(received(), "");  // constructing it sends nothing
    screen.enter();
    std::string bytes = received();
    EXPECT_THAT(bytes, HasSubstr("\x1b[?1049h"));
    EXPECT_THAT(bytes, HasSubstr("\x1b[?25l"));
    EXPECT_THAT(bytes, HasSubstr("\x1b[8;35;80t"));
    EXPECT_TRUE(screen.largeEnough());
}

TEST_F(TerminalScreenTest, PresentSendsAChangeOnceInOneFrameAndNothingWhileUnchanged) {
    TextConsole model;
    TerminalScreen screen(slave_, model);
    screen.enter();
    received();
    screen.present();
    std::string first = received();
    EXPECT_THAT(first, StartsWith("\x1b[?2026h"));
    EXPECT_THAT(first, EndsWith("\x1b[?2026l"));
    screen.present();
    EXPECT_EQ(received(), "");

    model.locate(3, 5, 0);
    model.setColor(12);
    model.printText(std::string_view("\x01\x1b[31m", 6));  // an escape in the text stays a glyph
    screen.present();
    std::string frame = received();
    EXPECT_THAT(frame, HasSubstr("\u263A\u2190[31m"));
    EXPECT_THAT(frame, HasSubstr("\x1b[38;5;203m"));  // on the black in force already
    screen.present();
    EXPECT_EQ(received(), "");
    EXPECT_EQ(screen.bytesSent(), total_);
}

TEST_F(TerminalScreenTest, LeaveWritesTheRestoreBytesOnceAndTheyPutEverythingBack) {
    TextConsole model;
    std::string restore;
    {
        TerminalScreen screen(slave_, model);
        restore = screen.restoreBytes();
        screen.enter();
        screen.present();
        received();
        screen.leave();
        EXPECT_EQ(received(), restore);
        screen.leave();
        EXPECT_EQ(received(), "");
        screen.present();  // after leaving, nothing is drawn over the main screen
        EXPECT_EQ(received(), "");
    }
    EXPECT_EQ(received(), "");  // already left: the destructor adds nothing
    EXPECT_THAT(restore, HasSubstr("\x1b[?2026l"));
    EXPECT_THAT(restore, HasSubstr("\x1b(B\x1b[m"));  // xterm's colour reset
    EXPECT_THAT(restore, HasSubstr("\x1b[?25h"));
    EXPECT_THAT(restore, HasSubstr("\x1b[?1049l"));
}

TEST_F(TerminalScreenTest, DestructorRestoresATerminalThatWasEntered) {
    TextConsole model;
    std::string restore;
    {
        TerminalScreen screen(slave_, model);
        restore = screen.restoreBytes();
        screen.enter();
        received();
    }
    EXPECT_EQ(received(), restore);
}

TEST_F(TerminalScreenTest, EnteringAgainAfterLeavingRepaintsAndShowsTheModelsCursorAgain) {
    TextConsole model;
    model.locate(4, 9, 1);  // the model shows its cursor
    model.printText("x");
    TerminalScreen screen(slave_, model);
    screen.enter();
    screen.present();
    received();
    screen.leave();  // shows the cursor; entering hides it again (a suspend and resume)
    screen.enter();
    screen.present();
    const std::string again = received();
    EXPECT_THAT(again, HasSubstr("\x1b[2J"));
    EXPECT_THAT(again, HasSubstr("x"));
    const auto shown = again.rfind("\x1b[?25h");
    ASSERT_NE(shown, std::string::npos) << "the cursor stayed hidden";
    EXPECT_LT(again.rfind("\x1b[?25l"), shown);
}

TEST_F(TerminalScreenTest, BellIsTheTerminalBell) {
    TextConsole model;
    TerminalScreen screen(slave_, model);
    screen.bell();
    EXPECT_EQ(received(), "\a");
}

}  // namespace
}  // namespace numerion
