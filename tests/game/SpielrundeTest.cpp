#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/Castle.h"
#include "game/Schlossbau.h"
#include "game/Spielrunde.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

constexpr unsigned char kApprentice = 1;
constexpr unsigned char kHitMark = 12;
constexpr unsigned char kWallGlyph = 178;
constexpr unsigned char kMineGlyph = 15;

// Doors of the test castle: every downward door in cell column 25, every rightward one in
// cell row 8 (screen column 26 and screen row 9).
constexpr int kDoorColumn = 25;
constexpr int kDoorRow = 8;

// Games on a hand-built castle: walls and doors only, so each test places the digits and mines
// it is about. Ticks fall at 90 ms, 180 ms, ... of the virtual clock (no start beep here).
class PlayLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        record = 4711;
        castle->clear();
        for (int room = 1; room <= 100; ++room) {
            for (int column = 0; column <= 50; ++column) {
                castle->at(0, column, room) = kWall;
                castle->at(16, column, room) = kWall;
            }
            for (int row = 0; row <= 16; ++row) {
                castle->at(row, 0, room) = kWall;
                castle->at(row, 50, room) = kWall;
            }
        }
        for (int room = 1; room <= 90; ++room) {
            castle->at(16, kDoorColumn, room) = kEmpty;
            castle->at(0, kDoorColumn, room + 10) = kEmpty;
        }
        for (int room = 1; room <= 100; ++room) {
            if (room % 10 == 0) continue;
            castle->at(kDoorRow, 50, room) = kEmpty;
            castle->at(kDoorRow, 0, room + 1) = kEmpty;
        }
        setGameStartValues(game);
        game.digitsLeft = 1000;  // more than the test castle holds: no accidental win
    }

    // The full redraw that starts the loop, then ticks until the game ends or the clock would
    // pass untilMs; the state is then that after the last whole tick.
    std::optional<GameEnd> play(double untilMs) {
        if (!started_) {
            RAUMANZEIGE(p.io, *castle, game, record);
            started_ = true;
        }
        return resume(untilMs);
    }
    std::optional<GameEnd> resume(double untilMs) {
        p.setDeadline(untilMs);
        try {
            return runTicks(p.io, *castle, game, record);
        } catch (const std::runtime_error&) {
            return std::nullopt;
        }
    }

    std::string text(int row, int column, std::size_t length) const {
        return p.row(row).substr(static_cast<std::size_t>(column - 1), length);
    }
    bool apprenticeAt(int row, int column) const {
        return game.playerRow == row && game.playerColumn == column &&
               p.cellChar(row, column) == kApprentice;
    }

    VirtualPlatform p;
    std::unique_ptr<CastleGrid> castle = std::make_unique<CastleGrid>();
    GameState game;
    std::int32_t record = 0;

  private:
    bool started_ = false;
};

TEST_F(PlayLoop, CollectedDigitsAddPointsAndUpdateThePanelWithoutSound) {
    castle->at(1, 1, 1) = 5;
    castle->at(1, 3, 1) = 7;
    p.hold(Key::Up, 0, 100);       // tick 90: onto the 5
    p.hold(Key::Right, 100, 190);  // tick 180: right; tick 270: walking on onto the 7
    EXPECT_FALSE(play(300));
    EXPECT_EQ(game.points, 12);
    EXPECT_EQ(game.digitsLeft, 998);
    EXPECT_EQ(castle->at(1, 1, 1), kEmpty);
    EXPECT_EQ(castle->at(1, 3, 1), kEmpty);
    EXPECT_TRUE(apprenticeAt(2, 4));
    EXPECT_EQ(p.cellChar(2, 2), ' ');
    EXPECT_EQ(text(19, 1, 11), "Punkte: 12 ");
    EXPECT_EQ(text(21, 27, 29), "verbliebene Zahlen: 998      ");
    EXPECT_EQ(text(25, 10, 20), "Punkterekord: 4711  ") << "the record does not follow";
    EXPECT_EQ(p.beeps(), 0);
}

