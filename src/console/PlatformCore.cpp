#include "console/PlatformCore.h"

#include <thread>

namespace numerion {

PlatformCore::PlatformCore(Backend& backend) : backend_(backend) {}

double PlatformCore::gameMs() {
    return backend_.monotonicMs() - heldOffsetMs_;
}

void PlatformCore::waitAndHandle(double timeoutMs) {
    backend_.waitForEvents(timeoutMs, events_);
    handleEvents();
}

void PlatformCore::handleEvents() {
    // A terminal knows whether its key events tell releases only once it has asked.
    const HeldKeys::Mode mode = backend_.heldKeysMode();
    if (held_.mode() != mode) held_.setMode(mode);
    if (events_.empty()) return;
    const double now = backend_.monotonicMs();
    for (const InputEvent& event : events_) {
        switch (event.type) {
            case InputEvent::Type::Key:
                held_.onKey(event, now);
                if (!discardKeys_ && event.action != InputEvent::Action::Release &&
                    event.code != InputEvent::kNoCode) {
                    pending_.add(event.code);
                }
                inputSeen_ = true;
                break;
            case InputEvent::Type::FocusIn:
                focus_ = true;
                inputSeen_ = true;
                break;
            case InputEvent::Type::FocusOut:
                focus_ = false;
                held_.clear();
                inputSeen_ = true;
                break;
            case InputEvent::Type::Resized:
                inputSeen_ = true;
                break;
            case InputEvent::Type::KeysReleased:
                held_.clear();
                break;
        }
    }
    events_.clear();
}

void PlatformCore::presentOrHold() {
    if (backend_.present()) return;
    const double start = backend_.monotonicMs();
    discardKeys_ = true;  // keys pressed at a game nobody can see are no moves
    do {
        waitAndHandle(-1);
    } while (!backend_.present());
    discardKeys_ = false;
    held_.dropPresses();
    heldOffsetMs_ += backend_.monotonicMs() - start;
}

void PlatformCore::begin() {
    waitAndHandle(0);
    presentOrHold();
}

bool PlatformCore::hasFocus() {
    begin();
    return focus_;
}

bool PlatformCore::isHeld(Key key) {
    begin();
    if (!focus_) return false;
    return held_.isHeld(key, backend_.monotonicMs());
}

std::optional<std::int32_t> PlatformCore::nextKeyPress() {
    begin();
    const std::optional<std::int32_t> code = pending_.take();
    if (code) held_.pressesTaken();
    return code;
}

bool PlatformCore::takeKeyArrived() {
    begin();
    const bool arrived = pending_.takeArrived();
    if (arrived) held_.pressesTaken();
    return arrived;
}

void PlatformCore::sleep(double ms) {
    begin();
    held_.endPoll();
    if (!(ms > 0)) {
        std::this_thread::yield();
        return;
    }
    const double deadline = gameMs() + ms;
    for (double left = ms; left > 0; left = deadline - gameMs()) {
        waitAndHandle(left);
        presentOrHold();  // a resize repaints at once
    }
}

void PlatformCore::waitForInput(int ms) {
    inputSeen_ = false;
    begin();
    held_.endPoll();
    if (inputSeen_ || ms <= 0) return;
    const double deadline = gameMs() + ms;
    for (double left = ms; left > 0 && !inputSeen_; left = deadline - gameMs()) {
        waitAndHandle(left);
        presentOrHold();
    }
}

double PlatformCore::monotonicSeconds() {
    begin();
    return gameMs() / 1000.0;
}

std::optional<std::tm> PlatformCore::localTime() {
    begin();
    return backend_.localTime();
}

double PlatformCore::bell() {
    begin();
    return backend_.bell();
}

}  // namespace numerion
