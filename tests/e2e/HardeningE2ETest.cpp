// The real program in a pseudo-terminal under abuse: storms of size changes, floods of keys and
// a terminal that goes away. Nothing may crash, the picture must come back whole, the program
// must keep answering, its memory must stay bounded and the highscore file must not be harmed.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

#if defined(__SANITIZE_ADDRESS__)
#define NUMERION_E2E_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUMERION_E2E_ASAN 1
#endif
#endif

namespace numerion::e2e {
namespace {

constexpr const char* kWall = "▓";

using Picture = std::vector<std::vector<CellLook>>;

Picture pictureOf(const PtyTerminal& term) {
    Picture picture(static_cast<std::size_t>(term.rows()));
    for (int row = 1; row <= term.rows(); ++row) {
        for (int column = 1; column <= term.columns(); ++column)
            picture[static_cast<std::size_t>(row - 1)].push_back(term.cell(row, column));
    }
    return picture;
}

// A blank shows only its background; everything else must match in text and colours.
bool looksAlike(const CellLook& a, const CellLook& b) {
    if (a.text != b.text || a.background != b.background || a.reverse != b.reverse) return false;
    return a.text == " " || (a.foreground == b.foreground && a.bold == b.bold);
}

std::string describe(const CellLook& look) {
    return "'" + look.text + "' fg " + std::to_string(look.foreground) + " bg " +
           std::to_string(look.background);
}

// The cells where the terminal's picture differs from the expected one (empty: none), except
// where skip(row, column) says the cell is checked otherwise.
template <typename Skip>
std::string differences(const PtyTerminal& term, const Picture& expected, Skip skip) {
    if (term.rows() != static_cast<int>(expected.size())) return "size differs";
    std::string found;
    int count = 0;
    for (int row = 1; row <= term.rows(); ++row) {
        const auto& line = expected[static_cast<std::size_t>(row - 1)];
        for (int column = 1; column <= static_cast<int>(line.size()); ++column) {
            if (skip(row, column)) continue;
            const CellLook want = line[static_cast<std::size_t>(column - 1)];
            const CellLook have = term.cell(row, column);
            if (looksAlike(want, have)) continue;
            if (++count <= 8) {
                found += "row " + std::to_string(row) + " column " + std::to_string(column) +
                         ": want " + describe(want) + ", have " + describe(have) + "\n";
            }
        }
    }
    if (count > 8) found += std::to_string(count - 8) + " more\n";
    return found;
}

// Kilobytes from a line of /proc/<pid>/status ("VmRSS", "VmHWM"); -1 when not to be had.
long statusKb(pid_t pid, std::string_view field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(std::string(field) + ":", 0) == 0) {
            return std::atol(line.c_str() + field.size() + 1);
        }
    }
    return -1;
}

