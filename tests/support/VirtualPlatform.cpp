#include "support/VirtualPlatform.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "support/LocalTime.h"

namespace numerion {
namespace {

// The virtual clock reads as time since a system start this long ago, so timer values look
// like those of a machine that has been up for a while.
constexpr double kUptimeBaseMs = 1000.0 * 1000.0;

}  // namespace

VirtualPlatform::VirtualPlatform() {
    screen.setBellHandler([this] { keys.beep(); });
}

std::tm VirtualPlatform::defaultLocalTime() {
    std::tm time = testing::localTimeOf(2026, 3, 5, 21, 7, 3);
    time.tm_wday = 4;
    time.tm_yday = 63;
    time.tm_isdst = 0;
    return time;
}

std::int32_t VirtualPlatform::keyCodeOf(Key key) {
    switch (key) {
        case Key::Digit1:
        case Key::Digit2:
        case Key::Digit3:
        case Key::Digit4:
        case Key::Digit5:
            return '1' + (static_cast<int>(key) - static_cast<int>(Key::Digit1));
        case Key::Enter:
        case Key::KeypadEnter:
            return 13;
        case Key::Space:
            return 32;
        case Key::Escape:
            return 27;
        case Key::Up:
            return keycode::kUp;
        case Key::Down:
            return keycode::kDown;
        case Key::Left:
            return keycode::kLeft;
        case Key::Right:
            return keycode::kRight;
        case Key::Keypad0:
        case Key::Keypad1:
        case Key::Keypad2:
        case Key::Keypad3:
        case Key::Keypad4:
        case Key::Keypad5:
        case Key::Keypad6:
        case Key::Keypad7:
        case Key::Keypad8:
        case Key::Keypad9:
            return '0' + (static_cast<int>(key) - static_cast<int>(Key::Keypad0));
        case Key::Count:
            break;
    }
    throw std::invalid_argument("VirtualPlatform: Key::Count is no key");
}

// --- the script ---

void VirtualPlatform::schedule(double atMs, Event event) {
    script_.emplace(std::make_pair(atMs, nextEventNumber_++), std::move(event));
}

void VirtualPlatform::press(Key key, double atMs) {
    keyCodeOf(key);  // refuses Key::Count now rather than when it falls due
    schedule(atMs, Event{EventKind::Press, key, keyCodeOf(key), true, {}});
}

void VirtualPlatform::release(Key key, double atMs) {
    keyCodeOf(key);
    schedule(atMs, Event{EventKind::Release, key, 0, true, {}});
}

void VirtualPlatform::tap(Key key, double atMs, double holdMs) {
    press(key, atMs);
    release(key, atMs + holdMs);
}

void VirtualPlatform::hold(Key key, double fromMs, double toMs) {
    press(key, fromMs);
    release(key, toMs);
}

void VirtualPlatform::type(std::int32_t keyCode, double atMs) {
    schedule(atMs, Event{EventKind::Type, Key::Count, keyCode, true, {}});
}

void VirtualPlatform::typeText(const std::string& text, double atMs, double stepMs) {
    for (unsigned char byte : text) {
        type(byte, atMs);
        atMs += stepMs;
    }
}

void VirtualPlatform::setFocus(bool focused, double atMs) {
    schedule(atMs, Event{EventKind::Focus, Key::Count, 0, focused, {}});
}

void VirtualPlatform::resize(int columns, int rows, double atMs) {
    const bool largeEnough = columns >= TextConsole::kColumns && rows >= TextConsole::kRows;
    schedule(atMs, Event{EventKind::Resize, Key::Count, 0, largeEnough, {}});
}

void VirtualPlatform::at(double atMs, std::function<void()> action) {
    schedule(atMs, Event{EventKind::Action, Key::Count, 0, true, std::move(action)});
}

void VirtualPlatform::onWait(std::function<void(double nowMs)> hook) {
    waitHook_ = std::move(hook);
}

void VirtualPlatform::whenShown(const std::string& text, std::function<void()> action) {
    screenWatches_.emplace_back(text, std::move(action));
}

void VirtualPlatform::beforeWait() {
    if (screenWatches_.empty()) {
        if (waitHook_) waitHook_(nowMs_);
        return;
    }
    // Only the watches set before this wait are checked; those an action sets wait for the
    // next one, so an action that watches again for the same text cannot loop here.
    std::vector<std::pair<std::string, std::function<void()>>> watches;
    watches.swap(screenWatches_);
    std::vector<std::pair<std::string, std::function<void()>>> stillWaiting;
    for (auto& watch : watches) {
        if (showsText(watch.first)) {
            watch.second();
        } else {
            stillWaiting.push_back(std::move(watch));
        }
    }
    for (auto& added : screenWatches_)
        stillWaiting.push_back(std::move(added));
    screenWatches_ = std::move(stillWaiting);
    if (waitHook_) waitHook_(nowMs_);
}

void VirtualPlatform::apply(Event& event) {
    InputEvent input;
    switch (event.kind) {
        case EventKind::Press:
        case EventKind::Release:
            held_[static_cast<int>(event.key)] = event.kind == EventKind::Press;
            input.key = event.key;
            if (event.kind == EventKind::Press) {
                input.code = event.code;
            } else {
                input.action = InputEvent::Action::Release;
            }
            break;
        case EventKind::Type:
            input.code = event.code;
            break;
        case EventKind::Focus:
            input.type = event.on ? InputEvent::Type::FocusIn : InputEvent::Type::FocusOut;
            break;
        case EventKind::Resize:
            largeEnough_ = event.on;
            input.type = InputEvent::Type::Resized;
            break;
        case EventKind::Action:
            if (event.action) event.action();
            return;
    }
    ready_.push_back(input);
}

void VirtualPlatform::applyDueEvents() {
    // An action that calls back into the platform must not start a second pass; the running
    // pass picks up whatever the action scheduled.
    if (applying_) return;
    applying_ = true;
    try {
        while (!script_.empty() && script_.begin()->first.first <= nowMs_) {
            Event event = std::move(script_.begin()->second);
            script_.erase(script_.begin());
            apply(event);
        }
    } catch (...) {
        applying_ = false;
        throw;
    }
    applying_ = false;
}

void VirtualPlatform::advanceTo(double ms) {
    if (ms > deadlineMs_) {
        throw std::runtime_error("VirtualPlatform: the program waited past the deadline of " +
                                 std::to_string(deadlineMs_) + " ms (now " +
                                 std::to_string(nowMs_) + " ms, asked for " + std::to_string(ms) +
                                 " ms); the screen did not return");
    }
    nowMs_ = std::max(nowMs_, ms);
    applyDueEvents();
}

// --- what happened ---

std::string VirtualPlatform::screenText() const {
    std::string text;
    for (int r = 1; r <= TextConsole::kRows; ++r) {
        text += screen.rowText(r);
        text += '\n';
    }
    return text;
}

std::optional<std::pair<int, int>> VirtualPlatform::findText(const std::string& text) const {
    for (int r = 1; r <= TextConsole::kRows; ++r) {
        const std::string::size_type at = screen.rowText(r).find(text);
        if (at != std::string::npos) return std::make_pair(r, static_cast<int>(at) + 1);
    }
    return std::nullopt;
}

bool VirtualPlatform::showsText(const std::string& text) const {
    return findText(text).has_value();
}

void VirtualPlatform::clearRecords() {
    sleeps_.clear();
    beepTimes_.clear();
    inputWaits_ = 0;
}

// --- the program's calls ---

void VirtualPlatform::Calls::sleep(double ms) {
    p_.applyDueEvents();
    p_.sleeps_.push_back(ms);
    p_.beforeWait();
    p_.core.sleep(ms);
}

void VirtualPlatform::Calls::waitForInput(int ms) {
    p_.applyDueEvents();
    ++p_.inputWaits_;
    p_.beforeWait();
    p_.core.waitForInput(ms);
}

// --- Backend ---

void VirtualPlatform::waitForEvents(double timeoutMs, std::vector<InputEvent>& out) {
    // The core looks at every call; most looks find nothing due.
    const bool due = !script_.empty() && script_.begin()->first.first <= nowMs_;
    if (timeoutMs == 0 && ready_.empty() && !due) return;
    applyDueEvents();
    if (ready_.empty() && timeoutMs != 0) {
        double until = timeoutMs < 0 ? std::numeric_limits<double>::infinity() : nowMs_ + timeoutMs;
        if (!script_.empty())
            until = std::min(until, std::max(script_.begin()->first.first, nowMs_));
        advanceTo(until);
    }
    out.insert(out.end(), ready_.begin(), ready_.end());
    ready_.clear();
}

bool VirtualPlatform::present() {
    if (!largeEnough_) {
        presentedVersion_ = ~std::uint64_t{0};  // a window that fits again shows everything
        return false;
    }
    if (screen.version() != presentedVersion_) {
        presentedVersion_ = screen.version();
        presentedAtMs_ = nowMs_;
    }
    return true;
}

double VirtualPlatform::monotonicMs() {
    return kUptimeBaseMs + nowMs_;
}

std::optional<std::tm> VirtualPlatform::localTime() {
    return localTime_;
}

double VirtualPlatform::bell() {
    beepTimes_.push_back(nowMs_);
    return 0;
}

}  // namespace numerion
