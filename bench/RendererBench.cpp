// Bytes the terminal renderer sends for typical frames, and the time it takes to build them.
// The "bytes" counter is the size of one frame as written to the terminal.

#include <benchmark/benchmark.h>

#include <string>

#include "console/TextConsole.h"
#include "console/terminal/Renderer.h"

namespace numerion {
namespace {

// NUMERION in block letters, each glyph drawn with its own capital, columns 17 to 59.
constexpr const char* kBanner[5] = {
    "                NNNN  U  U  MMMM  EEEE  RRRR  I  OOOO  N  N",
    "                N  N  U  U  M MM  E     R  R  I  O  O  NN N",
    "                N  N  U  U  M MM  EEEE  RRRR  I  O  O  N NN",
    "                N  N  U  U  M  M  E     R R   I  O  O  N  N",
    "                N  N  UUUU  M  M  EEEE  R  R  I  OOOO  N  N",
};

void drawTitle(TextConsole& screen) {
    screen.setSize(80, 35);
    screen.clear();
    screen.locate(1, 1, 0);
    screen.setColor(12);
    screen.locate(5, 1);
    for (const char* row : kBanner)
        screen.printText(row, Ending::LineBreak);
    screen.setColor(7);
    screen.locate(16, 1);
    screen.printText("     1 = Spielbeginn", Ending::LineBreak);
    screen.newLine();
    screen.printText("     2 = Anleitung", Ending::LineBreak);
    screen.newLine();
    screen.printText("     3 = Bestenliste ( Top 100 )", Ending::LineBreak);
    screen.newLine();
    screen.printText("     4 = Spielende", Ending::LineBreak);
    screen.newLine();
    screen.newLine();
    screen.newLine();
    screen.printText("     Ein Zahlenspiel fuer die Textkonsole", Ending::LineBreak);
    screen.newLine();
    screen.printText("     Nachbau fuer das Terminal", Ending::LineBreak);
}

// A room as the game draws it: wall ring, digits on odd cells, 15 mines, the apprentice at
// row 3 column 2, and the status panel below.
void drawRoom(TextConsole& screen) {
    screen.setSize(80, 35);
    screen.clear();
    screen.locate(1, 1, 0);
    screen.setColor(7, 0);
    screen.clear();
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    bool mine[17][51] = {};
    for (int placed = 0; placed < 15;) {
        int row = 2 + static_cast<int>(next() % 13);
        int column = 2 + static_cast<int>(next() % 47);
        if ((row % 2 == 1 && column % 2 == 1) || mine[row][column]) continue;
        mine[row][column] = true;
        ++placed;
    }
    for (int row = 0; row < 17; ++row) {
        for (int column = 0; column < 51; ++column) {
            if (row == 0 || row == 16 || column == 0 || column == 50) {
                screen.setColor(6);
                screen.printText("\xB2");
                screen.setColor(7);
            } else if (mine[row][column]) {
                screen.setColor(5);
                screen.printText("\x0F");
                screen.setColor(7);
            } else if (row % 2 == 1 && column % 2 == 1) {
                screen.printText(std::string(1, static_cast<char>('1' + next() % 9)));
            } else {
                screen.printText(" ");
            }
        }
        screen.newLine();
    }
    screen.locate(3, 2);
    screen.printText("\x01");
    screen.locate(19, 1);
    screen.printText("Punkte:");
    screen.printNumber(0);
    screen.locate(21, 1);
    screen.printText("Leben: ");
    screen.printNumber(3);
    screen.locate(19, 27);
    screen.printText("Raum:");
    screen.printNumber(1);
    screen.locate(21, 27);
    screen.printText("verbliebene Zahlen:");
    screen.printNumber(20000);
    screen.locate(23, 1);
    screen.printText("Extra-Leben bei:");
    screen.printNumber(2500);
    screen.locate(23, 27);
    screen.printText("Pausen:");
    screen.printNumber(3);
    screen.locate(25, 10);
    screen.printText("Punkterekord:");
    screen.printNumber(4711);
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
