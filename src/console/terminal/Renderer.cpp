#include "console/terminal/Renderer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>

#include "console/Glyphs.h"
#include "console/Palette.h"
#include "console/WindowNotice.h"

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

constexpr int kDirectColours = 1 << 24;
// The console's own colours, which cells keep until the first colour change: light grey on
// black. Drawn as such, so no cell shows the terminal's default colours.
constexpr std::uint16_t kGreyOnBlack = 0x07;
// What the screen holds where erasing ignored our colours: the terminal's own, to be drawn over.
constexpr std::uint16_t kTerminalOwn = 0x200;

void appendNumber(std::string& out, int value) {
    char digits[12];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

int digitCount(int value) {
    int count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

// CSI row ; column H, the column left out where it is the first, CSI H for the home cell.
void appendPosition(std::string& out, int row, int column) {
    out += "\x1b[";
    if (row == 1 && column == 1) {
        out += 'H';
        return;
    }
    appendNumber(out, row);
    if (column > 1) {
        out += ';';
        appendNumber(out, column);
    }
    out += 'H';
}

std::size_t positionLength(int row, int column) {
    if (row == 1 && column == 1) return 3;
    return 3 + static_cast<std::size_t>(digitCount(row)) +
           (column > 1 ? 1 + static_cast<std::size_t>(digitCount(column)) : 0);
}

// CSI n A/B/C/D, the count left out where it is 1.
void appendStep(std::string& out, int count, char direction) {
    out += "\x1b[";
    if (count > 1) appendNumber(out, count);
    out += direction;
}

std::size_t stepLength(int count) {
    return count > 1 ? 3 + static_cast<std::size_t>(digitCount(count)) : 3;
}

bool isBlank(std::uint8_t ch) {
    return ch == ' ' || ch == 0 || ch == 0xFF;
}

// The nearest colour of the 256-colour cube (16..231) and grey ramp (232..255), which nearly
// every terminal keeps at their standard values; the first 16 are the terminal's own palette.
constexpr int nearestOf256(int colour) {
    constexpr int kLevels[] = {0, 95, 135, 175, 215, 255};
    const int red = paletteRed(colour);
    const int green = paletteGreen(colour);
    const int blue = paletteBlue(colour);
    auto distance = [&](int r, int g, int b) {
        return (r - red) * (r - red) + (g - green) * (g - green) + (b - blue) * (b - blue);
    };
    int best = 16;
    int bestDistance = distance(0, 0, 0);
    for (int index = 17; index < 256; ++index) {
        int r = 8 + 10 * (index - 232);
        int g = r;
        int b = r;
        if (index < 232) {
            r = kLevels[(index - 16) / 36];
            g = kLevels[(index - 16) / 6 % 6];
            b = kLevels[(index - 16) % 6];
        }
        if (distance(r, g, b) < bestDistance) {
            best = index;
            bestDistance = distance(r, g, b);
        }
    }
    return best;
}

constexpr std::array<int, 16> k256Colours = [] {
    std::array<int, 16> table{};
    for (int colour = 0; colour < 16; ++colour)
        table[static_cast<std::size_t>(colour)] = nearestOf256(colour);
    return table;
}();

std::uint16_t effectiveAttr(std::uint16_t attr) {
    return attr == kConsoleOwnAttr ? kGreyOnBlack : attr;
}

}  // namespace

Renderer::Renderer(TerminalTraits traits) : traits_(std::move(traits)) {}

int Renderer::ansiColour(int consoleColour) {
    // Console bits: blue 1, green 2, red 4. Terminal bits: red 1, green 2, blue 4.
    int c = consoleColour & 15;
    return (c & 8) | ((c & 1) << 2) | (c & 2) | ((c & 4) >> 2);
}

void Renderer::setSize(int rows, int columns) {
    rows_ = std::max(0, rows);
    columns_ = std::max(0, columns);
    valid_ = false;
    notice_.clear();
    if (!largeEnough()) notice_ = windowNotice(columns_, rows_);
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
    if (traits_.colours < 8 || attr == kTerminalOwn) return pen;
    attr = effectiveAttr(attr);
    pen.foreground = attr & 15;
    pen.background = (attr >> 4) & 15;
    if (traits_.colours < 16) pen.background &= 7;  // shown as its dark colour
    return pen;
}

// A blank shows only its background, so blanks differing in foreground look the same.
bool Renderer::sameLook(const Cell& a, const Cell& b) const {
    if (a == b) return true;
    if (isBlank(a.ch) && isBlank(b.ch)) {
        return penFor(a.attr).background == penFor(b.attr).background;
    }
    return a.ch == b.ch && penFor(a.attr) == penFor(b.attr);
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

void Renderer::rest(std::string& out) {
    if (pen_ == Pen{}) return;
    out += kResetPen;
    pen_ = Pen{};
}

std::uint16_t Renderer::commonBlankAttr(const Picture& picture) const {
    if (!traits_.backColourErase) return kTerminalOwn;
    std::array<int, 256> count{};
    for (int row = 1; row <= shownRows(); ++row) {
        for (int column = 1; column <= shownColumns(); ++column) {
            const Cell& cell = picture.at(row, column);
            const std::uint16_t attr = effectiveAttr(cell.attr);
            if (isBlank(cell.ch) && attr <= 0xFF) ++count[attr];
        }
    }
    std::size_t best = kGreyOnBlack;
    for (std::size_t attr = 0; attr < count.size(); ++attr) {
        if (count[attr] > count[best]) best = attr;
    }
    return static_cast<std::uint16_t>(best);
}

void Renderer::repaintStart(const Picture& picture, std::string& out) {
    const std::uint16_t erase = commonBlankAttr(picture);
    out += kResetPen;
    pen_ = Pen{};
    // Where erasing takes the terminal's own colours every cell is drawn over; a terminal that
    // erases in the colours in force all the same gets the game's black at once.
    setPen(penFor(erase == kTerminalOwn ? kGreyOnBlack : erase), out);
    out += kHomeAndErase;
    cursorRow_ = 1;
    cursorColumn_ = 1;
    shown_.cells.fill(Cell{' ', erase});
    valid_ = true;
    paintOutside(erase, out);
    if (!largeEnough()) drawNotice(out);
}

// The window beyond the picture (or beyond what fits of it, where the notice goes) in the
// game's black: erased in that pen where erasing takes it, else written with blanks.
void Renderer::paintOutside(std::uint16_t erase, std::string& out) {
    const int rows = shownRows();
    const int columns = shownColumns();
    const Pen black = penFor(kGreyOnBlack);
    if (traits_.colours < 8 || (rows >= rows_ && columns >= columns_)) return;
    if (traits_.backColourErase && penFor(erase).background == black.background) return;
    setPen(black, out);
    for (int row = 1; row <= rows_; ++row) {
        const int from = row <= rows ? columns + 1 : 1;
        if (from > columns_) continue;
        appendPosition(out, row, from);
        if (!traits_.backColourErase) {
            out.append(static_cast<std::size_t>(columns_ - from + 1), ' ');
        } else if (row > rows) {
            out += "\x1b[J";  // this row and all below
            break;
        } else {
            out += "\x1b[K";
        }
    }
    cursorRow_ = 0;  // after the last column the cursor's place is unsure
}

void Renderer::drawNotice(std::string& out) {
    if (rows_ < 1 || columns_ < 1) return;
    setPen(penFor(kGreyOnBlack), out);
    // A terminal too low for all of it shows its first lines.
    int row = std::max(1, rows_ - static_cast<int>(notice_.size()) + 1);
    for (const std::string& line : notice_) {
        if (row > rows_) break;
        appendPosition(out, row++, 1);
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
        std::size_t rewrite = 0;
        for (int c = cursorColumn_; c < column && rewrite <= stepLength(gap); ++c) {
            const Cell& cell = picture.at(row, c);
            if (!(penFor(cell.attr) == pen_)) {
                rewrite = stepLength(gap) + 1;
                break;
            }
            rewrite += traits_.utf8 ? glyphUtf8(cell.ch).size() : 1;
        }
        if (rewrite <= stepLength(gap)) {
            for (int c = cursorColumn_; c < column; ++c)
                putGlyph(picture.at(row, c).ch, out);
        } else {
            appendStep(out, gap, 'C');
        }
    } else if (cursorRow_ > 0 && row == cursorRow_ + 1 && column == 1) {
        out += kNextLine;
    } else if (cursorRow_ > 0 && relativeLength(row, column) < positionLength(row, column)) {
        // Walking cells: a step up or down and one back is shorter than a position.
        const int down = row - cursorRow_;
        const int right = column - cursorColumn_;
        if (down != 0) appendStep(out, down > 0 ? down : -down, down > 0 ? 'B' : 'A');
        if (right != 0) appendStep(out, right > 0 ? right : -right, right > 0 ? 'C' : 'D');
    } else {
        appendPosition(out, row, column);
    }
    cursorRow_ = row;
    cursorColumn_ = column;
}

std::size_t Renderer::relativeLength(int row, int column) const {
    const int down = row - cursorRow_;
    const int right = column - cursorColumn_;
    return (down != 0 ? stepLength(down < 0 ? -down : down) : 0) +
           (right != 0 ? stepLength(right < 0 ? -right : right) : 0);
}

void Renderer::setPen(const Pen& pen, std::string& out) {
    if (pen == pen_) return;
    if (pen.foreground < 0 || pen.background < 0) {
        out += kResetPen;  // the terminal's own colours: only where no colours can be shown
        pen_ = Pen{};
        return;
    }
    // Eight colours show a bright foreground as bold in its dark colour.
    const bool eight = traits_.colours < 16;
    const bool known = pen_.foreground >= 0;
    out += "\x1b[";
    const std::size_t start = out.size();
    auto separate = [&] {
        if (out.size() > start) out += ';';
    };
    if (eight && (pen.foreground & 8) != (known ? pen_.foreground & 8 : 0)) {
        out += (pen.foreground & 8) != 0 ? "1" : "22";
    }
    const int shownBits = eight ? 7 : 15;
    if (!known || (pen.foreground & shownBits) != (pen_.foreground & shownBits)) {
        separate();
        appendColour(pen.foreground, false, out);
    }
    if (!known || pen.background != pen_.background) {
        separate();
        appendColour(pen.background, true, out);
    }
    out += 'm';
    pen_ = pen;
}

void Renderer::appendColour(int colour, bool background, std::string& out) const {
    if (traits_.colours >= kDirectColours) {
        out += background ? "48;2;" : "38;2;";
        appendNumber(out, paletteRed(colour));
        out += ';';
        appendNumber(out, paletteGreen(colour));
        out += ';';
        appendNumber(out, paletteBlue(colour));
    } else if (traits_.colours >= 256) {
        out += background ? "48;5;" : "38;5;";
        appendNumber(out, k256Colours[static_cast<std::size_t>(colour & 15)]);
    } else {
        const int ansi = ansiColour(colour);
        const bool bright = traits_.colours >= 16 && (ansi & 8) != 0;
        appendNumber(out, (background ? 40 : 30) + (bright ? 60 : 0) + (ansi & 7));
    }
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
