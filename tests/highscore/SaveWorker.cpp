// One of the processes of the highscore race test (HighscoreFileTest): in the directory given
// it loads the list once, as a game does at its start, then saves results through the game's
// own save until its time is up. At the end it prints each result with the place the save gave
// it (101: the list had outgrown it), one per line: points, name, place.
//
//   numerion_save_worker <directory> <worker number> <milliseconds>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "highscore/Bestenlisteneintrag.h"
#include "highscore/HighscoreFile.h"
#include "highscore/HighscoreTable.h"
#include "support/VirtualPlatform.h"

int main(int argc, char** argv) {
    using namespace numerion;
    if (argc != 4) {
        std::fprintf(stderr, "usage: numerion_save_worker <directory> <worker> <milliseconds>\n");
        return 2;
    }
    std::filesystem::current_path(argv[1]);
    const int worker = std::atoi(argv[2]);
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(argv[3]));
    VirtualPlatform platform;
    HighscoreTable table;
    initHighscoreFile(table, platform.keys);
    // Points unique among all workers: every other result better than all before it, the rest
    // in no order (7919 and 1000003 are primes), so that the list fills up and some results
    // come too late for it.
    constexpr int kWorkers = 16;
    std::string report;
    for (int n = 0; std::chrono::steady_clock::now() < until; ++n) {
        const std::int64_t id = static_cast<std::int64_t>(n) * kWorkers + worker;
        const auto points =
            static_cast<std::int32_t>(n % 2 == 0 ? 2000000 + id : 1 + id * 7919 % 1000003);
        const std::string name = "W" + std::to_string(worker) + "-" + std::to_string(n);
        std::int32_t place = 101;
        saveResult(table, points, name, "01.01.2026 - 00:00:00", place);
        report += std::to_string(points) + " " + name + " " + std::to_string(place) + "\n";
    }
    std::fputs(report.c_str(), stdout);
    return 0;
}
