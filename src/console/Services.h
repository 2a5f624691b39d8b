#pragma once
// The platform services every screen works with, passed explicitly from the main routine.

#include "console/KeyInput.h"
#include "console/RandomGenerator.h"
#include "console/TextConsole.h"

namespace numerion {

struct Services {
    TextConsole& screen;
    KeyInput& keys;
    RandomGenerator& random;
};

}  // namespace numerion
