#pragma once
// What the end-to-end tests of the real program share: a scratch directory, the keys as a
// legacy or a kitty-protocol terminal types them, the way through a lost game and the name
// grid, and the checks that the terminal was given back.

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "console/Palette.h"
#include "support/PtyTerminal.h"
#include "support/TempDir.h"

namespace numerion::e2e {

inline constexpr int kE2eTimeout = 20000;
// Without the kitty protocol two presses of one key closer together than HeldKeys'
// kRepeatGapMs (150 ms) read as a held key that auto-repeats; taps of the same key are kept
// further apart than that.
inline constexpr int kTapGapMs = 250;
// The colour depth the program finds: its terminal type and COLORTERM (nullptr: unset).
struct ColourDepth {
    const char* name;
    const char* term;
    const char* colorTerm;
    int colours;  // 1 << 24 for direct colour
};
inline void PrintTo(const ColourDepth& depth, std::ostream* out) {
    *out << depth.name;
}
inline constexpr ColourDepth kDepths[] = {
    {"Direct", "xterm-256color", "truecolor", 1 << 24},
    {"Cube256", "xterm-256color", nullptr, 256},
    {"Ansi16", "xterm-16color", nullptr, 16},
};

// Whether a colour of a cell (its index and direct RGB, as CellLook holds them) shows console
// colour c at a depth (0: at any): the palette's own shade, the nearest of the 256-colour
// cube's and grey ramp's standard indexes, or the ANSI colour of its name (red 1, blue 4).
inline bool showsConsoleColour(int index, int rgb, int c, int colours = 0) {
    static constexpr int kNearest256[] = {16,  19, 34, 37, 124, 127, 130, 248,
                                          240, 63, 83, 87, 203, 207, 227, 231};
    const int ansi = (c & 8) | ((c & 1) << 2) | (c & 2) | ((c & 4) >> 2);
    const bool direct = index == -2 && rgb == static_cast<int>(kPalette[c]);
    const bool nearest = index == kNearest256[c];
    if (colours >= (1 << 24)) return direct;
    if (colours >= 256) return nearest;
    if (colours > 0) return index == ansi;
    return direct || nearest || index == ansi;
}
inline bool foregroundIs(const CellLook& look, int c, int colours = 0) {
    return showsConsoleColour(look.foreground, look.foregroundRgb, c, colours);
}
inline bool backgroundIs(const CellLook& look, int c, int colours = 0) {
    return showsConsoleColour(look.background, look.backgroundRgb, c, colours);
}

// The name grid's highlighted cell has a cyan background.
inline constexpr int kHighlight = 3;

// A directory of its own for one test, removed afterwards.
using ScratchDir = numerion::testing::TempDir;

inline std::vector<char> fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The highscore file after a game took place 1: its record (points little-endian, the name
// and the date as zero-ended texts, two bytes of padding), then the old places 1..99.
inline std::vector<char> fileWithNewFirstPlace(const std::vector<char>& before, std::int32_t points,
                                               const std::string& name,
                                               const std::string& dateTime) {
    std::vector<char> bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(points) >> (8 * i)) & 0xFF));
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back('\0');
    bytes.insert(bytes.end(), dateTime.begin(), dateTime.end());
    bytes.insert(bytes.end(), 3, '\0');
    if (before.size() >= 44) bytes.insert(bytes.end(), before.begin(), before.end() - 44);
    return bytes;
}

// Types the game's keys the way one kind of terminal does. A legacy terminal sends presses
// only; a kitty-protocol terminal sends a press, and the release once the program has acted.
class Keyboard {
  public:
    using Condition = std::function<bool(const PtyTerminal&)>;

    Keyboard(PtyTerminal& term, bool kitty) : term_(term), kitty_(kitty) {}

    // Presses the key and, with the kitty protocol, holds it until done holds.
    bool tap(char key, const Condition& done) {
        return tap(key == '\r' ? kKittyEnter : kittyKey(key), std::string(1, key), done);
    }
    bool tapArrow(char direction, const Condition& done) {
        static constexpr KittyKey kArrows[] = {kKittyUp, kKittyDown, kKittyRight, kKittyLeft};
        const int index = direction - 'A';
        return tap(kArrows[index], std::string("\x1b[") + direction, done);
    }
    bool kitty() const { return kitty_; }

  private:
    bool tap(KittyKey key, const std::string& legacy, const Condition& done) {
        // The same key again: a legacy terminal's second press too close to the first reads
        // as a held key, and a kitty release and press between two looks of the program read
        // as one press. No screen shows either, so this pause is deliberate.
        if (legacy == lastKey_) {
            const auto due = lastDone_ + std::chrono::milliseconds(kitty_ ? 100 : kTapGapMs);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                due - std::chrono::steady_clock::now());
            if (left.count() > 0) term_.pump(static_cast<int>(left.count()));
        }
        if (kitty_) {
            term_.press(key);
        } else {
            term_.send(legacy);
        }
        const bool reached = term_.waitFor(done, kE2eTimeout);
        if (kitty_) term_.release(key);
        // Counted from when the program was seen to act: it has read the press by then.
        lastKey_ = legacy;
        lastDone_ = std::chrono::steady_clock::now();
        return reached;
    }

    PtyTerminal& term_;
    bool kitty_;
    std::string lastKey_;
    std::chrono::steady_clock::time_point lastDone_;
};

