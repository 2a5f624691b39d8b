// A whole game on a generated castle, played to the win by an autopilot that reads the grid
// before every tick and holds the arrow of the next step towards the nearest digit.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <queue>

#include "game/Castle.h"
#include "game/Schlossbau.h"
#include "game/Spielrunde.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

struct Step {
    int row;
    int column;
};

class Autopilot {
  public:
    Autopilot(VirtualPlatform& p, const CastleGrid& castle, const GameState& game)
        : p_(p), castle_(castle), game_(game) {}

    void steer(double nowMs) {
        if (game_.digitsLeft == 0) {
            hold(std::nullopt, nowMs);
            if (!p_.heldNow(Key::Digit5)) p_.press(Key::Digit5, nowMs);
            return;
        }
        hold(nextArrow(), nowMs);
    }

    int plannedMineRuns() const { return plannedMineRuns_; }

  private:
    static constexpr std::array<Key, 4> kArrows{Key::Up, Key::Down, Key::Left, Key::Right};
    static constexpr std::array<int, 4> kRowStep{-1, 1, 0, 0};
    static constexpr std::array<int, 4> kColumnStep{0, 0, -1, 1};

    void hold(std::optional<Key> wanted, double nowMs) {
        for (Key arrow : kArrows) {
            const bool want = wanted && *wanted == arrow;
            if (want && !p_.heldNow(arrow)) p_.press(arrow, nowMs);
            if (!want && p_.heldNow(arrow)) p_.release(arrow, nowMs);
        }
    }

    // The rooms in a snake through the square: along the first row, back along the second ...
    static int nextRoom(int room) {
        const int gridRow = (room - 1) / 10;
        const int gridColumn = (room - 1) % 10;
        const bool rightwards = gridRow % 2 == 0;
        if (rightwards && gridColumn < 9) return room + 1;
        if (!rightwards && gridColumn > 0) return room - 1;
        return room + 10;
    }

    bool isGoal(int row, int column) const {
        const std::int32_t code = castle_.at(row, column, game_.room);
        if (roomHasDigits_) return code >= 1 && code <= 9;
        const int next = nextRoom(game_.room);
        if (next == game_.room + 1) return column == 50 && code == kEmpty;
        if (next == game_.room - 1) return column == 0 && code == kEmpty;
        return row == 16 && code == kEmpty;
    }

    bool passable(int row, int column, bool throughMines) const {
        const std::int32_t code = castle_.at(row, column, game_.room);
        if (code == kWall) return false;
        if (code == kMine) return throughMines;
        // A door other than the one planned would lead out of the snake.
        const bool ring = row == 0 || row == 16 || column == 0 || column == 50;
        return !ring || (!roomHasDigits_ && isGoal(row, column));
    }

    // Breadth-first search over the room's cells from the apprentice to the nearest goal;
    // the first arrow of that way, or none when he stands on the goal already.
    std::optional<Key> nextArrow() {
        roomHasDigits_ = false;
        for (int row = 1; row <= 15 && !roomHasDigits_; row += 2) {
            for (int column = 1; column <= 49; column += 2) {
                const std::int32_t code = castle_.at(row, column, game_.room);
                if (code >= 1 && code <= 9) {
                    roomHasDigits_ = true;
                    break;
                }
            }
        }
        const Step start{game_.playerRow - 1, game_.playerColumn - 1};
        if (isGoal(start.row, start.column)) return std::nullopt;
        for (bool throughMines : {false, true}) {
            std::array<std::array<int, 51>, 17> firstMove{};
            for (auto& row : firstMove)
                row.fill(-1);
            std::queue<Step> queue;
            firstMove[start.row][start.column] = 4;
            queue.push(start);
            while (!queue.empty()) {
                const Step at = queue.front();
                queue.pop();
                if (isGoal(at.row, at.column)) {
                    if (throughMines) ++plannedMineRuns_;
                    return kArrows[static_cast<std::size_t>(firstMove[at.row][at.column])];
                }
                for (int d = 0; d < 4; ++d) {
                    const int row = at.row + kRowStep[d];
                    const int column = at.column + kColumnStep[d];
                    if (row < 0 || row > 16 || column < 0 || column > 50) continue;
                    if (firstMove[row][column] != -1 || !passable(row, column, throughMines)) {
                        continue;
                    }
                    firstMove[row][column] = at.row == start.row && at.column == start.column
                                                 ? d
                                                 : firstMove[at.row][at.column];
                    queue.push(Step{row, column});
                }
            }
        }
        ADD_FAILURE() << "no way to a goal in room " << game_.room;
        return std::nullopt;
    }

    VirtualPlatform& p_;
    const CastleGrid& castle_;
    const GameState& game_;
    bool roomHasDigits_ = true;
    int plannedMineRuns_ = 0;
};

TEST(WholeGame, AnAutopilotCollectsAll20000DigitsOfAGeneratedCastleAndWins) {
    VirtualPlatform p;
    auto castle = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;
    std::int32_t record = 0;
    GameState game;
    p.random.randomize(2024);

    // The same castle once more, to know the sum of its digits.
    RandomGenerator same;
    same.randomize(2024);
    auto preview = std::make_unique<CastleGrid>();
    SCHLOSSBAU(same, *preview, candidates, workingCopy);
    std::int64_t sum = 0;
    for (int room = 1; room <= 100; ++room) {
        for (int row = 1; row <= 15; row += 2) {
            for (int column = 1; column <= 49; column += 2)
                sum += preview->at(row, column, room);
        }
    }

    Autopilot pilot(p, *castle, game);
    p.onWait([&](double nowMs) {
        if (game.room >= 1) pilot.steer(nowMs);
    });
    p.setDeadline(3.0 * 24 * 60 * 60 * 1000);
    SPIELRUNDE(p.io, *castle, candidates, workingCopy, game, record);

    RecordProperty("virtual_minutes", static_cast<int>(p.nowMs() / 60000));
    RecordProperty("sleeps", static_cast<int>(p.sleeps().size()));
    RecordProperty("lives", game.lives);
    RecordProperty("mine_runs", pilot.plannedMineRuns());
    EXPECT_EQ(game.digitsLeft, 0);
    EXPECT_EQ(game.points, sum);
    EXPECT_EQ(game.room, 91) << "the snake through the square ends bottom left";
    EXPECT_EQ(game.extraLifeAt, (game.points / 2500 + 1) * 2500);
    EXPECT_EQ(game.lives, 3 + game.points / 2500 - pilot.plannedMineRuns());
    EXPECT_TRUE(p.showsText("# Gewonnen ! Du hast alle Zahlen eingesammlt #"));
    EXPECT_EQ(game.endDateTime, "05.03.2026 - 21:07:03");
}

}  // namespace
}  // namespace numerion
