// Any bytes as "Highscore.rnk": the file loads, every page of the list is drawn, and what the
// screen shows stays in its place: no byte of the file rings, moves the cursor or scrolls. The
// screen goes through the real renderer to two kinds of terminal, and no byte of the file may
// reach either as a control character: outside the renderer's own escape sequences there are
// only the glyphs of the code page.

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "console/Glyphs.h"
#include "console/terminal/Renderer.h"
#include "highscore/Bestenliste.h"
#include "highscore/HighscoreTable.h"
#include "support/VirtualPlatform.h"

using namespace numerion;

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "highscore_file: %s\n", what);
        std::abort();
    }
}

// The characters a cell can show on a UTF-8 terminal.
bool isGlyph(char32_t codePoint) {
    static const std::vector<bool> glyphs = [] {
        std::vector<bool> known(0x10000, false);
        for (int b = 0; b <= 255; ++b) {
            const char32_t g = glyphCodePoint(static_cast<std::uint8_t>(b));
            if (g < known.size()) known[g] = true;
        }
        return known;
    }();
    return codePoint < glyphs.size() && glyphs[codePoint];
}

// Index just past the escape sequence at out[i]: a CSI sequence or a two-byte one. Anything
// else (a string sequence, a sequence cut off) is not what the renderer writes.
std::size_t skipEscape(std::string_view out, std::size_t i) {
    check(i + 1 < out.size(), "an escape sequence is cut off");
    std::size_t j = i + 1;
    if (out[j] != '[') {
        const auto b = static_cast<std::uint8_t>(out[j]);
        check(b >= 0x30 && b <= 0x7e &&
                  std::string_view("P]X^_").find(out[j]) == std::string_view::npos,
              "an escape sequence the renderer does not write");
        return j + 1;
    }
    ++j;
    while (j < out.size() && out[j] >= 0x30 && out[j] <= 0x3f)
        ++j;
    while (j < out.size() && out[j] >= 0x20 && out[j] <= 0x2f)
        ++j;
    check(j < out.size() && out[j] >= 0x40 && out[j] <= 0x7e, "a CSI sequence without its end");
    return j + 1;
}

// What the renderer sent: escape sequences, and between them glyphs only. No C0 or C1 control,
// no DEL, and on a terminal without UTF-8 nothing but printable ASCII.
void checkTerminalBytes(std::string_view out, bool utf8) {
    std::size_t i = 0;
    while (i < out.size()) {
        const auto b = static_cast<std::uint8_t>(out[i]);
        if (b == 0x1b) {
            i = skipEscape(out, i);
            continue;
        }
        check(b >= 0x20 && b != 0x7f, "a C0 control byte reached the terminal");
        if (b < 0x80) {
            ++i;
            continue;
        }
        check(utf8, "a byte above 127 reached a terminal without UTF-8");
        const int length = b >= 0xf0 ? 4 : b >= 0xe0 ? 3 : b >= 0xc0 ? 2 : 0;
        check(length > 0 && i + static_cast<std::size_t>(length) <= out.size(), "broken UTF-8");
        char32_t codePoint = b & (0x7f >> length);
        for (int k = 1; k < length; ++k) {
            const auto c = static_cast<std::uint8_t>(out[i + static_cast<std::size_t>(k)]);
            check((c & 0xc0) == 0x80, "broken UTF-8");
            codePoint = (codePoint << 6) | (c & 0x3f);
        }
        check(!(codePoint >= 0x80 && codePoint <= 0x9f), "a C1 control reached the terminal");
        check(isGlyph(codePoint), "a character that is no glyph of the code page");
        i += static_cast<std::size_t>(length);
    }
}

// A terminal that gets the frames of the screen model.
struct TerminalCheck {
    explicit TerminalCheck(const TerminalTraits& traits) : renderer(traits), utf8(traits.utf8) {}
    void frame(const Picture& picture) {
        bytes.clear();
        renderer.render(picture, bytes);
        checkTerminalBytes(bytes, utf8);
    }
    Renderer renderer;
    bool utf8;
    std::string bytes;
};

// One terminal with UTF-8 and 256 colours, one with neither UTF-8 nor erasing in colour and
// 8 colours (ASCII look-alikes, bold for bright).
struct Terminals {
    TerminalCheck modern{TerminalTraits{}};
    TerminalCheck old{TerminalTraits{.colours = 8, .utf8 = false, .backColourErase = false}};
    void frame(const TextConsole& screen) {
        const Picture picture = pictureOf(screen);
        modern.frame(picture);
        old.frame(picture);
    }
};

std::array<double, 5> stylesSeeds() {
    std::array<double, 5> seeds{};
    std::array<bool, 5> found{};
    for (int seed = 0; !(found[1] && found[2] && found[3] && found[4]); ++seed) {
        RandomGenerator generator;
        generator.randomize(seed);
        const int style = generator.below(4) + 1;
        if (!found[static_cast<std::size_t>(style)]) {
            found[static_cast<std::size_t>(style)] = true;
            seeds[static_cast<std::size_t>(style)] = seed;
        }
    }
    return seeds;
}

