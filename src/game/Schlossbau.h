#pragma once
// Castle generation: digits, wall rings, openings between neighbours, 15 mines per room.

#include <functional>

#include "console/RandomGenerator.h"
#include "game/Castle.h"

namespace numerion {

// Builds a fresh castle from the shared random generator.
void SCHLOSSBAU(RandomGenerator& random, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy);

// The same, drawing every u (0 <= u < 1) from nextUnit, so tests can script the draws. Each
// draw becomes floor(u x k), in the fixed order of the build (21680 draws).
using UnitDraw = std::function<double()>;
void SCHLOSSBAU(const UnitDraw& nextUnit, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy);

}  // namespace numerion
