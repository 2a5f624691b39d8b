// The 90 ms beat of the play loop on a clock whose waits end late, as on a loaded machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "game/Castle.h"
#include "game/Spielrunde.h"
#include "highscore/HighscoreTable.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

constexpr double kTickMs = 90;
constexpr double kLateMs = 3;
constexpr double kShortestTickMs = 80;  // a wait gives back at most 10 ms to the beat

// Every wait ends a little after the time asked for; the first wait from stallAtMs on ends
// stallMs later still.
class LatePlatform : public VirtualPlatform {
  public:
    void sleep(double ms) override {
        double late = ms > 0 ? kLateMs : 0;
        if (stallAtMs >= 0 && nowMs() >= stallAtMs && ms > 0) {
            late += stallMs;
            stallAtMs = -1;
        }
        VirtualPlatform::sleep(ms + late);
    }
    double stallAtMs = -1;
    double stallMs = 0;
};

// A room of walls only: walking right from the start, the apprentice makes 48 moves along
// screen row 3 and then runs into the right wall. Records the times of each walk's moves.
struct WalledRoom {
    explicit WalledRoom(int lives) {
        for (int column = 0; column <= 50; ++column) {
            castle->at(0, column, 1) = kWall;
            castle->at(16, column, 1) = kWall;
        }
        for (int row = 0; row <= 16; ++row) {
            castle->at(row, 0, 1) = kWall;
            castle->at(row, 50, 1) = kWall;
        }
        setGameStartValues(game);
        game.lives = lives;
        RAUMANZEIGE(p.io, *castle, game, table);
        column = game.playerColumn;
        p.hold(Key::Right, 0, 100);
        p.setDeadline(60000);
    }
    // Call from the wait hook: notes a move made since the last wait.
    bool noteMove(double nowMs) {
        if (game.playerColumn == column) return false;
        column = game.playerColumn;
        runs.back().push_back(nowMs);
        return true;
    }
    GameEnd play() { return runTicks(p.io, *castle, game, table); }

    LatePlatform p;
    std::unique_ptr<CastleGrid> castle = std::make_unique<CastleGrid>();
    HighscoreTable table;
    GameState game;
    int column = 0;
    std::vector<std::vector<double>> runs{1};
};

// The largest distance of a walk's moves from the beat of its first move.
double offBeat(const std::vector<double>& moves) {
    double off = 0;
    for (std::size_t i = 1; i < moves.size(); ++i)
        off = std::max(off, std::abs(moves[i] - moves[0] - static_cast<double>(i) * kTickMs));
    return off;
}

TEST(TickBeat, LateWakeUpsDoNotAddUpAndTheBeatRestartsAfterTheCollisionBeeps) {
    WalledRoom room(2);
    int lives = room.game.lives;
    double collisionBeepsEndMs = 0;
    room.p.onWait([&](double nowMs) {
        if (room.game.lives != lives) {
            // The collision's beeps are over; walk again.
            lives = room.game.lives;
            collisionBeepsEndMs = room.p.beepTimes().back() + 250 + kLateMs;
            room.runs.emplace_back();
            room.column = room.game.playerColumn;
            room.p.hold(Key::Right, nowMs, nowMs + 200);
        } else {
            room.noteMove(nowMs);
        }
    });

    ASSERT_EQ(room.play(), GameEnd::Lost);
    ASSERT_EQ(room.runs.size(), 2U);
    for (const std::vector<double>& moves : room.runs) {
        ASSERT_EQ(moves.size(), 49U);  // the last one into the wall
        EXPECT_LT(offBeat(moves), 0.01);
    }
    EXPECT_NEAR(room.runs[0][0], kTickMs + kLateMs, 0.01);
    // The first tick after the beeps is a whole beat later, not rushed to catch up.
    EXPECT_NEAR(room.runs[1][0] - collisionBeepsEndMs, kTickMs + kLateMs, 0.01);
}

TEST(TickBeat, AStallIsMadeUpOverSeveralTicksWithoutRushingAny) {
    WalledRoom room(1);
    room.p.stallAtMs = 1000;
    room.p.stallMs = 45;
    room.p.onWait([&](double nowMs) { room.noteMove(nowMs); });

    ASSERT_EQ(room.play(), GameEnd::Lost);
    const std::vector<double>& moves = room.runs[0];
    ASSERT_EQ(moves.size(), 49U);
    for (std::size_t i = 1; i < moves.size(); ++i)
        EXPECT_GE(moves[i] - moves[i - 1], kShortestTickMs) << "move " << i;
    // Back on the beat of the first move by the end of the walk.
    EXPECT_NEAR(moves.back() - moves.front(), 48 * kTickMs, 0.01);
}

TEST(TickBeat, ABreatherShorterThanATickIsFollowedByAWholeTick) {
    WalledRoom room(1);
    // Space is held at the tick check after 1 s; the key that ends the breather comes 20 ms
    // into its wait, so the whole breather is shorter than a tick.
    room.p.hold(Key::Space, 1000, 1100);
    double breatherEndMs = -1;
    double moveAfterBreatherMs = -1;
    room.p.onWait([&](double nowMs) {
        if (room.p.sleeps().back() == 50 + kLateMs && room.game.breathers == 3)
            room.p.type('x', nowMs + 20);
        if (breatherEndMs < 0 && room.game.breathers == 2) breatherEndMs = nowMs;
        if (room.noteMove(nowMs) && breatherEndMs >= 0 && moveAfterBreatherMs < 0)
            moveAfterBreatherMs = nowMs;
    });

    ASSERT_EQ(room.play(), GameEnd::Lost);
    ASSERT_EQ(room.game.breathers, 2);
    ASSERT_GE(breatherEndMs, 0);
    EXPECT_NEAR(moveAfterBreatherMs - breatherEndMs, kTickMs + kLateMs, 0.01);
}

}  // namespace
}  // namespace numerion
