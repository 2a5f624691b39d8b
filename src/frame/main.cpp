// Numerion: the program entry. The command line is not read.

#include <memory>

#include "console/KeyInput.h"
#include "console/RandomGenerator.h"
#include "console/Services.h"
#include "console/TerminalPlatform.h"
#include "console/TextConsole.h"
#include "frame/Menu.h"

int main() {
    using namespace numerion;
    TextConsole screen;
    // Declared after the screen so that it restores the terminal before the screen goes.
    const std::unique_ptr<TerminalPlatform> platform = TerminalPlatform::open(screen);
    KeyInput keys(platform->backend());
    RandomGenerator random;
    Services io{screen, keys, random};
    screen.setBellHandler([&keys] { keys.beep(); });

    // The castle alone is several hundred kilobytes: too much for the stack.
    const auto state = std::make_unique<ProgramState>();
    return runProgram(io, *state);
}
