#pragma once
// The notice of a window smaller than the game's 80 x 35: every backend that shows what fits of
// the picture says the same words on its last rows.

#include <string>
#include <string_view>
#include <vector>

namespace numerion {

// The notice for a window of this size (columns x rows), in one line.
std::string windowNoticeText(int columns, int rows);
// The notice broken at blanks into lines of at most `columns` characters: the lines the window
// shows (none when it has no columns).
std::vector<std::string> windowNotice(int columns, int rows);
// A text broken at blanks into lines of at most `columns` characters; a longer word is cut.
std::vector<std::string> breakIntoLines(std::string_view text, int columns);

}  // namespace numerion
