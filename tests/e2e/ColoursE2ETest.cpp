// The real program's screens in the console's colours at each colour depth a terminal gives,
// never in the terminal's own.

#include <gtest/gtest.h>

#include <string>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

// Every cell of the window, the picture and the space around it, in the game's black; none in
// the terminal's own colours, a glyph's foreground neither.
void expectAllBlack(const PtyTerminal& term, int colours) {
    int wrong = 0;
    for (int row = 1; row <= term.rows(); ++row) {
        for (int column = 1; column <= term.columns(); ++column) {
            const CellLook look = term.cell(row, column);
            const bool ok = backgroundIs(look, 0, colours) && look.foreground != -1;
            if (!ok && ++wrong <= 5) {
                ADD_FAILURE() << "row " << row << ", column " << column << ": '" << look.text
                              << "' fg " << look.foreground << " bg " << look.background;
            }
        }
    }
    EXPECT_EQ(wrong, 0) << term.screenText();
}

class ColoursE2ETest : public ::testing::TestWithParam<ColourDepth> {};

// The title, the notice of a window too small, the instructions and a room, in a window larger
// than the picture: all in the console's colours at the depth the terminal type and COLORTERM
// give, whatever the terminal's own colours are. The list is drawn like the other screens' text
// and one of its styles takes seconds to draw a page: it is looked at once, at 256 colours.
TEST_P(ColoursE2ETest, EveryScreenIsDrawnInTheConsolesColoursNeverInTheTerminalsOwn) {
    const ColourDepth& depth = GetParam();
    ScratchDir dir;
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.rows = 38;
    options.columns = 90;
    options.term = depth.term;
    if (depth.colorTerm) options.extraEnv.push_back(std::string("COLORTERM=") + depth.colorTerm);
    PtyTerminal term({NUMERION_BINARY}, options);
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    expectAllBlack(term, depth.colours);
    EXPECT_TRUE(foregroundIs(term.cell(16, 6), 7, depth.colours));  // "1 = Spielbeginn"

    term.resize(30, 70);
    ASSERT_TRUE(term.waitForText(30, "Zeichen vergroessern", kE2eTimeout)) << term.screenText();
    expectAllBlack(term, depth.colours);
    term.resize(38, 90);
    ASSERT_TRUE(term.waitFor(
        [](const PtyTerminal& t) {
            return t.screenText().find("Fenster zu klein") == std::string::npos &&
                   t.rowText(22).find("4 = Spielende") != std::string::npos;
        },
        kE2eTimeout))
        << term.screenText();

    ASSERT_TRUE(keys.tap('2', [](const PtyTerminal& t) {
        return t.rowText(35).find("zurueck") != std::string::npos;
    })) << term.screenText();
    expectAllBlack(term, depth.colours);
    EXPECT_TRUE(foregroundIs(term.cell(28, 5), 5, depth.colours)) << "the legend's mine";
    EXPECT_TRUE(foregroundIs(term.cell(30, 5), 6, depth.colours)) << "the legend's wall";
    EXPECT_TRUE(foregroundIs(term.cell(28, 11), 7, depth.colours)) << "Mine";
    EXPECT_TRUE(foregroundIs(term.cell(35, 5), 7, depth.colours));
    EXPECT_TRUE(foregroundIs(term.cell(5, 11), 7, depth.colours)) << "the frame";

    const Keyboard::Condition inMenu = [](const PtyTerminal& t) {
        return t.rowText(22).find("4 = Spielende") != std::string::npos &&
               t.rowText(35).find("zurueck") == std::string::npos;
    };
    ASSERT_TRUE(keys.tap(' ', inMenu)) << term.screenText();
    if (depth.colours == 256) {
        ASSERT_TRUE(keys.tap('3', [](const PtyTerminal& t) {
            return t.rowText(26).rfind("    10.", 0) == 0;
        })) << term.screenText();
        expectAllBlack(term, depth.colours);
        EXPECT_TRUE(foregroundIs(term.cell(8, 5), 7, depth.colours)) << "place 1";
        ASSERT_TRUE(keys.tap(' ', inMenu)) << term.screenText();
    }

    ASSERT_NO_FATAL_FAILURE(startGame(term, keys));
    int digits = 0;
    int mines = 0;
    expectRoomDrawn(term, digits, mines, depth.colours);
    EXPECT_EQ(digits, 200);
    EXPECT_EQ(mines, 15);
    expectAllBlack(term, depth.colours);
}

INSTANTIATE_TEST_SUITE_P(Depths, ColoursE2ETest, ::testing::ValuesIn(kDepths),
                         [](const ::testing::TestParamInfo<ColourDepth>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace numerion::e2e
