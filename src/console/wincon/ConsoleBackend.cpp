#include "console/wincon/ConsoleBackend.h"

#include <algorithm>
#include <cmath>

#include "console/RunTimeError.h"
#include "console/wincon/ConsoleKeys.h"
#include "console/wincon/ConsoleScreen.h"
#include "console/wincon/FatalEvents.h"

namespace numerion {

namespace {

constexpr DWORD kRecordsPerRead = 64;
constexpr int kBeepHz = 1000;
constexpr int kBeepMs = 250;
constexpr double kTooSmallLookMs = 500;

}  // namespace

ConsoleBackend::ConsoleBackend(ConsoleScreen* screen, HANDLE input)
    : screen_(screen), input_(input) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);  // never fails from Windows XP on
    msPerCount_ = 1000.0 / static_cast<double>(frequency.QuadPart);
}

void ConsoleBackend::raisePending() {
    if (const int error = pendingControlError(); error != 0) RunTimeError(error, -1);
}

void ConsoleBackend::takeRecord(const INPUT_RECORD& record, std::vector<InputEvent>& out) {
    if (record.EventType == KEY_EVENT) {
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        ConsoleKeyRecord translated;
        translated.down = key.bKeyDown != FALSE;
        translated.virtualKey = key.wVirtualKeyCode;
        translated.scanCode = key.wVirtualScanCode;
        translated.character = static_cast<char16_t>(key.uChar.UnicodeChar);
        translated.enhanced = (key.dwControlKeyState & ENHANCED_KEY) != 0;
        out.push_back(translateKey(translated));
    } else if (record.EventType == FOCUS_EVENT) {
        focus_.onRecord(record.Event.FocusEvent.bSetFocus != FALSE, out);
    } else if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
        if (screen_ != nullptr && screen_->repair()) {
            InputEvent resized;
            resized.type = InputEvent::Type::Resized;
            out.push_back(resized);
        }
    }
}

void ConsoleBackend::takeRecords(std::vector<InputEvent>& out) {
    if (input_ == INVALID_HANDLE_VALUE) return;
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(input_, &waiting) && waiting > 0) {
        INPUT_RECORD records[kRecordsPerRead];
        DWORD got = 0;
        if (!ReadConsoleInputW(input_, records, kRecordsPerRead, &got) || got == 0) return;
        for (DWORD i = 0; i < got; ++i)
            takeRecord(records[i], out);
    }
    focus_.checkForeground(out);
}

void ConsoleBackend::waitForEvents(double timeoutMs, std::vector<InputEvent>& out) {
    raisePending();
    const std::size_t before = out.size();
    takeRecords(out);
    if (out.size() > before || timeoutMs == 0) return;
    // A window too small for the game is looked at again now and then: a larger font or
    // display can make room without any event saying so.
    if (screen_ != nullptr && !screen_->fits() && (timeoutMs < 0 || timeoutMs > kTooSmallLookMs))
        timeoutMs = kTooSmallLookMs;
    // Rounded up: waking a fraction of a millisecond early would only make the caller wait
    // again for nothing.
    const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(std::ceil(timeoutMs));
    HANDLE handles[2] = {};
    DWORD count = 0;
    if (controlEvent() != nullptr) handles[count++] = controlEvent();
    if (input_ != INVALID_HANDLE_VALUE) handles[count++] = input_;
    if (count == 0 || WaitForMultipleObjects(count, handles, FALSE, wait) == WAIT_FAILED) {
        // Nothing to wait on (or a handle refused): the wait itself must still take its time.
        Sleep(wait);
    }
    raisePending();
    takeRecords(out);
}

bool ConsoleBackend::present() {
    raisePending();
    return screen_ == nullptr || screen_->present();
}

double ConsoleBackend::monotonicMs() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * msPerCount_;
}

double ConsoleBackend::bell() {
    // Beep blocks while the tone sounds (on some systems it returns at once): the time it
    // took counts towards the beep's 250 ms.
    const double start = monotonicMs();
    Beep(kBeepHz, kBeepMs);
    return std::clamp(monotonicMs() - start, 0.0, static_cast<double>(kBeepMs));
}

}  // namespace numerion
