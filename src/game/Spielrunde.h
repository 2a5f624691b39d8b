#pragma once
// One game: the 90 ms tick loop and the full redraw.

#include <cstdint>

#include "console/Services.h"
#include "game/Banner.h"
#include "game/Castle.h"

namespace numerion {

// Plays one game to its banner and key 5; leaves points and endDateTime in game. record: the
// points of the list's first place, shown on the status panel.
void SPIELRUNDE(Services& io, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy, GameState& game, std::int32_t record);

// The counters of a fresh game: room 1, 3 lives and breathers, 20000 digits, row 3 column 2.
void setGameStartValues(GameState& game);

// What SPIELRUNDE does once the castle and the counters are set: the full redraw, the ticks
// until the game is won or lost, the banner and the wait for key 5. Runs on any prepared
// castle, which is how a game can start from a chosen position.
void playGame(Services& io, CastleGrid& castle, GameState& game, std::int32_t record);

// The tick loop alone, from a drawn screen to the tick that ends the game.
GameEnd runTicks(Services& io, CastleGrid& castle, GameState& game, std::int32_t record);

// The full redraw: clear, stand still, the room, the panel, the apprentice.
void RAUMANZEIGE(Services& io, const CastleGrid& castle, GameState& game, std::int32_t record);

}  // namespace numerion
