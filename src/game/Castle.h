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
    static constexpr int kRows = 17;        // cell rows 0..16
    static constexpr int kColumns = 51;     // cell columns 0..50
    static constexpr int kRoomCount = 100;  // a square of 10 x 10 rooms, numbered row by row
    static constexpr int kRoomsPerRow = 10;
    static constexpr int kRooms = kRoomCount + 1;  // rooms 1..100; room 0 exists but stays empty

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

// The rules' numbers: every room holds 200 digits, so the game is won after 20000; every 2500
// points give an extra life.
inline constexpr std::int32_t kDigitsInCastle = 20000;
inline constexpr std::int32_t kPointsPerExtraLife = 2500;

// Where the apprentice walks: the direction of the last arrow, kept after the key is let go.
enum class Direction : std::int32_t { Standing, Up, Down, Left, Right };

struct GameState {
    std::int32_t room = 0;
    std::int32_t points = 0;
    std::int32_t lives = 0;
    std::int32_t breathers = 0;
    std::int32_t digitsLeft = 0;
    std::int32_t extraLifeAt = 0;
    std::int32_t playerRow = 0;
    std::int32_t playerColumn = 0;
    Direction direction = Direction::Standing;
    std::string endDateTime;
};

// The glyphs of walls and mines, and those drawn over cells that the grid never holds.
inline constexpr char kWallGlyph = '\xB2';        // dark shade
inline constexpr char kMineGlyph = '\x0F';        // sun
inline constexpr char kApprenticeGlyph = '\x01';  // smiling face
inline constexpr char kHitMarkGlyph = '\x0C';     // female sign, shown during a collision

// Console colours of the game screen; the instructions' legend shows the same.
inline constexpr int kTextColour = 7;  // light grey
inline constexpr int kWallColour = 6;  // brown
inline constexpr int kMineColour = 5;  // magenta

// Prints the glyph of a cell code at the cursor: walls and mines in their colours, each with the
// foreground set back to the text colour at once so the rest of the game keeps drawing in it.
void drawCellGlyph(TextConsole& screen, std::int32_t code);
// Positions the cursor on the screen cell of grid cell (row, column) and draws its glyph.
void drawCell(TextConsole& screen, const CastleGrid& castle, int row, int column, int room);
// Draws a whole room from the cursor on a freshly cleared screen: rows 0..16, each followed by
// a line break, and one more line break after the last.
void drawRoom(TextConsole& screen, const CastleGrid& castle, int room);

}  // namespace numerion
