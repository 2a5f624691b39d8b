#pragma once
// The 80 x 35 text screen as an exact in-memory model. Screens draw only through this class;
// a renderer presents the model on a real terminal, and tests read it back cell by cell.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace numerion {

// Attribute of a cell: foreground + 16 x background, or kConsoleOwnAttr for the colours the
// console had before the program's first colour change (a terminal's default colours).
inline constexpr std::uint16_t kConsoleOwnAttr = 0x100;

struct Cell {
    std::uint8_t ch = ' ';
    std::uint16_t attr = kConsoleOwnAttr;
    bool operator==(const Cell&) const = default;
};

// How a print ends: nothing, a carriage return and line feed, or padding to the next zone.
enum class Ending { None, LineBreak, NextZone };

class TextConsole {
  public:
    static constexpr int kColumns = 80;
    static constexpr int kRows = 35;

    TextConsole();

    void setSize(int columns, int rows);
    void clear();
    // Row or column 0 (or omitted) keeps the current one; out-of-range positions are refused.
    void locate(std::optional<int> row, std::optional<int> column = std::nullopt,
                std::optional<int> cursor = std::nullopt);
    void setColor(std::optional<int> foreground, std::optional<int> background = std::nullopt);
    void printText(std::string_view text, Ending ending = Ending::None);
    void printNumber(std::int32_t value, Ending ending = Ending::None);
    void newLine();
    // Prints bytes read from files as glyphs only: no byte acts as a control character, so a
    // damaged file cannot ring the bell or move the cursor. Wraps and scrolls like printText.
    void printGlyphs(std::string_view bytes, Ending ending = Ending::None);

    // Read side, for the renderer and for tests. Rows and columns count from 1.
    const Cell& cell(int row, int column) const;
    std::string rowText(int row) const;  // the 80 bytes of a row
    int cursorRow() const { return cursorRow_; }
    int cursorColumn() const { return cursorColumn_; }
    bool cursorVisible() const { return cursorVisible_; }
    bool lineFeedPending() const { return lineFeedPending_; }
    int trackedColumn() const { return trackedColumn_; }
    // The colours the next print draws in (a colour set back shows only there).
    std::uint16_t attributeInForce() const { return attr_; }
    // Counts every change of a cell or the cursor, so a presenter can skip unchanged frames.
    std::uint64_t version() const { return version_; }

    // Byte 7 sounds the beep of the keyboard layer; the console only reports it.
    void setBellHandler(std::function<void()> handler) { bell_ = std::move(handler); }
    // When standard output is no terminal, printed bytes go out unchanged through this hook.
    void setPrintObserver(std::function<void(std::string_view)> observer) {
        printObserver_ = std::move(observer);
    }

  private:
    // One print: carries out a pending line feed, walks the bytes (as glyphs only, or with
    // the five control bytes acting), then leaves a line feed pending below the last row.
    void print(std::string_view bytes, bool glyphsOnly);
    void printEnding(Ending ending);
    void writeByte(std::uint8_t byte);
    void scrollUp(int rows);
    void setCell(Cell& target, std::uint8_t byte);
    void moveCursor(int row, int column);
    void touch() { ++version_; }

    std::array<Cell, kColumns * kRows> cells_{};
    int cursorRow_ = 1;
    int cursorColumn_ = 1;
    // Print position during one print; the row may pass below the screen until a character
    // is written there.
    int row_ = 1;
    int column_ = 1;
    bool cursorVisible_ = true;
    bool lineFeedPending_ = false;
    int trackedColumn_ = 0;
    int foreground_ = 7;
    int background_ = 0;
    std::uint16_t attr_ = kConsoleOwnAttr;
    int lineWidth_ = kColumns;
    std::uint64_t version_ = 0;
    std::function<void()> bell_;
    std::function<void(std::string_view)> printObserver_;
};

}  // namespace numerion
