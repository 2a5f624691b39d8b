#pragma once
// The mechanism one platform supplies (a terminal, a Windows console, a browser page). The
// rules every platform shares are PlatformCore's; a backend only reads events, draws frames,
// tells the time and rings.

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
    // Shows the screen model where it changed; false while the window is too small to show it.
    virtual bool present() = 0;
    // Milliseconds of a monotonic clock, sub-millisecond resolution.
    virtual double monotonicMs() = 0;
    // The local time, or nullopt when it cannot be had.
    virtual std::optional<std::tm> localTime() = 0;
    // Starts the tone of a beep; returns the milliseconds it has already taken (0 unless the
    // tone blocks while it sounds).
    virtual double bell() = 0;
    // Whether key events tell releases (exact held state) or held keys must be inferred.
    virtual HeldKeys::Mode heldKeysMode() = 0;
};

}  // namespace numerion
