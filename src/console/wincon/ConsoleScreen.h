#pragma once
// The game's own screen buffer in a Windows console, the counterpart of a terminal's alternate
// screen: 80 x 35 cells, drawn from the TextConsole model with every byte as its code page 850
// glyph, so the console's own code page does not matter and no byte acts as a control
// character. The console's own buffer, title and input mode are given back as they were
// found, at the end of the run and from the fatal path.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "console/TextConsole.h"

namespace numerion {

class ConsoleScreen {
  public:
    // Takes the console's screen over; nullptr when standard output is not a console.
    static std::unique_ptr<ConsoleScreen> open(const TextConsole& model);
    // Takes the console's input over (keys one at a time, not echoed, Ctrl+C as a signal);
    // false when input is no console. Independent of the screen: the keys still come from the
    // console when standard output goes elsewhere.
    static bool takeInput(HANDLE input);
    ~ConsoleScreen();
    ConsoleScreen(const ConsoleScreen&) = delete;
    ConsoleScreen& operator=(const ConsoleScreen&) = delete;

    // Writes the model into the buffer when it changed since the last time.
    void present();
    // The buffer's size changed (a user resized the window): puts 80 x 35 back and draws
    // everything again. True when the size had changed.
    bool repair();

    // Gives the console back: the original buffer active, the title and input mode as found.
    // Once only, from whichever thread comes first; safe on the fatal path. The destructor
    // calls it too.
    static void giveBack();

  private:
    ConsoleScreen(const TextConsole& model, HANDLE own);
    void setSize();

    const TextConsole& model_;
    HANDLE own_;
    std::vector<CHAR_INFO> cells_;
    std::uint64_t shownVersion_ = 0;
    bool drawn_ = false;
    int cursorRow_ = 0;
    int cursorColumn_ = 0;
    int cursorShown_ = -1;
};

}  // namespace numerion
