#include "console/HeldKeys.h"

namespace numerion {

void HeldKeys::setMode(Mode mode) {
    clear();
    mode_ = mode;
}

void HeldKeys::onKey(const InputEvent& event, double nowMs) {
    if (event.type != InputEvent::Type::Key) return;
    if (mode_ == Mode::Exact) {
        if (!event.key) return;
        ExactKey& k = exact_[static_cast<std::size_t>(*event.key)];
        if (event.action == InputEvent::Action::Release) {
            k.down = false;  // a press no look has seen stays fresh: the tap still counts
        } else if (!k.down) {
            k.down = true;
            // A console repeats a held key as further key-down records: no new press.
            if (event.action == InputEvent::Action::Press) {
                k.fresh = true;
                k.pressMs = nowMs;
            }
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
    if (mode_ == Mode::Exact) {
        ExactKey& k = exact_[static_cast<std::size_t>(key)];
        // A tap's press, released before this look, counts as a fresh press does below.
        if (k.fresh && !k.down && nowMs - k.pressMs <= kForgetMs) k.seenThisPoll = true;
        k.fresh = false;
        const bool held = k.down || k.seenThisPoll;
        if (held) lastRead_ = key;
        return held;
    }
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
    if (mode_ == Mode::Exact) {
        if (!lastRead_) return;
        ExactKey& k = exact_[static_cast<std::size_t>(*lastRead_)];
        if (!k.fresh) return;
        k.fresh = false;
        k.seenThisPoll = true;
        return;
    }
    if (!fresh_ || last_ != lastRead_) return;
    fresh_ = false;
    seenThisPoll_ = true;
}

void HeldKeys::endPoll() {
    seenThisPoll_ = false;
    for (ExactKey& k : exact_)
        k.seenThisPoll = false;
}

void HeldKeys::dropPresses() {
    if (mode_ == Mode::Inferred) {
        clear();
        return;
    }
    for (ExactKey& k : exact_) {
        k.fresh = false;
        k.seenThisPoll = false;
    }
    lastRead_.reset();
}

void HeldKeys::clear() {
    exact_.fill(ExactKey{});
    last_.reset();
    fresh_ = false;
    repeating_ = false;
    seenThisPoll_ = false;
    lastRead_.reset();
}

}  // namespace numerion