std::vector<std::uint8_t> fileBytes() {
    std::ifstream in(kHighscoreFileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kBlankRow(80, ' ');

// The rows a page of the list never touches, and the place numbers of the page it shows.
void checkPage(const VirtualPlatform& platform, int firstPlace) {
    check(platform.row(3).find("Bestenliste ( Top 100 )") == 26, "header moved");
    for (int r : {1, 2, 5, 7, 27, 28, 29, 30, 31, 32, 35}) {
        check(platform.row(r) == kBlankRow, "a row outside the page was written");
    }
    check(platform.row(33).rfind(" Blaettern", 0) == 0, "help line moved");
    for (int n = 0; n < 10; ++n) {
        const std::string row = platform.row(8 + 2 * n);
        check(platform.row(9 + 2 * n) == kBlankRow, "a row between places was written");
        check(row.substr(0, 4) == "    ", "place column shifted");
        check(std::atoi(row.substr(4, 3).c_str()) == firstPlace + n, "wrong place shown");
        check(row.substr(78) == "  ", "a row ran past column 78");
    }
}

// Every byte a cell can hold reaches either terminal as a glyph and never as a control: so any
// frame of the model, also the many drawn on the way to a page, is safe to show. The renderers
// then get each page's final frame, with the file's bytes in place.
void checkEveryCellByteIsAGlyph() {
    Picture picture{};
    for (int b = 0; b < 256; ++b)
        picture.at(1 + b / 80, 1 + b % 80) = Cell{static_cast<std::uint8_t>(b), 7};
    Terminals terminals;
    terminals.modern.frame(picture);
    terminals.old.frame(picture);
}

void showEveryPage(VirtualPlatform& platform, const HighscoreTable& table, double seed,
                   Terminals& terminals) {
    platform.random.randomize(seed);
    platform.setDeadline(platform.nowMs() + 60.0 * 60 * 1000);
    int passes = 0;
    std::size_t sleepsSeen = platform.sleeps().size();
    platform.onWait([&](double now) {
        check(platform.beeps() == 0, "a byte of the file rang the bell");
        check(!platform.screen.lineFeedPending(), "a line feed is pending");
        const auto& sleeps = platform.sleeps();
        if (sleeps.size() == sleepsSeen) return;
        sleepsSeen = sleeps.size();
        if (sleeps.back() != 80) return;
        terminals.frame(platform.screen);
        // Each poll: release the last key, check the page, then page on or leave.
        platform.release(Key::Down, now);
        checkPage(platform, 1 + 10 * (passes < 10 ? passes : 9));
        platform.press(passes < 9 ? Key::Down : Key::Space, now);
        ++passes;
    });
    BESTENLISTENANZEIGE(platform.io, 1, table, 0, 101);
    platform.onWait({});
    platform.release(Key::Space, platform.nowMs());
    check(passes == 10, "the list did not page through all ten pages");
    for (int r = 1; r <= 35; ++r)
        check(platform.row(r) == kBlankRow, "not cleared on return");
}

// The private directory the runs share; removed again when the fuzzer ends.
char workDir[64] = "";

void removeWorkDir() {
    if (workDir[0] == '\0') return;
    const std::string file = std::string(workDir) + "/" + kHighscoreFileName;
    ::unlink(file.c_str());
    ::rmdir(workDir);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/dev/shm/numerion-fuzz-XXXXXX";
    char fallback[] = "/tmp/numerion-fuzz-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (dir == nullptr) dir = ::mkdtemp(fallback);
    if (dir == nullptr || ::chdir(dir) != 0) std::abort();
    std::snprintf(workDir, sizeof workDir, "%s", dir);
    std::atexit(removeWorkDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::array<double, 5> seeds = stylesSeeds();
    static const bool glyphsChecked = (checkEveryCellByteIsAGlyph(), true);
    (void)glyphsChecked;
    const std::vector<std::uint8_t> input(data, data + size);
    {
        std::ofstream out(kHighscoreFileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    VirtualPlatform platform;
    HighscoreTable table;
    initHighscoreFile(table, platform.keys);
    check(fileBytes() == input, "loading changed the file");
    HighscoreTable::Image expected{};
    std::memcpy(expected.data(), data, size < expected.size() ? size : expected.size());
    check(table.image() == expected, "the table is not the file's image");

    // The two printed styles cost little and run for every file. The two sliding styles print
    // the same row texts at the same places, only in another order, and each costs 780 waits a
    // page: one of them per file, chosen by its bytes, so both are fuzzed and a crash repeats.
    std::uint32_t hash = 2166136261U;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619U;
    Terminals terminals;
    terminals.frame(platform.screen);
    for (int style : {1, 2, 3 + static_cast<int>(hash & 1U)}) {
        showEveryPage(platform, table, seeds[static_cast<std::size_t>(style)], terminals);
        terminals.frame(platform.screen);
    }

    // A save writes the image over the start and keeps whatever lies beyond it.
    if (table.at(100).points < std::numeric_limits<std::int32_t>::max()) {
        std::int32_t newPlace = 101;
        insertResult(table, table.at(100).points + 1, "FUZZ", "01.01.2000 - 00:00:00", newPlace);
        check(newPlace >= 1 && newPlace <= 100, "no place for a qualifying result");
        saveHighscoreFile(table);
        const auto saved = fileBytes();
        const auto image = table.image();
        check(saved.size() == (size > 4400 ? size : 4400), "the save changed the file's length");
        check(std::equal(image.begin(), image.end(), saved.begin()), "the save is not the image");
        check(std::equal(input.begin() + static_cast<std::ptrdiff_t>(size > 4400 ? 4400 : size),
                         input.end(),
                         saved.begin() + static_cast<std::ptrdiff_t>(size > 4400 ? 4400 : size)),
              "the save lost the file's tail");
    }
    return 0;
}
