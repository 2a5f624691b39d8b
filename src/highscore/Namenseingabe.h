#pragma once
// The name entry: a grid of characters to spell a name on.

#include <array>
#include <string>

#include "console/Services.h"

namespace numerion {

// The 72 cells of the name entry grid.
using NameGrid = std::array<std::string, 72>;

// Spells a name on the grid; returns it padded with blanks to 15 characters.
std::string NAMENSEINGABE(Services& io, NameGrid& grid);

}  // namespace numerion
