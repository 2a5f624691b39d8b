#include "console/TextConsole.h"

#include <algorithm>
#include <string>

namespace numerion {

namespace {

constexpr int kZoneWidth = 14;
constexpr int kTabWidth = 8;

}  // namespace

TextConsole::TextConsole() = default;

void TextConsole::setSize(int columns, int rows) {
    (void)rows;  // the model is always the full 80 x 35 screen
    // The zone rule divides by the line width, so it stays within the screen's real width.
    lineWidth_ = std::clamp(columns, 1, kColumns);
    lineFeedPending_ = false;
    moveCursor(1, 1);
}

void TextConsole::clear() {
    for (Cell& c : cells_)
        setCell(c, ' ');
    moveCursor(1, 1);
    trackedColumn_ = 0;
    lineFeedPending_ = false;
}

void TextConsole::locate(std::optional<int> row, std::optional<int> column,
                         std::optional<int> cursor) {
    int newRow = (row && *row != 0) ? *row : cursorRow_;
    int newColumn = (column && *column != 0) ? *column : cursorColumn_;
    lineFeedPending_ = false;
    if (newRow >= 1 && newRow <= kRows && newColumn >= 1 && newColumn <= kColumns) {
        moveCursor(newRow, newColumn);
        if (column && *column != 0) trackedColumn_ = newColumn - 1;
    }
    if (cursor) {
        bool visible = *cursor != 0;
        if (visible != cursorVisible_) {
            cursorVisible_ = visible;
            touch();
        }
    }
}

void TextConsole::setColor(std::optional<int> foreground, std::optional<int> background) {
    // Modulo 16 of the two's-complement value, as the attribute nibble takes it.
    if (foreground) foreground_ = *foreground & 15;
    if (background) background_ = *background & 15;
    attr_ = static_cast<std::uint16_t>(foreground_ + 16 * background_);
}

void TextConsole::printText(std::string_view text, Ending ending) {
    if (!text.empty()) print(text, false);
    printEnding(ending);
}

void TextConsole::printGlyphs(std::string_view bytes, Ending ending) {
    if (!bytes.empty()) print(bytes, true);
    printEnding(ending);
}

void TextConsole::printNumber(std::int32_t value, Ending ending) {
    // A blank stands where a negative number has its minus sign.
    std::string text = value < 0 ? std::string() : std::string(" ");
    text += std::to_string(value);
    if (ending == Ending::LineBreak) {
        text += "\r\n";
        print(text, false);
        return;
    }
    print(text, false);
    printEnding(ending);
}

void TextConsole::newLine() {
    print("\r\n", false);
}

const Cell& TextConsole::cell(int row, int column) const {
    static const Cell blank{};
    if (row < 1 || row > kRows || column < 1 || column > kColumns) return blank;
    return cells_[static_cast<std::size_t>((row - 1) * kColumns + (column - 1))];
}

std::string TextConsole::rowText(int row) const {
    std::string text(kColumns, ' ');
    if (row < 1 || row > kRows) return text;
    for (int c = 1; c <= kColumns; ++c)
        text[static_cast<std::size_t>(c - 1)] = cell(row, c).ch;
    return text;
}

void TextConsole::printEnding(Ending ending) {
    if (ending == Ending::LineBreak) {
        print("\r\n", false);
    } else if (ending == Ending::NextZone) {
        int zone = (trackedColumn_ + kZoneWidth) / kZoneWidth * kZoneWidth + 1;
        if (zone > lineWidth_ - kZoneWidth) {
            print("\r\n", false);
        } else {
            print(std::string(static_cast<std::size_t>(zone - trackedColumn_ - 1), ' '), false);
        }
    }
}

void TextConsole::print(std::string_view bytes, bool glyphsOnly) {
    if (printObserver_) printObserver_(bytes);

    if (lineFeedPending_) {
        lineFeedPending_ = false;
        // Only ever pending on the last cell of the last row, so carrying it out scrolls.
        row_ = cursorRow_ + 1;
        column_ = 1;
        if (row_ > kRows) {
            scrollUp(row_ - kRows);
            row_ = kRows;
        }
    } else {
        row_ = cursorRow_;
        column_ = cursorColumn_;
    }

    // The walk may leave the cursor below the screen; the screen scrolls only when a
    // character is actually written there.
    for (char ch : bytes) {
        auto byte = static_cast<std::uint8_t>(ch);
        if (glyphsOnly) {
            writeByte(byte);
            continue;
        }
        switch (byte) {
            case 7:
                if (bell_) bell_();
                break;
            case 8:
                if (column_ > 1) --column_;
                break;
            case 9:
                do {
                    writeByte(' ');
                } while ((column_ - 1) % kTabWidth != 0);
                break;
            case 10:
                ++row_;
                column_ = 1;
                break;
            case 13:
                column_ = 1;
                break;
            default:
                writeByte(byte);
                break;
        }
    }

    if (row_ > kRows) {
        // Line feeds beyond the first one past the bottom are carried out now; the last one
        // waits, so a locate or clear that follows leaves the screen where it is.
        if (row_ > kRows + 1) scrollUp(row_ - kRows - 1);
        row_ = kRows;
        column_ = kColumns;
        lineFeedPending_ = true;
    }
    moveCursor(row_, column_);

    std::size_t lastBreak = glyphsOnly ? std::string_view::npos : bytes.find_last_of("\r\n");
    std::size_t width = static_cast<std::size_t>(lineWidth_);
    if (lastBreak == std::string_view::npos) {
        trackedColumn_ = static_cast<int>(
            (static_cast<std::size_t>(trackedColumn_) + bytes.size() % width) % width);
    } else {
        trackedColumn_ = static_cast<int>((bytes.size() - lastBreak - 1) % width);
    }
}

void TextConsole::writeByte(std::uint8_t byte) {
    if (row_ > kRows) {
        scrollUp(row_ - kRows);
        row_ = kRows;
    }
    setCell(cells_[static_cast<std::size_t>((row_ - 1) * kColumns + (column_ - 1))], byte);
    if (++column_ > kColumns) {
        column_ = 1;
        ++row_;
    }
}

void TextConsole::scrollUp(int rows) {
    rows = std::min(rows, kRows);
    auto shift = static_cast<std::ptrdiff_t>(rows) * kColumns;
    std::move(cells_.begin() + shift, cells_.end(), cells_.begin());
    for (auto it = cells_.end() - shift; it != cells_.end(); ++it)
        *it = Cell{' ', attr_};
    touch();
}

void TextConsole::setCell(Cell& target, std::uint8_t byte) {
    Cell next{byte, attr_};
    if (target != next) {
        target = next;
        touch();
    }
}

void TextConsole::moveCursor(int row, int column) {
    if (row != cursorRow_ || column != cursorColumn_) {
        cursorRow_ = row;
        cursorColumn_ = column;
        touch();
    }
}

}  // namespace numerion
