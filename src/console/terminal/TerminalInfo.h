#pragma once
// What the terminal on a file descriptor can do, from the terminfo database and the locale.
// Kept apart because <term.h> defines capability names (columns, lines, bell ...) as macros.

#include <string>

#include "console/terminal/Renderer.h"

namespace numerion {

struct TerminalInfo {
    TerminalTraits traits;
    std::string enterAltScreen = "\x1b[?1049h";
    std::string leaveAltScreen = "\x1b[?1049l";
    std::string resetColours = "\x1b[0m";
};

// Reads $TERM's description without leaving a current terminal set in ncurses, and whether the
// locale's codeset is UTF-8 without changing the program's locale.
TerminalInfo describeTerminal(int fd);

}  // namespace numerion
