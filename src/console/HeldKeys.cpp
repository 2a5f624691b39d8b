#include "console/HeldKeys.h"

namespace numerion {

void HeldKeys::setMode(Mode mode) {
    clear();
    mode_ = mode;
}

void HeldKeys::onKey(const InputEvent& event, double nowMs) {
    if (event.type != InputEvent::Type::Key) return;
    if (mode_ == Mode::Exact) {
        if (event.key) {
            down_[static_cast<std::size_t>(*event.key)] =
                event.action != InputEvent::Action::Release;
        }
        return;
    }
    if (event.action == InputEvent::Action::Release) {
        if (event.key && last_ == event.key) clear();
        return;
    }
    if (event.key && last_ == event.key && nowMs - latestMs_ <= kRepeatGapMs) {
        repeating_ = true;
        latestMs_ = nowMs;
        return;
    }
    last_ = event.key;
    pressMs_ = nowMs;
    latestMs_ = nowMs;
    fresh_ = event.key.has_value();
    repeating_ = false;
    seenThisPoll_ = false;
}

bool HeldKeys::isHeld(Key key, double nowMs) {
    if (mode_ == Mode::Exact) return down_[static_cast<std::size_t>(key)];
    if (!last_ || *last_ != key) return false;
    bool held = false;
    if (repeating_) {
        if (nowMs - latestMs_ <= kRepeatGapMs) {
            held = true;
        } else {
            repeating_ = false;  // the repeats have stopped: released
        }
    }
    if (fresh_) {
        fresh_ = false;
        if (nowMs - pressMs_ <= kForgetMs) {
            seenThisPoll_ = true;
            held = true;
        }
    } else if (seenThisPoll_) {
        held = true;
    }
    if (held) lastRead_ = key;
    return held;
}

void HeldKeys::pressesTaken() {
    if (mode_ == Mode::Exact || !fresh_ || last_ != lastRead_) return;
    fresh_ = false;
    seenThisPoll_ = true;
}

void HeldKeys::endPoll() {
    seenThisPoll_ = false;
}

void HeldKeys::clear() {
    down_.fill(false);
    last_.reset();
    fresh_ = false;
    repeating_ = false;
    seenThisPoll_ = false;
    lastRead_.reset();
}

}  // namespace numerion