TEST_F(PlayLoop, TheWalkGoesOnAfterTheArrowIsReleasedOneCellPerTick) {
    p.hold(Key::Right, 0, 100);
    EXPECT_FALSE(play(460));  // ticks 90..450
    EXPECT_TRUE(apprenticeAt(3, 7));
    EXPECT_EQ(game.direction, Direction::Right);
    for (int column = 2; column < 7; ++column)
        EXPECT_EQ(p.cellChar(3, column), ' ');
}

struct TwoArrows {
    Key first;
    Key second;
    int row;
    int column;
};

class PlayLoopTwoArrows : public PlayLoop, public ::testing::WithParamInterface<TwoArrows> {};

TEST_P(PlayLoopTwoArrows, TheFirstArrowInTheOrderUpDownLeftRightWinsAndAnyArrowBeatsSpace) {
    game.playerRow = 9;
    game.playerColumn = 26;
    p.hold(GetParam().first, 0, 100);
    p.hold(GetParam().second, 0, 100);
    EXPECT_FALSE(play(100));
    EXPECT_TRUE(apprenticeAt(GetParam().row, GetParam().column));
}

INSTANTIATE_TEST_SUITE_P(Order, PlayLoopTwoArrows,
                         ::testing::Values(TwoArrows{Key::Right, Key::Up, 8, 26},
                                           TwoArrows{Key::Left, Key::Down, 10, 26},
                                           TwoArrows{Key::Right, Key::Left, 9, 25},
                                           TwoArrows{Key::Down, Key::Up, 8, 26},
                                           TwoArrows{Key::Space, Key::Right, 9, 27}));

TEST_F(PlayLoop, AWallRunIntoShowsTheHitMarkBeepsThriceStaysAndCostsALife) {
    p.hold(Key::Up, 0, 100);  // tick 90 to row 2, tick 180 into the top wall
    unsigned char duringBeeps = 0;
    p.at(200, [&] { duringBeeps = p.cellChar(1, 2); });
    EXPECT_FALSE(play(1000));
    EXPECT_EQ(duringBeeps, kHitMark);
    EXPECT_EQ(p.beepTimes(), (std::vector<double>{180, 430, 680}));
    EXPECT_EQ(castle->at(0, 1, 1), kWall);
    EXPECT_EQ(p.cellChar(1, 2), kWallGlyph);
    EXPECT_EQ(p.cellAttr(1, 2), 6);
    EXPECT_EQ(p.screen.attributeInForce(), 7);
    EXPECT_EQ(game.lives, 2);
    EXPECT_EQ(text(21, 1, 12), "Leben:  2   ");
    EXPECT_TRUE(apprenticeAt(3, 2));
    EXPECT_EQ(game.direction, Direction::Standing);
    EXPECT_EQ(p.cellChar(2, 2), ' ');

    EXPECT_FALSE(resume(3000));
    EXPECT_TRUE(apprenticeAt(3, 2)) << "he stands still after the restart";
    EXPECT_EQ(game.lives, 2);
}

TEST_F(PlayLoop, AMineRunIntoIsGoneAfterwardsWhileTheOtherMinesStay) {
    castle->at(2, 2, 1) = kMine;
    castle->at(2, 4, 1) = kMine;
    p.hold(Key::Right, 0, 100);  // tick 90 onto the mine right of the start
    unsigned char duringBeeps = 0;
    p.at(100, [&] { duringBeeps = p.cellChar(3, 3); });
    EXPECT_FALSE(play(900));
    EXPECT_EQ(duringBeeps, kHitMark);
    EXPECT_EQ(p.beeps(), 3);
    EXPECT_EQ(castle->at(2, 2, 1), kEmpty);
    EXPECT_EQ(p.cellChar(3, 3), ' ');
    EXPECT_EQ(castle->at(2, 4, 1), kMine);
    EXPECT_EQ(p.cellChar(3, 5), kMineGlyph);
    EXPECT_EQ(p.cellAttr(3, 5), 5);
    EXPECT_EQ(game.lives, 2);
    EXPECT_TRUE(apprenticeAt(3, 2));
}

struct RoomChange {
    const char* name;
    int room;
    int row;
    int column;
    Key arrow;
    int newRoom;
    int newRow;
    int newColumn;
};

class PlayLoopRoomChange : public PlayLoop, public ::testing::WithParamInterface<RoomChange> {};

