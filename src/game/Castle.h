#pragma once
// The castle: 100 rooms of 17 x 51 cells, the mine candidates of a room, and one game's counters.

#include <array>
#include <cstdint>
#include <string>

namespace numerion {

class TextConsole;

enum CellCode : std::int32_t {
    kEmpty = 0,  // floor, or an opening in the wall ring; 1..9 are digits
    kWall = 10,
    kMine = 12,
};

class CastleGrid {
  public:
    static constexpr int kRows = 17;     // cell rows 0..16
    static constexpr int kColumns = 51;  // cell columns 0..50
    static constexpr int kRooms = 101;   // rooms 1..100; room 0 exists but stays empty

    // Index-checked access; an index outside the grid is a fatal run-time error.
    std::int32_t& at(int row, int column, int room);
    std::int32_t at(int row, int column, int room) const;
    void clear() { cells_.fill(0); }

  private:
    std::array<std::int32_t, kRows * kColumns * kRooms> cells_{};
};

// The 473 mine candidates of a room as "row-column" texts, indexes 0..472.
class MineCandidateList {
  public:
    static constexpr int kSize = 473;
    std::string& at(int index);
    const std::string& at(int index) const;

  private:
    std::array<std::string, kSize> entries_{};
};

struct GameState {
    std::int32_t room = 0;
    std::int32_t points = 0;
    std::int32_t lives = 0;
    std::int32_t breathers = 0;
    std::int32_t digitsLeft = 0;
    std::int32_t extraLifeAt = 0;
    std::int32_t playerRow = 0;
    std::int32_t playerColumn = 0;
    std::int32_t direction = 0;  // 0 standing, 1 up, 2 down, 3 left, 4 right
    std::string endDateTime;
};

// The glyphs drawn over cells that the grid never holds.
inline constexpr char kApprenticeGlyph = '\x01';  // smiling face
inline constexpr char kHitMarkGlyph = '\x0C';     // female sign, shown during a collision

// Prints the glyph of a cell code at the cursor: walls in brown, mines in magenta, each with the
// foreground set back to 7 at once so the rest of the game keeps drawing in light grey.
void drawCellGlyph(TextConsole& screen, std::int32_t code);
// Positions the cursor on the screen cell of grid cell (row, column) and draws its glyph.
void drawCell(TextConsole& screen, const CastleGrid& castle, int row, int column, int room);
// Draws a whole room from the cursor on a freshly cleared screen: rows 0..16, each followed by
// a line break, and one more line break after the last.
void drawRoom(TextConsole& screen, const CastleGrid& castle, int room);

}  // namespace numerion
