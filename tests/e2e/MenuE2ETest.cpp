// The real program in an 80 x 35 pseudo-terminal: title menu, instructions, and the way out.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

// A mode the program switched on is switched off again after the last time it was switched on.
bool switchedOnAndBack(const std::string& output, std::string_view on, std::string_view off) {
    const std::size_t lastOn = output.rfind(on);
    const std::size_t lastOff = output.rfind(off);
    return lastOn != std::string::npos && lastOff != std::string::npos && lastOff > lastOn;
}

TEST(MenuE2ETest, ShowsTheTitleOpensTheInstructionsAndTheListAndEndsOnKey4RestoringTheTerminal) {
    ScratchDir dir;
    PtyTerminal term({NUMERION_BINARY}, dir.path().string());
    Keyboard keys(term, false);

    // A whole cycle has run once the menu lines stand; the banner is then assembled at the
    // end of every cycle.
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    EXPECT_TRUE(term.altScreen());
    EXPECT_FALSE(term.cursorVisible());
    EXPECT_EQ(term.rowText(16).rfind("     1 = Spielbeginn", 0), 0U) << term.rowText(16);
    EXPECT_EQ(term.rowText(18).rfind("     2 = Anleitung", 0), 0U) << term.rowText(18);
    EXPECT_EQ(term.rowText(20).rfind("     3 = Bestenliste ( Top 100 )", 0), 0U);
    ASSERT_TRUE(term.waitForText(5, "N  N  U  U  M  M  EEEE  RRRR  I  OOOO  N  N", kE2eTimeout))
        << term.screenText();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Highscore.rnk"));

    ASSERT_TRUE(keys.tap('2', [](const PtyTerminal& t) {
        return t.rowText(35).find(" << mit Leertaste geht es zurueck >>") != std::string::npos;
    })) << term.screenText();
    EXPECT_EQ(term.rowText(5).rfind(
                  "          ▓                     NUMERION                          ▓", 0),
              0U)
        << term.rowText(5);
    EXPECT_NE(term.rowText(3).find("▓▓▓"), std::string::npos) << term.rowText(3);
    EXPECT_NE(term.rowText(26).find("1-9 : Zahlen zum Einsmmeln, bringen 1-9 Punkte"),
              std::string::npos);
    // Other keys are swallowed; the screen stays. Nothing shows that, so give them a moment.
    term.send("x4");
    term.pump(500);
    EXPECT_TRUE(term.running());
    EXPECT_NE(term.rowText(35).find("zurueck"), std::string::npos) << term.screenText();

    const Keyboard::Condition inMenu = [](const PtyTerminal& t) {
        return t.rowText(22).find("4 = Spielende") != std::string::npos &&
               t.rowText(35).find("zurueck") == std::string::npos;
    };
    ASSERT_TRUE(keys.tap(' ', inMenu)) << term.screenText();

    // The list of a new file: a hundred places at 0 points; from the menu no own place.
    ASSERT_TRUE(keys.tap('3', [](const PtyTerminal& t) {
        return t.rowText(26).rfind("    10.", 0) == 0;
    })) << term.screenText();
    EXPECT_NE(term.screenText().find("Platz     Punkte           Spielername"), std::string::npos)
        << term.screenText();
    const std::string place1 = term.rowText(8);
    EXPECT_EQ(place1.rfind("    1.         0", 0), 0U) << place1;
    EXPECT_EQ(place1.substr(28, 15), "===============") << place1;
    EXPECT_EQ(term.screenText().find("Dein Platz"), std::string::npos) << term.screenText();
    ASSERT_TRUE(keys.tap(' ', inMenu)) << term.screenText();
    EXPECT_EQ(term.screenText().find("Spielername"), std::string::npos) << term.screenText();

    const int bellsBefore = term.bellCount();
    ASSERT_TRUE(keys.tap('4', leftTheAltScreen)) << term.screenText();
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
    EXPECT_EQ(term.bellCount(), bellsBefore + 1) << "key 4 beeps";
    expectTerminalGivenBack(term);
    const std::string& output = term.output();
    EXPECT_TRUE(switchedOnAndBack(output, "\x1b[?1004h", "\x1b[?1004l")) << "focus reports";
    EXPECT_TRUE(switchedOnAndBack(output, "\x1b[?2004h", "\x1b[?2004l")) << "bracketed paste";
    EXPECT_TRUE(switchedOnAndBack(output, "\x1b[?2026h", "\x1b[?2026l")) << "synchronized output";
}

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

// The title, the notice of a window too small, the instructions, the list and a room, in a
// window larger than the picture: all in the console's colours at the depth the terminal
// type and COLORTERM give, whatever the terminal's own colours are.
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
            return t.screenText().find("Fenster zu klein") == std::string::npos;
        },
        kE2eTimeout))
        << term.screenText();
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));

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
    ASSERT_TRUE(keys.tap('3', [](const PtyTerminal& t) {
        return t.rowText(26).rfind("    10.", 0) == 0;
    })) << term.screenText();
    expectAllBlack(term, depth.colours);
    EXPECT_TRUE(foregroundIs(term.cell(8, 5), 7, depth.colours)) << "place 1";
    ASSERT_TRUE(keys.tap(' ', inMenu)) << term.screenText();

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
