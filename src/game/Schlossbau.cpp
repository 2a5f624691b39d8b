// Castle generation: digits, wall rings, openings between neighbours, 15 mines per room.
#include <string>

#include "game/Spielrunde.h"

namespace numerion {

namespace {

constexpr int kLastRow = CastleGrid::kRows - 1;        // 16
constexpr int kLastColumn = CastleGrid::kColumns - 1;  // 50
constexpr int kMinesPerRoom = 15;

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

    for (int room = 1; room <= 100; ++room) {
        for (int row = 1; row <= 15; row += 2) {
            for (int column = 1; column <= 49; column += 2) {
                castle.at(row, column, room) = drawBelow(nextUnit, 9) + 1;
            }
        }
    }

    for (int room = 1; room <= 100; ++room) {
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
    for (int c = 1; c <= 10; ++c) {
        for (int k = c; k <= c + 80; k += 10) {
            const int z = drawBelow(nextUnit, 49) + 1;
            castle.at(kLastRow, z, k) = kEmpty;
            castle.at(0, z, k + 10) = kEmpty;
        }
    }

    // Doors between a room and its right-hand neighbour, row by row of the square.
    for (int s = 1; s <= 91; s += 10) {
        for (int k = s; k <= s + 8; ++k) {
            const int z = drawBelow(nextUnit, 15) + 1;
            castle.at(z, kLastColumn, k) = kEmpty;
            castle.at(z, 0, k + 1) = kEmpty;
        }
    }

    buildCandidateList(candidates);

    // Mines without replacement: a drawn entry is replaced by the last one still available.
    for (int room = 1; room <= 100; ++room) {
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
