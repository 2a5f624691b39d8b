#pragma once
// The after-game chain: a qualifying result is named, inserted and saved; then the list.

#include <cstdint>
#include <string>
#include <string_view>

#include "console/Services.h"
#include "highscore/HighscoreTable.h"
#include "highscore/Namenseingabe.h"

namespace numerion {

// What the list needs of a finished game.
struct GameResult {
    std::int32_t points = 0;
    std::string endDateTime;  // "dd.mm.yyyy - hh:mm:ss"
};

// Enters a qualifying result (name entry, insertion, save), then shows the list.
void BESTENLISTENEINTRAG(Services& io, const GameResult& game, HighscoreTable& highscores,
                         NameGrid& grid, std::int32_t& newPlace);

// Inserts a result below every entry with at least its points (an older equal result stays
// above) and sets newPlace to its place; the entry at place 100 is dropped.
void insertResult(HighscoreTable& highscores, std::int32_t points, std::string_view playerName,
                  std::string_view endDateTime, std::int32_t& newPlace);

// Inserts a result into the table as the file holds it now and saves it (the file is read
// again under its lock, so other games' results stay): newPlace is its place there, or 101 when
// the list has filled up meanwhile beyond it. The table is left as saved.
void saveResult(HighscoreTable& highscores, std::int32_t points, std::string_view playerName,
                std::string_view endDateTime, std::int32_t& newPlace);

}  // namespace numerion
