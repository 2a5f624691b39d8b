#pragma once
// One game: generation, the 90 ms tick loop, the status panel and the end banners.

#include <cstdint>
#include <functional>

#include "console/Services.h"
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

enum class GameEnd { Won, Lost };

// The tick loop alone, from a drawn screen to the tick that ends the game.
GameEnd runTicks(Services& io, CastleGrid& castle, GameState& game, std::int32_t record);

// The full redraw: clear, stand still, the room, the panel, the apprentice.
void RAUMANZEIGE(Services& io, const CastleGrid& castle, GameState& game, std::int32_t record);

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

// The framed banner of a won or lost game at rows 27..32, the end date and time into
// game.endDateTime, then the wait for the main-row key 5.
void showEndBanner(Services& io, GameState& game, GameEnd end);

}  // namespace numerion