TEST_P(PlayLoopRoomChange, ADoorLeadsToTheNeighbourJustInsideItsDoorStandingStill) {
    const RoomChange& change = GetParam();
    game.room = change.room;
    game.playerRow = change.row;
    game.playerColumn = change.column;
    castle->at(2, 2, change.newRoom) = kMine;  // something to recognise the new room by
    p.hold(change.arrow, 0, 100);
    EXPECT_FALSE(play(500));
    EXPECT_EQ(game.room, change.newRoom);
    EXPECT_TRUE(apprenticeAt(change.newRow, change.newColumn));
    EXPECT_EQ(game.direction, Direction::Standing);
    EXPECT_EQ(p.cellChar(3, 3), kMineGlyph) << "the new room is drawn";
    const std::string roomNumber = std::to_string(change.newRoom);
    EXPECT_EQ(text(19, 27, 6 + roomNumber.size() + 2), "Raum: " + roomNumber + "  ");
    EXPECT_EQ(text(21, 1, 12), "Leben:  3   ");
}

INSTANTIATE_TEST_SUITE_P(AllFourWalls, PlayLoopRoomChange,
                         ::testing::Values(RoomChange{"Right", 1, 9, 50, Key::Right, 2, 9, 2},
                                           RoomChange{"Left", 2, 9, 2, Key::Left, 1, 9, 50},
                                           RoomChange{"Down", 1, 16, 26, Key::Down, 11, 2, 26},
                                           RoomChange{"Up", 11, 2, 26, Key::Up, 1, 16, 26},
                                           RoomChange{"UpFromTheBottomRow", 100, 2, 26, Key::Up, 90,
                                                      16, 26}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayLoop, ADoorIsDrawnAsABlankInBothRoomsInTheSameScreenColumn) {
    game.playerRow = 16;
    game.playerColumn = 26;
    EXPECT_FALSE(play(50));
    EXPECT_EQ(p.cellChar(17, 26), ' ');
    EXPECT_EQ(p.cellChar(1, 26), kWallGlyph) << "room 1 has no door upwards";
    p.hold(Key::Down, 60, 100);
    EXPECT_FALSE(resume(150));
    EXPECT_EQ(game.room, 11);
    EXPECT_EQ(p.cellChar(1, 26), ' ');
    EXPECT_EQ(p.cellChar(1, 25), kWallGlyph);
}

TEST_F(PlayLoop, AnArrowHeldOnArrivalWalksOverTheDigitAndLeavesItUncollected) {
    castle->at(1, kDoorColumn, 11) = 6;  // the digit just inside the door below room 1
    game.playerRow = 16;
    game.playerColumn = 26;
    p.hold(Key::Down, 0, 200);  // tick 90 through the door, tick 180 on at once
    EXPECT_FALSE(play(250));
    EXPECT_TRUE(apprenticeAt(3, 26));
    EXPECT_EQ(castle->at(1, kDoorColumn, 11), 6);
    EXPECT_EQ(game.digitsLeft, 1000);
    EXPECT_EQ(game.points, 0);
    EXPECT_EQ(p.cellChar(2, 26), ' ') << "the move printed a blank over the digit";
}

TEST_F(PlayLoop, ADigitOnTheArrivalCellIsCollectedAtTheNextTickWhenNoArrowIsDown) {
    castle->at(1, kDoorColumn, 11) = 6;
    game.playerRow = 16;
    game.playerColumn = 26;
    p.hold(Key::Down, 0, 100);
    unsigned char shownOnArrival = 0;
    p.at(100, [&] { shownOnArrival = p.cellChar(2, 26); });
    EXPECT_FALSE(play(250));
    EXPECT_EQ(shownOnArrival, kApprentice);
    EXPECT_TRUE(apprenticeAt(2, 26));
    EXPECT_EQ(castle->at(1, kDoorColumn, 11), kEmpty);
    EXPECT_EQ(game.points, 6);
    EXPECT_EQ(game.digitsLeft, 999);
}

TEST_F(PlayLoop, ABreatherHoldsTheGameUntilTheNextKeyAndThenHeWalksOn) {
    p.hold(Key::Right, 0, 100);    // tick 90: (3,3), walking right
    p.hold(Key::Space, 150, 200);  // tick 180: the breather
    p.type('x', 2000);             // the key that ends it
    int columnDuringBreather = 0;
    int breathersDuringBreather = 0;
    p.at(1500, [&] {
        columnDuringBreather = game.playerColumn;
        breathersDuringBreather = game.breathers;
    });
    EXPECT_FALSE(play(2300));
    EXPECT_EQ(columnDuringBreather, 3);
    EXPECT_EQ(breathersDuringBreather, 3);
    EXPECT_EQ(game.breathers, 2);
    EXPECT_EQ(text(23, 27, 9), "Pausen: 2");
    EXPECT_EQ(game.direction, Direction::Right);
    EXPECT_GE(game.playerColumn, 4) << "he walks on after the breather";
    EXPECT_EQ(p.cellChar(3, game.playerColumn), kApprentice);
}

TEST_F(PlayLoop, SpaceWithNoBreathersLeftDoesNotStopAWalk) {
    game.breathers = 0;
    p.hold(Key::Right, 0, 100);
    p.hold(Key::Space, 150, 400);  // held at the ticks 180, 270 and 360
    EXPECT_FALSE(play(460));
    EXPECT_TRUE(apprenticeAt(3, 7));
    EXPECT_EQ(game.breathers, 0);
}

TEST_F(PlayLoop, SpaceWhileStandingTakesABreatherWithoutMoving) {
    p.hold(Key::Space, 50, 100);
    p.type('x', 700);
    EXPECT_FALSE(play(1000));
    EXPECT_EQ(game.breathers, 2);
    EXPECT_TRUE(apprenticeAt(3, 2));
    EXPECT_EQ(game.direction, Direction::Standing);
}

TEST_F(PlayLoop, WithoutFocusNoKeyCountsSoAWalkGoesOn) {
    p.hold(Key::Right, 0, 100);
    p.setFocus(false, 120);
    p.hold(Key::Down, 130, 400);
    EXPECT_FALSE(play(460));
    EXPECT_TRUE(apprenticeAt(3, 7));
}

TEST_F(PlayLoop, TheDigitThatPassesTheThresholdGivesALifeInTheShortLivesLine) {
    game.points = 2495;
    castle->at(1, 1, 1) = 8;
    p.hold(Key::Up, 0, 100);
    EXPECT_FALSE(play(100));
    EXPECT_EQ(game.points, 2503);
    EXPECT_EQ(game.lives, 4);
    EXPECT_EQ(game.extraLifeAt, 5000);
    EXPECT_EQ(text(21, 1, 11), "Leben: 4   ");
    EXPECT_EQ(text(23, 1, 21), "Extra-Leben bei: 5000");

    EXPECT_FALSE(resume(1000));  // on into the top wall
    EXPECT_EQ(game.lives, 3);
    EXPECT_EQ(text(21, 1, 12), "Leben:  3   ") << "a collision brings back the usual form";
}

struct Threshold {
    std::int32_t pointsBefore;
    std::int32_t digit;
    std::int32_t lives;
    std::int32_t extraLifeAt;
};

class PlayLoopThreshold : public PlayLoop, public ::testing::WithParamInterface<Threshold> {};

TEST_P(PlayLoopThreshold, ALifeComesOnlyWhenPointsReachTheThreshold) {
    game.points = GetParam().pointsBefore;
    castle->at(1, 1, 1) = GetParam().digit;
    p.hold(Key::Up, 0, 100);
    EXPECT_FALSE(play(100));
    EXPECT_EQ(game.lives, GetParam().lives);
    EXPECT_EQ(game.extraLifeAt, GetParam().extraLifeAt);
}

// Just below, exactly at, and (from a state play never reaches) 10 and more beyond it.
INSTANTIATE_TEST_SUITE_P(Points, PlayLoopThreshold,
                         ::testing::Values(Threshold{2490, 9, 3, 2500}, Threshold{2499, 1, 4, 5000},
                                           Threshold{4991, 9, 3, 2500}));

// --- the end of a game: the last life or the last digit, the banner and the key 5 ---

class EndOfGame : public PlayLoop {
  protected:
    // With one life left he runs up into the top wall at tick 180; the beeps last until 930.
    void loseAtTheTopWall(double fiveDownAtMs) {
        game.lives = 1;
        p.hold(Key::Up, 0, 100);
        playUntilFive(fiveDownAtMs);
    }
    void playUntilFive(double fiveDownAtMs) {
        p.press(Key::Digit5, fiveDownAtMs);
        p.setDeadline(10000);
        playGame(p.io, *castle, game, record);
    }
    // The frame from row 27, column 1, and the prompt below it, all in light red.
    void expectBanner(const std::vector<std::string>& frame) {
        for (std::size_t i = 0; i < frame.size(); ++i) {
            EXPECT_EQ(text(27 + static_cast<int>(i), 1, frame[i].size() + 1), frame[i] + " ");
        }
        EXPECT_EQ(text(32, 1, 33), "Druecke Taste 5 zur Fortsetzung! ");
        for (int row = 27; row <= 32; ++row)
            EXPECT_EQ(p.cellAttr(row, 1), 12) << row;
        EXPECT_EQ(p.screen.attributeInForce(), 7);
    }
};

TEST_F(EndOfGame, TheLastLifeShowsTheLossBannerWithoutPuttingHimBackAndWaitsForTheMainRowFive) {
    p.tap(Key::Keypad5, 1500);
    p.tap(Key::Digit1, 1700);
    p.tap(Key::Space, 1900);
    loseAtTheTopWall(3000);
    EXPECT_GE(p.nowMs(), 3000);
    EXPECT_LT(p.nowMs(), 3100);
    EXPECT_GT(p.inputWaits(), 0) << "the wait sleeps between looks";
    EXPECT_LT(p.inputWaits(), 200);
    EXPECT_EQ(p.beeps(), 3);
    EXPECT_EQ(game.lives, 0);
    EXPECT_EQ(text(21, 1, 12), "Leben:  0   ");
    EXPECT_EQ(game.playerRow, 1);
    EXPECT_EQ(p.cellChar(3, 2), ' ');
    EXPECT_EQ(p.cellChar(1, 2), kWallGlyph);
    expectBanner(
        {"##########################################", "#                                        #",
         "# Spiel vorbei - Du hast kein Leben mehr #", "#                                        #",
         "##########################################"});
    EXPECT_EQ(game.endDateTime, "05.03.2026 - 21:07:03");
    EXPECT_EQ(text(19, 1, 9), "Punkte: 0") << "the panel stays visible above the banner";
    EXPECT_EQ(p.cellChar(1, 1), kWallGlyph);
}

TEST_F(EndOfGame, TheLastDigitWinsAfterThreeBeepsEvenWhenItAlsoGivesALife) {
    game.digitsLeft = 2;
    game.points = 2496;
    castle->at(1, 1, 1) = 3;
    castle->at(1, 3, 1) = 4;
    p.hold(Key::Up, 0, 100);
    p.hold(Key::Right, 100, 190);
    playUntilFive(2000);
    EXPECT_EQ(game.points, 2503);
    EXPECT_EQ(game.digitsLeft, 0);
    EXPECT_EQ(game.lives, 4);
    EXPECT_EQ(game.extraLifeAt, 5000);
    EXPECT_EQ(text(21, 27, 29), "verbliebene Zahlen: 0        ");
    EXPECT_EQ(p.beepTimes(), (std::vector<double>{270, 520, 770}));
    expectBanner({"##############################################",
                  "#                                            #",
                  "# Gewonnen ! Du hast alle Zahlen eingesammlt #",
                  "#                                            #",
                  "##############################################"});
    EXPECT_EQ(game.endDateTime, "05.03.2026 - 21:07:03");
    EXPECT_GE(p.nowMs(), 2000);
}

TEST_F(EndOfGame, FiveHeldWhileTheBannerIsPrintedEndsTheWaitAtOnce) {
    loseAtTheTopWall(500);  // down during the beeps
    EXPECT_EQ(p.nowMs(), 930);
    EXPECT_EQ(p.inputWaits(), 0);
}

TEST_F(EndOfGame, WithoutLocalTimeTheEndTimeHoldsOnlyItsSeparators) {
    p.setLocalTime(std::nullopt);
    loseAtTheTopWall(2000);
    EXPECT_EQ(game.endDateTime, ".. - ");
}

TEST(Spielrunde, AGameBeepsBuildsTheCastleFromTheGeneratorAndStartsFresh) {
    VirtualPlatform p;
    auto castle = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;
    std::int32_t record = 0;
    record = 321;
    GameState game;
    game.points = 999;  // left from an earlier game
    game.endDateTime = "01.01.2025 - 00:00:00";

    p.random.randomize(5);
    RandomGenerator same;
    same.randomize(5);
    auto expected = std::make_unique<CastleGrid>();
    MineCandidateList c2;
    MineCandidateList w2;
    SCHLOSSBAU(same, *expected, c2, w2);

    std::string startPanel;
    GameState startState;
    p.at(260, [&] {  // after the beep and the first full redraw, before the first tick
        for (int row = 19; row <= 25; ++row)
            startPanel += p.row(row).substr(0, 60) + "|";
        startState = game;
    });
    p.hold(Key::Up, 300, 100000);  // up into the top wall, three times over
    p.press(Key::Digit5, 20000);
    p.setDeadline(30000);
    SPIELRUNDE(p.io, *castle, candidates, workingCopy, game, record);

    EXPECT_EQ(p.beepTimes().front(), 0);
    EXPECT_EQ(p.beeps(), 1 + 3 * 3);
    EXPECT_EQ(startState.room, 1);
    EXPECT_EQ(startState.points, 0);
    EXPECT_EQ(startState.lives, 3);
    EXPECT_EQ(startState.breathers, 3);
    EXPECT_EQ(startState.digitsLeft, 20000);
    EXPECT_EQ(startState.extraLifeAt, 2500);
    EXPECT_EQ(startState.playerRow, 3);
    EXPECT_EQ(startState.playerColumn, 2);
    EXPECT_EQ(startState.endDateTime, "01.01.2025 - 00:00:00");
    const std::string blank60(60, ' ');
    EXPECT_EQ(startPanel,
              "Punkte: 0                 Raum: 1                           |" + blank60 + "|" +
                  "Leben:  3                 verbliebene Zahlen: 20000         |" + blank60 + "|" +
                  "Extra-Leben bei: 2500     Pausen: 3                         |" + blank60 + "|" +
                  "         Punkterekord: 321                                  |");

    // The digit above the start was collected on the first way up; the rest is as built.
    const std::int32_t firstDigit = expected->at(1, 1, 1);
    EXPECT_EQ(game.points, firstDigit);
    EXPECT_EQ(game.digitsLeft, 19999);
    EXPECT_EQ(castle->at(1, 1, 1), kEmpty);
    expected->at(1, 1, 1) = kEmpty;
    int differing = 0;
    for (int room = 0; room <= 100; ++room) {
        for (int row = 0; row < 17; ++row) {
            for (int column = 0; column < 51; ++column) {
                if (castle->at(row, column, room) != expected->at(row, column, room)) ++differing;
            }
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(game.endDateTime, "05.03.2026 - 21:07:03");
    EXPECT_TRUE(p.showsText("# Spiel vorbei - Du hast kein Leben mehr #"));
}

// Every wait ends 3 ms late, as on a loaded machine.
class LatePlatform : public VirtualPlatform {
  public:
    void waitForEvents(double timeoutMs, std::vector<InputEvent>& out) override {
        VirtualPlatform::waitForEvents(timeoutMs > 0 ? timeoutMs + 3 : timeoutMs, out);
    }
};

TEST(PlayLoopPace, EveryTickIsAPlainWaitOf90MsEvenWhenWaitsEndLate) {
    LatePlatform p;
    auto castle = std::make_unique<CastleGrid>();
    for (int column = 0; column <= 50; ++column) {
        castle->at(0, column, 1) = kWall;
        castle->at(16, column, 1) = kWall;
    }
    std::int32_t record = 0;
    GameState game;
    setGameStartValues(game);
    RAUMANZEIGE(p.io, *castle, game, record);
    p.hold(Key::Right, 0, 100);
    p.setDeadline(1000);
    EXPECT_THROW(runTicks(p.io, *castle, game, record), std::runtime_error);
    EXPECT_GE(game.playerColumn, 10);  // walking all along
    ASSERT_GE(p.sleeps().size(), 10U);
    for (double ms : p.sleeps())
        EXPECT_EQ(ms, 90);
}

}  // namespace
}  // namespace numerion
