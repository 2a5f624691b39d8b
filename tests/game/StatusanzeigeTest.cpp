#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "console/TextConsole.h"
#include "game/Castle.h"
#include "game/Schlossbau.h"
#include "game/Spielrunde.h"
#include "game/Statusanzeige.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

class Panel : public ::testing::Test {
  protected:
    void SetUp() override {
        screen.setSize(80, 35);
        screen.clear();
        setGameStartValues(game);
    }
    std::string text(int row, int column, std::size_t length) const {
        return screen.rowText(row).substr(static_cast<std::size_t>(column - 1), length);
    }
    char at(int row, int column) const { return static_cast<char>(screen.cell(row, column).ch); }

    TextConsole screen;
    GameState game;
    std::int32_t record = 0;
};

TEST_F(Panel, EveryValueStandsOneBlankBehindItsLabelInTheColoursInForce) {
    game.points = 1;
    game.lives = 2;
    game.room = 3;
    game.digitsLeft = 4;
    game.extraLifeAt = 5;
    game.breathers = 6;
    record = 7;
    screen.setColor(7, 0);
    STATUSANZEIGE(screen, game, record);
    EXPECT_EQ(screen.cell(19, 1).attr, 7);
    EXPECT_EQ(screen.cell(25, 24).attr, 7);
    EXPECT_EQ(at(19, 9), '1');
    EXPECT_EQ(at(21, 9), '2');
    EXPECT_EQ(at(19, 33), '3');
    EXPECT_EQ(at(21, 47), '4');
    EXPECT_EQ(at(23, 18), '5');
    EXPECT_EQ(at(23, 35), '6');
    EXPECT_EQ(at(25, 24), '7');
    EXPECT_EQ(text(21, 1, 9), "Leben:  2");
    EXPECT_EQ(text(25, 1, 24), "         Punkterekord: 7");
    for (int row : {18, 20, 22, 24, 26})
        EXPECT_EQ(screen.rowText(row), std::string(80, ' '));
}

TEST_F(Panel, ValuesThatGetShorterLeaveNoStrayDigits) {
    game.digitsLeft = 10000;
    game.room = 100;
    game.lives = 10;
    STATUSANZEIGE(screen, game, record);
    game.digitsLeft = 9999;
    game.room = 99;
    game.lives = 9;
    drawDigitsLeftLine(screen, game);
    drawRoomLine(screen, game);
    drawLivesLine(screen, game);
    EXPECT_EQ(text(21, 27, 27), "verbliebene Zahlen: 9999   ");
    EXPECT_EQ(text(19, 27, 12), "Raum: 99    ");
    EXPECT_EQ(text(21, 1, 14), "Leben:  9     ");

    game.room = 10;
    drawRoomLine(screen, game);
    game.room = 9;
    drawRoomLine(screen, game);
    EXPECT_EQ(text(19, 27, 12), "Raum: 9     ");
}

TEST_F(Panel, ARecordOfZeroPointsShowsAsZero) {
    STATUSANZEIGE(screen, game, record);
    EXPECT_EQ(text(25, 10, 16), "Punkterekord: 0 ");
}

class RoomDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        screen.setSize(80, 35);
        screen.clear();
        RandomGenerator random;
        random.randomize(3);
        SCHLOSSBAU(random, *castle, candidates, workingCopy);
    }
    TextConsole screen;
    std::unique_ptr<CastleGrid> castle = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;
};

TEST_F(RoomDisplay, EveryCellShowsItsGlyphInItsColourAtRowPlusOneColumnPlusOne) {
    const int room = 45;
    drawRoom(screen, *castle, room);
    int mines = 0;
    for (int row = 0; row < 17; ++row) {
        for (int column = 0; column < 51; ++column) {
            const std::int32_t code = castle->at(row, column, room);
            const Cell& cell = screen.cell(row + 1, column + 1);
            if (code == kWall) {
                ASSERT_EQ(cell.ch, 178);
                ASSERT_EQ(cell.attr, 6);
            } else if (code == kMine) {
                ASSERT_EQ(cell.ch, 15);
                ASSERT_EQ(cell.attr, 5);
                ++mines;
            } else if (code == kEmpty) {
                ASSERT_EQ(cell.ch, ' ');
                ASSERT_EQ(cell.attr, 7);
            } else {
                ASSERT_EQ(cell.ch, '0' + code);
                ASSERT_EQ(cell.attr, 7);
            }
        }
        EXPECT_EQ(screen.rowText(row + 1).substr(51), std::string(29, ' '));
    }
    EXPECT_EQ(mines, 15);
    EXPECT_EQ(screen.cell(2, 2).ch, '0' + castle->at(1, 1, room));
    EXPECT_EQ(screen.rowText(18), std::string(80, ' '));
    EXPECT_EQ(screen.cursorRow(), 19);
    EXPECT_EQ(screen.cursorColumn(), 1);
    EXPECT_EQ(screen.attributeInForce(), 7);
}

TEST_F(RoomDisplay, TheFullRedrawClearsAndShowsRoomPanelAndApprenticeStandingStill) {
    VirtualPlatform p;
    GameState game;
    setGameStartValues(game);
    game.room = 12;
    game.direction = Direction::Left;
    std::int32_t record = 0;
    record = 250;
    p.screen.locate(30, 1);
    p.screen.printText("left over");
    RAUMANZEIGE(p.io, *castle, game, record);
    EXPECT_EQ(game.direction, Direction::Standing);
    EXPECT_EQ(p.cellChar(3, 2), 1);
    EXPECT_EQ(p.cellChar(1, 1), 178);
    EXPECT_EQ(p.row(19).substr(26, 8), "Raum: 12");
    EXPECT_EQ(p.row(25).substr(9, 17), "Punkterekord: 250");
    EXPECT_EQ(p.row(30), std::string(80, ' '));
}

}  // namespace
}  // namespace numerion
