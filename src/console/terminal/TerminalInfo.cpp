#include "console/terminal/TerminalInfo.h"

#include <curses.h>
#include <langinfo.h>
#include <term.h>

#include <clocale>
#include <cstring>

namespace numerion {

namespace {

std::string capability(const char* name, const std::string& fallback) {
    char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<char*>(-1)) return fallback;
    return value;
}

}  // namespace

TerminalInfo describeTerminal(int fd) {
    TerminalInfo info;
    info.traits.colours = 8;  // unknown terminals: the eight colours every one of them has
    info.traits.backColourErase = false;
    TERMINAL* previous = cur_term;
    int error = 0;
    if (setupterm(nullptr, fd, &error) == OK) {
        info.traits.colours = tigetnum("colors");
        info.traits.backColourErase = tigetflag("bce") > 0;
        info.enterAltScreen = capability("smcup", info.enterAltScreen);
        info.leaveAltScreen = capability("rmcup", info.leaveAltScreen);
        info.resetColours = capability("sgr0", info.resetColours);
        info.traits.hideCursor = capability("civis", info.traits.hideCursor);
        info.traits.showCursor = capability("cnorm", info.traits.showCursor);
        TERMINAL* ours = set_curterm(previous);
        del_curterm(ours);
    }

    std::string saved;
    if (const char* current = std::setlocale(LC_CTYPE, nullptr)) saved = current;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        info.traits.utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    } else {
        info.traits.utf8 = false;
    }
    if (!saved.empty()) std::setlocale(LC_CTYPE, saved.c_str());
    return info;
}

}  // namespace numerion
