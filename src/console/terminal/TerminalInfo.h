#pragma once
// What the terminal on a file descriptor can do, from the terminfo database and the locale.
// Kept apart because <term.h> defines capability names (columns, lines, bell ...) as macros.

#include <string>

#include "console/terminal/Renderer.h"

namespace numerion {

struct TerminalInfo {
    TerminalTraits traits;
    // Whether the terminal can place the cursor (terminfo cup): without it no game can show.
    // A type without an entry is taken for an xterm; TERM=dumb and its like cannot.
    bool addressable = true;
    std::string enterAltScreen = "\x1b[?1049h";
    std::string leaveAltScreen = "\x1b[?1049l";
    std::string resetColours = "\x1b[0m";
};

// Reads $TERM's description without leaving a current terminal set in ncurses, and whether the
// locale's codeset is UTF-8 without changing the program's locale. Direct colour where the
// terminal says it has it: COLORTERM=truecolor or 24bit, or the terminfo RGB or Tc capability.
TerminalInfo describeTerminal(int fd);

}  // namespace numerion
