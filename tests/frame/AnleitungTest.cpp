// The instructions screen, read back cell by cell on the virtual platform.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "console/RunTimeError.h"
#include "frame/Anleitung.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

std::string padded(std::string text) {
    text.resize(TextConsole::kColumns, ' ');
    return text;
}

// The screen as the player should see it, row by row (index 0 unused).
std::array<std::string, 36> expectedRows() {
    const std::string shade(1, '\xB2');
    std::array<std::string, 36> rows;
    rows[3] = std::string(10, ' ') + std::string(57, '\xB2');
    rows[4] = std::string(10, ' ') + shade + std::string(55, ' ') + shade;
    rows[5] = std::string(10, ' ') + shade + std::string(21, ' ') + "NUMERION" +
              std::string(26, ' ') + shade;
    rows[6] = rows[4];
    rows[7] = rows[3];
    rows[10] = " Der grosse Zahlenmagier Numerion begab sich eines Tages mit einem Wollsack";
    rows[11] = " voller Zahlen in sein Schloss. Leider hatte der alte Wollsack viele Loecher.";
    rows[12] = " So kam es, dass eine Zahl nach der anderen herausplumste und sich die ganzen";
    rows[13] = " Zahlen im Schloss verteilten.";
    rows[14] = " Deine Aufgabe als Zauberlehrling von Numerion besteht nun darin die gesamten";
    rows[15] = " verlorenen Zahlen im ganzen Schloss einzusammeln.";
    rows[16] = " Numerion hatte im Schloss zu allem Uebel auch noch Minen verteilt,um";
    rows[17] = " umliebsame Einbrecher abzuhalten. Gib acht vor diesen Minen !";
    rows[18] = " Dabei kannst Du ueber Ausgaenge zwischen den 100 Raeumen wechseln.";
    rows[19] = " Aller 2500 Punkte bekommst Du ein Extra-Leben.";
    rows[20] = " Im Spiel kannst Du 3 mal eine Verschnaufpause einlegen.";
    rows[23] = "    \x01   : Zauberlehrling  - Steuerung mit Pfeiltasten";
    rows[24] = "                          - Verschnaufpause mit Leertaste";
    rows[26] = "    1-9 : Zahlen zum Einsmmeln, bringen 1-9 Punkte";
    rows[28] = "    \x0F   : Mine";
    rows[30] = "    \xB2   : Raumwaende sollten nicht beruehrt werden";
    rows[35] = " << mit Leertaste geht es zurueck >>";
    for (int r = 1; r <= 35; ++r)
        rows[r] = padded(rows[r]);
    return rows;
}

// The colour a cell should carry: the legend glyphs in the game's colours, the text behind
// them and the last line in light grey, everything else in the colours in force before.
std::uint16_t expectedAttr(int row, int column, std::uint16_t before) {
    if (row == 28 && column <= 5) return 5;
    if (row == 28 && column <= 14) return 7;
    if (row == 30 && column <= 5) return 6;
    if (row == 30 && column <= 50) return 7;
    if (row == 35 && column <= 36) return 7;
    return before;
}

class AnleitungTest : public ::testing::Test {
  protected:
    AnleitungTest() { vp.setDeadline(60'000); }

    // Runs the screen, takes a picture of it at pictureAtMs and leaves it with Space at
    // spaceAtMs.
    void runScreen(double pictureAtMs, double spaceAtMs) {
        vp.at(pictureAtMs, [this] {
            picture = vp.screen;
            routineWhileShown = errorContext().routine;
        });
        vp.tap(Key::Space, spaceAtMs);
        SPIELANLEITUNG(vp.io);
    }

    void expectScreenAsLaidOut(std::uint16_t attrBefore) {
        const auto rows = expectedRows();
        for (int r = 1; r <= 35; ++r) {
            EXPECT_EQ(picture.rowText(r), rows[r]) << "row " << r;
            for (int c = 1; c <= TextConsole::kColumns; ++c) {
                EXPECT_EQ(picture.cell(r, c).attr, expectedAttr(r, c, attrBefore))
                    << "row " << r << ", column " << c;
            }
        }
    }

    VirtualPlatform vp;
    TextConsole picture;
    std::string routineWhileShown;
};

TEST_F(AnleitungTest, ShowsEveryRowInTheColoursInForceConsolesOwnFirstThenLightGrey) {
    runScreen(1000, 2000);
    expectScreenAsLaidOut(kConsoleOwnAttr);
    // The last line leaves a line feed pending, which must not have scrolled the screen.
    EXPECT_TRUE(picture.lineFeedPending());
    runScreen(3000, 4000);
    expectScreenAsLaidOut(7);
}

TEST_F(AnleitungTest, LeavesOnSpaceClearedLightGreyAndNamedInTheErrorReportOnlyWhileShown) {
    errorContext().routine = "";
    runScreen(1000, 2000);
    EXPECT_EQ(routineWhileShown, "SPIELANLEITUNG");
    EXPECT_STREQ(errorContext().routine, "");

    EXPECT_GE(vp.nowMs(), 2000);
    for (int r = 1; r <= 35; ++r) {
        EXPECT_EQ(vp.row(r), std::string(80, ' ')) << "row " << r;
        EXPECT_EQ(vp.screen.cell(r, 1).attr, 7) << "row " << r;
    }
    EXPECT_EQ(vp.screen.cursorRow(), 1);
    EXPECT_EQ(vp.screen.cursorColumn(), 1);
    EXPECT_FALSE(vp.screen.lineFeedPending());
    EXPECT_EQ(vp.screen.attributeInForce(), 7);
    EXPECT_EQ(vp.keys.readKey(), "") << "the Space that ended the screen is taken";
}

TEST_F(AnleitungTest, ASpaceTypedBeforeTheScreenOpenedDoesNotCloseIt) {
    vp.type(' ', 0);
    vp.type(' ', 0);
    runScreen(1000, 5000);
    EXPECT_GE(vp.nowMs(), 5000);
    EXPECT_EQ(picture.rowText(35), expectedRows()[35]);
}

TEST_F(AnleitungTest, SwallowsEveryOtherKeyWhileShown) {
    vp.tap(Key::Up, 500);
    vp.tap(Key::Enter, 600);
    vp.tap(Key::Escape, 700);
    vp.tap(Key::Digit2, 800);
    vp.type(keycode::function(1), 900);
    vp.type('x', 1000);
    runScreen(3000, 5000);
    EXPECT_GE(vp.nowMs(), 5000);
    expectScreenAsLaidOut(kConsoleOwnAttr);
    EXPECT_EQ(vp.keys.readKey(), "");
}

TEST_F(AnleitungTest, WaitsForKeysWithoutPollingTheBufferInALoop) {
    runScreen(1000, 10'000);
    // Each look that finds nothing hands the processor back until input arrives.
    EXPECT_GE(vp.inputWaits(), 1);
    EXPECT_LE(vp.inputWaits(), 40);
}

TEST_F(AnleitungTest, AKeyAfterTheSpaceStaysPendingForTheCaller) {
    vp.type('q', 2001);
    runScreen(1000, 2000);
    vp.keys.sleepMs(10);
    EXPECT_EQ(vp.keys.readKey(), "q");
}

}  // namespace
}  // namespace numerion
