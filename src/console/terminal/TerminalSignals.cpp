#include "console/terminal/TerminalSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "console/RunTimeError.h"
#include "console/posix/FatalSignals.h"
#include "console/posix/WriteAll.h"

namespace numerion {

namespace {

// The handlers only note what happened and wake the wait.
volatile std::sig_atomic_t gEndSignal = 0;
volatile std::sig_atomic_t gSuspendSignal = 0;
volatile std::sig_atomic_t gResizedSignal = 0;
volatile std::sig_atomic_t gContinuedSignal = 0;
int gWakeWrite = -1;
TerminalRestore gRestore;

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kOtherSignals[] = {SIGTSTP, SIGWINCH, SIGCONT};
// Signals that would end the program for what is only a failed write: ignored, the write
// then fails and says so (a file-size limit makes a save a short write, error 3; output to a
// closed pipe is simply not shown).
constexpr int kIgnoredSignals[] = {SIGXFSZ, SIGPIPE};
// Signals the program has no use for that end a process by default: they still do, with the
// terminal given back first.
constexpr int kDefaultEndSignals[] = {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,  SIGXCPU,
                                      SIGSYS,  SIGTRAP, SIGIO,   SIGPWR,    SIGSTKFLT};

void writeText(int fd, const char* text) {
    writeAll(fd, text, std::strlen(text));
}

void onSignal(int signal) {
    const int savedErrno = errno;
    switch (signal) {
        case SIGTSTP:
            gSuspendSignal = 1;
            break;
        case SIGWINCH:
            gResizedSignal = 1;
            break;
        case SIGCONT:
            gContinuedSignal = 1;
            break;
        default:
            if (gEndSignal != 0) {
                // Asked twice and the program has not come round to it: it is stuck outside
                // the keyboard and the clock. End the default way, with the terminal back.
                restoreTerminal();
                ::signal(signal, SIG_DFL);
                ::raise(signal);
            }
            gEndSignal = signal;
            break;
    }
    if (gWakeWrite >= 0) {
        const char byte = 0;
        [[maybe_unused]] ssize_t ignored = ::write(gWakeWrite, &byte, 1);
    }
    errno = savedErrno;
}

void onDefaultEndSignal(int signal) {
    restoreTerminal();
    ::signal(signal, SIG_DFL);
    ::raise(signal);  // delivered as the handler returns: the default end
}

void setHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void setHandlers(void (*ends)(int), void (*others)(int), void (*ignored)(int),
                 void (*defaultEnds)(int)) {
    for (int signal : kEndSignals)
        setHandler(signal, ends);
    for (int signal : kOtherSignals)
        setHandler(signal, others);
    for (int signal : kIgnoredSignals)
        setHandler(signal, ignored);
    for (int signal : kDefaultEndSignals)
        setHandler(signal, defaultEnds);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        setHandler(signal, defaultEnds);
}

bool take(volatile std::sig_atomic_t& flag) {
    if (flag == 0) return false;
    flag = 0;
    return true;
}

}  // namespace

TerminalRestore& terminalRestore() {
    return gRestore;
}

void restoreTerminal() {
    if (!gRestore.active) return;
    gRestore.active = 0;
    // The keyboard flags belong to the alternate screen's stack: pop them before leaving it.
    if (gRestore.kittyPushed) writeText(gRestore.outFd, kKittyPop);
    if (gRestore.reporting) writeText(gRestore.outFd, kReportsOff);
    if (gRestore.screenBytes) writeText(gRestore.outFd, gRestore.screenBytes);
    if (gRestore.termiosChanged) ::tcsetattr(gRestore.inFd, TCSAFLUSH, &gRestore.saved);
}

int installTerminalSignals() {
    int wakeRead = -1;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead = pipeFds[0];
        gWakeWrite = pipeFds[1];
    }
    gEndSignal = 0;
    gSuspendSignal = 0;
    gResizedSignal = 0;
    gContinuedSignal = 0;
    installFatalSignalHandlers(prepareFaultReport);
    setHandlers(onSignal, onSignal, SIG_IGN, onDefaultEndSignal);
    setFatalCleanup(restoreTerminal);
    static bool atExitRegistered = false;
    if (!atExitRegistered) {
        std::atexit(restoreTerminal);  // a path that ends without the backend's destructor
        atExitRegistered = true;
    }
    return wakeRead;
}

void removeTerminalSignals(int wakeRead) {
    setFatalCleanup(nullptr);
    setHandlers(SIG_DFL, SIG_DFL, SIG_DFL, SIG_DFL);
    const int wakeWrite = gWakeWrite;
    gWakeWrite = -1;
    ::close(wakeWrite);
    ::close(wakeRead);
}

int endSignal() {
    return gEndSignal;
}

int errorOfSignal(int signal) {
    switch (signal) {
        case SIGINT:
            return kErrInterrupted;
        case SIGQUIT:
            return kErrQuit;
        default:
            return kErrTermination;  // SIGTERM, and SIGHUP: the terminal asks us to go
    }
}

bool takeSuspendSignal() {
    return take(gSuspendSignal);
}

bool takeResizeSignal() {
    return take(gResizedSignal);
}

bool takeContinueSignal() {
    return take(gContinuedSignal);
}

void stopUntilContinued() {
    struct sigaction defaultAction {};
    struct sigaction ours {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(SIGTSTP, &defaultAction, &ours);
    ::raise(SIGTSTP);  // stops here until the shell continues us
    sigaction(SIGTSTP, &ours, nullptr);
    gSuspendSignal = 0;
    gContinuedSignal = 0;
}

}  // namespace numerion
