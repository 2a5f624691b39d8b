#include "console/terminal/TerminalBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "console/RunTimeError.h"
#include "console/posix/FatalSignals.h"
#include "console/posix/WriteAll.h"

namespace numerion {

namespace {

constexpr const char* kKittyQuery = "\x1b[?u\x1b[c";  // flags, then primary device attributes
// Disambiguate (1), report event types (2), report all keys as escape codes (8): without 8
// plain keys give no release events.
constexpr const char* kKittyPush = "\x1b[>11u";
constexpr const char* kKittyPop = "\x1b[<u";
// Focus reports, and pastes bracketed: pasted text cannot pass for a report or a key event.
constexpr const char* kReportsOn = "\x1b[?1004h\x1b[?2004h";
constexpr const char* kReportsOff = "\x1b[?1004l\x1b[?2004l";

// --- What signal handling needs, and only that, lives outside the backend ---

// The handlers only note what happened and wake the wait; the backend acts at its next call.
volatile std::sig_atomic_t gEndSignal = 0;
volatile std::sig_atomic_t gSuspendSignal = 0;
volatile std::sig_atomic_t gResizedSignal = 0;
volatile std::sig_atomic_t gContinuedSignal = 0;
int gWakeWrite = -1;

// The terminal as it must be left, ready for a handler: no allocation, only write and
// tcsetattr. Each flag is set just before the change it undoes is made.
struct RestoreState {
    volatile std::sig_atomic_t active = 0;
    volatile std::sig_atomic_t kittyPushed = 0;
    volatile std::sig_atomic_t reporting = 0;
    volatile std::sig_atomic_t termiosChanged = 0;
    int outFd = -1;
    int inFd = -1;
    termios saved{};
    const char* screenBytes = nullptr;
};
RestoreState gRestore;

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

// Async-signal-safe: the fatal cleanup of run-time errors and fault signals, and the last
// resort at exit. Runs once per taking-over of the terminal.
void restoreTerminal() {
    if (!gRestore.active) return;
    gRestore.active = 0;
    // The keyboard flags belong to the alternate screen's stack: pop them before leaving it.
    if (gRestore.kittyPushed) writeText(gRestore.outFd, kKittyPop);
    if (gRestore.reporting) writeText(gRestore.outFd, kReportsOff);
    if (gRestore.screenBytes) writeText(gRestore.outFd, gRestore.screenBytes);
    if (gRestore.termiosChanged) ::tcsetattr(gRestore.inFd, TCSAFLUSH, &gRestore.saved);
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

void setHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void setDefaultEndHandlers(void (*handler)(int)) {
    for (int signal : kDefaultEndSignals)
        setHandler(signal, handler);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        setHandler(signal, handler);
}

double rawMs() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// An event that is no key: a focus or window change, or all keys up.
InputEvent eventOf(InputEvent::Type type) {
    InputEvent event;
    event.type = type;
    return event;
}

// Whether the terminal has a foreground job and it is not ours. A hung-up terminal, or one
// that is not our controlling terminal, answers no question about its jobs.
bool isBackgroundJob(int fd) {
    const pid_t foreground = ::tcgetpgrp(fd);
    return foreground > 0 && foreground != ::getpgrp();
}

}  // namespace

TerminalBackend::TerminalBackend(TerminalScreen* screen, int keysFd, int outFd)
    : screen_(screen), keysFd_(keysFd), outFd_(outFd) {}

TerminalBackend::~TerminalBackend() {
    if (!started_) return;
    release();
    setFatalCleanup(nullptr);
    for (int signal : kEndSignals)
        setHandler(signal, SIG_DFL);
    for (int signal : kOtherSignals)
        setHandler(signal, SIG_DFL);
    for (int signal : kIgnoredSignals)
        setHandler(signal, SIG_DFL);
    setDefaultEndHandlers(SIG_DFL);
    const int wakeWrite = gWakeWrite;
    gWakeWrite = -1;
    ::close(wakeWrite);
    ::close(wakeRead_);
    gRestore.screenBytes = nullptr;
}

void TerminalBackend::start() {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead_ = pipeFds[0];
        gWakeWrite = pipeFds[1];
    }
    gEndSignal = 0;
    gSuspendSignal = 0;
    gResizedSignal = 0;
    gContinuedSignal = 0;
    installFatalSignalHandlers(prepareFaultReport);
    for (int signal : kEndSignals)
        setHandler(signal, onSignal);
    for (int signal : kOtherSignals)
        setHandler(signal, onSignal);
    for (int signal : kIgnoredSignals)
        setHandler(signal, SIG_IGN);
    setDefaultEndHandlers(onDefaultEndSignal);
    setFatalCleanup(restoreTerminal);
    static bool atExitRegistered = false;
    if (!atExitRegistered) {
        std::atexit(restoreTerminal);  // a path that ends without our destructor
        atExitRegistered = true;
    }
    started_ = true;

