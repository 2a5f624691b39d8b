#pragma once
// The keyboard and the clock of a real terminal: raw input mode, the kitty keyboard protocol
// where the terminal has it, focus reports, signals turned into the program's own errors and
// suspends, and waits that sleep in the kernel instead of spinning. The rules on top (when to
// present, holding the game while the window is too small) are PlatformCore's.

#include <vector>

#include "console/Backend.h"
#include "console/terminal/InputParser.h"
#include "console/terminal/TerminalEvent.h"
#include "console/terminal/TerminalScreen.h"

namespace numerion {

class TerminalBackend final : public Backend {
  public:
    // Waiting this long for the rest of a sequence tells a lone Escape key from one.
    static constexpr double kEscapeTimeoutMs = 50;
    // How long start() waits for the answers to its kitty protocol query.
    static constexpr double kQueryTimeoutMs = 400;
    // A wait this long, or one that begins this long after the last frame, is a rest (longer
    // than a tick of the game): the terminal gets its own colours back meanwhile.
    static constexpr double kRestAfterMs = 100;

    // screen: null when standard output is no terminal. keysFd: the terminal to read keys
    // from, or -1 when there is none. outFd: where our own control sequences go.
    TerminalBackend(TerminalScreen* screen, int keysFd, int outFd);
    // Gives the terminal back as it was found and removes the signal handlers.
    ~TerminalBackend() override;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;

    // Installs the signal handlers, takes over the terminal and finds out what it can do.
    void start();

    void waitForEvents(double timeoutMs, std::vector<InputEvent>& out) override;
    bool present() override;
    double monotonicMs() override;
    double bell() override;
    HeldKeys::Mode heldKeysMode() override;

  private:
    // Acts on signals and reads what is waiting, without blocking.
    void readWaiting();
    // Waits up to timeoutMs (negative: without limit) for input or a signal, and reads it.
    void waitAndRead(double timeoutMs);
    void readAvailable();
    // Whether to read the keys now: they are gone after a hang-up, and someone else's while
    // we are a background job that may not read them.
    bool mayReadKeys();
    // Acts on the terminal's own events and keeps the others for the core.
    void handleEvents();
    void handleSignals();
    // All keys up and the focus assumed again: the terminal was given back to us.
    void regained();
    void suspend();
    // Raw mode, alternate screen, keyboard flags, focus reports, bracketed pastes; and back.
    void acquire();
    void release();
    void queryKittyProtocol();

    TerminalScreen* screen_;
    int keysFd_;
    int outFd_;
    int wakeRead_ = -1;
    InputParser parser_;
    std::vector<TerminalEvent> parsed_;  // from the parser, not yet looked at
    std::vector<InputEvent> pending_;    // for the core, at its next waitForEvents
    bool kitty_ = false;
    bool kittyAnswered_ = false;
    bool attributesAnswered_ = false;
    bool suspendRequested_ = false;
    bool started_ = false;
    bool terminalGone_ = false;  // its input ended: a hang-up, whether or not its signal came
    bool inBackground_ = false;  // a read was refused to us as a background job
    double lastByteMs_ = 0;
    double lastFrameMs_ = 0;  // when present() last sent something
};

}  // namespace numerion
