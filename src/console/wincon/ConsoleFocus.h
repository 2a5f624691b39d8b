#pragma once
// Whether the console is in front, so that the game's keys count. One state: focus records
// (Windows' own console host and Windows Terminal send them) decide as soon as the first one
// has come. Until then the foreground window is compared with the window the console belongs
// to, the root owner of the console's window: in the classic host that is the console window
// itself, a pseudo console's stand-in window is owned by its terminal's window and is never in
// front itself. A console window that is not shown (the stand-in of older terminals and of SSH
// sessions, wine's console in a terminal) cannot tell: there the test is not made.

#include <windows.h>

#include <functional>
#include <vector>

#include "console/InputEvent.h"

namespace numerion {

class ConsoleFocus {
  public:
    // The window queries the foreground test makes; a test replaces them.
    struct Windows {
        std::function<HWND()> foreground;    // GetForegroundWindow
        std::function<HWND()> consoleOwner;  // the console window's root owner, or null
        std::function<bool()> consoleShown;  // whether the console window is visible
    };
    static Windows systemWindows();

    explicit ConsoleFocus(Windows windows = systemWindows());

    // A focus record of the console. Appends FocusIn or FocusOut when the state changes.
    void onRecord(bool focused, std::vector<InputEvent>& out);
    // The foreground test, made until the first focus record has come.
    void checkForeground(std::vector<InputEvent>& out);
    bool focused() const { return focused_; }

  private:
    void set(bool focused, std::vector<InputEvent>& out);

    Windows windows_;
    bool recordsDecide_ = false;
    bool focused_ = true;
};

}  // namespace numerion
