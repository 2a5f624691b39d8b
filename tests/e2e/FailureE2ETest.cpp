// The real program's ways out through a fatal error: the report on standard error, the exit
// status, and the terminal given back as it was, for a legacy and a kitty-protocol terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

class FailureE2ETest : public ::testing::TestWithParam<bool> {
  protected:
    bool kitty() const { return GetParam(); }

    PtyTerminal::Options options() const {
        PtyTerminal::Options o;
        o.workingDir = dir_.path().string();
        o.kittyKeyboard = kitty();
        o.captureStderr = true;
        return o;
    }

    // The program ended with this status and report and gave the terminal back.
    void expectFatalEnd(PtyTerminal& term, int status, const std::string& report) const {
        ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, status));
        EXPECT_EQ(term.errorOutput(), report);
        expectTerminalGivenBack(term);
        // Otherwise the popped protocol would prove nothing.
        if (kitty()) {
            EXPECT_EQ(term.keyboardQueries(), 1);
        }
    }

    ScratchDir dir_;
};

TEST_P(FailureE2ETest, ADirectoryNamedLikeTheHighscoreFileEndsTheStartWithFileNotFound) {
    std::filesystem::create_directory(dir_.path() / "Highscore.rnk");
    PtyTerminal term({NUMERION_BINARY}, options());
    expectFatalEnd(term, 2,
                   "\nAborting due to runtime error 2 (file not found) at line 41 of "
                   "Numerion::()\n\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir_.path() / "Highscore.rnk"));
}

TEST_P(FailureE2ETest, AFileSizeLimitMakesCreatingTheHighscoreFileAShortWrite) {
    // Two blocks of 1024 bytes: the 4400-byte table does not fit.
    const std::string command = std::string("ulimit -f 2; exec ") + NUMERION_BINARY;
    PtyTerminal term({"/bin/sh", "-c", command}, options());
    expectFatalEnd(term, 3,
                   "\nAborting due to runtime error 3 (file I/O error) at line 42 of "
                   "Numerion::()\n\n");
    // A creation that failed leaves nothing, no file to be loaded as empty places later.
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_P(FailureE2ETest, CtrlCInTheMenuIsTheInterruptError) {
    PtyTerminal term({NUMERION_BINARY}, options());
    ASSERT_NO_FATAL_FAILURE(waitForTitle(term));
    if (kitty()) {
        // With the protocol Ctrl+C comes as key events, after the Ctrl key itself.
        term.press(KittyKey{57442, 'u'}, kKittyCtrl);
        term.press(kittyKey('c'), kKittyCtrl);
    } else {
        term.send("\x03");  // the terminal driver turns it into SIGINT
    }
    expectFatalEnd(
        term, 9, "\nAborting due to runtime error 9 (\"interrupted\" signal) in Numerion::()\n\n");
}

TEST_P(FailureE2ETest, ATerminationRequestIsItsOwnError) {
    PtyTerminal term({NUMERION_BINARY}, options());
    ASSERT_NO_FATAL_FAILURE(waitForTitle(term));
    ASSERT_EQ(::kill(term.pid(), SIGTERM), 0);
    expectFatalEnd(
        term, 13,
        "\nAborting due to runtime error 13 (\"termination request\" signal) in Numerion::()\n\n");
}

TEST_P(FailureE2ETest, SignalsThatEndAProgramByDefaultStillDoButGiveTheTerminalBackFirst) {
    for (int signal : {SIGUSR1, SIGALRM, SIGPROF}) {
        SCOPED_TRACE(::strsignal(signal));
        PtyTerminal term({NUMERION_BINARY}, options());
        ASSERT_NO_FATAL_FAILURE(waitForTitle(term));
        ASSERT_EQ(::kill(term.pid(), signal), 0);
        const auto status = term.waitExit(kE2eTimeout);
        ASSERT_TRUE(status.has_value());
        EXPECT_FALSE(status->exited);
        EXPECT_EQ(status->signal, signal);
        expectTerminalGivenBack(term);
    }
}

INSTANTIATE_TEST_SUITE_P(Terminals, FailureE2ETest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Kitty" : "Legacy";
                         });

// Printing never ends the program: output into a pipe nobody reads is simply not shown.
TEST(OutputNotATerminalE2ETest, OutputToAClosedPipeDoesNotEndTheProgram) {
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.captureStderr = true;
    PtyTerminal term(
        [] {
            int fds[2];
            if (::pipe(fds) != 0) return 125;
            ::close(fds[0]);
            if (::dup2(fds[1], STDOUT_FILENO) < 0) return 125;
            ::execl(NUMERION_BINARY, NUMERION_BINARY, static_cast<char*>(nullptr));
            return 127;
        },
        options);
    // The title has been printed several times over by then (a step of its banner is under
    // 100 ms), and the first write already failed.
    ASSERT_FALSE(term.waitExit(500).has_value()) << "ended by its output";
    ASSERT_EQ(::kill(term.pid(), SIGTERM), 0);
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 13));
    EXPECT_EQ(
        term.errorOutput(),
        "\nAborting due to runtime error 13 (\"termination request\" signal) in Numerion::()\n\n");
}

