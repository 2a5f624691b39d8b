#pragma once
// The mechanism one platform supplies (a terminal, a Windows console, a browser page, the
// tests' virtual platform). The rules every platform shares are PlatformCore's: when to
// present, focus, held keys, the pending keys, the waits, the hold while the window is too
// small. A new backend provides:
//  - waitForEvents: its key presses and releases (with the game's Key where it is one and the
//    pending-key code where the press gives one), focus changes and window changes, decoded;
//  - present: the screen model shown where it changed, and whether the window is big enough;
//  - monotonicMs and bell; heldKeysMode: whether its key events tell releases.
// The local time comes from the C library for every backend.

#include <ctime>
#include <optional>
#include <vector>

#include "console/HeldKeys.h"
#include "console/InputEvent.h"

namespace numerion {

class Backend {
  public:
    virtual ~Backend() = default;

    // Waits up to timeoutMs (0: takes only what is there; negative: no limit) for input, and
    // appends the events it decoded to out. May return early, with or without events.
    virtual void waitForEvents(double timeoutMs, std::vector<InputEvent>& out) = 0;
    // Shows the screen model where it changed; false while the window is too small to show it
    // (the backend then shows its notice, and the whole model again once it fits).
    virtual bool present() = 0;
    // Milliseconds of a monotonic clock, sub-millisecond resolution.
    virtual double monotonicMs() = 0;
    // The local time, or nullopt when it cannot be had.
    virtual std::optional<std::tm> localTime();
    // Starts the tone of a beep; returns the milliseconds it has already taken (0 unless the
    // tone blocks while it sounds).
    virtual double bell() = 0;
    // Whether key events tell releases (exact held state) or held keys must be inferred.
    virtual HeldKeys::Mode heldKeysMode() = 0;
};

}  // namespace numerion
