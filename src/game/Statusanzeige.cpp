// The status panel below the room. Lines that can get shorter carry trailing blanks that wipe
// the digits left over from a longer value.
#include <string_view>

#include "game/Statusanzeige.h"

namespace numerion {

namespace {

void panelLine(TextConsole& screen, int row, int column, std::string_view label, std::int32_t value,
               std::string_view padding = {}) {
    screen.locate(row, column);
    screen.printText(label);
    if (padding.empty()) {
        screen.printNumber(value, Ending::LineBreak);
    } else {
        screen.printNumber(value);
        screen.printText(padding, Ending::LineBreak);
    }
}

}  // namespace

void drawPointsLine(TextConsole& screen, const GameState& game) {
    panelLine(screen, 19, 1, "Punkte:", game.points);
}

void drawLivesLine(TextConsole& screen, const GameState& game) {
    panelLine(screen, 21, 1, "Leben: ", game.lives, "   ");
}

// After an extra life the label loses its trailing blank, so the number stands one column
// further left until the next collision or full redraw.
void drawExtraLifeLivesLine(TextConsole& screen, const GameState& game) {
    panelLine(screen, 21, 1, "Leben:", game.lives, "   ");
}

void drawRoomLine(TextConsole& screen, const GameState& game) {
    panelLine(screen, 19, 27, "Raum:", game.room, "  ");
}

void drawDigitsLeftLine(TextConsole& screen, const GameState& game) {
    panelLine(screen, 21, 27, "verbliebene Zahlen:", game.digitsLeft, "      ");
}

void drawExtraLifeLine(TextConsole& screen, const GameState& game) {
    panelLine(screen, 23, 1, "Extra-Leben bei:", game.extraLifeAt);
}

void drawBreathersLine(TextConsole& screen, const GameState& game) {
    panelLine(screen, 23, 27, "Pausen:", game.breathers);
}

void drawRecordLine(TextConsole& screen, std::int32_t record) {
    panelLine(screen, 25, 10, "Punkterekord:", record);
}

void STATUSANZEIGE(TextConsole& screen, const GameState& game, std::int32_t record) {
    drawPointsLine(screen, game);
    drawLivesLine(screen, game);
    drawRoomLine(screen, game);
    drawDigitsLeftLine(screen, game);
    drawExtraLifeLine(screen, game);
    drawBreathersLine(screen, game);
    drawRecordLine(screen, record);
}

}  // namespace numerion
