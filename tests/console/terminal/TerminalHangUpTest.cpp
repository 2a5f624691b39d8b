// A terminal that goes away under the program: it must end, not run on headless.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "console/TextConsole.h"
#include "console/terminal/TerminalBackend.h"
#include "console/terminal/TerminalScreen.h"

namespace numerion {
namespace {

// Opened without making it our controlling terminal: closing its far side sends us no
// hang-up signal, as when that signal is blocked or goes to another session.
struct DetachedTerminal {
    DetachedTerminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) std::abort();
        program = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        if (program < 0) std::abort();
        winsize size{};
        size.ws_row = 35;
        size.ws_col = 80;
        ::ioctl(master, TIOCSWINSZ, &size);
        constexpr std::string_view kLegacyAnswer = "\x1b[?1;2c";
        if (::write(master, kLegacyAnswer.data(), kLegacyAnswer.size()) < 0) std::abort();
    }
    int master = -1;
    int program = -1;
};

TEST(TerminalHangUpDeathTest, AClosedTerminalEndsTheProgramEvenWithoutTheHangUpSignal) {
    EXPECT_EXIT(
        {
            DetachedTerminal pty;
            TextConsole model;
            TerminalScreen screen(pty.program, model);
            TerminalBackend backend(&screen, pty.program, pty.program);
            backend.start();
            ::close(pty.master);
            for (int wait = 0; wait < 30; ++wait)
                backend.sleep(100);  // the menu's wait, for three seconds
            std::exit(0);
        },
        ::testing::ExitedWithCode(13), "runtime error 13 \\(\"termination request\" signal\\)");
}

}  // namespace
}  // namespace numerion
