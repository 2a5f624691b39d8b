// The castle game's costs: building one castle, and the bytes the terminal renderer sends for
// the frames a game really draws (a walking tick, a tick collecting a digit, a room change).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/terminal/Renderer.h"
#include "console/terminal/TerminalScreen.h"
#include "game/Castle.h"
#include "game/Schlossbau.h"
#include "game/Spielrunde.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

void BM_SchlossbauOneCastle(benchmark::State& state) {
    RandomGenerator random;
    random.randomize(1);
    auto castle = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;
    for (auto _ : state) {
        SCHLOSSBAU(random, *castle, candidates, workingCopy);
        benchmark::DoNotOptimize(castle.get());
    }
}
BENCHMARK(BM_SchlossbauOneCastle)->Unit(benchmark::kMicrosecond);

// One game on the virtual platform: the apprentice goes up into the digit row of room 1 and
// walks right along it, collecting a digit every second tick, then goes through the right
// door of a room. The picture after every tick is kept.
struct RecordedGame {
    Picture start;
    std::vector<Picture> digitTicks;  // pictures after ticks that collected a digit
    std::vector<Picture> emptyTicks;  // after ticks that only moved him
    std::vector<Picture> beforeDigit;
    std::vector<Picture> beforeEmpty;
    Picture beforeRoomChange;
    Picture afterRoomChange;
    // Bytes a TerminalScreen on the same model sent, when one was attached.
    std::size_t startBytes = 0;
    std::vector<std::size_t> tickBytes;  // one entry per walking tick
    std::size_t roomChangeBytes = 0;
};

RecordedGame recordGame(int terminalFd = -1) {
    RecordedGame record;
    VirtualPlatform p;
    std::unique_ptr<TerminalScreen> terminal;
    if (terminalFd >= 0) {
        terminal = std::make_unique<TerminalScreen>(terminalFd, p.screen);
        terminal->enter();
    }
    auto present = [&] {
        if (!terminal) return std::size_t{0};
        const std::size_t before = terminal->bytesSent();
        terminal->present();
        return terminal->bytesSent() - before;
    };
    auto castle = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;
    p.random.randomize(1);
    SCHLOSSBAU(p.random, *castle, candidates, workingCopy);
    GameState game;
    const std::int32_t bestPoints = 4711;
    setGameStartValues(game);
    RAUMANZEIGE(p.io, *castle, game, bestPoints);
    record.start = pictureOf(p.screen);
    record.startBytes = present();

    // Row 2 of the screen is cell row 1: digits on odd columns, no mines (the band).
    Picture previous = record.start;
    std::int32_t lastDigits = game.digitsLeft;
    p.onWait([&](double) {
        const Picture now = pictureOf(p.screen);
        if (now == previous) return;
        record.tickBytes.push_back(present());
        if (game.digitsLeft != lastDigits) {
            record.beforeDigit.push_back(previous);
            record.digitTicks.push_back(now);
        } else {
            record.beforeEmpty.push_back(previous);
            record.emptyTicks.push_back(now);
        }
        lastDigits = game.digitsLeft;
        previous = now;
    });
    p.hold(Key::Up, 0, 100);
    p.hold(Key::Right, 100, 190);
    p.setDeadline(180 + 47 * 90 + 45);  // he stands on screen column 50, next to the wall
    try {
        runTicks(p.io, *castle, game, bestPoints);
    } catch (const std::runtime_error&) {
    }
    p.onWait({});

    // Through the right door of room 1: stand just before it, facing it.
    int doorRow = 1;
    while (castle->at(doorRow, 50, 1) != kEmpty)
        ++doorRow;
    game.playerRow = doorRow + 1;
    game.playerColumn = 50;
    game.direction = Direction::Right;
    RAUMANZEIGE(p.io, *castle, game, bestPoints);
    game.direction = Direction::Right;
    record.beforeRoomChange = pictureOf(p.screen);
    present();
    p.setDeadline(p.nowMs() + 90 + 45);
    try {
        runTicks(p.io, *castle, game, bestPoints);
    } catch (const std::runtime_error&) {
    }
    if (game.room != 2) throw std::logic_error("the recorded game did not change room");
    record.afterRoomChange = pictureOf(p.screen);
    record.roomChangeBytes = present();
    return record;
}

// The median is the figure to hold against the budget: a digit tick also redraws two panel
// lines, so the mean sits above what most ticks send.
double median(std::vector<std::size_t> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    if (values.size() % 2 == 1) return static_cast<double>(values[mid]);
    return (static_cast<double>(values[mid - 1]) + static_cast<double>(values[mid])) / 2;
}

double mean(const std::vector<std::size_t>& values) {
    double sum = 0;
    for (std::size_t v : values)
        sum += static_cast<double>(v);
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

const RecordedGame& recorded() {
    static const RecordedGame record = recordGame();
    return record;
}

// Renders "after" on a terminal that shows "before"; bytes per frame over the distinct frames.
void renderFrames(benchmark::State& state, const std::vector<Picture>& before,
                  const std::vector<Picture>& after) {
    Renderer renderer(TerminalTraits{});
    std::string frame;
    std::vector<std::size_t> sizes(after.size());
    std::size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        renderer.invalidate();
        frame.clear();
        renderer.render(before[i], frame);
        frame.clear();
        state.ResumeTiming();
        renderer.render(after[i], frame);
        sizes[i] = frame.size();
        i = (i + 1) % after.size();
    }
    state.counters["bytes_per_frame"] = mean(sizes);
    state.counters["bytes_median"] = median(sizes);
    state.counters["bytes_max"] =
        static_cast<double>(*std::max_element(sizes.begin(), sizes.end()));
    state.counters["distinct_frames"] = static_cast<double>(after.size());
}

void BM_FrameWalkingTick(benchmark::State& state) {
    renderFrames(state, recorded().beforeEmpty, recorded().emptyTicks);
}
BENCHMARK(BM_FrameWalkingTick);

void BM_FrameDigitTick(benchmark::State& state) {
    renderFrames(state, recorded().beforeDigit, recorded().digitTicks);
}
BENCHMARK(BM_FrameDigitTick);

void BM_FrameRoomChange(benchmark::State& state) {
    renderFrames(state, {recorded().beforeRoomChange}, {recorded().afterRoomChange});
}
BENCHMARK(BM_FrameRoomChange);

void BM_FrameGameStart(benchmark::State& state) {
    Renderer renderer(TerminalTraits{});
    std::string frame;
    for (auto _ : state) {
        renderer.invalidate();
        frame.clear();
        renderer.render(recorded().start, frame);
    }
    state.counters["bytes_per_frame"] = static_cast<double>(frame.size());
}
BENCHMARK(BM_FrameGameStart);

// The same game presented by the real TerminalScreen writing to /dev/null, counted by its
// bytesSent(): one present() per tick, as the terminal platform presents before every wait.
void BM_TerminalScreenGame(benchmark::State& state) {
    const int fd = ::open("/dev/null", O_WRONLY);
    RecordedGame record;
    for (auto _ : state)
        record = recordGame(fd);
    ::close(fd);
    state.counters["bytes_start"] = static_cast<double>(record.startBytes);
    state.counters["bytes_per_tick"] = mean(record.tickBytes);
    state.counters["bytes_tick_median"] = median(record.tickBytes);
    state.counters["bytes_tick_max"] =
        static_cast<double>(*std::max_element(record.tickBytes.begin(), record.tickBytes.end()));
    state.counters["bytes_room_change"] = static_cast<double>(record.roomChangeBytes);
}
BENCHMARK(BM_TerminalScreenGame)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace numerion
