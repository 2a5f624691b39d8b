#pragma once
// The game's own screen buffer in a Windows console, the counterpart of a terminal's alternate
// screen: 80 x 35 cells, drawn from the TextConsole model with every byte as its code page 850
// glyph, so the console's own code page does not matter and no byte acts as a control
// character, in the console's standard 16 colours whatever the profile's are. The console's
// own buffer, title, colours and input mode are given back as they were found, at the end of
// the run and from the fatal path.
//
// A window that cannot be made 80 x 35 (a pseudo console cannot make its terminal bigger, a
// small display cannot show it) is too small: the buffer then is the window's size, shows what
// fits and, on its last rows, a notice asking for a larger window, as a small terminal does.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "console/TextConsole.h"

namespace numerion {

class ConsoleScreen {
  public:
    // Takes the console's screen over; nullptr when standard output is not a console.
    static std::unique_ptr<ConsoleScreen> open(const TextConsole& model);
    // Takes the console's input over (keys one at a time, not echoed, Ctrl+C as a signal,
    // Quick Edit off); false when input is no console. Independent of the screen: the keys
    // still come from the console when standard output goes elsewhere.
    static bool takeInput(HANDLE input);
    ~ConsoleScreen();
    ConsoleScreen(const ConsoleScreen&) = delete;
    ConsoleScreen& operator=(const ConsoleScreen&) = delete;

    // Writes the model into the buffer when it changed since the last time. False while the
    // window is too small for it (the notice shows then).
    bool present();
    bool fits() const { return fits_; }
    // The buffer's size changed from outside (the window or terminal was resized): sizes it
    // again and draws everything anew. True when it had changed.
    bool repair();

    // Gives the console back: the original buffer active, its title, colours and input mode
    // as found. Once only, from whichever thread comes first; safe on the fatal path. The
    // destructor calls it too.
    static void giveBack();

  private:
    ConsoleScreen(const TextConsole& model, HANDLE own);
    void setSize();
    // Sets the buffer to the window that setSize could open.
    void useWindow(COORD window);
    void draw();
    void placeCursor();

    const TextConsole& model_;
    HANDLE own_;
    COORD size_{TextConsole::kColumns, TextConsole::kRows};  // the buffer as set
    COORD largest_{};  // the largest window the console could show at the last setSize
    bool fits_ = true;
    std::vector<std::string> notice_;
    std::vector<CHAR_INFO> cells_;
    std::uint64_t shownVersion_ = 0;
    bool drawn_ = false;
    int cursorRow_ = 0;
    int cursorColumn_ = 0;
    int cursorShown_ = -1;
};

}  // namespace numerion
