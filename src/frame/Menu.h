#pragma once
// The main routine's long-lived state, start-up and the title menu.

#include <cstdint>

#include "console/Services.h"
#include "game/Castle.h"
#include "highscore/HighscoreTable.h"
#include "highscore/Namenseingabe.h"

namespace numerion {

// Everything that lives for the whole run, created zeroed at start-up.
struct ProgramState {
    HighscoreTable highscores;
    CastleGrid castle;
    MineCandidateList mineCandidates;
    MineCandidateList mineCandidatesCopy;
    NameGrid nameGrid;
    GameState game;
    std::int32_t stepDelay = 0;
    std::int32_t fromMenu = 0;
    std::int32_t newPlace = 0;
};

// Start-up after the platform is open: size, clear, highscore file, seed, cursor hidden, menu.
// state: the long-lived state, fresh (all zero) and the caller's, who keeps it on the heap (the
// castle alone is several hundred kilobytes). Returns the exit status.
int runProgram(Services& io, ProgramState& state);

// The animated title menu; returns the exit status when key 4 ends the program.
int HAUPTMENUE(Services& io, ProgramState& state);

}  // namespace numerion
