#include "console/WindowNotice.h"

#include <algorithm>
#include <utility>

#include "console/TextConsole.h"

namespace numerion {

std::string windowNoticeText(int columns, int rows) {
    return "Fenster zu klein: " + std::to_string(columns) + " x " + std::to_string(rows) +
           " Zeichen. Bitte das Terminal auf mindestens " + std::to_string(TextConsole::kColumns) +
           " x " + std::to_string(TextConsole::kRows) + " Zeichen vergroessern";
}

std::vector<std::string> windowNotice(int columns, int rows) {
    return breakIntoLines(windowNoticeText(columns, rows), columns);
}

std::vector<std::string> breakIntoLines(std::string_view text, int columns) {
    std::vector<std::string> lines;
    if (columns < 1) return lines;
    const auto width = static_cast<std::size_t>(columns);
    std::string line;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        std::string_view word = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(std::move(line));
            line.clear();
        }
        if (!line.empty()) line += ' ';
        line += word.substr(0, width - line.size());
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

}  // namespace numerion
