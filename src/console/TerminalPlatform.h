#pragma once
// The real platform: the terminal on standard input and output, signals, the system clock.

#include <memory>

#include "console/KeyInput.h"
#include "console/TextConsole.h"

namespace numerion {

class TerminalPlatform {
  public:
    // Takes over the terminal and installs the signal handlers. When standard output is no
    // terminal, printed bytes are written to it unchanged and nothing else is shown.
    static std::unique_ptr<TerminalPlatform> open(TextConsole& screen);
    // Restores the terminal as it was found.
    virtual ~TerminalPlatform() = default;
    virtual KeyBackend& backend() = 0;
};

}  // namespace numerion
