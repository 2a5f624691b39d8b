// The 90 ms beat of the play loop on a clock whose waits end late, as on a loaded machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "console/VirtualPlatform.h"
#include "game/Castle.h"
#include "game/Spielrunde.h"
#include "highscore/HighscoreTable.h"

namespace numerion {
namespace {

constexpr double kTickMs = 90;
constexpr double kLateMs = 3;

// Every wait ends a little after the time asked for.
class LatePlatform : public VirtualPlatform {
  public:
    void sleep(double ms) override { VirtualPlatform::sleep(ms > 0 ? ms + kLateMs : ms); }
};

// A room of walls only: walking right from the start, the apprentice makes 48 moves along
// screen row 3 and then runs into the right wall.
TEST(TickBeat, LateWakeUpsDoNotAddUpAndTheBeatRestartsAfterTheCollisionBeeps) {
    LatePlatform p;
    auto castle = std::make_unique<CastleGrid>();
    for (int column = 0; column <= 50; ++column) {
        castle->at(0, column, 1) = kWall;
        castle->at(16, column, 1) = kWall;
    }
    for (int row = 0; row <= 16; ++row) {
        castle->at(row, 0, 1) = kWall;
        castle->at(row, 50, 1) = kWall;
    }
    HighscoreTable table;
    GameState game;
    setGameStartValues(game);
    game.lives = 2;
    RAUMANZEIGE(p.io, *castle, game, table);

    std::vector<std::vector<double>> runs(1);  // the times of each walk's moves
    int column = game.playerColumn;
    int lives = game.lives;
    double collisionBeepsEndMs = 0;
    p.onWait([&](double nowMs) {
        if (game.lives != lives) {
            // The collision's beeps are over; walk again.
            lives = game.lives;
            collisionBeepsEndMs = p.beepTimes().back() + 250 + kLateMs;
            runs.emplace_back();
            p.hold(Key::Right, nowMs, nowMs + 200);
        } else if (game.playerColumn != column) {
            runs.back().push_back(nowMs);
        }
        column = game.playerColumn;
    });
    p.hold(Key::Right, 0, 100);
    p.setDeadline(60000);

    ASSERT_EQ(runTicks(p.io, *castle, game, table), GameEnd::Lost);
    ASSERT_EQ(runs.size(), 2U);
    for (const std::vector<double>& moves : runs) {
        ASSERT_EQ(moves.size(), 49U);  // the last one into the wall
        double offBeat = 0;
        for (std::size_t i = 1; i < moves.size(); ++i)
            offBeat = std::max(offBeat, std::abs(moves[i] - moves[0] - i * kTickMs));
        EXPECT_LT(offBeat, 0.01);
    }
    EXPECT_NEAR(runs[0][0], kTickMs + kLateMs, 0.01);
    // The first tick after the beeps is a whole beat later, not rushed to catch up.
    EXPECT_NEAR(runs[1][0] - collisionBeepsEndMs, kTickMs + kLateMs, 0.01);
}

}  // namespace
}  // namespace numerion
