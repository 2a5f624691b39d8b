#pragma once
// The rules every platform shares, on top of one backend's mechanism:
//  - every call first takes the waiting events and presents the screen model;
//  - while the window is too small for the model the game is held: calls wait for the window
//    to grow, keys pressed meanwhile are no moves, and the game's clock stands still;
//  - losing the focus releases every held key;
//  - key presses go into the one pending-key buffer (at every call, so a press seen only as
//    held still ends the next wait's look); held keys are exact or inferred, as the backend
//    says;
//  - sleep and waitForInput wait in the backend until their deadline on the game's clock.

#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

#include "console/Backend.h"
#include "console/HeldKeys.h"
#include "console/InputEvent.h"
#include "console/PendingKeyBuffer.h"
#include "console/Platform.h"

namespace numerion {

class PlatformCore final : public Platform {
  public:
    explicit PlatformCore(Backend& backend);
    PlatformCore(const PlatformCore&) = delete;
    PlatformCore& operator=(const PlatformCore&) = delete;

    bool hasFocus() override;
    bool isHeld(Key key) override;
    std::optional<std::int32_t> nextKeyPress() override;
    bool takeKeyArrived() override;
    void sleep(double ms) override;
    void waitForInput(int ms) override;
    double monotonicSeconds() override;
    std::optional<std::tm> localTime() override;
    double bell() override;

  private:
    // What every call does first: take the waiting events, hold while too small, present.
    void begin();
    // Waits in the backend up to timeoutMs (see Backend::waitForEvents) and acts on the events.
    void waitAndHandle(double timeoutMs);
    void handleEvents();
    // Presents the model; while the window is too small, holds the game until it is not.
    void presentOrHold();
    // The game's clock: the backend's, less the time the game was held.
    double gameMs();

    Backend& backend_;
    HeldKeys held_{HeldKeys::Mode::Inferred};
    std::vector<InputEvent> events_;
    PendingKeyBuffer pending_;
    bool focus_ = true;
    bool inputSeen_ = false;
    bool discardKeys_ = false;
    double heldOffsetMs_ = 0;
};

}  // namespace numerion
