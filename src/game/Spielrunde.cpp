// One game: the castle is built, then the apprentice walks one cell per 90 ms tick until the
// last digit is collected or the last life is gone.
#include "game/Spielrunde.h"

#include <optional>

#include "game/Schlossbau.h"
#include "game/Statusanzeige.h"

namespace numerion {

namespace {

constexpr int kTickMs = 90;
constexpr int kStartRow = 3;     // screen row of cell row 2: never digit, mine or wall
constexpr int kStartColumn = 2;  // screen column of cell column 1
constexpr int kScreenLastRow = CastleGrid::kRows;        // 17: the bottom wall
constexpr int kScreenLastColumn = CastleGrid::kColumns;  // 51: the right wall
constexpr std::int32_t kStartLives = 3;
constexpr std::int32_t kBreathersPerGame = 3;

void drawApprentice(TextConsole& screen, const GameState& game) {
    screen.locate(game.playerRow, game.playerColumn);
    screen.printText(std::string_view(&kApprenticeGlyph, 1));
}

void moveApprentice(TextConsole& screen, GameState& game, Direction direction) {
    screen.locate(game.playerRow, game.playerColumn);
    screen.printText(" ");
    switch (direction) {
        case Direction::Up:
            --game.playerRow;
            break;
        case Direction::Down:
            ++game.playerRow;
            break;
        case Direction::Left:
            --game.playerColumn;
            break;
        case Direction::Right:
            ++game.playerColumn;
            break;
        default:
            break;
    }
    drawApprentice(screen, game);
    game.direction = direction;
}

// The Space press that starts the breather still waits in the key queue and ends the first
// wait at once; the second wait holds the game until the player presses a key again.
void takeBreather(Services& io, GameState& game) {
    io.keys.sleepMs(-1);
    io.keys.sleepMs(-1);
    --game.breathers;
    drawBreathersLine(io.screen, game);
}

void threeBeeps(KeyInput& keys) {
    keys.beep();
    keys.beep();
    keys.beep();
}

// The apprentice stands on a digit: collect it.
std::optional<GameEnd> collectDigit(Services& io, GameState& game, std::int32_t& cell,
                                    std::int32_t value) {
    game.points += value;
    cell = kEmpty;
    drawPointsLine(io.screen, game);
    --game.digitsLeft;
    drawDigitsLeftLine(io.screen, game);
    // A digit adds at most 9, so each threshold is crossed by exactly one digit.
    const std::int32_t beyond = game.points - game.extraLifeAt;
    if (beyond >= 0 && beyond < 10) {
        ++game.lives;
        drawExtraLifeLivesLine(io.screen, game);
        game.extraLifeAt += kPointsPerExtraLife;
        drawExtraLifeLine(io.screen, game);
    }
    if (game.digitsLeft <= 0) {
        threeBeeps(io.keys);
        return GameEnd::Won;
    }
    return std::nullopt;
}

// The apprentice ran into a wall or a mine.
std::optional<GameEnd> collide(Services& io, CastleGrid& castle, GameState& game,
                               std::int32_t& cell) {
    TextConsole& screen = io.screen;
    screen.locate(game.playerRow, game.playerColumn);
    screen.printText(std::string_view(&kHitMarkGlyph, 1));
    threeBeeps(io.keys);
    if (cell == kMine) cell = kEmpty;  // a mine goes off once; a wall stays
    drawCell(screen, castle, game.playerRow - 1, game.playerColumn - 1, game.room);
    --game.lives;
    drawLivesLine(screen, game);
    if (game.lives <= 0) return GameEnd::Lost;
    game.playerRow = kStartRow;
    game.playerColumn = kStartColumn;
    drawApprentice(screen, game);
    game.direction = Direction::Standing;
    return std::nullopt;
}

// An empty cell in the wall ring is an opening: the apprentice goes through to the neighbour
// and arrives on the cell just inside its matching opening.
bool passOpening(GameState& game) {
    if (game.playerRow == 1) {
        game.room -= CastleGrid::kRoomsPerRow;
        game.playerRow = kScreenLastRow - 1;
    } else if (game.playerRow == kScreenLastRow) {
        game.room += CastleGrid::kRoomsPerRow;
        game.playerRow = 2;
    } else if (game.playerColumn == 1) {
        game.room -= 1;
        game.playerColumn = kScreenLastColumn - 1;
    } else if (game.playerColumn == kScreenLastColumn) {
        game.room += 1;
        game.playerColumn = 2;
    } else {
        return false;
    }
    return true;
}

std::optional<GameEnd> cellStep(Services& io, CastleGrid& castle, GameState& game,
                                std::int32_t record) {
    std::int32_t& cell = castle.at(game.playerRow - 1, game.playerColumn - 1, game.room);
    const std::int32_t value = cell;
    if (value >= 1 && value <= 9) return collectDigit(io, game, cell, value);
    if (value == kWall || value == kMine) return collide(io, castle, game, cell);
    if (value == kEmpty && passOpening(game)) RAUMANZEIGE(io, castle, game, record);
    return std::nullopt;
}

}  // namespace

void setGameStartValues(GameState& game) {
    game.room = 1;
    game.points = 0;
    game.lives = kStartLives;
    game.breathers = kBreathersPerGame;
    game.digitsLeft = kDigitsInCastle;
    game.extraLifeAt = kPointsPerExtraLife;
    game.playerRow = kStartRow;
    game.playerColumn = kStartColumn;
    // endDateTime keeps the last game's value until this one ends.
}

void RAUMANZEIGE(Services& io, const CastleGrid& castle, GameState& game, std::int32_t record) {
    io.screen.clear();
    game.direction = Direction::Standing;
    drawRoom(io.screen, castle, game.room);
    STATUSANZEIGE(io.screen, game, record);
    drawApprentice(io.screen, game);
}

GameEnd runTicks(Services& io, CastleGrid& castle, GameState& game, std::int32_t record) {
    KeyInput& keys = io.keys;
    for (;;) {
        // A plain wait: the pace is 90 ms per tick plus the drawing.
        keys.sleepMs(kTickMs);

        // The first arrow in the order up, down, left, right wins; then Space; then walking on.
        Direction move = Direction::Standing;
        if (keys.isKeyDown(scan::kUp) != 0) {
            move = Direction::Up;
        } else if (keys.isKeyDown(scan::kDown) != 0) {
            move = Direction::Down;
        } else if (keys.isKeyDown(scan::kLeft) != 0) {
            move = Direction::Left;
        } else if (keys.isKeyDown(scan::kRight) != 0) {
            move = Direction::Right;
        } else if (keys.isKeyDown(scan::kSpace) != 0 && game.breathers > 0) {
            takeBreather(io, game);
        } else {
            move = game.direction;
        }
        if (move != Direction::Standing) moveApprentice(io.screen, game, move);

        // The cell is looked at every tick, standing or not.
        if (const auto end = cellStep(io, castle, game, record)) return *end;
    }
}

void playGame(Services& io, CastleGrid& castle, GameState& game, std::int32_t record) {
    RAUMANZEIGE(io, castle, game, record);
    const GameEnd end = runTicks(io, castle, game, record);
    showEndBanner(io, game, end);
}

void SPIELRUNDE(Services& io, CastleGrid& castle, MineCandidateList& candidates,
                MineCandidateList& workingCopy, GameState& game, std::int32_t record) {
    io.keys.beep();
    SCHLOSSBAU(io.random, castle, candidates, workingCopy);
    setGameStartValues(game);
    playGame(io, castle, game, record);
}

}  // namespace numerion
