// Any bytes as "Highscore.rnk": the file loads, every page of the list is drawn, and what the
// screen shows stays in its place: no byte of the file rings, moves the cursor or scrolls. The
// screen goes through the real renderer to two kinds of terminal, and no byte of the file may
// reach either as a control character: outside the renderer's own escape sequences there are
// only the glyphs of the code page.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "console/Glyphs.h"
#include "console/terminal/Renderer.h"
#include "highscore/Bestenlistenanzeige.h"
#include "highscore/Bestenlisteneintrag.h"
#include "highscore/HighscoreFile.h"
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

// The helpers that read whole frames or a terminal's bytes one by one are built without
// sanitizers and coverage, like the screen model itself (fuzz/CMakeLists.txt): instrumenting
// their thousands of reads a frame would cost more than everything else a file takes. They
// call no inline accessor, which would stay an instrumented call here.
#define NUMERION_UNINSTRUMENTED __attribute__((no_sanitize("address", "undefined", "coverage")))

// The characters a cell can show on a UTF-8 terminal, by code point (all lie below 0x10000).
bool glyphs[0x10000];

void learnGlyphs() {
    for (int b = 0; b <= 255; ++b) {
        const char32_t g = glyphCodePoint(static_cast<std::uint8_t>(b));
        check(g < 0x10000, "a glyph beyond the first plane");
        glyphs[g] = true;
    }
}

NUMERION_UNINSTRUMENTED bool isGlyph(char32_t codePoint) {
    return codePoint < 0x10000 && glyphs[codePoint];
}

// Index just past the escape sequence at out[i]: a CSI sequence or a two-byte one. Anything
// else (a string sequence, a sequence cut off) is not what the renderer writes.
NUMERION_UNINSTRUMENTED std::size_t skipEscape(const unsigned char* out, std::size_t size,
                                               std::size_t i) {
    check(i + 1 < size, "an escape sequence is cut off");
    std::size_t j = i + 1;
    if (out[j] != '[') {
        const unsigned char b = out[j];
        check(b >= 0x30 && b <= 0x7e && b != 'P' && b != ']' && b != 'X' && b != '^' && b != '_',
              "an escape sequence the renderer does not write");
        return j + 1;
    }
    ++j;
    while (j < size && out[j] >= 0x30 && out[j] <= 0x3f)
        ++j;
    while (j < size && out[j] >= 0x20 && out[j] <= 0x2f)
        ++j;
    check(j < size && out[j] >= 0x40 && out[j] <= 0x7e, "a CSI sequence without its end");
    return j + 1;
}

