#pragma once
// The Windows console's mechanism under the platform core: key-down and key-up records by
// scan code (so the held state is exact and several keys can be held at once), focus records,
// waits that block on the input handle, the performance counter and the beep.

#include <windows.h>

#include "console/Backend.h"
#include "console/wincon/ConsoleFocus.h"

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
    void takeRecord(const INPUT_RECORD& record, std::vector<InputEvent>& out);

    ConsoleScreen* screen_;
    HANDLE input_;
    double msPerCount_;
    ConsoleFocus focus_;
};

}  // namespace numerion
