#pragma once
// The instructions screen.

#include "console/Services.h"

namespace numerion {

// The instructions: story, rules and legend; returns on Space with the screen cleared.
void SPIELANLEITUNG(Services& io);

}  // namespace numerion
