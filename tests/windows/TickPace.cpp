// How long the game's waits really take on this Windows (or wine): sleepMs(90), the play
// loop's tick, and sleepMs(50), the menu's step, through the real platform, as the game opens
// it. A measurement, printed; the budget is the reader's (the default timer granularity of
// Windows, 15.6 ms, would show as ticks of about 94 ms).

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "console/HostPlatform.h"
#include "console/KeyInput.h"
#include "console/TextConsole.h"

namespace {

double nowMs() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void measure(numerion::KeyInput& keys, int ms, int count) {
    double total = 0;
    double longest = 0;
    double shortest = 1e9;
    for (int i = 0; i < count; ++i) {
        const double start = nowMs();
        keys.sleepMs(ms);
        const double took = nowMs() - start;
        total += took;
        longest = std::max(longest, took);
        shortest = std::min(shortest, took);
    }
    std::printf("sleepMs(%d) x %d: mean %.2f ms, shortest %.2f ms, longest %.2f ms\n", ms, count,
                total / count, shortest, longest);
}

}  // namespace

int main() {
    using namespace numerion;
    TextConsole screen;
    const std::unique_ptr<HostPlatform> platform = HostPlatform::open(screen);
    KeyInput keys(platform->platform());
    measure(keys, 90, 50);
    measure(keys, 50, 50);
    const double start = nowMs();
    keys.beep();
    std::printf("beep: %.1f ms\n", nowMs() - start);
    return 0;
}