// With standard output in a file, the keys still come from the terminal on standard input.
TEST(OutputNotATerminalE2ETest, WithOutputIntoAFileTheKeysStillComeFromTheTerminal) {
    ScratchDir dir;
    const std::string out = (dir.path() / "out.txt").string();
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    PtyTerminal term(
        [&out] {
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0) return 125;
            ::execl(NUMERION_BINARY, NUMERION_BINARY, static_cast<char*>(nullptr));
            return 127;
        },
        options);
    auto printed = [&out] {
        const std::vector<char> bytes = fileBytes(out);
        return std::string(bytes.begin(), bytes.end());
    };
    ASSERT_TRUE(term.waitFor(
        [&](const PtyTerminal&) { return printed().find("N NN  U  U  M  M") != std::string::npos; },
        kE2eTimeout));
    EXPECT_EQ(term.modes().c_lflag & (ECHO | ICANON), 0u) << "keys one by one, not echoed";
    term.send("4");
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
    EXPECT_EQ(term.modes().c_lflag, term.modesAtStart().c_lflag);
}

// With standard input redirected the keys come from the terminal all the same, not echoed into
// the picture; a paste that holds a focus report is no focus report.
TEST(InputNotATerminalE2ETest, WithInputRedirectedTheKeysComeFromTheTerminalUnechoed) {
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    PtyTerminal term(
        [] {
            const int fd = ::open("/dev/null", O_RDONLY);
            if (fd < 0 || ::dup2(fd, STDIN_FILENO) < 0) return 125;
            ::execl(NUMERION_BINARY, NUMERION_BINARY, static_cast<char*>(nullptr));
            return 127;
        },
        options);
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForTitle(term));
    EXPECT_EQ(term.modes().c_lflag & (ECHO | ICANON), 0u) << "keys one by one, not echoed";
    term.send("hallo");
    term.send("\x1b[200~\x1b[O\x1b[201~");  // pasted: a focus loss
    term.pump(300);
    EXPECT_EQ(term.screenText().find("hallo"), std::string::npos) << term.screenText();
    ASSERT_TRUE(keys.tap('2', [](const PtyTerminal& t) {
        return t.rowText(35).find("zurueck") != std::string::npos;
    })) << term.screenText();
    ASSERT_TRUE(keys.tap(' ', [](const PtyTerminal& t) {
        return t.rowText(22).find("4 = Spielende") != std::string::npos;
    })) << term.screenText();
    term.send("4");
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
    EXPECT_EQ(term.modes().c_lflag, term.modesAtStart().c_lflag);
}

// Without any terminal the game could never get a key: one line, status 1, nothing written.
TEST(InputNotATerminalE2ETest, WithoutAnyTerminalTheProgramSaysSoAndWritesNothing) {
    ScratchDir dir;
    int out[2];
    int err[2];
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::pipe(err), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // A session of its own has no controlling terminal: /dev/tty cannot be opened.
        const int in = ::open("/dev/null", O_RDONLY);
        if (::setsid() < 0 || in < 0 || ::dup2(in, STDIN_FILENO) < 0 ||
            ::dup2(out[1], STDOUT_FILENO) < 0 || ::dup2(err[1], STDERR_FILENO) < 0 ||
            ::chdir(dir.path().c_str()) != 0) {
            ::_exit(125);
        }
        ::execl(NUMERION_BINARY, NUMERION_BINARY, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    auto readAll = [](int fd) {
        std::string text;
        char buffer[4096];
        pollfd p{fd, POLLIN, 0};
        // Bounded: a program that runs on keeps writing, and the test must end.
        while (text.size() < 65536 && ::poll(&p, 1, 5000) > 0) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
        return text;
    };
    const std::string printed = readAll(out[0]);
    const std::string errors = readAll(err[0]);
    ::kill(pid, SIGKILL);  // only if it still runs
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed: it ran on";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(errors,
              "numerion: Kein Terminal fuer die Tasten (weder die Standardeingabe noch /dev/tty) "
              "- ohne Tastatur ist kein Spiel moeglich.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Highscore.rnk"));
}

// A terminal that cannot place the cursor gets one line instead of sequences it cannot show.
TEST(InputNotATerminalE2ETest, ADumbTerminalGetsOneLineAndNoEscapeSequence) {
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.term = "dumb";
    options.captureStderr = true;
    PtyTerminal term({NUMERION_BINARY}, options);
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 1));
    EXPECT_EQ(term.errorOutput(),
              "numerion: Das Terminal (TERM=dumb) kann den Cursor nicht setzen - das Spiel "
              "braucht ein Terminal wie xterm.\n");
    EXPECT_EQ(term.output(), "");
    EXPECT_EQ(term.modes().c_lflag, term.modesAtStart().c_lflag);
}

}  // namespace
}  // namespace numerion::e2e
