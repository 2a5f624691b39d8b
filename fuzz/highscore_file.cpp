// Any bytes as "Highscore.rnk": the file loads, every page is drawn in every style, and what
// the screen shows stays in its place: no byte of the file rings, moves the cursor or scrolls.

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
#include <vector>

#include "console/VirtualPlatform.h"
#include "highscore/Bestenliste.h"
#include "highscore/HighscoreTable.h"

using namespace numerion;

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "highscore_file: %s\n", what);
        std::abort();
    }
}

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

void showEveryPage(VirtualPlatform& platform, const HighscoreTable& table, double seed) {
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

    for (int style = 1; style <= 4; ++style) {
        showEveryPage(platform, table, seeds[static_cast<std::size_t>(style)]);
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
