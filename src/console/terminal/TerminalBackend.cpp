#include "console/terminal/TerminalBackend.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "console/RunTimeError.h"
#include "console/posix/WriteAll.h"
#include "console/terminal/TerminalSignals.h"

namespace numerion {

namespace {

constexpr const char* kKittyQuery = "\x1b[?u\x1b[c";  // flags, then primary device attributes
// Disambiguate (1), report event types (2), report all keys as escape codes (8): without 8
// plain keys give no release events.
constexpr const char* kKittyPush = "\x1b[>11u";
// Focus reports, and pastes bracketed: pasted text cannot pass for a report or a key event.
constexpr const char* kReportsOn = "\x1b[?1004h\x1b[?2004h";

void writeText(int fd, const char* text) {
    writeAll(fd, text, std::strlen(text));
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
    removeTerminalSignals(wakeRead_);
    terminalRestore().screenBytes = nullptr;
}

void TerminalBackend::start() {
    wakeRead_ = installTerminalSignals();
    started_ = true;

    TerminalRestore& restore = terminalRestore();
    restore.outFd = outFd_;
    restore.inFd = keysFd_;
    restore.screenBytes = screen_ ? screen_->restoreBytes() : nullptr;
    restore.termiosChanged = 0;
    restore.kittyPushed = 0;
    restore.reporting = 0;
    if (keysFd_ >= 0 && ::tcgetattr(keysFd_, &restore.saved) != 0) keysFd_ = -1;

    acquire();
    if (keysFd_ >= 0 && screen_) {
        queryKittyProtocol();
        if (kitty_) {
            restore.kittyPushed = 1;
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
    TerminalRestore& restore = terminalRestore();
    restore.active = 1;
    if (keysFd_ >= 0) {
        termios raw = restore.saved;
        // Keys one by one, not echoed; Enter as CR; no flow control stealing Ctrl+S/Ctrl+Q.
        // ISIG stays: Ctrl+C and Ctrl+Z of legacy terminals arrive as signals.
        raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
        raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        restore.termiosChanged = 1;
        ::tcsetattr(keysFd_, TCSANOW, &raw);
    }
    if (screen_) screen_->enter();
    if (restore.kittyPushed) writeText(outFd_, kKittyPush);  // again after a suspend
    if (keysFd_ >= 0 && screen_) {
        restore.reporting = 1;
        writeText(outFd_, kReportsOn);
    }
}

void TerminalBackend::regained() {
    pending_.push_back(eventOf(InputEvent::Type::KeysReleased));
    // The focus reports tell only changes: assume the focus.
    pending_.push_back(eventOf(InputEvent::Type::FocusIn));
}

void TerminalBackend::release() {
    TerminalRestore& restore = terminalRestore();
    if (!restore.active) return;
    restore.active = 0;
    if (restore.kittyPushed) writeText(outFd_, kKittyPop);
    if (restore.reporting) writeText(outFd_, kReportsOff);
    if (screen_) screen_->leave();
    // The descriptor as found: keysFd_ is -1 once the terminal has hung up.
    if (restore.termiosChanged) ::tcsetattr(restore.inFd, TCSAFLUSH, &restore.saved);
}

void TerminalBackend::suspend() {
    release();
    stopUntilContinued();
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
    if (endSignal() != 0) RunTimeError(errorOfSignal(endSignal()), -1);
    if (terminalGone_) RunTimeError(errorOfSignal(SIGHUP), -1);
    if (takeSuspendSignal() || suspendRequested_) {
        suspendRequested_ = false;
        suspend();
    }
    if (takeContinueSignal()) {
        // Stopped from outside (SIGSTOP) with the terminal still ours: the shell may have
        // changed the modes, so take it over afresh.
        release();
        acquire();
        regained();
    }
    if (takeResizeSignal()) {
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