inline int numberAfter(const std::string& row, const char* label) {
    const auto at = row.find(label);
    if (at == std::string::npos) return -1;
    return std::atoi(row.c_str() + at + std::strlen(label));
}
inline int livesShown(const PtyTerminal& term) {
    return numberAfter(term.rowText(21), "Leben:");
}
inline int pointsShown(const PtyTerminal& term) {
    return numberAfter(term.rowText(19), "Punkte:");
}
inline bool apprenticeAtStart(const PtyTerminal& term) {
    return term.cell(3, 2).text == "☺";
}

// The title's first frame shows once the program has taken the terminal over: its signal
// handlers are in place, the keyboard protocol is settled and the menu looks at its keys at
// every step from now on. (Wine's console in a terminal shows it on the main screen.)
inline bool titleShown(const PtyTerminal& term) {
    return term.rowText(7).find("N NN  U  U  M  M") != std::string::npos;
}
inline void waitForTitle(PtyTerminal& term) {
    ASSERT_TRUE(term.waitFor(titleShown, kE2eTimeout)) << term.screenText();
}

// The title menu stands once its last line does: a whole cycle has run (half a second).
inline void waitForMenu(PtyTerminal& term) {
    ASSERT_TRUE(term.waitForText(22, "4 = Spielende", kE2eTimeout)) << term.screenText();
}

// From the title into a game: the room stands with the apprentice at its start.
inline void startGame(PtyTerminal& term, Keyboard& keys) {
    ASSERT_NO_FATAL_FAILURE(waitForTitle(term));
    ASSERT_TRUE(keys.tap('1', [](const PtyTerminal& t) { return livesShown(t) == 3; }))
        << term.screenText();
    ASSERT_TRUE(term.waitFor(apprenticeAtStart, kE2eTimeout)) << term.screenText();
}

// Room 1 has no door in its top or left wall. From the start position Up collects the digit
// above (if still there) and runs into the top wall, Left runs straight into the left wall;
// each restart puts the apprentice back, standing. Alternating the two keeps a legacy terminal
// from reading one key twice as held. Ends on the loss banner.
inline void loseTheLivesLeft(PtyTerminal& term, Keyboard& keys) {
    bool up = true;
    for (int lives = livesShown(term); lives > 0; up = !up) {
        const int pointsBefore = pointsShown(term);
        ASSERT_TRUE(keys.tapArrow(up ? 'A' : 'D', [lives](const PtyTerminal& t) {
            return livesShown(t) < lives;
        })) << term.screenText();
        const int now = livesShown(term);
        EXPECT_EQ(now, lives - 1) << "one collision costs one life";
        EXPECT_LE(pointsShown(term) - pointsBefore, 9) << term.rowText(19);
        lives = now;
        if (lives > 0) {
            ASSERT_TRUE(term.waitFor(apprenticeAtStart, kE2eTimeout)) << term.screenText();
            EXPECT_EQ(term.cell(1, 2).text, "▓") << "the wall stays";
            EXPECT_EQ(term.cell(3, 1).text, "▓") << "the wall stays";
        }
    }
    ASSERT_TRUE(term.waitForText(29, "# Spiel vorbei - Du hast kein Leben mehr #", kE2eTimeout))
        << term.screenText();
    ASSERT_TRUE(term.waitForText(32, "Druecke Taste 5 zur Fortsetzung!", kE2eTimeout));
}

// The name grid: rows 14..30 in steps of 2, columns 25..53 in steps of 4.
inline bool highlightAt(const PtyTerminal& term, int row, int column) {
    return backgroundIs(term.cell(row, column), kHighlight);
}
inline std::pair<int, int> findHighlight(const PtyTerminal& term) {
    for (int row = 14; row <= 30; row += 2)
        for (int column = 25; column <= 53; column += 4)
            if (highlightAt(term, row, column)) return {row, column};
    return {0, 0};
}

