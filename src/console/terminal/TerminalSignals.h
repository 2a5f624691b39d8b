#pragma once
// The signals of a program in a terminal, and what their handlers need and only that: the
// handlers note what came and wake the backend's wait, and the backend acts at its next call.
// The state the terminal must be given back in lives here too, so that a handler and the fatal
// path can restore it without the backend.

#include <termios.h>

#include <csignal>

namespace numerion {

// What switches off the keyboard flags and the reports the backend switched on; its own way
// out and the handlers' both write them.
inline constexpr const char* kKittyPop = "\x1b[<u";
inline constexpr const char* kReportsOff = "\x1b[?1004l\x1b[?2004l";

// How the terminal must be left, ready for a handler: no allocation, only write and tcsetattr.
// The backend sets each flag just before the change it undoes is made, and `active` last.
struct TerminalRestore {
    volatile std::sig_atomic_t active = 0;
    volatile std::sig_atomic_t kittyPushed = 0;
    volatile std::sig_atomic_t reporting = 0;
    volatile std::sig_atomic_t termiosChanged = 0;
    int outFd = -1;
    int inFd = -1;
    termios saved{};
    const char* screenBytes = nullptr;
};
TerminalRestore& terminalRestore();

// Gives the terminal back as terminalRestore() says, once per taking-over. Async-signal-safe:
// the fatal cleanup of run-time errors and fault signals, and the last resort at exit.
void restoreTerminal();

// Installs the handlers (the ends, suspend, resize and continue; the ignored signals; those
// that end a program by default, which still do, with the terminal given back first), the
// fault handlers and the fatal cleanup. Returns the reading end of the pipe a handler wakes a
// wait through (-1: none).
int installTerminalSignals();
// Every handler back to the default; closes the pipe.
void removeTerminalSignals(int wakeRead);

// The signal that asked the program to end (0: none), and the program's error for it.
int endSignal();
int errorOfSignal(int signal);
// Whether a suspend, a size change or a continue came since the last look; clears it.
bool takeSuspendSignal();
bool takeResizeSignal();
bool takeContinueSignal();
// Stops the program as a suspend does by default until the shell continues it; the suspend
// and continue signals of that stop are forgotten.
void stopUntilContinued();

}  // namespace numerion
