#include "console/wincon/ConsoleFocus.h"

#include <utility>

namespace numerion {

ConsoleFocus::Windows ConsoleFocus::systemWindows() {
    Windows windows;
    HWND console = GetConsoleWindow();
    windows.foreground = [] { return GetForegroundWindow(); };
    // Asked every time: a terminal may move its tab, and the stand-in with it, to another
    // window of its own.
    windows.consoleOwner = [console] {
        return console == nullptr ? nullptr : GetAncestor(console, GA_ROOTOWNER);
    };
    windows.consoleShown = [console] {
        return console != nullptr && IsWindowVisible(console) != FALSE;
    };
    return windows;
}

ConsoleFocus::ConsoleFocus(Windows windows) : windows_(std::move(windows)) {}

void ConsoleFocus::set(bool focused, std::vector<InputEvent>& out) {
    if (focused == focused_) return;
    focused_ = focused;
    InputEvent event;
    event.type = focused ? InputEvent::Type::FocusIn : InputEvent::Type::FocusOut;
    out.push_back(event);
}

void ConsoleFocus::onRecord(bool focused, std::vector<InputEvent>& out) {
    recordsDecide_ = true;
    set(focused, out);
}

void ConsoleFocus::checkForeground(std::vector<InputEvent>& out) {
    if (recordsDecide_ || !windows_.consoleShown()) return;
    HWND owner = windows_.consoleOwner();
    if (owner == nullptr) return;
    set(windows_.foreground() == owner, out);
}

}  // namespace numerion
