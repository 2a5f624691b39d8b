#include "support/PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace numerion::testing {

PseudoTerminalPair openPseudoTerminal(int rows, int columns) {
    PseudoTerminalPair pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0) std::abort();
    pty.program = ::open(::ptsname(pty.master), O_RDWR | O_NOCTTY);
    if (pty.program < 0) std::abort();
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(columns);
    ::ioctl(pty.master, TIOCSWINSZ, &size);
    return pty;
}

}  // namespace numerion::testing
