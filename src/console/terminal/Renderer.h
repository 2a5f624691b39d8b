#pragma once
// Turns pictures of the text screen into the bytes that bring a terminal from the picture it
// shows to the next one. Pure: no terminal, no file descriptor, so every byte can be checked.
// Only terminfo is taken from ncurses, not its screen output: curses flushes a refresh in as
// many writes as its buffer needs and knows no synchronized output, so frames could tear; and
// its start-up takes the terminal modes and the SIGTSTP/SIGWINCH handlers that the keyboard
// layer must own to restore the terminal on every way out.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "console/TextConsole.h"

namespace numerion {

// What the model shows: its cells and its cursor.
struct Picture {
    static constexpr int kRows = TextConsole::kRows;
    static constexpr int kColumns = TextConsole::kColumns;

    std::array<Cell, kRows * kColumns> cells{};
    int cursorRow = 1;
    int cursorColumn = 1;
    bool cursorVisible = true;

    Cell& at(int row, int column) { return cells[(row - 1) * kColumns + (column - 1)]; }
    const Cell& at(int row, int column) const { return cells[(row - 1) * kColumns + (column - 1)]; }
    bool operator==(const Picture&) const = default;
};

inline Picture pictureOf(const TextConsole& screen) {
    Picture picture;
    for (int row = 1; row <= Picture::kRows; ++row) {
        for (int column = 1; column <= Picture::kColumns; ++column) {
            picture.at(row, column) = screen.cell(row, column);
        }
    }
    picture.cursorRow = screen.cursorRow();
    picture.cursorColumn = screen.cursorColumn();
    picture.cursorVisible = screen.cursorVisible();
    return picture;
}

// What the terminal can do, read from terminfo and the locale by the caller.
struct TerminalTraits {
    // Number of colours. 2^24 (direct colour) shows the console's own shades; 256 their nearest
    // in the 256-colour cube and greys, whatever the terminal's first 16 colours are; 16 the
    // ANSI colours directly (SGR 90-97, 100-107); 8 shows a bright foreground as bold and a
    // bright background as its dark colour; fewer shows no colours at all. Every cell is drawn
    // in colours of the game's, never in the terminal's own.
    int colours = 256;
    bool utf8 = true;
    // Erasing fills with the current background (terminfo bce): a repaint then erases in the
    // picture's most common background and sends only the cells that differ from it. Without
    // it every cell is written, the window around the picture with blanks.
    bool backColourErase = true;
    std::string hideCursor = "\x1b[?25l";
    std::string showCursor = "\x1b[?25h";
};

class Renderer {
  public:
    explicit Renderer(TerminalTraits traits);

    // The terminal's size in cells; the next frame repaints everything.
    void setSize(int rows, int columns);
    // Forgets what the terminal shows (after entering the alternate screen, after a resize),
    // the cursor's visibility included: entering hides it, a suspend shows it.
    void invalidate() {
        valid_ = false;
        cursorShown_ = -1;
    }
    bool largeEnough() const { return rows_ >= Picture::kRows && columns_ >= Picture::kColumns; }

    // Appends to out the bytes of one frame, wrapped in synchronized output; appends nothing
    // when the terminal already shows this picture.
    void render(const Picture& picture, std::string& out);
    std::string render(const Picture& picture) {
        std::string out;
        render(picture, out);
        return out;
    }

    // Appends the reset to the terminal's own colours, unless they are in force. Sent before
    // the program rests: a terminal resized meanwhile may fill the cells it frees in the colours
    // in force, on the main screen too (terminology), where they would stay after the end.
    void rest(std::string& out);

    // Converts a console colour number (blue 1, red 4) to the terminal's (red 1, blue 4).
    static int ansiColour(int consoleColour);

  private:
    // Console colour numbers; -1 for the terminal's own colours (after a reset).
    struct Pen {
        int foreground = -1;
        int background = -1;
        bool operator==(const Pen&) const = default;
    };

    Pen penFor(std::uint16_t attr) const;
    bool sameLook(const Cell& a, const Cell& b) const;
    void appendColour(int colour, bool background, std::string& out) const;
    void repaintStart(const Picture& picture, std::string& out);
    std::uint16_t commonBlankAttr(const Picture& picture) const;
    void paintOutside(std::uint16_t erase, std::string& out);
    void drawCells(const Picture& picture, std::string& out);
    void drawNotice(std::string& out);
    void drawCursor(const Picture& picture, std::string& out);
    void moveTo(int row, int column, const Picture& picture, std::string& out);
    // Bytes of the steps from the cursor to the cell.
    std::size_t relativeLength(int row, int column) const;
    void setPen(const Pen& pen, std::string& out);
    void putGlyph(std::uint8_t ch, std::string& out);
    int shownRows() const;
    int shownColumns() const;

    TerminalTraits traits_;
    int rows_ = Picture::kRows;
    int columns_ = Picture::kColumns;
    bool valid_ = false;  // shown_ is what the terminal shows
    Picture shown_;
    Pen pen_;
    int cursorRow_ = 0;  // where the terminal's cursor is; 0 when not known
    int cursorColumn_ = 0;
    int cursorShown_ = -1;             // -1 not known, else 0 or 1
    std::vector<std::string> notice_;  // its lines while the terminal is too small
};

}  // namespace numerion