// What the renderer sent: escape sequences, and between them glyphs only. No C0 or C1 control,
// no DEL, and on a terminal without UTF-8 nothing but printable ASCII.
NUMERION_UNINSTRUMENTED void checkTerminalBytes(const unsigned char* out, std::size_t size,
                                                bool utf8) {
    std::size_t i = 0;
    while (i < size) {
        const unsigned char b = out[i];
        if (b == 0x1b) {
            i = skipEscape(out, size, i);
            continue;
        }
        check(b >= 0x20 && b != 0x7f, "a C0 control byte reached the terminal");
        if (b < 0x80) {
            ++i;
            continue;
        }
        check(utf8, "a byte above 127 reached a terminal without UTF-8");
        const int length = b >= 0xf0 ? 4 : b >= 0xe0 ? 3 : b >= 0xc0 ? 2 : 0;
        check(length > 0 && i + static_cast<std::size_t>(length) <= size, "broken UTF-8");
        char32_t codePoint = b & (0x7f >> length);
        for (int k = 1; k < length; ++k) {
            const unsigned char c = out[i + static_cast<std::size_t>(k)];
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
        checkTerminalBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                           utf8);
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
    void frame(const TextConsole& screen);
    Picture picture;
};

// For each style of the list (1 to 4), a generator seeded so that the list picks that style.
// Copied into the platform for each pass: seeding takes longer than drawing a printed page.
std::array<RandomGenerator, 5> styleGenerators() {
    std::array<RandomGenerator, 5> generators{};
    std::array<bool, 5> found{};
    for (int seed = 0; !(found[1] && found[2] && found[3] && found[4]); ++seed) {
        RandomGenerator generator;
        generator.randomize(seed);
        RandomGenerator seeded = generator;
        const auto style = static_cast<std::size_t>(generator.below(4) + 1);
        if (!found[style]) {
            found[style] = true;
            generators[style] = seeded;
        }
    }
    return generators;
}

// The file is written and read back with plain calls into buffers kept across runs: streams
// and fresh buffers cost more than the loading they set up.
void writeFile(const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(kHighscoreFileName, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(fd >= 0, "cannot write the file");
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        check(n > 0, "cannot write the file");
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

const std::vector<std::uint8_t>& fileBytes() {
    static std::vector<std::uint8_t> bytes;
    bytes.clear();
    const int fd = ::open(kHighscoreFileName, O_RDONLY);
    check(fd >= 0, "cannot read the file");
    for (;;) {
        const std::size_t have = bytes.size();
        bytes.resize(have + 8192);
        const ssize_t n = ::read(fd, bytes.data() + have, 8192);
        check(n >= 0, "cannot read the file");
        bytes.resize(have + static_cast<std::size_t>(n));
        if (n == 0) break;
    }
    ::close(fd);
    return bytes;
}

NUMERION_UNINSTRUMENTED void copyScreen(const TextConsole& screen, Picture& picture) {
    Cell* cells = picture.cells.data();
    for (int row = 1; row <= Picture::kRows; ++row) {
        for (int column = 1; column <= Picture::kColumns; ++column)
            *cells++ = screen.cell(row, column);
    }
    picture.cursorRow = screen.cursorRow();
    picture.cursorColumn = screen.cursorColumn();
    picture.cursorVisible = screen.cursorVisible();
}

NUMERION_UNINSTRUMENTED bool samePicture(const Picture& a, const Picture& b) {
    const Cell* x = a.cells.data();
    const Cell* y = b.cells.data();
    for (int i = 0; i < Picture::kRows * Picture::kColumns; ++i) {
        if (x[i].ch != y[i].ch || x[i].attr != y[i].attr) return false;
    }
    return a.cursorRow == b.cursorRow && a.cursorColumn == b.cursorColumn &&
           a.cursorVisible == b.cursorVisible;
}

// A frame's cells as a plain array, so that the helpers below call no accessor per cell.
using Cells = const Cell*;

NUMERION_UNINSTRUMENTED unsigned char charAt(Cells cells, int r, int c) {
    return cells[(r - 1) * Picture::kColumns + (c - 1)].ch;
}

NUMERION_UNINSTRUMENTED bool blankRow(Cells cells, int r) {
    for (int c = 1; c <= Picture::kColumns; ++c)
        if (charAt(cells, r, c) != ' ') return false;
    return true;
}

NUMERION_UNINSTRUMENTED bool shows(Cells cells, int r, int column, const char* text) {
    for (int i = 0; text[i] != '\0'; ++i)
        if (charAt(cells, r, column + i) != static_cast<unsigned char>(text[i])) return false;
    return true;
}

// The rows a page of the list never touches, and the place numbers of the page it shows.
void checkPage(const Picture& frame, int firstPlace) {
    const Cells cells = frame.cells.data();
    check(shows(cells, 3, 27, "Bestenliste ( Top 100 )"), "header moved");
    for (int r : {1, 2, 5, 7, 27, 28, 29, 30, 31, 32, 35}) {
        check(blankRow(cells, r), "a row outside the page was written");
    }
    check(shows(cells, 33, 1, " Blaettern"), "help line moved");
    for (int n = 0; n < 10; ++n) {
        const int r = 8 + 2 * n;
        check(blankRow(cells, r + 1), "a row between places was written");
        check(shows(cells, r, 1, "    "), "place column shifted");
        // The place number: the digits in columns 5 to 7, after blanks.
        int c = 5;
        while (c <= 7 && charAt(cells, r, c) == ' ')
            ++c;
        int shown = 0;
        for (; c <= 7 && charAt(cells, r, c) >= '0' && charAt(cells, r, c) <= '9'; ++c)
            shown = shown * 10 + (charAt(cells, r, c) - '0');
        check(shown == firstPlace + n, "wrong place shown");
        check(shows(cells, r, 79, "  "), "a row ran past column 78");
    }
}

void Terminals::frame(const TextConsole& screen) {
    copyScreen(screen, picture);
    modern.frame(picture);
    old.frame(picture);
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

// The final frame of each page of a pass through the list.
using PageFrames = std::array<Picture, 10>;

// Pages through the list in the style the seeded generator gives. Each page's final frame goes to
// shown, and through the renderers unless it is the frame that same page had in the pass given as
// seen: the renderers have checked that frame already.
void showEveryPage(VirtualPlatform& platform, const HighscoreTable& table,
                   const RandomGenerator& seeded, Terminals& terminals, PageFrames& shown,
                   const PageFrames* seen) {
    platform.random = seeded;
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
        // Each poll: release the last key, check the page, then page on or leave.
        platform.release(Key::Down, now);
        const std::size_t page = passes < 10 ? static_cast<std::size_t>(passes) : 9;
        Picture& frame = shown[page];
        copyScreen(platform.screen, frame);
        checkPage(frame, 1 + 10 * static_cast<int>(page));
        if (passes < 10 && (seen == nullptr || !samePicture(frame, (*seen)[page]))) {
            terminals.modern.frame(frame);
            terminals.old.frame(frame);
        }
        platform.press(passes < 9 ? Key::Down : Key::Space, now);
        ++passes;
    });
    BESTENLISTENANZEIGE(platform.io, 1, table, 0, 101);
    platform.onWait({});
    platform.release(Key::Space, platform.nowMs());
    check(passes == 10, "the list did not page through all ten pages");
    copyScreen(platform.screen, terminals.picture);
    for (int r = 1; r <= 35; ++r)
        check(blankRow(terminals.picture.cells.data(), r), "not cleared on return");
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
    static const std::array<RandomGenerator, 5> styles = styleGenerators();
    static const bool glyphsChecked = (learnGlyphs(), checkEveryCellByteIsAGlyph(), true);
    (void)glyphsChecked;
    writeFile(data, size);

    VirtualPlatform platform;
    HighscoreTable table;
    initHighscoreFile(table, platform.keys);
    const std::vector<std::uint8_t>& loaded = fileBytes();
    check(loaded.size() == size && std::equal(loaded.begin(), loaded.end(), data),
          "loading changed the file");
    HighscoreTable::Image expected{};
    std::memcpy(expected.data(), data, size < expected.size() ? size : expected.size());
    check(table.image() == expected, "the table is not the file's image");

    // Both printed styles run for every file. They show the same pages (one pauses between
    // rows), so the renderers check a page of the second only where it differs from the first.
    // The two sliding styles print the same row texts at the same places, only in another
    // order, with 780 waits a page: one pass costs about five times all the rest of a file.
    // One of them is drawn for one file in kSlideEvery, both chosen by the file's bytes, so
    // both are fuzzed and a crash repeats.
    constexpr std::uint32_t kSlideEvery = 16;
    std::uint32_t hash = 2166136261U;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619U;
    static PageFrames printed;
    static PageFrames other;
    Terminals terminals;
    terminals.frame(platform.screen);
    showEveryPage(platform, table, styles[1], terminals, printed, nullptr);
    terminals.frame(platform.screen);
    showEveryPage(platform, table, styles[2], terminals, other, &printed);
    terminals.frame(platform.screen);
    if ((hash >> 1) % kSlideEvery == 0) {
        showEveryPage(platform, table, styles[3 + (hash & 1U)], terminals, other, nullptr);
        terminals.frame(platform.screen);
    }

    // A save writes the image over the start and keeps whatever lies beyond it.
    if (table.at(100).points < std::numeric_limits<std::int32_t>::max()) {
        std::int32_t newPlace = 101;
        saveResult(table, table.at(100).points + 1, "FUZZ", "01.01.2000 - 00:00:00", newPlace);
        check(newPlace >= 1 && newPlace <= 100, "no place for a qualifying result");
        const std::vector<std::uint8_t>& saved = fileBytes();
        const auto image = table.image();
        const std::size_t kept = size > image.size() ? image.size() : size;
        check(saved.size() == (size > image.size() ? size : image.size()),
              "the save changed the file's length");
        check(std::equal(image.begin(), image.end(), saved.begin()), "the save is not the image");
        check(
            std::equal(data + kept, data + size, saved.begin() + static_cast<std::ptrdiff_t>(kept)),
            "the save lost the file's tail");
    }
    return 0;
}
