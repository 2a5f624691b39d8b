#pragma once
// One game: generation, the 90 ms tick loop, the status panel and the end banners.

#include "console/Services.h"
#include "game/Castle.h"
#include "highscore/HighscoreTable.h"

namespace numerion {

// Builds a fresh castle from the shared random generator.
void SCHLOSSBAU(RandomGenerator& random, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy);

// Plays one game to its banner and key 5; leaves points and endDateTime in game.
void SPIELRUNDE(Services& io, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy, GameState& game, const HighscoreTable& highscores);

}  // namespace numerion
