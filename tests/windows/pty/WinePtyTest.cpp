// numerion.exe under plain wine in a pseudo-terminal, read back through libvterm. Wine's console
// fed from a terminal hands the program every key as a key-down record with its key-up right
// behind it, as a Windows pseudo console does for a terminal without win32-input-mode (SSH
// sessions, most terminals): the game must be playable with taps alone. And the terminal keeps
// its size, as a pseudo console's terminal does: one smaller than 80 x 35 gets the notice.
//
// The program and the wine wrapper come from the environment: NUMERION_WINDOWS_EXE and
// NUMERION_WINE_RUN (tests/windows/wine-run.sh).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        ADD_FAILURE() << name << " is not set";
        return "false";
    }
    return value;
}

// Wine in the terminal alone: without an X display it opens no window of its own.
std::vector<std::string> wineCommand() {
    return {"env", "-u", "DISPLAY", fromEnvironment("NUMERION_WINE_RUN"),
            fromEnvironment("NUMERION_WINDOWS_EXE")};
}

PtyTerminal::Options terminalOf(const ScratchDir& dir, int columns, int rows) {
    PtyTerminal::Options options;
    options.workingDir = dir.path().string();
    options.columns = columns;
    options.rows = rows;
    options.captureStderr = true;
    return options;
}

int roomShown(const PtyTerminal& term) {
    return numberAfter(term.rowText(19), "Raum:");
}

bool apprenticeShown(const PtyTerminal& term) {
    for (int row = 1; row <= 17; ++row)
        if (term.rowText(row).find("☺") != std::string::npos) return true;
    return false;
}

// Taps Down until the last life is gone. From the start (row 3, column 2) Down collects the
// digits of column 2 and runs into the bottom wall, or through an opening into the room below,
// where it stands still; a life lost puts the apprentice back at the start of its room.
void tapDownUntilTheLastLifeIsGone(PtyTerminal& term, Keyboard& keys) {
    for (int taps = 0; livesShown(term) > 0; ++taps) {
        ASSERT_LT(taps, 30) << term.screenText();
        const int lives = livesShown(term);
        const int room = roomShown(term);
        ASSERT_TRUE(keys.tapArrow('B', [lives, room](const PtyTerminal& t) {
            return livesShown(t) < lives || roomShown(t) != room;
        })) << term.screenText();
        if (livesShown(term) == lives - 1 && livesShown(term) > 0) {
            ASSERT_TRUE(term.waitFor(apprenticeAtStart, kE2eTimeout)) << term.screenText();
        } else if (livesShown(term) == lives) {
            ASSERT_TRUE(term.waitFor(apprenticeShown, kE2eTimeout)) << term.screenText();
        }
    }
    ASSERT_TRUE(term.waitForText(29, "# Spiel vorbei - Du hast kein Leben mehr #", kE2eTimeout))
        << term.screenText();
    ASSERT_TRUE(term.waitForText(32, "Druecke Taste 5 zur Fortsetzung!", kE2eTimeout));
}

// Walks the name grid's highlight to a cell with taps, each of which must move it by exactly
// one cell (rows 2 apart, columns 4 apart), however close together press and release came.
void tapHighlightTo(PtyTerminal& term, Keyboard& keys, int row, int column) {
    std::pair<int, int> at = findHighlight(term);
    bool lastVertical = false;
    while (at != std::pair{row, column}) {
        const bool vertical = at.first != row && (at.second == column || !lastVertical);
        char arrow = 0;
        std::pair<int, int> next = at;
        if (vertical) {
            arrow = at.first < row ? 'B' : 'A';
            next.first += at.first < row ? 2 : -2;
        } else {
            arrow = at.second < column ? 'C' : 'D';
            next.second += at.second < column ? 4 : -4;
        }
        ASSERT_TRUE(keys.tapArrow(arrow, [at](const PtyTerminal& t) {
            return findHighlight(t).first != 0 && findHighlight(t) != at;
        })) << term.screenText();
        // A second move would come at the screen's next look, 80 ms on; nothing else shows it.
        term.pump(200);
        ASSERT_EQ(findHighlight(term), next) << "one tap, one cell\n" << term.screenText();
        at = next;
        lastVertical = vertical;
    }
}

TEST(WinePtyTest, TapsOpenTheInstructionsGoBackAndEndTheProgram) {
    ScratchDir dir;
    PtyTerminal term(wineCommand(), terminalOf(dir, 80, 35));
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    ASSERT_TRUE(term.waitForText(5, "N  N  U  U  M  M  EEEE  RRRR  I  OOOO  N  N", kE2eTimeout))
        << term.screenText();

    ASSERT_TRUE(keys.tap('2', [](const PtyTerminal& t) {
        return t.rowText(35).find(" << mit Leertaste geht es zurueck >>") != std::string::npos;
    })) << term.screenText();
    EXPECT_NE(term.rowText(26).find("1-9 : Zahlen zum Einsmmeln, bringen 1-9 Punkte"),
              std::string::npos)
        << term.screenText();
    ASSERT_TRUE(keys.tap(' ', [](const PtyTerminal& t) {
        return t.rowText(22).find("4 = Spielende") != std::string::npos &&
               t.rowText(35).find("zurueck") == std::string::npos;
    })) << term.screenText();
    ASSERT_TRUE(keys.tap('4', [&term](const PtyTerminal&) { return !term.running(); }))
        << term.screenText();
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
    EXPECT_EQ(term.errorOutput(), "");
}

