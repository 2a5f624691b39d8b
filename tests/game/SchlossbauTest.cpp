#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "console/RandomGenerator.h"
#include "game/Castle.h"
#include "game/Schlossbau.h"

namespace numerion {
namespace {

constexpr double kJustBelowOne = 1.0 - 1.0 / 4294967296.0;  // the largest draw there is

struct Castle {
    // The grid is large; keep it off the stack of the test.
    std::unique_ptr<CastleGrid> grid = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;

    void build(const UnitDraw& draw) { SCHLOSSBAU(draw, *grid, candidates, workingCopy); }
    void build(RandomGenerator& random) { SCHLOSSBAU(random, *grid, candidates, workingCopy); }
    std::int32_t at(int row, int column, int room) const { return grid->at(row, column, room); }
};

bool isDigitCell(int row, int column) {
    return row % 2 == 1 && column % 2 == 1;
}
bool isMineCandidate(int row, int column) {
    return row >= 2 && row <= 14 && column >= 2 && column <= 48 && !isDigitCell(row, column);
}

std::vector<std::pair<int, int>> minesOf(const Castle& castle, int room) {
    std::vector<std::pair<int, int>> mines;
    for (int row = 0; row < CastleGrid::kRows; ++row) {
        for (int column = 0; column < CastleGrid::kColumns; ++column) {
            if (castle.at(row, column, room) == kMine) mines.emplace_back(row, column);
        }
    }
    return mines;
}

// Openings of one wall of a room: the positions along it that hold 0.
std::vector<int> openingsInRow(const Castle& castle, int room, int row) {
    std::vector<int> found;
    for (int column = 0; column < CastleGrid::kColumns; ++column) {
        if (castle.at(row, column, room) == kEmpty) found.push_back(column);
    }
    return found;
}
std::vector<int> openingsInColumn(const Castle& castle, int room, int column) {
    std::vector<int> found;
    for (int row = 0; row < CastleGrid::kRows; ++row) {
        if (castle.at(row, column, room) == kEmpty) found.push_back(row);
    }
    return found;
}

TEST(Schlossbau, CandidateListHoldsTheCandidateCellsAsRowDashColumnTextsInRowOrder) {
    Castle castle;
    castle.build([] { return 0.0; });
    EXPECT_EQ(castle.candidates.at(0), "2-2");
    EXPECT_EQ(castle.candidates.at(46), "2-48");
    EXPECT_EQ(castle.candidates.at(47), "3-2");
    EXPECT_EQ(castle.candidates.at(48), "3-4");
    EXPECT_EQ(castle.candidates.at(472), "14-48");
    std::set<std::string> distinct;
    for (int i = 0; i < MineCandidateList::kSize; ++i)
        distinct.insert(castle.candidates.at(i));
    EXPECT_EQ(distinct.size(), 473U);
}

// A generator stuck at one value: every draw picks the same index of its range.
struct ExtremeDraws {
    const char* name;
    double u;
    std::int32_t digit;
    int doorColumn;  // of every downward door
    int doorRow;     // of every rightward door
    std::vector<std::pair<int, int>> mines;
};

class SchlossbauExtremes : public ::testing::TestWithParam<ExtremeDraws> {};

TEST_P(SchlossbauExtremes, GiveTheSameDigitDoorsAndMinesInEveryRoom) {
    const ExtremeDraws& draws = GetParam();
    Castle castle;
    castle.build([u = draws.u] { return u; });
    const std::vector<int> down{draws.doorColumn};
    const std::vector<int> side{draws.doorRow};
    const std::vector<int> none;
    for (int room = 1; room <= 100; ++room) {
        for (int row = 1; row <= 15; row += 2) {
            for (int column = 1; column <= 49; column += 2)
                ASSERT_EQ(castle.at(row, column, room), draws.digit) << room;
        }
        EXPECT_EQ(minesOf(castle, room), draws.mines) << "room " << room;
        // Outer walls of the square have no door.
        EXPECT_EQ(openingsInRow(castle, room, 16), room <= 90 ? down : none) << room;
        EXPECT_EQ(openingsInRow(castle, room, 0), room > 10 ? down : none) << room;
        EXPECT_EQ(openingsInColumn(castle, room, 50), room % 10 != 0 ? side : none) << room;
        EXPECT_EQ(openingsInColumn(castle, room, 0), room % 10 != 1 ? side : none) << room;
    }
}

std::vector<std::pair<int, int>> withRow14From(int column, std::vector<std::pair<int, int>> mines) {
    for (; column <= 48; ++column)
        mines.emplace_back(14, column);
    return mines;
}

// Index 0 each time takes entry 0, then the entries moved into its place: the last 14 of the
// list. Index n - 1 each time takes the last 15 entries. Floor, not rounding: u x 9 stays < 9.
INSTANTIATE_TEST_SUITE_P(Draws, SchlossbauExtremes,
                         ::testing::Values(ExtremeDraws{"AllZero", 0.0, 1, 1, 1,
                                                        withRow14From(35, {{2, 2}})},
                                           ExtremeDraws{"JustBelowOne", kJustBelowOne, 9, 49, 15,
                                                        withRow14From(34, {})}),
                         [](const auto& info) { return std::string(info.param.name); });

using Cells = std::vector<std::pair<int, int>>;

// The castle of seed 7 in fixed cells: a change to the order or the number of the draws, to the
// doors or to the picking of the mines moves them.
TEST(Schlossbau, TakesItsDraws21680TimesAndSeed7BuildsTheSameCastleAsEver) {
    RandomGenerator random;
    random.randomize(7);
    Castle castle;
    int draws = 0;
    castle.build([&] {
        ++draws;
        return random.rnd(1.0F);
    });
    EXPECT_EQ(draws, 21680);

    // The first two digits of room 1 and the last of room 100.
    EXPECT_EQ(castle.at(1, 1, 1), 5);
    EXPECT_EQ(castle.at(1, 3, 1), 6);
    EXPECT_EQ(castle.at(15, 49, 100), 2);
    EXPECT_EQ(openingsInRow(castle, 1, 16), std::vector<int>{9});
    EXPECT_EQ(openingsInColumn(castle, 1, 50), std::vector<int>{5});
    EXPECT_EQ(openingsInRow(castle, 2, 16), std::vector<int>{29});
    EXPECT_EQ(openingsInColumn(castle, 2, 50), std::vector<int>{9});
    EXPECT_EQ(openingsInRow(castle, 100, 0), std::vector<int>{30});
    EXPECT_EQ(openingsInColumn(castle, 100, 0), std::vector<int>{10});
    EXPECT_EQ(minesOf(castle, 1), (Cells{{2, 6},
                                         {4, 5},
                                         {6, 27},
                                         {6, 31},
                                         {8, 24},
                                         {8, 28},
                                         {8, 41},
                                         {9, 24},
                                         {10, 3},
                                         {10, 18},
                                         {12, 8},
                                         {12, 27},
                                         {12, 34},
                                         {12, 42},
                                         {14, 18}}));
    EXPECT_EQ(minesOf(castle, 100), (Cells{{4, 20},
                                           {5, 16},
                                           {6, 6},
                                           {6, 41},
                                           {6, 48},
                                           {8, 4},
                                           {8, 9},
                                           {8, 17},
                                           {9, 18},
                                           {10, 47},
                                           {11, 42},
                                           {12, 13},
                                           {13, 2},
                                           {13, 40},
                                           {14, 18}}));
}

TEST(Schlossbau, EveryRoomOfARealCastleHasItsDigitsMinesClosedRingAndOneDoorPerNeighbour) {
    RandomGenerator random;
    random.randomize(1234);
    Castle castle;
    castle.build(random);

    int digitsInCastle = 0;
    for (int room = 1; room <= 100; ++room) {
        int digits = 0;
        int mines = 0;
        for (int row = 0; row < CastleGrid::kRows; ++row) {
            for (int column = 0; column < CastleGrid::kColumns; ++column) {
                const std::int32_t code = castle.at(row, column, room);
                const bool ring = row == 0 || row == 16 || column == 0 || column == 50;
                if (isDigitCell(row, column)) {
                    ASSERT_GE(code, 1);
                    ASSERT_LE(code, 9);
                    ++digits;
                } else if (code == kMine) {
                    ASSERT_TRUE(isMineCandidate(row, column)) << row << "," << column;
                    ++mines;
                } else if (ring) {
                    ASSERT_TRUE(code == kWall || code == kEmpty);
                } else {
                    ASSERT_EQ(code, kEmpty) << room << ":" << row << "," << column;
                }
            }
        }
        EXPECT_EQ(digits, 200);
        EXPECT_EQ(mines, 15);
        digitsInCastle += digits;

        for (auto [row, column] : {std::pair{0, 0}, {0, 50}, {16, 0}, {16, 50}}) {
            EXPECT_EQ(castle.at(row, column, room), kWall);
        }
        EXPECT_EQ(castle.at(2, 1, room), kEmpty) << "start cell of room " << room;

        const bool top = room <= 10, bottom = room > 90;
        const bool left = room % 10 == 1, right = room % 10 == 0;
        EXPECT_EQ(openingsInRow(castle, room, 0).size(), top ? 0U : 1U) << room;
        EXPECT_EQ(openingsInRow(castle, room, 16).size(), bottom ? 0U : 1U) << room;
        EXPECT_EQ(openingsInColumn(castle, room, 0).size(), left ? 0U : 1U) << room;
        EXPECT_EQ(openingsInColumn(castle, room, 50).size(), right ? 0U : 1U) << room;
        if (!bottom) {
            EXPECT_EQ(openingsInRow(castle, room, 16), openingsInRow(castle, room + 10, 0));
        }
        if (!right) {
            EXPECT_EQ(openingsInColumn(castle, room, 50), openingsInColumn(castle, room + 1, 0));
        }
    }
    EXPECT_EQ(digitsInCastle, 20000);
    for (int row = 0; row < CastleGrid::kRows; ++row) {
        for (int column = 0; column < CastleGrid::kColumns; ++column) {
            ASSERT_EQ(castle.at(row, column, 0), kEmpty) << "room 0 stays empty";
        }
    }
}

TEST(Schlossbau, TwoGamesInARowGetDifferentCastlesAndTheSameSeedTheSameCastle) {
    RandomGenerator random;
    random.randomize(99);
    Castle first;
    Castle second;
    first.build(random);
    second.build(random);

    RandomGenerator again;
    again.randomize(99);
    Castle replayed;
    replayed.build(again);

    int differing = 0;
    int mismatched = 0;
    for (int room = 0; room <= 100; ++room) {
        for (int row = 0; row < CastleGrid::kRows; ++row) {
            for (int column = 0; column < CastleGrid::kColumns; ++column) {
                if (first.at(row, column, room) != second.at(row, column, room)) ++differing;
                if (first.at(row, column, room) != replayed.at(row, column, room)) ++mismatched;
            }
        }
    }
    EXPECT_GT(differing, 1000);
    EXPECT_EQ(mismatched, 0);
}

TEST(Schlossbau, ANewCastleLeavesNothingOfThePreviousGame) {
    Castle castle;
    castle.build([] { return 0.0; });
    castle.grid->at(5, 5, 0) = 7;  // even room 0 is cleared
    castle.grid->at(2, 1, 3) = kMine;
    castle.build([] { return kJustBelowOne; });
    EXPECT_EQ(castle.at(5, 5, 0), kEmpty);
    EXPECT_EQ(castle.at(2, 1, 3), kEmpty);
    EXPECT_EQ(castle.at(2, 2, 3), kEmpty) << "the old mine of the all-zero castle is gone";
    EXPECT_EQ(castle.at(16, 1, 3), kWall) << "the old door is closed again";
}

using CastleGridDeathTest = ::testing::Test;

TEST(CastleGridDeathTest, AnIndexOutsideTheGridEndsTheProgramWithError6) {
    auto grid = std::make_unique<CastleGrid>();
    EXPECT_EXIT(grid->at(17, 0, 1), ::testing::ExitedWithCode(6), "out of bounds array access");
    EXPECT_EXIT(grid->at(0, 51, 1), ::testing::ExitedWithCode(6), "out of bounds array access");
    EXPECT_EXIT(grid->at(0, 0, 101), ::testing::ExitedWithCode(6),
                "error 6 .* at line 310 of Numerion::\\(\\)");
    EXPECT_EXIT(grid->at(-1, 0, 1), ::testing::ExitedWithCode(6), "out of bounds array access");
    MineCandidateList list;
    EXPECT_EXIT(list.at(473), ::testing::ExitedWithCode(6),
                "error 6 .* at line 320 of Numerion::\\(\\)");
    EXPECT_EXIT(list.at(-1), ::testing::ExitedWithCode(6), "out of bounds array access");
}

TEST(CastleGrid, TheLastIndexOfEveryDimensionIsInside) {
    auto grid = std::make_unique<CastleGrid>();
    grid->at(16, 50, 100) = kWall;
    EXPECT_EQ(grid->at(16, 50, 100), kWall);
    EXPECT_EQ(grid->at(0, 0, 0), kEmpty);
    MineCandidateList list;
    list.at(472) = "14-48";
    EXPECT_EQ(list.at(472), "14-48");
}

}  // namespace
}  // namespace numerion
