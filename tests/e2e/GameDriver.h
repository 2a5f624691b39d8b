#pragma once
// What the end-to-end tests of the real program share: a scratch directory, the keys as a
// legacy or a kitty-protocol terminal types them, the way through a lost game and the name
// grid, and the checks that the terminal was given back.

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "e2e/PtyTerminal.h"

namespace numerion::e2e {

inline constexpr int kE2eTimeout = 20000;
// Without the kitty protocol two presses of one key close together read as a held key that
// auto-repeats; taps of the same key are kept further apart than that.
inline constexpr int kTapGapMs = 400;
// The name grid's highlighted cell has a cyan background.
inline constexpr int kHighlight = 6;

// A directory of its own for one test, removed afterwards.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "numerion-e2e-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

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
    Keyboard(PtyTerminal& term, bool kitty) : term_(term), kitty_(kitty) {}

    // Presses the key and, with the kitty protocol, holds it until done holds.
    bool tap(char key, const std::function<bool(const PtyTerminal&)>& done) {
        return tap(key == '\r' ? kKittyEnter : kittyKey(key), std::string(1, key), done);
    }
    bool tapArrow(char direction, const std::function<bool(const PtyTerminal&)>& done) {
        static constexpr KittyKey kArrows[] = {kKittyUp, kKittyDown, kKittyRight, kKittyLeft};
        const int index = direction - 'A';
        return tap(kArrows[index], std::string("\x1b[") + direction, done);
    }
    bool kitty() const { return kitty_; }

  private:
    bool tap(KittyKey key, const std::string& legacy,
             const std::function<bool(const PtyTerminal&)>& done) {
        if (kitty_) {
            term_.press(key);
        } else {
            term_.send(legacy);
        }
        const bool reached = term_.waitFor(done, kE2eTimeout);
        if (kitty_) term_.release(key);
        return reached;
    }

    PtyTerminal& term_;
    bool kitty_;
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

// From the start position Up collects the digit above and then runs into the top wall; the
// restart puts the apprentice back, standing. Three times, up to the loss banner.
inline void loseAllLivesOnTheTopWall(PtyTerminal& term, Keyboard& keys) {
    for (int lives = 3; lives > 0;) {
        ASSERT_TRUE(keys.tapArrow('A', [lives](const PtyTerminal& t) {
            return livesShown(t) < lives;
        })) << term.screenText();
        const int now = livesShown(term);
        if (lives == 3) {
            EXPECT_EQ(now, 2) << "one collision costs one life";
            EXPECT_GT(pointsShown(term), 0) << term.rowText(19);
            EXPECT_LE(pointsShown(term), 9) << term.rowText(19);
        }
        lives = now;
        if (lives > 0) {
            ASSERT_TRUE(term.waitFor([](const PtyTerminal& t) { return t.cell(3, 2).text == "☺"; },
                                     kE2eTimeout))
                << term.screenText();
            EXPECT_EQ(term.cell(1, 2).text, "▓") << "the wall stays";
            if (!keys.kitty()) term.pump(kTapGapMs);
        }
    }
    ASSERT_TRUE(term.waitForText(29, "# Spiel vorbei - Du hast kein Leben mehr #", kE2eTimeout))
        << term.screenText();
    ASSERT_TRUE(term.waitForText(32, "Druecke Taste 5 zur Fortsetzung!", kE2eTimeout));
}

// The name grid: rows 14..30 in steps of 2, columns 25..53 in steps of 4.
inline bool highlightAt(const PtyTerminal& term, int row, int column) {
    return term.cell(row, column).background == kHighlight;
}
inline std::pair<int, int> findHighlight(const PtyTerminal& term) {
    for (int row = 14; row <= 30; row += 2)
        for (int column = 25; column <= 53; column += 4)
            if (highlightAt(term, row, column)) return {row, column};
    return {0, 0};
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

// Walks the highlight to a cell one step at a time. A key held a little too long under the
// kitty protocol may take it one cell too far; the next step brings it back.
inline void moveHighlightTo(PtyTerminal& term, Keyboard& keys, int row, int column) {
    for (int step = 0; step < 40; ++step) {
        const auto [r, c] = findHighlight(term);
        ASSERT_NE(r, 0) << term.screenText();
        if (r == row && c == column) return;
        const char arrow = r < row ? 'B' : r > row ? 'A' : c < column ? 'C' : 'D';
        ASSERT_TRUE(keys.tapArrow(arrow, [r, c](const PtyTerminal& t) {
            return !highlightAt(t, r, c) && findHighlight(t).first != 0;
        })) << term.screenText();
        term.pump(keys.kitty() ? 100 : kTapGapMs);
    }
    FAIL() << "the highlight did not reach row " << row << ", column " << column;
}

// The program left the terminal as it found it.
inline void expectTerminalGivenBack(const PtyTerminal& term) {
    const termios& before = term.modesAtStart();
    const termios after = term.modes();
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_TRUE(std::equal(std::begin(after.c_cc), std::end(after.c_cc), std::begin(before.c_cc)))
        << "control characters";
    EXPECT_TRUE(term.cursorVisible());
    EXPECT_FALSE(term.altScreen());
    EXPECT_EQ(term.keyboardFlagsPushed(), 0) << "keyboard protocol still pushed";
}

}  // namespace numerion::e2e
