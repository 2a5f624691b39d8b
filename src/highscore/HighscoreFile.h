#pragma once
// The file "Highscore.rnk" that keeps the table between games.

#include <functional>

#include "console/KeyInput.h"
#include "highscore/HighscoreTable.h"

namespace numerion {

// The file's name: relative, so it lies in the working directory.
inline constexpr const char* kHighscoreFileName = "Highscore.rnk";

// Creates the file with the default table when it cannot be read, else loads it.
void initHighscoreFile(HighscoreTable& table, KeyInput& keys);
// Saves a change to the table as the file holds it at this moment: under the file's lock the
// table is read again (a file gone meanwhile is made again from the table as it was), change
// is applied to it, and when it returns true the table is written, whole or not at all. The
// table is left as the file then holds it.
void saveHighscoreFile(HighscoreTable& table, const std::function<bool(HighscoreTable&)>& change);

}  // namespace numerion
