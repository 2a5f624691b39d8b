#include "console/terminal/TerminalInfo.h"

#include <curses.h>
#include <langinfo.h>
#include <term.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace numerion {

namespace {

std::string capability(const char* name, const std::string& fallback) {
    char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<char*>(-1)) return fallback;
    return value;
}

constexpr int kDirectColours = 1 << 24;

bool hasString(const char* name) {
    char* value = tigetstr(name);
    return value != nullptr && value != reinterpret_cast<char*>(-1);
}

// As terminals announce it in the environment.
bool announcesDirectColour() {
    const char* value = std::getenv("COLORTERM");
    return value != nullptr &&
           (std::strcmp(value, "truecolor") == 0 || std::strcmp(value, "24bit") == 0);
}

// RGB is a flag in most entries and a number or a string in some; Tc is tmux's flag.
bool describesDirectColour() {
    return tigetflag("RGB") > 0 || tigetflag("Tc") > 0 || tigetnum("RGB") > 0 || hasString("RGB");
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
        if (info.traits.colours >= 8 && describesDirectColour()) {
            info.traits.colours = std::max(info.traits.colours, kDirectColours);
        }
        info.traits.backColourErase = tigetflag("bce") > 0;
        info.addressable = hasString("cup");
        info.enterAltScreen = capability("smcup", info.enterAltScreen);
        info.leaveAltScreen = capability("rmcup", info.leaveAltScreen);
        info.resetColours = capability("sgr0", info.resetColours);
        info.traits.hideCursor = capability("civis", info.traits.hideCursor);
        info.traits.showCursor = capability("cnorm", info.traits.showCursor);
        TERMINAL* ours = set_curterm(previous);
        del_curterm(ours);
    }
    // Believed of any terminal that shows colours at all.
    if (info.traits.colours >= 8 && announcesDirectColour()) info.traits.colours = kDirectColours;

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
