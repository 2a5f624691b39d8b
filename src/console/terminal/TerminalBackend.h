#pragma once
// The keyboard and the clock of a real terminal: raw input mode, the kitty keyboard protocol
// where the terminal has it, focus reports, signals turned into the program's own errors and
// suspends, and waits that sleep in the kernel instead of spinning.
//
// Every call first reads what input is waiting (without blocking), acts on signals, holds the
// game while the window is too small, and presents the screen model, so every frame the
// program draws is shown when it turns to the keyboard or the clock.

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "console/KeyInput.h"
#include "console/HeldKeys.h"
#include "console/terminal/InputParser.h"
#include "console/terminal/TerminalScreen.h"

namespace numerion {

class TerminalBackend final : public KeyBackend {
  public:
    // Waiting this long for the rest of a sequence tells a lone Escape key from one.
    static constexpr double kEscapeTimeoutMs = 50;
    // How long start() waits for the answers to its kitty protocol query.
    static constexpr double kQueryTimeoutMs = 400;

    // screen: null when standard output is no terminal. keysFd: the terminal to read keys
    // from, or -1 when there is none. outFd: where our own control sequences go.
    TerminalBackend(TerminalScreen* screen, int keysFd, int outFd);
    // Gives the terminal back as it was found and removes the signal handlers.
    ~TerminalBackend() override;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;

    // Installs the signal handlers, takes over the terminal and finds out what it can do.
    void start();
    bool kittyProtocol() const { return kitty_; }

    bool hasFocus() override;
    bool isHeld(Key key) override;
    std::optional<std::int32_t> nextKeyPress() override;
    bool keyPressWaiting() override;
    void sleep(double ms) override;
    void waitForInput(int ms) override;
    double monotonicSeconds() override;
    std::optional<std::tm> localTime() override;
    void bell() override;

  private:
    void begin();
    // Waits up to timeoutMs (negative: without limit) for input or a signal, and reads it.
    void waitAndRead(double timeoutMs);
    void readAvailable();
    // Whether to read the keys now: they are gone after a hang-up, and someone else's while
    // we are a background job that may not read them.
    bool mayReadKeys();
    void handleEvents();
    void handleSignals();
    void holdWhileTooSmall();
    void suspend();
    // Raw mode, alternate screen, keyboard flags, focus reports; and the way back.
    void acquire();
    void release();
    void queryKittyProtocol();
    double gameMs() const;

    TerminalScreen* screen_;
    int keysFd_;
    int outFd_;
    int wakeRead_ = -1;
    InputParser parser_;
    HeldKeys held_{HeldKeys::Mode::Inferred};
    std::vector<InputEvent> events_;
    std::deque<std::int32_t> queue_;
    bool focus_ = true;
    bool kitty_ = false;
    bool kittyAnswered_ = false;
    bool attributesAnswered_ = false;
    bool suspendRequested_ = false;
    bool inputSeen_ = false;
    bool discardKeys_ = false;
    bool started_ = false;
    bool terminalGone_ = false;  // its input ended: a hang-up, whether or not its signal came
    bool inBackground_ = false;  // a read was refused to us as a background job
    double lastByteMs_ = 0;
    double heldOffsetMs_ = 0;  // time the game spent held because the window was too small
};

}  // namespace numerion