    gRestore.outFd = outFd_;
    gRestore.inFd = keysFd_;
    gRestore.screenBytes = screen_ ? screen_->restoreBytes() : nullptr;
    gRestore.termiosChanged = 0;
    gRestore.kittyPushed = 0;
    gRestore.reporting = 0;
    if (keysFd_ >= 0 && ::tcgetattr(keysFd_, &gRestore.saved) != 0) keysFd_ = -1;

    acquire();
    if (keysFd_ >= 0 && screen_) {
        queryKittyProtocol();
        if (kitty_) {
            gRestore.kittyPushed = 1;
            writeText(outFd_, kKittyPush);
        }
    }
    if (screen_) screen_->present();
}

void TerminalBackend::queryKittyProtocol() {
    writeText(outFd_, kKittyQuery);
    const double deadline = rawMs() + kQueryTimeoutMs;
    // Every terminal answers the attributes query; the flags answer comes first if at all.
    while (!attributesAnswered_ && keysFd_ >= 0) {
        const double left = deadline - rawMs();
        if (left <= 0) break;
        waitAndRead(left);
    }
    kitty_ = kittyAnswered_;
}

void TerminalBackend::acquire() {
    // A handler that sees the flag must also see the descriptors and bytes set before it.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    gRestore.active = 1;
    if (keysFd_ >= 0) {
        termios raw = gRestore.saved;
        // Keys one by one, not echoed; Enter as CR; no flow control stealing Ctrl+S/Ctrl+Q.
        // ISIG stays: Ctrl+C and Ctrl+Z of legacy terminals arrive as signals.
        raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
        raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        gRestore.termiosChanged = 1;
        ::tcsetattr(keysFd_, TCSANOW, &raw);
    }
    if (screen_) screen_->enter();
    if (gRestore.kittyPushed) writeText(outFd_, kKittyPush);  // again after a suspend
    if (keysFd_ >= 0 && screen_) {
        gRestore.reporting = 1;
        writeText(outFd_, kReportsOn);
    }
}

void TerminalBackend::regained() {
    pending_.push_back(eventOf(InputEvent::Type::KeysReleased));
    // The focus reports tell only changes: assume the focus.
    pending_.push_back(eventOf(InputEvent::Type::FocusIn));
}

void TerminalBackend::release() {
    if (!gRestore.active) return;
    gRestore.active = 0;
    if (gRestore.kittyPushed) writeText(outFd_, kKittyPop);
    if (gRestore.reporting) writeText(outFd_, kReportsOff);
    if (screen_) screen_->leave();
    // The descriptor as found: keysFd_ is -1 once the terminal has hung up.
    if (gRestore.termiosChanged) ::tcsetattr(gRestore.inFd, TCSAFLUSH, &gRestore.saved);
}

void TerminalBackend::suspend() {
    release();
    struct sigaction defaultAction {};
    struct sigaction ours {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(SIGTSTP, &defaultAction, &ours);
    ::raise(SIGTSTP);  // stops here until the shell continues us
    sigaction(SIGTSTP, &ours, nullptr);
    gSuspendSignal = 0;
    gContinuedSignal = 0;
    acquire();  // enter() repaints everything at the next present()
    regained();
}

void TerminalBackend::waitAndRead(double timeoutMs) {
    // Walking draws a frame each tick and then waits; any other wait is a rest.
    if (screen_ &&
        (timeoutMs < 0 || timeoutMs >= kRestAfterMs || rawMs() - lastFrameMs_ >= kRestAfterMs)) {
        screen_->rest();
    }
    if (parser_.escapeAmbiguous()) {
        const double left = lastByteMs_ + kEscapeTimeoutMs - rawMs();
        if (timeoutMs < 0 || left < timeoutMs) timeoutMs = left < 0 ? 0 : left;
    }
    pollfd fds[2];
    nfds_t count = 0;
    if (wakeRead_ >= 0) fds[count++] = {wakeRead_, POLLIN, 0};
    if (mayReadKeys()) fds[count++] = {keysFd_, POLLIN, 0};
    timespec timeout{};
    if (timeoutMs >= 0) {
        const auto whole = static_cast<long>(timeoutMs);
        timeout.tv_sec = whole / 1000;
        timeout.tv_nsec = (whole % 1000) * 1'000'000L +
                          static_cast<long>((timeoutMs - static_cast<double>(whole)) * 1e6);
    }
    const int ready = ::ppoll(fds, count, timeoutMs >= 0 ? &timeout : nullptr, nullptr);
    if (ready > 0) {
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == wakeRead_) {
                char drain[64];
                while (::read(wakeRead_, drain, sizeof drain) > 0) {
                }
            } else {
                readAvailable();
            }
        }
    }
    if (parser_.escapeAmbiguous() && rawMs() - lastByteMs_ >= kEscapeTimeoutMs) {
        parser_.expire(parsed_);
    }
    handleEvents();
}