std::size_t countOf(const std::string& text, std::string_view what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// Sizes a resize storm goes through: the smallest, the full size, one row or column short,
// larger than needed and odd ones between; rows first.
constexpr std::array<std::array<int, 2>, 14> kStormSizes{{{5, 20},
                                                          {35, 80},
                                                          {34, 80},
                                                          {35, 79},
                                                          {17, 41},
                                                          {36, 81},
                                                          {50, 132},
                                                          {9, 33},
                                                          {24, 80},
                                                          {35, 100},
                                                          {61, 97},
                                                          {5, 80},
                                                          {35, 20},
                                                          {13, 57}}};

// Hundreds of size changes: most in bursts faster than the program can repaint, some with a
// moment in between for it to draw (and, at a large enough size, to play on). Ends at
// 80 x 35. Returns how many size changes there were.
int resizeStorm(PtyTerminal& term, std::mt19937& random, int changes) {
    for (int i = 0; i < changes; ++i) {
        const auto& size = kStormSizes[random() % kStormSizes.size()];
        term.resize(size[0], size[1]);
        if (i % 2 == 0) term.pump(static_cast<int>(random() % 7));
    }
    term.resize(35, 80);
    return changes + 1;
}

// Random keyboard input as terminals send it, and as they send it broken. Each token is one
// key or one broken piece; a broken piece is always followed by a whole escape sequence, so
// that no stray byte of it can turn into a key the flood must not press.
class KeyFlood {
  public:
    // inMenu: no digit 1 to 4 anywhere (not even inside a sequence, where a hang on a loaded
    // machine could split it into plain keys), as those choose from the menu.
    // Always: no arrow, no Space, no keypad digit, no Ctrl+C/Z/\ in either form.
    explicit KeyFlood(bool inMenu, unsigned seed) : inMenu_(inMenu), random_(seed) {}

    // count tokens of input.
    std::string next(int count) {
        std::string bytes;
        for (int i = 0; i < count; ++i) {
            std::string token;
            do {
                token = anyToken();
            } while (!allowed(token));
            bytes += token;
            ++tokens_;
        }
        return bytes;
    }

    long tokens() const { return tokens_; }

  private:
    bool allowed(const std::string& token) const {
        if (!inMenu_) return true;
        return token.find_first_of("1234") == std::string::npos;
    }

    int below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

    template <std::size_t N>
    const char* pick(const std::array<const char*, N>& from) {
        return from[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

    std::string anyToken() {
        switch (below(6)) {
            case 0:
                return legacyByte();
            case 1:
                return escapeSequence();
            case 2:
                return partialSequence() + escapeSequence();
            case 3:
                return utf8();
            case 4:
                return kittyEvent();
            default:
                return "\x1b[O\x1b[I";  // focus lost and found again
        }
    }

    std::string legacyByte() {
        // Printable ASCII without Space, and harmless control bytes (Enter, Tab, Backspace,
        // Ctrl+Space, Ctrl+A).
        static constexpr std::string_view kControls{"\r\t\x7f\x08\x01\0", 6};
        if (below(5) == 0) return std::string(1, kControls[static_cast<std::size_t>(below(6))]);
        return std::string(1, static_cast<char>('!' + below(94)));
    }

    std::string escapeSequence() {
        switch (below(4)) {
            case 0: {
                static constexpr std::array<const char*, 7> kSs3{"P", "Q", "R", "S", "H", "F", "M"};
                return std::string("\x1bO") + pick(kSs3);
            }
            case 1: {
                // Alt plus a letter: Escape, then the letter.
                return std::string("\x1b") + static_cast<char>('a' + below(26));
            }
            default: {
                // Random parameters (sometimes far too many) and a final byte that is no arrow,
                // no kitty key and no focus report.
                std::string sequence = "\x1b[";
                const int length = below(8) == 0 ? 40 + below(200) : below(12);
                static constexpr std::string_view kParameters = "0123456789;:<=>?";
                for (int i = 0; i < length; ++i)
                    sequence += kParameters[static_cast<std::size_t>(below(16))];
                static constexpr std::string_view kFinals = "EFGHJKLMNPQRSTWXYZ~@`abcdefghjklmz";
                sequence +=
                    kFinals[static_cast<std::size_t>(below(static_cast<int>(kFinals.size())))];
                return sequence;
            }
        }
    }

    std::string partialSequence() {
        static constexpr std::array<const char*, 8> kPieces{
            "\x1b", "\x1b[", "\x1b[5;", "\x1bO", "\x1b[?", "\x1b[27;5", "\xe2\x94", "\xf0\x9f"};
        return pick(kPieces);
    }

    std::string utf8() {
        static constexpr std::array<const char*, 10> kCharacters{"ä",
                                                                 "ß",
                                                                 "☺",
                                                                 "€",
                                                                 "\xf0\x9f\x98\x80",
                                                                 "\xff",
                                                                 "\xc0\x80",
                                                                 "\xed\xa0\x80",
                                                                 "\xf4\x90\x80\x80",
                                                                 "\x80\x80"};
        return pick(kCharacters);
    }

    std::string kittyEvent() {
        // Letters, Enter, Escape, Tab, Backspace, modifier and media keys, F13 and unknown
        // private-use numbers; Ctrl only on letters that are no signal.
        static constexpr std::array<int, 14> kCodes{97, 98,  100,   101,   120,   13,    27,
                                                    9,  127, 57441, 57442, 57428, 57376, 60000};
        const int code = kCodes[static_cast<std::size_t>(below(static_cast<int>(kCodes.size())))];
        const int modifiers = 1 + below(16) + (below(4) == 0 ? 128 : 0);
        const int event = 1 + below(3);
        std::string sequence = "\x1b[" + std::to_string(code);
        if (below(3) == 0) {
            sequence += ";" + std::to_string(modifiers);
        } else {
            sequence += ";" + std::to_string(modifiers) + ":" + std::to_string(event);
        }
        return sequence + "u";
    }

    bool inMenu_;
    std::mt19937 random_;
    long tokens_ = 0;
};

// Floods the program with tokens keys in small writes, reading its output between them so
// it never waits on a full terminal. Returns the keys per second it took them at.
double flood(PtyTerminal& term, KeyFlood& keys, int tokens) {
    const auto start = std::chrono::steady_clock::now();
    for (int sent = 0; sent < tokens; sent += 100) {
        term.send(keys.next(100));
        term.pump(4);
    }
    term.send("\x1b[I");  // in focus at the end, whatever the flood said last
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return tokens / took.count();
}

// A highscore file of five results and 95 empty places, record by record as the game
// stores them: points (little-endian), name (16 bytes), date and time (22), 2 spare.
constexpr std::size_t kRecordSize = 44;
constexpr std::size_t kFileSize = 100 * kRecordSize;

std::vector<char> preparedHighscores() {
    struct Result {
        std::int32_t points;
        const char* name;
        const char* dateTime;
    };
    static constexpr std::array<Result, 5> kResults{
        {{4711, "Zauberlehrling", "01.02.2023 - 10:11:12"},
         {815, "Ottokar", "24.12.2022 - 18:00:00"},
         {97, "Bert", "03.03.2021 - 03:03:03"},
         {12, "Wieland", "30.06.2020 - 23:59:59"},
         {10, "Ida", "01.01.2020 - 00:00:01"}}};
    std::vector<char> bytes(kFileSize, '\0');
    for (std::size_t place = 0; place < 100; ++place) {
        char* record = bytes.data() + place * kRecordSize;
        Result result{0, "===============", "05.05.2019 - 05:05:05"};
        if (place < kResults.size()) result = kResults[place];
        for (int i = 0; i < 4; ++i)
            record[i] =
                static_cast<char>((static_cast<std::uint32_t>(result.points) >> (8 * i)) & 0xFF);
        std::memcpy(record + 4, result.name, std::strlen(result.name));
        std::memcpy(record + 20, result.dateTime, std::strlen(result.dateTime));
    }
    return bytes;
}

class HardeningE2ETest : public ::testing::Test {
  protected:
    PtyTerminal::Options options() const {
        PtyTerminal::Options o;
        o.workingDir = dir_.path().string();
        o.captureStderr = true;
        return o;
    }

    void prepareHighscores() {
        const std::vector<char> bytes = preparedHighscores();
        std::ofstream file(dir_.path() / "Highscore.rnk", std::ios::binary);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    ScratchDir dir_;
};

// Hundreds of size changes while the apprentice walks: the walk goes on to the wall, and the
// room comes back whole with the digits of the way collected.
TEST_F(HardeningE2ETest, ResizeStormWhileWalkingEndsInTheWholeRoomWithTheWalkDone) {
    PtyTerminal term({NUMERION_BINARY}, options());
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(startGame(term, keys));
    const Picture before = pictureOf(term);

    // Down column 2 holds a digit on every even row and neither mine nor wall up to the bottom
    // wall; unless that has its opening right there, then Up takes the one digit above.
    const bool down = term.cell(17, 2).text == kWall;
    std::vector<int> pathRows;
    if (down) {
        for (int row = 4; row <= 16; row += 2)
            pathRows.push_back(row);
    } else {
        pathRows.push_back(2);
    }
    int points = 0;
    for (int row : pathRows) {
        const std::string digit = term.cell(row, 2).text;
        ASSERT_TRUE(digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') << row;
        points += digit[0] - '0';
    }
    const std::size_t repaintsBefore = countOf(term.output(), "\x1b[H\x1b[2J");

    // A key pressed while the terminal is too small is no move, so the storm starts once the
    // apprentice is on his way.
    ASSERT_TRUE(keys.tapArrow(down ? 'B' : 'A', [](const PtyTerminal& t) {
        return !apprenticeAtStart(t);
    })) << term.screenText();
    std::mt19937 random(20240607);
    const int changes = resizeStorm(term, random, 400);

    // The walk ends on the wall: one life less and the apprentice back at the start. The rest
    // is the room as before, with the digits of the way collected.
    const auto onPath = [&](int row, int column) {
        return column == 2 &&
               (row == 3 || std::find(pathRows.begin(), pathRows.end(), row) != pathRows.end());
    };
    const auto panelLine = [](int row, int) { return row == 19 || row == 21; };
    const std::string pointsLine = "Punkte: " + std::to_string(points);
    const std::string digitsLine =
        "verbliebene Zahlen: " + std::to_string(20000 - static_cast<int>(pathRows.size()));
    const bool settled = term.waitFor(
        [&](const PtyTerminal& t) {
            return t.rows() == 35 && t.rowText(21).find("Leben:  2") == 0 && apprenticeAtStart(t) &&
                   t.rowText(19).find(pointsLine) == 0 &&
                   differences(t, before, [&](int r, int c) {
                       return onPath(r, c) || panelLine(r, c);
                   }).empty();
        },
        kE2eTimeout);
    ASSERT_TRUE(settled) << differences(term, before, [&](int r, int c) {
        return onPath(r, c) || panelLine(r, c);
    }) << term.screenText();
    for (int row : pathRows)
        EXPECT_EQ(term.cell(row, 2).text, " ") << row;
    EXPECT_NE(term.rowText(19).find("Raum: 1"), std::string::npos) << term.rowText(19);
    EXPECT_NE(term.rowText(21).find(digitsLine), std::string::npos) << term.rowText(21);
    const std::size_t repaints = countOf(term.output(), "\x1b[H\x1b[2J") - repaintsBefore;
    std::printf("[ storm    ] %d size changes, %zu full repaints\n", changes, repaints);
    EXPECT_GT(repaints, 1U) << "the program saw the changes";
}

TEST_F(HardeningE2ETest,
       KeyFloodsAndAResizeStormLeaveMenuInstructionsAndGameAnsweringInBoundedMemory) {
    PtyTerminal term({NUMERION_BINARY}, options());
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForTitle(term));
    const long rssAtStart = statusKb(term.pid(), "VmRSS");

    KeyFlood menuKeys(true, 1);
    const double menuRate = flood(term, menuKeys, 10000);
    ASSERT_TRUE(term.running());
    const long rssAfterMenu = statusKb(term.pid(), "VmRSS");
    // Still the menu, and it still takes a choice.
    ASSERT_TRUE(keys.tap('2', [](const PtyTerminal& t) {
        return t.rowText(35).find(" << mit Leertaste geht es zurueck >>") != std::string::npos;
    })) << term.screenText();

    // A storm on a page that waits for a key: the page comes back whole and still answers.
    const Picture page = pictureOf(term);
    std::mt19937 random(7);
    resizeStorm(term, random, 300);
    const auto nothing = [](int, int) { return false; };
    ASSERT_TRUE(term.waitFor(
        [&](const PtyTerminal& t) {
            return t.rows() == 35 && differences(t, page, nothing).empty();
        },
        kE2eTimeout))
        << differences(term, page, nothing) << term.screenText();
    ASSERT_TRUE(keys.tap(' ', [](const PtyTerminal& t) {
        return t.rowText(35).find("zurueck") == std::string::npos;
    })) << term.screenText();

    ASSERT_NO_FATAL_FAILURE(startGame(term, keys));
    KeyFlood gameKeys(false, 2);
    const double gameRate = flood(term, gameKeys, 10000);
    ASSERT_TRUE(term.running());
    // None of the flood was a move: the apprentice still stands at the start with 3 lives,
    // and the next key moves him.
    EXPECT_TRUE(apprenticeAtStart(term));
    ASSERT_TRUE(keys.tapArrow('A', [](const PtyTerminal& t) { return livesShown(t) == 2; }))
        << term.screenText();
    const long rssAfterGame = statusKb(term.pid(), "VmRSS");
    const long peak = statusKb(term.pid(), "VmHWM");
    std::printf(
        "[ flood    ] menu %.0f keys/s, game %.0f keys/s; VmRSS start %ld kB, after menu flood "
        "%ld kB, after game flood %ld kB, peak %ld kB\n",
        menuRate, gameRate, rssAtStart, rssAfterMenu, rssAfterGame, peak);
#ifndef NUMERION_E2E_ASAN
    // Keys are not piled up: what a flood leaves behind is small beside the castle.
    EXPECT_LT(rssAfterGame - rssAtStart, 8 * 1024);
    EXPECT_LT(peak, 32 * 1024);
#endif

    // A hang-up signal ends it as the termination request it is, with the terminal restored.
    ASSERT_EQ(::kill(term.pid(), SIGHUP), 0);
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 13));
    expectTerminalGivenBack(term);
    expectHangUpReport(term.errorOutput());
}

TEST_F(HardeningE2ETest, ClosedTerminalDuringAWalkEndsTheGameAsTerminatedAndLeavesTheListAlone) {
    prepareHighscores();
    const std::vector<char> before = fileBytes(dir_.path() / "Highscore.rnk");
    PtyTerminal term({NUMERION_BINARY}, options());
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(startGame(term, keys));
    ASSERT_TRUE(keys.tapArrow('B', [](const PtyTerminal& t) { return !apprenticeAtStart(t); }))
        << term.screenText();

    const auto start = std::chrono::steady_clock::now();
    const auto status = term.hangUp(kE2eTimeout);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(status.has_value()) << "still running after the hang-up";
    std::printf("[ hang-up  ] game ended %.0f ms after the terminal closed\n", took.count());
    EXPECT_TRUE(status->exited);
    EXPECT_EQ(status->code, 13);
    expectHangUpReport(term.errorOutput());
    EXPECT_EQ(fileBytes(dir_.path() / "Highscore.rnk"), before);
}

}  // namespace
}  // namespace numerion::e2e
