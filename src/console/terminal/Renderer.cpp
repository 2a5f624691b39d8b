#include "console/terminal/Renderer.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "console/Glyphs.h"

namespace numerion {

namespace {

constexpr std::string_view kSyncBegin = "\x1b[?2026h";
constexpr std::string_view kSyncEnd = "\x1b[?2026l";
constexpr std::string_view kResetPen = "\x1b[0m";
constexpr std::string_view kHomeAndErase = "\x1b[H\x1b[2J";
// NEL: first column of the next row, shorter than a positioned move.
constexpr std::string_view kNextLine =
    "\x1b"
    "E";

void appendNumber(std::string& out, int value) {
    char digits[12];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

bool isBlank(std::uint8_t ch) {
    return ch == ' ' || ch == 0 || ch == 0xFF;
}

// A blank shows only its background, so blanks differing in foreground look the same.
bool sameLook(const Cell& a, const Cell& b) {
    if (a == b) return true;
    if (!isBlank(a.ch) || !isBlank(b.ch)) return false;
    if (a.attr > 0xFF || b.attr > 0xFF) return a.attr == b.attr;
    return (a.attr & 0xF0) == (b.attr & 0xF0);
}

int digitCount(int value) {
    int count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

}  // namespace

Renderer::Renderer(TerminalTraits traits) : traits_(std::move(traits)) {}

int Renderer::ansiColour(int consoleColour) {
    // Console bits: blue 1, green 2, red 4. Terminal bits: red 1, green 2, blue 4.
    int c = consoleColour & 15;
    return (c & 8) | ((c & 1) << 2) | (c & 2) | ((c & 4) >> 2);
}

std::string sizeNotice(int rows, int columns) {
    return "Fenster zu klein: " + std::to_string(columns) + " x " + std::to_string(rows) +
           " Zeichen. Bitte das Terminal auf mindestens " + std::to_string(Picture::kColumns) +
           " x " + std::to_string(Picture::kRows) + " Zeichen vergroessern";
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

void Renderer::setSize(int rows, int columns) {
    rows_ = std::max(0, rows);
    columns_ = std::max(0, columns);
    valid_ = false;
    notice_.clear();
    if (!largeEnough()) notice_ = breakIntoLines(sizeNotice(rows_, columns_), columns_);
}

int Renderer::shownRows() const {
    // A terminal that is too small keeps its last rows for the notice.
    if (largeEnough()) return Picture::kRows;
    return std::clamp(rows_ - static_cast<int>(notice_.size()), 0, Picture::kRows);
}

int Renderer::shownColumns() const {
    return std::min(columns_, Picture::kColumns);
}

Renderer::Pen Renderer::penFor(std::uint16_t attr) const {
    Pen pen;
    if (attr > 0xFF || traits_.colours < 8) return pen;
    int foreground = ansiColour(attr & 15);
    int background = ansiColour((attr >> 4) & 15);
    if (traits_.colours >= 16) {
        pen.foreground = (foreground & 8 ? 90 : 30) + (foreground & 7);
        pen.background = (background & 8 ? 100 : 40) + (background & 7);
    } else {
        pen.foreground = 30 + (foreground & 7);
        pen.background = 40 + (background & 7);
        pen.bold = (foreground & 8) != 0;
    }
    return pen;
}

void Renderer::render(const Picture& picture, std::string& out) {
    const std::size_t start = out.size();
    out += kSyncBegin;
    const std::size_t bodyStart = out.size();
    if (!valid_) repaintStart(picture, out);
    drawCells(picture, out);
    drawCursor(picture, out);
    if (out.size() == bodyStart) {
        out.resize(start);  // nothing changed: nothing is sent
        return;
    }
    out += kSyncEnd;
}

std::uint16_t Renderer::commonBlankAttr(const Picture& picture) const {
    if (!traits_.backColourErase) return kConsoleOwnAttr;
    std::array<int, 257> count{};
    for (int row = 1; row <= shownRows(); ++row) {
        for (int column = 1; column <= shownColumns(); ++column) {
            const Cell& cell = picture.at(row, column);
            if (isBlank(cell.ch)) ++count[std::min<int>(cell.attr, 256)];
        }
    }
    int best = 256;  // the terminal's own colours unless another background is more common
    for (int attr = 0; attr < 256; ++attr) {
        if (count[attr] > count[best]) best = attr;
    }
    return best == 256 ? kConsoleOwnAttr : static_cast<std::uint16_t>(best);
}

void Renderer::repaintStart(const Picture& picture, std::string& out) {
    const std::uint16_t erase = commonBlankAttr(picture);
    out += kResetPen;
    pen_ = Pen{};
    setPen(penFor(erase), out);
    out += kHomeAndErase;  // erases in that pen's background
    cursorRow_ = 1;
    cursorColumn_ = 1;
    shown_.cells.fill(Cell{' ', erase});
    valid_ = true;
    if (!largeEnough()) drawNotice(out);
}

void Renderer::drawNotice(std::string& out) {
    if (rows_ < 1 || columns_ < 1) return;
    setPen(Pen{}, out);
    // A terminal too low for all of it shows its first lines.
    int row = std::max(1, rows_ - static_cast<int>(notice_.size()) + 1);
    for (const std::string& line : notice_) {
        if (row > rows_) break;
        out += "\x1b[";
        appendNumber(out, row++);
        out += 'H';
        out += line;
    }
    cursorRow_ = 0;  // the notice may end in the last column, where the cursor is uncertain
}

void Renderer::drawCells(const Picture& picture, std::string& out) {
    const int rows = shownRows();
    const int columns = shownColumns();
    for (int row = 1; row <= rows; ++row) {
        for (int column = 1; column <= columns; ++column) {
            const Cell& want = picture.at(row, column);
            Cell& have = shown_.at(row, column);
            if (sameLook(want, have)) continue;
            moveTo(row, column, picture, out);
            setPen(penFor(want.attr), out);
            putGlyph(want.ch, out);
            have = want;
            // In the terminal's last column the cursor waits for a wrap: its place is unsure.
            if (column >= columns_) {
                cursorRow_ = 0;
            } else {
                cursorColumn_ = column + 1;
            }
        }
    }
}

void Renderer::moveTo(int row, int column, const Picture& picture, std::string& out) {
    if (cursorRow_ == row && cursorColumn_ == column) return;
    if (cursorRow_ == row && cursorColumn_ < column) {
        // A few unchanged cells in the pen's colours are cheaper to write again than to skip.
        const int gap = column - cursorColumn_;
        const std::size_t skip = gap == 1 ? 3 : 3 + static_cast<std::size_t>(digitCount(gap));
        std::size_t rewrite = 0;
        for (int c = cursorColumn_; c < column && rewrite <= skip; ++c) {
            const Cell& cell = picture.at(row, c);
            if (!(penFor(cell.attr) == pen_)) {
                rewrite = skip + 1;
                break;
            }
            rewrite += traits_.utf8 ? glyphUtf8(cell.ch).size() : 1;
        }
        if (rewrite <= skip) {
            for (int c = cursorColumn_; c < column; ++c)
                putGlyph(picture.at(row, c).ch, out);
        } else {
            out += "\x1b[";
            if (gap > 1) appendNumber(out, gap);
            out += 'C';
        }
    } else if (cursorRow_ > 0 && row == cursorRow_ + 1 && column == 1) {
        out += kNextLine;
    } else {
        out += "\x1b[";
        if (row > 1 || column > 1) appendNumber(out, row);
        if (column > 1) {
            out += ';';
            appendNumber(out, column);
        }
        out += 'H';
    }
    cursorRow_ = row;
    cursorColumn_ = column;
}

void Renderer::setPen(const Pen& pen, std::string& out) {
    if (pen == pen_) return;
    out += "\x1b[";
    bool first = true;
    auto parameter = [&](int value) {
        if (!first) out += ';';
        appendNumber(out, value);
        first = false;
    };
    if (pen.bold != pen_.bold) parameter(pen.bold ? 1 : 22);
    if (pen.foreground != pen_.foreground) parameter(pen.foreground);
    if (pen.background != pen_.background) parameter(pen.background);
    out += 'm';
    pen_ = pen;
}

void Renderer::putGlyph(std::uint8_t ch, std::string& out) {
    if (traits_.utf8) {
        out += glyphUtf8(ch);
    } else {
        out += glyphAscii(ch);
    }
}

void Renderer::drawCursor(const Picture& picture, std::string& out) {
    const bool inside = picture.cursorRow >= 1 && picture.cursorRow <= shownRows() &&
                        picture.cursorColumn >= 1 && picture.cursorColumn <= shownColumns();
    if (picture.cursorVisible && inside) {
        moveTo(picture.cursorRow, picture.cursorColumn, picture, out);
        if (cursorShown_ != 1) {
            out += traits_.showCursor;
            cursorShown_ = 1;
        }
    } else if (cursorShown_ != 0) {
        out += traits_.hideCursor;
        cursorShown_ = 0;
    }
}

}  // namespace numerion
