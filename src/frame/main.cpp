// Numerion: the program entry. The command line is not read.

#include <memory>

#include "console/HostPlatform.h"
#include "console/KeyInput.h"
#include "console/RandomGenerator.h"
#include "console/Services.h"
#include "console/TextConsole.h"
#include "frame/Menu.h"

int main() {
    using namespace numerion;
    TextConsole screen;
    // Declared after the screen so that it restores the terminal before the screen goes.
    const std::unique_ptr<HostPlatform> platform = HostPlatform::open(screen);
    KeyInput keys(platform->platform());
    RandomGenerator random;
    Services io{screen, keys, random};
    screen.setBellHandler([&keys] { keys.beep(); });

    const auto state = std::make_unique<ProgramState>();
    return runProgram(io, *state);
}
