#pragma once
// The framed banners that end a game.

#include "console/Services.h"
#include "game/Castle.h"

namespace numerion {

enum class GameEnd { Won, Lost };

// The framed banner of a won or lost game at rows 27..32, the end date and time into
// game.endDateTime, then the wait for the main-row key 5.
void showEndBanner(Services& io, GameState& game, GameEnd end);

}  // namespace numerion
