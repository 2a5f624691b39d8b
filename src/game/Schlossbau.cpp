// Castle generation: digits, wall rings, openings between neighbours, 15 mines per room.
#include <string>

#include "game/Schlossbau.h"

namespace numerion {

namespace {

constexpr int kLastRow = CastleGrid::kRows - 1;        // 16
constexpr int kLastColumn = CastleGrid::kColumns - 1;  // 50
constexpr int kMinesPerRoom = 15;
constexpr int kRoomCount = CastleGrid::kRoomCount;
constexpr int kRoomsPerRow = CastleGrid::kRoomsPerRow;
constexpr int kDigitValues = 9;  // a digit is worth 1 to 9 points
// A door may lie anywhere in its wall but the corners: columns 1..49 of a bottom wall, rows
// 1..15 of a right-hand wall.
constexpr int kDoorColumns = CastleGrid::kColumns - 2;
constexpr int kDoorRows = CastleGrid::kRows - 2;

// floor(u x k); u < 1, so the result stays below k.
int drawBelow(const UnitDraw& nextUnit, int k) {
    return static_cast<int>(nextUnit() * static_cast<double>(k));
}

void buildCandidateList(MineCandidateList& candidates) {
    int n = 0;
    for (int row = 2; row <= 14; ++row) {
        for (int column = 2; column <= 48; ++column) {
            if (row % 2 == 0 || column % 2 == 0) {
                candidates.at(n) = std::to_string(row) + "-" + std::to_string(column);
                ++n;
            }
        }
    }
}

// Splits "row-column" at its first "-".
void parseCandidate(const std::string& text, int& row, int& column) {
    const auto dash = text.find('-');
    row = std::stoi(text.substr(0, dash));
    column = std::stoi(text.substr(dash + 1));
}

}  // namespace

void SCHLOSSBAU(const UnitDraw& nextUnit, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy) {
    castle.clear();

    // A digit on every cell of an odd row and an odd column inside the walls.
    for (int room = 1; room <= kRoomCount; ++room) {
        for (int row = 1; row < kLastRow; row += 2) {
            for (int column = 1; column < kLastColumn; column += 2) {
                castle.at(row, column, room) = drawBelow(nextUnit, kDigitValues) + 1;
            }
        }
    }

    for (int room = 1; room <= kRoomCount; ++room) {
        for (int column = 0; column <= kLastColumn; ++column) {
            castle.at(0, column, room) = kWall;
            castle.at(kLastRow, column, room) = kWall;
        }
        for (int row = 0; row <= kLastRow; ++row) {
            castle.at(row, 0, room) = kWall;
            castle.at(row, kLastColumn, room) = kWall;
        }
    }

    // Doors between a room and the one below it, column by column of the 10 x 10 square.
    for (int c = 1; c <= kRoomsPerRow; ++c) {
        for (int k = c; k + kRoomsPerRow <= kRoomCount; k += kRoomsPerRow) {
            const int z = drawBelow(nextUnit, kDoorColumns) + 1;
            castle.at(kLastRow, z, k) = kEmpty;
            castle.at(0, z, k + kRoomsPerRow) = kEmpty;
        }
    }

    // Doors between a room and its right-hand neighbour, row by row of the square.
    for (int s = 1; s <= kRoomCount; s += kRoomsPerRow) {
        for (int k = s; k < s + kRoomsPerRow - 1; ++k) {
            const int z = drawBelow(nextUnit, kDoorRows) + 1;
            castle.at(z, kLastColumn, k) = kEmpty;
            castle.at(z, 0, k + 1) = kEmpty;
        }
    }

    buildCandidateList(candidates);

    // Mines without replacement: a drawn entry is replaced by the last one still available.
    for (int room = 1; room <= kRoomCount; ++room) {
        for (int i = 0; i < MineCandidateList::kSize; ++i)
            workingCopy.at(i) = candidates.at(i);
        int n = MineCandidateList::kSize;
        for (int mine = 0; mine < kMinesPerRoom; ++mine) {
            const int i = drawBelow(nextUnit, n);
            int row = 0;
            int column = 0;
            parseCandidate(workingCopy.at(i), row, column);
            castle.at(row, column, room) = kMine;
            workingCopy.at(i) = workingCopy.at(n - 1);
            --n;
        }
    }
    for (int i = 0; i < MineCandidateList::kSize; ++i)
        workingCopy.at(i).clear();
}

void SCHLOSSBAU(RandomGenerator& random, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy) {
    SCHLOSSBAU([&random] { return random.rnd(1.0F); }, castle, candidates, workingCopy);
}

}  // namespace numerion
