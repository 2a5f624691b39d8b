#pragma once
// The Windows console's mechanism under the platform core: key-down and key-up records by
// scan code (so the held state is exact and several keys can be held at once), focus records,
// waits that block on the input handle, the performance counter and the beep.

#include <windows.h>

#include "console/Backend.h"

namespace numerion {

class ConsoleScreen;

class ConsoleBackend final : public Backend {
  public:
    // screen may be null (standard output is no console: nothing to show); input is
    // INVALID_HANDLE_VALUE when there are no keys to read.
    ConsoleBackend(ConsoleScreen* screen, HANDLE input);

    void waitForEvents(double timeoutMs, std::vector<InputEvent>& out) override;
    bool present() override;
    double monotonicMs() override;
    double bell() override;
    HeldKeys::Mode heldKeysMode() override { return HeldKeys::Mode::Exact; }

  private:
    // A control event (Ctrl+C, the window closed) ends the program here, on the main thread.
    static void raisePending();
    void takeRecords(std::vector<InputEvent>& out);
    // Focus by the console window against the foreground window, where that test is sound.
    void checkForeground(std::vector<InputEvent>& out);

    ConsoleScreen* screen_;
    HANDLE input_;
    double msPerCount_;
    // The console's own window when it is the one the player sees; null where it is hidden
    // (Windows Terminal and other hosts draw the console in a window of their own).
    HWND window_ = nullptr;
    bool foreground_ = true;
};

}  // namespace numerion
