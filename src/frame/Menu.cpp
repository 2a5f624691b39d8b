// Start-up and the animated title menu.

#include "frame/Menu.h"

#include <string_view>

#include "frame/Anleitung.h"
#include "frame/TitleBanner.h"
#include "game/Spielrunde.h"
#include "highscore/Bestenlistenanzeige.h"
#include "highscore/Bestenlisteneintrag.h"
#include "highscore/HighscoreFile.h"

namespace numerion {

namespace {

constexpr std::string_view kBlankBannerRow =
    "                                                           ";  // 59 blanks
static_assert(kBlankBannerRow.size() == kTitleBannerWidth);

constexpr std::string_view kMenuPlay = "     1 = Spielbeginn";
constexpr std::string_view kMenuInstructions = "     2 = Anleitung";
constexpr std::string_view kMenuHighscores = "     3 = Bestenliste ( Top 100 )";
constexpr std::string_view kMenuEnd = "     4 = Spielende";
constexpr std::string_view kCredit1 = "     Ein Zahlenabenteuer fuer die Textkonsole";
constexpr std::string_view kCredit2 = "     Viel Spass beim Einsammeln der verlorenen Zahlen !";

// The animation starts slow and speeds up by one millisecond a step; after 100 steps the
// assembled banner rests for a beep and five seconds, then it starts slow again.
constexpr int kStartDelayMs = 100;
constexpr int kRestMs = 5000;
constexpr int kStepsPerCycle = 5;
constexpr int kMiddleRow = 7;
constexpr int kNotInList = 101;
// Report line of the index check on the list's first place, the record of the status panel.
constexpr int kLineRecord = 330;

void printBannerRow(TextConsole& screen, int bannerRow) {
    screen.printText(TitleBanner[static_cast<std::size_t>(bannerRow - 1)], Ending::LineBreak);
}

void printMenuLines(TextConsole& screen) {
    screen.locate(16, 1);
    screen.printText(kMenuPlay, Ending::LineBreak);
    screen.newLine();
    screen.printText(kMenuInstructions, Ending::LineBreak);
    screen.newLine();
    screen.printText(kMenuHighscores, Ending::LineBreak);
    screen.newLine();
    screen.printText(kMenuEnd, Ending::LineBreak);
    screen.newLine();
    screen.newLine();
    screen.newLine();
    screen.printText(kCredit1, Ending::LineBreak);
    screen.newLine();
    screen.printText(kCredit2, Ending::LineBreak);
}

// What a key of the menu asks for once the step has done its checks.
enum class MenuChoice { Stay, Game, End };

// One animation step: move the outer banner pairs, wait, then check the keys in order.
MenuChoice runStep(Services& io, ProgramState& state, int s) {
    TextConsole& screen = io.screen;
    KeyInput& keys = io.keys;

    // At step 1 the row is 0, which keeps the cursor's row (row 8, already blank).
    screen.locate(s - 1, 1);
    screen.printText(kBlankBannerRow, Ending::LineBreak);
    screen.locate(15 - s, 1);
    screen.printText(kBlankBannerRow, Ending::LineBreak);
    screen.locate(s, 1);
    printBannerRow(screen, 1);
    printBannerRow(screen, 2);
    screen.locate(13 - s, 1);
    printBannerRow(screen, 4);
    printBannerRow(screen, 5);

    keys.sleepMs(state.stepDelay);
    --state.stepDelay;
    if (state.stepDelay == 0 && s == kStepsPerCycle) {
        keys.beep();
        keys.sleepMs(kRestMs);
        state.stepDelay = kStartDelayMs;
    }

    // Keys are sampled by held state; a press between two checks goes unnoticed.
    if (keys.isKeyDown(scan::kDigit1)) return MenuChoice::Game;
    if (keys.isKeyDown(scan::kDigit2)) SPIELANLEITUNG(io);
    if (keys.isKeyDown(scan::kDigit3)) {
        state.fromMenu = 1;
        BESTENLISTENANZEIGE(io, state.fromMenu, state.highscores, state.game.points,
                            state.newPlace);
    }
    if (keys.isKeyDown(scan::kDigit4)) {
        keys.beep();
        return MenuChoice::End;
    }
    return MenuChoice::Stay;
}

// Menu cycles until a key leaves the menu.
MenuChoice runCycles(Services& io, ProgramState& state) {
    TextConsole& screen = io.screen;
    for (;;) {
        state.fromMenu = 0;
        state.newPlace = kNotInList;
        for (int row = 5; row <= 9; ++row) {
            screen.locate(row, 1);
            screen.printText(kBlankBannerRow, Ending::LineBreak);
        }
        // The banner collapses to its middle row; the outer pairs close in on it.
        screen.locate(kMiddleRow, 1);
        printBannerRow(screen, 3);
        for (int s = 1; s <= kStepsPerCycle; ++s) {
            const MenuChoice choice = runStep(io, state, s);
            if (choice != MenuChoice::Stay) return choice;
        }
        printMenuLines(screen);
    }
}

}  // namespace

int runProgram(Services& io, ProgramState& state) {
    io.screen.setSize(TextConsole::kColumns, TextConsole::kRows);
    io.screen.clear();
    initHighscoreFile(state.highscores, io.keys);
    io.random.randomize(io.keys.timerSeconds());
    // The cursor stays hidden for the whole run.
    io.screen.locate(1, 1, 0);
    return HAUPTMENUE(io, state);
}

int HAUPTMENUE(Services& io, ProgramState& state) {
    // The menu belongs to the main routine, which a fatal report names with an empty name.
    for (;;) {  // menu entry: at start-up and after every game
        state.stepDelay = kStartDelayMs;
        io.screen.clear();
        // Key 4 ends the program as it stands: nothing is saved, the screen stays.
        if (runCycles(io, state) == MenuChoice::End) return 0;
        // A game ends in the highscore chain and its list; then the menu starts afresh.
        SPIELRUNDE(io, state.castle, state.mineCandidates, state.mineCandidatesCopy, state.game,
                   state.highscores.at(1, kLineRecord).points);
        BESTENLISTENEINTRAG(io, GameResult{state.game.points, state.game.endDateTime},
                            state.highscores, state.nameGrid, state.newPlace);
    }
}

}  // namespace numerion
