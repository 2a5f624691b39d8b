#include "game/Castle.h"

#include "console/RunTimeError.h"
#include "console/TextConsole.h"

namespace numerion {

namespace {
// Report lines of the index checks; the game's rules never let them fail.
constexpr int kLineCastleGrid = 310;
constexpr int kLineMineCandidates = 320;

constexpr int flatIndex(int row, int column, int room) {
    return (room * CastleGrid::kRows + row) * CastleGrid::kColumns + column;
}

void checkCell(int row, int column, int room) {
    checkIndex(row, CastleGrid::kRows - 1, kLineCastleGrid);
    checkIndex(column, CastleGrid::kColumns - 1, kLineCastleGrid);
    checkIndex(room, CastleGrid::kRooms - 1, kLineCastleGrid);
}
}  // namespace

std::int32_t& CastleGrid::at(int row, int column, int room) {
    checkCell(row, column, room);
    return cells_[static_cast<std::size_t>(flatIndex(row, column, room))];
}

std::int32_t CastleGrid::at(int row, int column, int room) const {
    checkCell(row, column, room);
    return cells_[static_cast<std::size_t>(flatIndex(row, column, room))];
}

std::string& MineCandidateList::at(int index) {
    checkIndex(index, kSize - 1, kLineMineCandidates);
    return entries_[static_cast<std::size_t>(index)];
}

const std::string& MineCandidateList::at(int index) const {
    checkIndex(index, kSize - 1, kLineMineCandidates);
    return entries_[static_cast<std::size_t>(index)];
}

void drawCellGlyph(TextConsole& screen, std::int32_t code) {
    if (code == kEmpty) {
        screen.printText(" ");
    } else if (code >= 1 && code <= 9) {
        const char digit = static_cast<char>('0' + code);
        screen.printText(std::string_view(&digit, 1));
    } else if (code == kWall) {
        screen.setColor(kWallColour);
        screen.printText(std::string_view(&kWallGlyph, 1));
        screen.setColor(kTextColour);
    } else if (code == kMine) {
        screen.setColor(kMineColour);
        screen.printText(std::string_view(&kMineGlyph, 1));
        screen.setColor(kTextColour);
    }
    // No other code ever occurs; nothing is drawn for one.
}

void drawCell(TextConsole& screen, const CastleGrid& castle, int row, int column, int room) {
    screen.locate(row + 1, column + 1);
    drawCellGlyph(screen, castle.at(row, column, room));
}

void drawRoom(TextConsole& screen, const CastleGrid& castle, int room) {
    for (int row = 0; row < CastleGrid::kRows; ++row) {
        for (int column = 0; column < CastleGrid::kColumns; ++column) {
            drawCellGlyph(screen, castle.at(row, column, room));
        }
        screen.newLine();
    }
    screen.newLine();
}

}  // namespace numerion
