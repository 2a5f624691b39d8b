#pragma once
// The status panel below the room.

#include <cstdint>

#include "console/TextConsole.h"
#include "game/Castle.h"

namespace numerion {

// The whole status panel, and its single lines as the play loop redraws them.
void STATUSANZEIGE(TextConsole& screen, const GameState& game, std::int32_t record);
void drawPointsLine(TextConsole& screen, const GameState& game);
void drawLivesLine(TextConsole& screen, const GameState& game);
void drawExtraLifeLivesLine(TextConsole& screen, const GameState& game);
void drawRoomLine(TextConsole& screen, const GameState& game);
void drawDigitsLeftLine(TextConsole& screen, const GameState& game);
void drawExtraLifeLine(TextConsole& screen, const GameState& game);
void drawBreathersLine(TextConsole& screen, const GameState& game);
void drawRecordLine(TextConsole& screen, std::int32_t record);

}  // namespace numerion
