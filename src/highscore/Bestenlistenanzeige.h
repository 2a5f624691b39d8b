#pragma once
// The list of the best 100, ten places a page.

#include <cstdint>

#include "console/Services.h"
#include "highscore/HighscoreTable.h"

namespace numerion {

// Shows the list ten places a page; returns on Space with the screen cleared.
void BESTENLISTENANZEIGE(Services& io, std::int32_t fromMenu, const HighscoreTable& highscores,
                         std::int32_t newPoints, std::int32_t newPlace);

}  // namespace numerion