void TerminalBackend::readAvailable() {
    char buffer[4096];
    const ssize_t n = ::read(keysFd_, buffer, sizeof buffer);
    if (n > 0) {
        lastByteMs_ = rawMs();
        parser_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), parsed_);
        return;
    }
    const int error = n < 0 ? errno : 0;
    if (error == EINTR || error == EAGAIN) return;
    if (error == EIO && isBackgroundJob(keysFd_)) {
        // Sent to the background with its stop signal ignored or blocked, or its group
        // orphaned, a job's read fails instead of stopping it. The terminal is still there;
        // its keys are the foreground job's until we are in the foreground again.
        inBackground_ = true;
        parsed_.push_back(eventOf(InputEvent::Type::KeysReleased));
        return;
    }
    // The terminal is gone. Its hang-up signal ends us as a rule; when that signal cannot
    // come (blocked, or not our controlling terminal) we must end all the same, or run on
    // without a screen or keys for ever.
    keysFd_ = -1;
    parsed_.push_back(eventOf(InputEvent::Type::KeysReleased));
    terminalGone_ = true;
}

bool TerminalBackend::mayReadKeys() {
    if (keysFd_ < 0) return false;
    if (inBackground_) inBackground_ = isBackgroundJob(keysFd_);
    return !inBackground_;
}

void TerminalBackend::handleEvents() {
    for (const TerminalEvent& event : parsed_) {
        const TerminalControl* control = std::get_if<TerminalControl>(&event);
        if (control == nullptr) {
            pending_.push_back(std::get<InputEvent>(event));
            continue;
        }
        switch (*control) {
            case TerminalControl::KittyFlags:
                kittyAnswered_ = true;
                break;
            case TerminalControl::DeviceAttributes:
                attributesAnswered_ = true;
                break;
            case TerminalControl::Interrupt:
                parsed_.clear();
                RunTimeError(kErrInterrupted, -1);
            case TerminalControl::Quit:
                parsed_.clear();
                RunTimeError(kErrQuit, -1);
            case TerminalControl::Suspend:
                suspendRequested_ = true;
                break;
        }
    }
    parsed_.clear();
}

void TerminalBackend::handleSignals() {
    if (gEndSignal != 0) RunTimeError(errorOfSignal(gEndSignal), -1);
    if (terminalGone_) RunTimeError(errorOfSignal(SIGHUP), -1);
    if (gSuspendSignal != 0 || suspendRequested_) {
        suspendRequested_ = false;
        suspend();
    }
    if (gContinuedSignal != 0) {
        // Stopped from outside (SIGSTOP) with the terminal still ours: the shell may have
        // changed the modes, so take it over afresh.
        gContinuedSignal = 0;
        release();
        acquire();
        regained();
    }
    if (gResizedSignal != 0) {
        gResizedSignal = 0;
        if (screen_) screen_->resized();
        pending_.push_back(eventOf(InputEvent::Type::Resized));
    }
}

void TerminalBackend::readWaiting() {
    handleSignals();
    if (keysFd_ >= 0 || parser_.escapeAmbiguous()) {
        // Everything that is waiting, without blocking (bounded, so a flood cannot hold us).
        for (int round = 0; round < 16 && mayReadKeys(); ++round) {
            pollfd p{keysFd_, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0) break;
            readAvailable();
        }
        if (parser_.escapeAmbiguous() && rawMs() - lastByteMs_ >= kEscapeTimeoutMs) {
            parser_.expire(parsed_);
        }
        handleEvents();
        handleSignals();
    }
}

void TerminalBackend::waitForEvents(double timeoutMs, std::vector<InputEvent>& out) {
    if (timeoutMs == 0) {
        readWaiting();
    } else {
        waitAndRead(timeoutMs);
        handleSignals();
    }
    out.insert(out.end(), pending_.begin(), pending_.end());
    pending_.clear();
}

bool TerminalBackend::present() {
    if (!screen_) return true;
    const std::size_t before = screen_->bytesSent();
    screen_->present();
    if (screen_->bytesSent() != before) lastFrameMs_ = rawMs();
    return screen_->largeEnough();
}

double TerminalBackend::monotonicMs() {
    return rawMs();
}

double TerminalBackend::bell() {
    if (screen_) screen_->bell();
    return 0;  // the terminal rings on its own
}

HeldKeys::Mode TerminalBackend::heldKeysMode() {
    return kitty_ ? HeldKeys::Mode::Exact : HeldKeys::Mode::Inferred;
}

}  // namespace numerion
