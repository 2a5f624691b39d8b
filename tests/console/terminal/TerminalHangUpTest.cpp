// A terminal that goes away under the program: it must end, not run on headless.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "console/PlatformCore.h"
#include "console/TextConsole.h"
#include "console/terminal/TerminalBackend.h"
#include "console/terminal/TerminalScreen.h"
#include "support/PseudoTerminal.h"

namespace numerion {
namespace {

// Opened without making it our controlling terminal: closing its far side sends us no
// hang-up signal, as when that signal is blocked or goes to another session.
struct DetachedTerminal {
    DetachedTerminal() {
        const testing::PseudoTerminalPair pty = testing::openPseudoTerminal();
        master = pty.master;
        program = pty.program;
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
            PlatformCore platform(backend);
            ::close(pty.master);
            for (int wait = 0; wait < 30; ++wait)
                platform.sleep(100);  // the menu's wait, for three seconds
            std::exit(0);
        },
        ::testing::ExitedWithCode(13), "runtime error 13 \\(\"termination request\" signal\\)");
}

// A background job whose stop signal for reading is ignored gets an error from the read, as a
// hung-up terminal gives one; it must wait for the foreground, not end.
TEST(TerminalHangUpDeathTest, ABackgroundJobRefusedItsKeysWaitsForTheForeground) {
    EXPECT_EXIT(
        {
            if (::setsid() < 0) std::exit(2);  // a session of our own, this pty its terminal
            const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
            if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) std::exit(2);
            const int program = ::open(::ptsname(master), O_RDWR);
            if (program < 0 || ::ioctl(program, TIOCSCTTY, 0) != 0) std::exit(2);
            TerminalBackend backend(nullptr, program, program);
            backend.start();
            PlatformCore platform(backend);

            // Another job takes the foreground; we may neither read nor stop for it.
            const pid_t us = ::getpid();
            const pid_t job = ::fork();
            if (job == 0) {
                // Gone with us, however we end: it holds the pipes of this test.
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != us) ::_exit(0);
                ::setpgid(0, 0);
                for (;;)
                    ::pause();
            }
            ::setpgid(job, job);
            ::signal(SIGTTIN, SIG_IGN);
            ::signal(SIGTTOU, SIG_IGN);
            if (::tcsetpgrp(program, job) != 0) std::exit(2);
            if (::write(master, "1", 1) != 1) std::exit(2);
            for (int wait = 0; wait < 5; ++wait)
                platform.sleep(100);
            const bool keyWhileBackground = platform.nextKeyPress().has_value();

            // In the foreground again, the key that waited is ours.
            if (::tcsetpgrp(program, ::getpgrp()) != 0) std::exit(2);
            platform.sleep(100);
            const std::optional<std::int32_t> key = platform.nextKeyPress();
            ::kill(job, SIGKILL);
            ::waitpid(job, nullptr, 0);
            std::exit(!keyWhileBackground && key == '1' ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace numerion