TEST(WinePtyTest, AWholeGameWithTapsEndsInTheListAndTheSavedFile) {
    ScratchDir dir;
    PtyTerminal term(wineCommand(), terminalOf(dir, 80, 35));
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    const std::vector<char> before = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(before.size(), 4400U);

    ASSERT_NO_FATAL_FAILURE(startGame(term, keys));
    ASSERT_NO_FATAL_FAILURE(tapDownUntilTheLastLifeIsGone(term, keys));
    const int points = pointsShown(term);
    EXPECT_GT(points, 0) << "the digits of column 2";

    ASSERT_NO_FATAL_FAILURE(continueToNameEntry(term, keys));
    // A held arrow as a terminal sends it: its repeats, each one a press and its release. Each
    // look of the screen (every 80 ms) that finds a new press moves the highlight once more.
    for (int repeat = 0; repeat < 10; ++repeat) {
        term.send("\x1b[B");
        term.pump(40);
    }
    term.pump(300);
    const int heldMoves = (findHighlight(term).first - 14) / 2;
    std::printf("held Down for 400 ms, a repeat every 40 ms: %d moves of the highlight\n",
                heldMoves);
    EXPECT_GE(heldMoves, 2) << "a held key moves on while its repeats come";
    ASSERT_NO_FATAL_FAILURE(tapHighlightTo(term, keys, 22, 37));  // A
    ASSERT_TRUE(keys.tap('\r', [](const PtyTerminal& t) { return t.cell(33, 25).text == "A"; }))
        << term.screenText();
    ASSERT_NO_FATAL_FAILURE(tapHighlightTo(term, keys, 30, 41));  // END
    ASSERT_TRUE(keys.tap('\r', [points](const PtyTerminal& t) {
        return t.rowText(30).find("<<<<  Deine Punkte: " + std::to_string(points)) !=
               std::string::npos;
    })) << term.screenText();
    EXPECT_NE(term.rowText(29).find("<<<<  Dein Platz  : 1."), std::string::npos)
        << term.screenText();

    const std::vector<char> after = fileBytes(dir.path() / "Highscore.rnk");
    ASSERT_EQ(after.size(), 4400U);
    const std::string date(after.begin() + 20, after.begin() + 41);
    EXPECT_EQ(date.substr(10, 3), " - ") << date;
    EXPECT_EQ(after, fileWithNewFirstPlace(before, points, "A" + std::string(14, ' '), date));

    // The list looks at Space once its page is drawn.
    ASSERT_TRUE(term.waitFor(
        [](const PtyTerminal& t) { return t.rowText(26).rfind("    10.", 0) == 0; }, kE2eTimeout))
        << term.screenText();
    ASSERT_TRUE(keys.tap(' ', [](const PtyTerminal& t) {
        return t.rowText(22).find("4 = Spielende") != std::string::npos;
    })) << term.screenText();
    ASSERT_TRUE(keys.tap('4', [&term](const PtyTerminal&) { return !term.running(); }))
        << term.screenText();
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
}

// Windows Terminal opens at 120 x 30: too low for the game, and a pseudo console cannot make it
// higher. The game holds with the notice; its keys do nothing; Ctrl+C still ends it.
TEST(WinePtyTest, ATerminalTooLowShowsTheNoticeAndCtrlCEndsTheProgram) {
    ScratchDir dir;
    PtyTerminal term(wineCommand(), terminalOf(dir, 100, 30));
    ASSERT_TRUE(term.waitForText(29, "Fenster zu klein: 80 x 30 Zeichen. Bitte das Terminal auf",
                                 kE2eTimeout))
        << term.screenText();
    EXPECT_EQ(term.rowText(30).rfind("Zeichen vergroessern", 0), 0U) << term.screenText();
    term.send("4");
    term.pump(1000);
    EXPECT_TRUE(term.running()) << "a key of a game nobody can see";
    EXPECT_EQ(term.rowText(22).find("4 = Spielende"), std::string::npos) << term.screenText();

    term.send("\x03");
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 9));
    EXPECT_EQ(term.errorOutput(),
              "\nAborting due to runtime error 9 (\"interrupted\" signal) in Numerion::()\n\n");
}

}  // namespace
}  // namespace numerion::e2e
