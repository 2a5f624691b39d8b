#include "console/KeyInput.h"

#include <algorithm>
#include <cstdio>

namespace numerion {
namespace {

constexpr Key kNoKey = Key::Count;

// One row of the scan-code table: the key a scan code names, and a second key that answers
// for it as well (the keypad twin of an arrow, the keypad Enter).
struct ScanCodeRow {
    int scanCode;
    Key first;
    Key second;
};

// The arrows answer to the keypad digits too, as they do with NumLock on; the digits 1 to 5
// answer only on the main row. The other keypad keys are there for completeness.
constexpr ScanCodeRow kScanCodeTable[] = {
    {1, Key::Escape, kNoKey},
    {scan::kDigit1, Key::Digit1, kNoKey},
    {scan::kDigit2, Key::Digit2, kNoKey},
    {scan::kDigit3, Key::Digit3, kNoKey},
    {scan::kDigit4, Key::Digit4, kNoKey},
    {scan::kDigit5, Key::Digit5, kNoKey},
    {scan::kEnter, Key::Enter, Key::KeypadEnter},
    {scan::kSpace, Key::Space, kNoKey},
    {71, Key::Keypad7, kNoKey},
    {scan::kUp, Key::Up, Key::Keypad8},
    {73, Key::Keypad9, kNoKey},
    {scan::kLeft, Key::Left, Key::Keypad4},
    {76, Key::Keypad5, kNoKey},
    {scan::kRight, Key::Right, Key::Keypad6},
    {79, Key::Keypad1, kNoKey},
    {scan::kDown, Key::Down, Key::Keypad2},
    {81, Key::Keypad3, kNoKey},
    {82, Key::Keypad0, kNoKey},
};

const ScanCodeRow* findScanCode(int scanCode) {
    for (const ScanCodeRow& row : kScanCodeTable) {
        if (row.scanCode == scanCode) return &row;
    }
    return nullptr;
}

// Never sleep for nothing while waiting for the timer: a clock that has not moved would
// otherwise be asked again at once, forever.
constexpr double kShortestTimerWaitMs = 0.01;

}  // namespace

std::int32_t KeyInput::isKeyDown(int scanCode) {
    if (!platform_.hasFocus()) return 0;
    const ScanCodeRow* row = findScanCode(scanCode);
    if (row == nullptr) return 0;
    bool held = platform_.isHeld(row->first);
    if (row->second != kNoKey) held = platform_.isHeld(row->second) || held;
    return held ? -1 : 0;
}

std::string KeyInput::readKey() {
    const std::optional<std::int32_t> code = platform_.nextKeyPress();
    if (!code) return {};
    if (*code < 256) return std::string(1, static_cast<char>(*code));
    return {static_cast<char>(0xFF), static_cast<char>((*code >> 8) & 0xFF)};
}

void KeyInput::sleepMs(std::int32_t ms) {
    constexpr int kStep = 50;
    if (ms == -1) {
        while (!platform_.takeKeyArrived())
            platform_.sleep(kStep);
        return;
    }
    if (ms >= 100) {
        if (platform_.takeKeyArrived()) return;
        platform_.sleep(kStep);
        ms -= kStep;
        while (ms > kStep) {
            if (platform_.takeKeyArrived()) return;
            platform_.sleep(kStep);
            ms -= kStep;
        }
        platform_.sleep(ms);
        return;
    }
    if (ms >= 0) platform_.sleep(ms);
}

double KeyInput::timerSeconds() {
    return platform_.monotonicSeconds();
}

std::string KeyInput::dateText() {
    return dateAndTimeText().date;
}

std::string KeyInput::timeText() {
    return dateAndTimeText().time;
}

KeyInput::DateAndTime KeyInput::dateAndTimeText() {
    const std::optional<std::tm> now = platform_.localTime();
    if (!now) return {};
    char date[48];
    std::snprintf(date, sizeof date, "%02d-%02d-%04d", now->tm_mon + 1, now->tm_mday,
                  now->tm_year + 1900);
    char time[48];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", now->tm_hour, now->tm_min, now->tm_sec);
    return {date, time};
}

void KeyInput::beep() {
    constexpr double kBeepMs = 250;
    // A tone that blocked while it sounded has spent part of the beep already.
    const double spent = platform_.bell();
    platform_.sleep(std::max(kBeepMs - spent, 0.0));
}

void KeyInput::waitUntil(double timerDeadline) {
    for (double now = timerSeconds(); now <= timerDeadline; now = timerSeconds()) {
        platform_.sleep(std::max((timerDeadline - now) * 1000.0, kShortestTimerWaitMs));
    }
}

namespace {
// Characters from..from+count-1 (1-based) of text, as much of them as there is.
std::string mid(const std::string& text, std::size_t from, std::size_t count) {
    if (from < 1 || from > text.size()) return {};
    return text.substr(from - 1, count);
}
std::string right(const std::string& text, std::size_t count) {
    return text.size() <= count ? text : text.substr(text.size() - count);
}
}  // namespace

std::string dateTimeText(KeyInput& keys) {
    // The date text is month-day-year. Date and time come from one look at the clock, so a
    // result saved across midnight cannot get the day of one date and the month of the next.
    const KeyInput::DateAndTime now = keys.dateAndTimeText();
    std::string text = mid(now.date, 4, 2);
    text += ".";
    text += mid(now.date, 1, 2);
    text += ".";
    text += right(now.date, 4);
    text += " - ";
    text += now.time;
    return text;
}

}  // namespace numerion
