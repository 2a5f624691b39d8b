// Bytes the terminal renderer sends for typical frames, and the time it takes to build them.
// The "bytes" counter is the size of one frame as written to the terminal.

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

#include "console/TextConsole.h"
#include "console/terminal/Renderer.h"
#include "frame/Menu.h"
#include "game/Schlossbau.h"
#include "game/Spielrunde.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

// The title menu as the player sees it: the menu runs on the virtual platform until the whole
// banner stands at rows 5 to 9 above the menu lines, and that picture is kept.
void drawTitle(TextConsole& screen) {
    VirtualPlatform platform;
    auto state = std::make_unique<ProgramState>();
    std::optional<TextConsole> shown;
    platform.onWait([&](double nowMs) {
        if (shown || platform.row(9).find("UUUU") == std::string::npos ||
            platform.row(28).find_first_not_of(' ') == std::string::npos) {
            return;
        }
        shown = platform.screen;
        platform.press(Key::Digit4, nowMs);
    });
    platform.screen.setSize(80, 35);
    platform.screen.clear();
    platform.screen.locate(1, 1, 0);
    HAUPTMENUE(platform.io, *state);
    screen = *shown;
}

// Room 1 of a generated castle with its status panel, drawn by the game's own full redraw.
void drawRoom(TextConsole& screen) {
    VirtualPlatform platform;
    auto castle = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;
    GameState game;
    std::int32_t record = 0;
    platform.random.randomize(12345);
    SCHLOSSBAU(platform.random, *castle, candidates, workingCopy);
    setGameStartValues(game);
    platform.screen.setSize(80, 35);
    platform.screen.locate(1, 1, 0);
    RAUMANZEIGE(platform.io, *castle, game, record);
    screen = platform.screen;
}

void fullFrame(benchmark::State& state, void (*draw)(TextConsole&), bool utf8) {
    TextConsole screen;
    draw(screen);
    const Picture picture = pictureOf(screen);
    TerminalTraits traits;
    traits.utf8 = utf8;
    Renderer renderer(traits);
    std::string frame;
    for (auto _ : state) {
        renderer.invalidate();
        frame.clear();
        renderer.render(picture, frame);
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["bytes"] = static_cast<double>(frame.size());
}

void BM_TitleScreenFull(benchmark::State& state) {
    fullFrame(state, drawTitle, true);
}
void BM_GameRoomFull(benchmark::State& state) {
    fullFrame(state, drawRoom, true);
}
void BM_GameRoomFullAscii(benchmark::State& state) {
    fullFrame(state, drawRoom, false);
}

void BM_OneCellChanged(benchmark::State& state) {
    TextConsole screen;
    drawRoom(screen);
    Renderer renderer(TerminalTraits{});
    std::string frame;
    renderer.render(pictureOf(screen), frame);
    std::size_t bytes = 0;
    bool odd = false;
    for (auto _ : state) {
        // The points counter ticking, as when a digit is collected.
        screen.locate(19, 9);
        screen.printText(odd ? "5" : "6");
        odd = !odd;
        frame.clear();
        renderer.render(pictureOf(screen), frame);
        bytes += frame.size();
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["bytes"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}

void BM_ApprenticeStep(benchmark::State& state) {
    // One tick of the play loop: the apprentice leaves a cell and appears on the next one.
    TextConsole screen;
    drawRoom(screen);
    Renderer renderer(TerminalTraits{});
    std::string frame;
    renderer.render(pictureOf(screen), frame);
    std::size_t bytes = 0;
    int column = 2;
    for (auto _ : state) {
        screen.locate(3, column);
        screen.printText(" ");
        column = column == 2 ? 3 : 2;
        screen.locate(3, column);
        screen.printText("\x01");
        frame.clear();
        renderer.render(pictureOf(screen), frame);
        bytes += frame.size();
    }
    state.counters["bytes"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}

void BM_NothingChanged(benchmark::State& state) {
    TextConsole screen;
    drawTitle(screen);
    Renderer renderer(TerminalTraits{});
    const Picture picture = pictureOf(screen);
    std::string frame;
    renderer.render(picture, frame);
    for (auto _ : state) {
        frame.clear();
        renderer.render(picture, frame);
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["bytes"] = static_cast<double>(frame.size());
}

BENCHMARK(BM_OneCellChanged);
BENCHMARK(BM_ApprenticeStep);
BENCHMARK(BM_TitleScreenFull);
BENCHMARK(BM_GameRoomFull);
BENCHMARK(BM_GameRoomFullAscii);
BENCHMARK(BM_NothingChanged);

}  // namespace
}  // namespace numerion