// The room as the screen shows it: glyphs and colours of every cell of rows 1..17, columns
// 1..51 (walls brown, mines magenta, the rest light grey, all on black). Returns the number
// of digits and mines seen.
inline void expectRoomDrawn(const PtyTerminal& term, int& digits, int& mines, int colours = 0) {
    digits = 0;
    mines = 0;
    for (int row = 1; row <= 17; ++row) {
        for (int column = 1; column <= 51; ++column) {
            const CellLook look = term.cell(row, column);
            const bool ring = row == 1 || row == 17 || column == 1 || column == 51;
            SCOPED_TRACE("row " + std::to_string(row) + ", column " + std::to_string(column));
            EXPECT_TRUE(backgroundIs(look, 0, colours)) << look.background;
            if (look.text == "▓") {
                EXPECT_TRUE(foregroundIs(look, 6, colours)) << look.foreground;
            } else if (look.text == "☼") {
                EXPECT_FALSE(ring);
                EXPECT_TRUE(foregroundIs(look, 5, colours)) << look.foreground;
                ++mines;
            } else if (look.text.size() == 1 && look.text[0] >= '1' && look.text[0] <= '9') {
                EXPECT_FALSE(ring);
                EXPECT_TRUE(foregroundIs(look, 7, colours)) << look.foreground;
                ++digits;
            } else if (row == 3 && column == 2) {
                EXPECT_EQ(look.text, "☺");
                EXPECT_TRUE(foregroundIs(look, 7, colours)) << look.foreground;
            } else {
                EXPECT_EQ(look.text, " ");
            }
        }
    }
    // The corners are always wall; the rest of the ring is wall or an opening.
    EXPECT_EQ(term.cell(1, 1).text, "▓");
    EXPECT_EQ(term.cell(17, 51).text, "▓");
}

// Key 5 on the end banner leads a qualifying result to the name entry, its highlight on the
// grid's first cell.
inline void continueToNameEntry(PtyTerminal& term, Keyboard& keys) {
    ASSERT_TRUE(keys.tap('5', [](const PtyTerminal& t) {
        return t.rowText(3).find("Du hast es in die Bestenliste geschafft") != std::string::npos;
    })) << term.screenText();
    ASSERT_TRUE(
        term.waitFor([](const PtyTerminal& t) { return highlightAt(t, 14, 25); }, kE2eTimeout))
        << term.screenText();
}

// Walks the highlight to a cell one step at a time, turning between rows and columns while
// both are still to go, so that one arrow seldom follows itself. A key held a little too long
// under the kitty protocol may take it one cell too far; the next step brings it back.
inline void moveHighlightTo(PtyTerminal& term, Keyboard& keys, int row, int column) {
    bool lastVertical = false;
    for (int step = 0; step < 40; ++step) {
        const auto [r, c] = findHighlight(term);
        ASSERT_NE(r, 0) << term.screenText();
        if (r == row && c == column) return;
        const bool vertical = r != row && (c == column || !lastVertical);
        const char arrow = vertical ? (r < row ? 'B' : 'A') : (c < column ? 'C' : 'D');
        ASSERT_TRUE(keys.tapArrow(arrow, [r, c](const PtyTerminal& t) {
            return !highlightAt(t, r, c) && findHighlight(t).first != 0;
        })) << term.screenText();
        lastVertical = vertical;
    }
    FAIL() << "the highlight did not reach row " << row << ", column " << column;
}

// Key 4 leaves the program from the menu: it gives the terminal back.
inline bool leftTheAltScreen(const PtyTerminal& term) {
    return term.output().find("\x1b[?1049l") != std::string::npos;
}

// The program ended by exit() with this status.
inline void expectExitStatus(PtyTerminal& term, int code) {
    const auto status = term.waitExit(kE2eTimeout);
    ASSERT_TRUE(status.has_value()) << "still running\n" << term.screenText();
    EXPECT_TRUE(status->exited) << "signal " << status->signal;
    EXPECT_EQ(status->code, code);
}

// The report of a hang-up on standard error, and nothing a sanitizer would have added.
inline void expectHangUpReport(const std::string& errors) {
    EXPECT_NE(errors.find("Aborting due to runtime error 13"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("runtime error:"), std::string::npos) << errors;
}

// The program left the terminal as it found it. It had taken it over (alternate screen,
// hidden cursor, and under the kitty protocol its flags pushed), so each check can fail.
inline void expectTerminalGivenBack(const PtyTerminal& term) {
    const termios& before = term.modesAtStart();
    const termios after = term.modes();
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_TRUE(std::equal(std::begin(after.c_cc), std::end(after.c_cc), std::begin(before.c_cc)))
        << "control characters";
    EXPECT_NE(term.output().find("\x1b[?1049h"), std::string::npos) << "never on the alt screen";
    EXPECT_NE(term.output().find("\x1b[?25l"), std::string::npos) << "cursor never hidden";
    EXPECT_TRUE(term.cursorVisible());
    EXPECT_FALSE(term.altScreen());
    if (term.keyboardQueries() > 0) {
        EXPECT_NE(term.output().find("\x1b[>11u"), std::string::npos) << "never pushed";
    }
    EXPECT_EQ(term.keyboardFlagsPushed(), 0) << "keyboard protocol still pushed";
}

}  // namespace numerion::e2e
