// Measures the real program in an 80 x 35 pseudo-terminal and prints each figure against its
// budget: bytes per frame while walking and at a room change, CPU while a screen waits for a
// key, the pace of 100 walking ticks, start-up to the first title frame and peak memory. Then
// one castle generation in-process and the test suite's run time.
//
//   numerion_measure [--no-ctest]
//
// Exit status 0 when every figure is within its budget, 1 when one is not, 2 when the program
// could not be driven to a screen. The bytes of a walk are taken at each colour depth.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "console/RandomGenerator.h"
#include "game/Castle.h"
#include "game/Schlossbau.h"
#include "support/PtyTerminal.h"
#include "support/TempDir.h"

namespace numerion::measure {
namespace {

using e2e::PtyTerminal;
using Clock = std::chrono::steady_clock;

constexpr int kTimeout = 20000;
constexpr const char* kUp = "\x1b[A";
constexpr const char* kDown = "\x1b[B";
constexpr const char* kRight = "\x1b[C";
constexpr std::string_view kFrameStart = "\x1b[?2026h";
constexpr std::string_view kFrameEnd = "\x1b[?2026l";
// Legacy terminals read two presses of one key within 150 ms as a held key.
constexpr int kTapGapMs = 400;
constexpr int kCyan = 37;  // the name grid's highlight, at 256 colours
constexpr double kIdleSeconds = 10.0;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// A screen the program never reached: the figures after it cannot be had.
struct DriveError : std::runtime_error {
    DriveError(const std::string& what, const PtyTerminal& term)
        : std::runtime_error(what + "\n" + term.screenText()) {}
};

using numerion::testing::TempDir;

PtyTerminal::Options inDirectory(const std::string& dir, PtyTerminal::Options options) {
    options.workingDir = dir;
    return options;
}

// The colour depths the program can find; the whole game is measured at the first, the walk
// at each.
struct Depth {
    const char* name;
    const char* term;
    const char* colorTerm;  // nullptr: unset
};
constexpr Depth kDepths[] = {{"256 colours", "xterm-256color", nullptr},
                             {"24-bit", "xterm-256color", "truecolor"},
                             {"16 colours", "xterm-16color", nullptr}};

PtyTerminal::Options optionsFor(const Depth& depth) {
    PtyTerminal::Options options;
    options.term = depth.term;
    if (depth.colorTerm) options.extraEnv.push_back(std::string("COLORTERM=") + depth.colorTerm);
    return options;
}

// The program in a pty, with the moment each piece of its output was read (to about a
// millisecond while reading finely).
class Session {
  public:
    explicit Session(const std::string& dir) : Session(dir, PtyTerminal::Options{}) {}
    Session(const std::string& dir, PtyTerminal::Options options)
        : started_(Clock::now()), term_({NUMERION_BINARY}, inDirectory(dir, std::move(options))) {}

    PtyTerminal& term() { return term_; }
    Clock::time_point started() const { return started_; }

    // Reads in 1 ms slices until the predicate holds; notes when output arrived.
    bool waitFine(const std::function<bool(const PtyTerminal&)>& predicate, int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (predicate(term_)) return true;
            if (Clock::now() >= deadline) return false;
            pumpFine(1);
        }
    }
    void pumpFine(int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        do {
            const std::size_t before = term_.output().size();
            term_.pump(1);
            if (term_.output().size() != before) arrivals_.push_back({before, Clock::now()});
        } while (Clock::now() < end);
    }
    // Reads without fine timing (the reader then uses next to no CPU itself).
    void wait(const std::function<bool(const PtyTerminal&)>& predicate, const std::string& what) {
        if (!term_.waitFor(predicate, kTimeout)) throw DriveError("never reached: " + what, term_);
    }
    void waitText(int row, std::string_view text) {
        if (!term_.waitForText(row, text, kTimeout))
            throw DriveError("never showed \"" + std::string(text) + "\"", term_);
    }

    // When the output byte at offset was read (noted while reading finely).
    Clock::time_point arrival(std::size_t offset) const {
        for (auto it = arrivals_.rbegin(); it != arrivals_.rend(); ++it) {
            if (it->offset <= offset) return it->at;
        }
        return started_;
    }

  private:
    struct Arrival {
        std::size_t offset;  // output size before this read
        Clock::time_point at;
    };
    Clock::time_point started_;
    PtyTerminal term_;
    std::vector<Arrival> arrivals_;
};

// One synchronized-output frame in the program's output.
struct Frame {
    std::size_t offset;
    std::size_t bytes;
};

std::vector<Frame> framesIn(const std::string& out, std::size_t from, std::size_t to) {
    std::vector<Frame> frames;
    std::size_t at = out.find(kFrameStart, from);
    while (at != std::string::npos && at < to) {
        std::size_t end = out.find(kFrameEnd, at);
        end = end == std::string::npos ? out.size() : end + kFrameEnd.size();
        frames.push_back({at, end - at});
        at = out.find(kFrameStart, end);
    }
    return frames;
}

// --- CPU and memory of the program, from /proc ---

struct CpuSample {
    double statMs = 0;   // utime + stime, in clock ticks of 10 ms typically
    double schedMs = 0;  // run time in nanoseconds from schedstat, when the kernel keeps it
    Clock::time_point at;
};

CpuSample sampleCpu(pid_t pid) {
    CpuSample s;
    s.at = Clock::now();
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
    const std::size_t close = line.rfind(')');
    if (close != std::string::npos) {
        std::istringstream rest(line.substr(close + 2));
        std::vector<std::string> fields;
        std::string f;
        while (rest >> f)
            fields.push_back(f);
        if (fields.size() > 12) {
            const double tick = 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
            s.statMs = (std::stod(fields[11]) + std::stod(fields[12])) * tick;
        }
    }
    std::ifstream sched("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    if (sched >> ns) s.schedMs = ns / 1e6;
    return s;
}

struct CpuShare {
    double statPercent = 0;
    double schedPercent = 0;
    double seconds = 0;
};

CpuShare cpuBetween(const CpuSample& a, const CpuSample& b) {
    const double wall = msBetween(a.at, b.at);
    return {100.0 * (b.statMs - a.statMs) / wall, 100.0 * (b.schedMs - a.schedMs) / wall,
            wall / 1000.0};
}

// The program's CPU share while it stays on one screen for the given time; the reader pumps
// in 100 ms slices so the program's output never blocks it.
CpuShare idleShare(Session& s, double seconds) {
    const CpuSample a = sampleCpu(s.term().pid());
    const auto end = a.at + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        s.term().pump(static_cast<int>(std::clamp<long>(left.count(), 0, 100)));
    }
    return cpuBetween(a, sampleCpu(s.term().pid()));
}

// Peak resident memory of the program in kB (VmHWM), 0 when not to be had.
long peakMemoryKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

// --- Reading the game screen ---

struct Position {
    int row = 0;
    int column = 0;
    bool operator==(const Position&) const = default;
};

std::optional<Position> apprentice(const PtyTerminal& t) {
    for (int row = 2; row <= 16; ++row) {
        for (int column = 2; column <= 50; ++column) {
            if (t.cell(row, column).text == "☺") return Position{row, column};
        }
    }
    return std::nullopt;
}

int panelNumber(const PtyTerminal& t, int row, std::string_view label) {
    const std::string text = t.rowText(row);
    const std::size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

int roomShown(const PtyTerminal& t) {
    return panelNumber(t, 19, "Raum:");
}

// The opening in the right wall of the room shown (a blank cell in column 51).
int rightDoorRow(const PtyTerminal& t) {
    for (int row = 2; row <= 16; ++row) {
        if (t.cell(row, 51).text == " ") return row;
    }
    return 0;
}

// --- The figures ---

struct Walk {
    std::vector<double> tickBytes;        // frames of ticks that moved the apprentice
    std::vector<double> roomChangeBytes;  // the full redraw of each new room
    std::vector<double> tickMs;           // time between consecutive ticks' frames
    double startBytes = 0;
};

// Walks through the right door of the room shown, along paths no mine can lie on: up the
// first column to the top digit row, along it to the last column, down that to the door row.
// Each turn is typed as soon as the frame showing the apprentice on the corner arrives, a
// whole tick before the game looks at the keys again.
void walkThroughRoom(Session& s, Walk& walk) {
    PtyTerminal& t = s.term();
    const int room = roomShown(t);
    const std::optional<Position> start = apprentice(t);
    const int door = rightDoorRow(t);
    if (!start || start->column != 2 || door == 0) throw DriveError("no start or door", t);
    const std::size_t from = t.output().size();
    auto turnAt = [&](const char* arrow, Position corner) {
        s.term().send(arrow);
        if (!s.waitFine([&](const PtyTerminal& p) { return apprentice(p) == corner; }, kTimeout))
            throw DriveError("the apprentice did not reach a corner", t);
    };
    if (start->row != 2) turnAt(kUp, {2, 2});
    turnAt(kRight, {2, 50});
    if (door != 2) turnAt(kDown, {door, 50});
    t.send(kRight);
    if (!s.waitFine([&](const PtyTerminal& p) { return roomShown(p) == room + 1; }, kTimeout))
        throw DriveError("no room change", t);
    s.pumpFine(20);  // the rest of the redraw

    const std::vector<Frame> frames = framesIn(t.output(), from, t.output().size());
    if (frames.size() < 2) throw DriveError("too few frames in a walk", t);
    for (std::size_t i = 0; i + 1 < frames.size(); ++i)
        walk.tickBytes.push_back(static_cast<double>(frames[i].bytes));
    walk.roomChangeBytes.push_back(static_cast<double>(frames.back().bytes));
    for (std::size_t i = 1; i < frames.size(); ++i) {
        walk.tickMs.push_back(
            msBetween(s.arrival(frames[i - 1].offset), s.arrival(frames[i].offset)));
    }
}

struct Row {
    std::string figure;
    std::string target;
    std::string measured;
    bool ok;
};

std::string format(const char* pattern, double a, double b = 0, double c = 0, double d = 0) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

Row cpuRow(const std::string& screen, const CpuShare& share) {
    return {"CPU, " + screen, "<= 1 % over 10 s",
            format("%.2f %% (stat %.1f %%, %.1f s)", share.schedPercent, share.statPercent,
                   share.seconds),
            share.schedPercent <= 1.0 && share.statPercent <= 1.0};
}

// Title menu: the rest after the animation (twice 5 s, as the menu rests 5 s per cycle), then
// the instructions.
void measureMenu(std::vector<Row>& rows) {
    TempDir dir;
    Session s(dir.str());
    PtyTerminal& t = s.term();
    CpuShare pause;
    CpuShare animation;
    for (int rest = 1; rest <= 2; ++rest) {
        const CpuSample cycleStart = sampleCpu(t.pid());
        // The beep opens the rest; the banner then stands still for 5 s.
        s.wait([rest](const PtyTerminal& p) { return p.bellCount() >= rest; }, "the menu's rest");
        const CpuShare cycle = cpuBetween(cycleStart, sampleCpu(t.pid()));
        if (rest == 2) animation = cycle;
        const CpuShare part = idleShare(s, 5.0);
        pause.seconds += part.seconds;
        pause.statPercent += part.statPercent * part.seconds;
        pause.schedPercent += part.schedPercent * part.seconds;
    }
    pause.statPercent /= pause.seconds;
    pause.schedPercent /= pause.seconds;
    rows.push_back(cpuRow("menu rest (2 x 5 s)", pause));
    rows.push_back({"CPU, menu animation (info)", "-",
                    format("%.2f %% (%.1f s)", animation.schedPercent, animation.seconds), true});

    t.send("2");
    s.waitText(35, "mit Leertaste geht es zurueck");
    rows.push_back(cpuRow("instructions", idleShare(s, kIdleSeconds)));
    t.send(" ");
    s.waitText(22, "4 = Spielende");
    t.send("4");
    if (!t.waitExit(kTimeout)) throw DriveError("the menu did not end on 4", t);
}

// The byte figures of a walk through three rooms at one colour depth.
void byteRows(std::vector<Row>& rows, const Walk& walk, const std::string& depth) {
    const double tickMedian = median(walk.tickBytes);
    rows.push_back(
        {"bytes per walking tick, median, " + depth, "<= 40",
         format("%.0f (mean %.1f, max %.0f, %.0f ticks)", tickMedian, mean(walk.tickBytes),
                *std::max_element(walk.tickBytes.begin(), walk.tickBytes.end()),
                static_cast<double>(walk.tickBytes.size())),
         tickMedian <= 40});
    const double roomMax =
        *std::max_element(walk.roomChangeBytes.begin(), walk.roomChangeBytes.end());
    rows.push_back({"bytes per room change, " + depth, "<= 4096",
                    format("%.0f max (%.0f, %.0f, %.0f)", roomMax, walk.roomChangeBytes[0],
                           walk.roomChangeBytes[1], walk.roomChangeBytes[2]),
                    roomMax <= 4096});
}

// From the menu into a game, standing at the start of room 1.
Walk startAndWalk(Session& s) {
    PtyTerminal& t = s.term();
    s.waitText(22, "4 = Spielende");
    t.send("1");
    s.waitText(21, "Leben:  3");
    s.wait([](const PtyTerminal& p) { return apprentice(p) == Position{3, 2}; }, "game start");
    s.pumpFine(300);
    Walk walk;
    const std::vector<Frame> start = framesIn(t.output(), 0, t.output().size());
    walk.startBytes = start.empty() ? 0 : static_cast<double>(start.back().bytes);
    for (int room = 1; room <= 3; ++room)
        walkThroughRoom(s, walk);
    return walk;
}

// The walk alone at the other colour depths.
void measureDepths(std::vector<Row>& rows) {
    for (std::size_t i = 1; i < std::size(kDepths); ++i) {
        TempDir dir;
        Session s(dir.str(), optionsFor(kDepths[i]));
        byteRows(rows, startAndWalk(s), kDepths[i].name);
    }
}

// One game: three rooms walked for the bytes and the pace, a breather, three collisions, the
// banner, the name entry and the list.
void measureGame(std::vector<Row>& rows) {
    TempDir dir;
    Session s(dir.str(), optionsFor(kDepths[0]));
    PtyTerminal& t = s.term();
    const Walk walk = startAndWalk(s);
    byteRows(rows, walk, kDepths[0].name);
    rows.push_back(
        {"bytes of the game's first frame (info)", "-", format("%.0f", walk.startBytes), true});
    if (walk.tickMs.size() < 100) throw DriveError("fewer than 100 ticks walked", t);
    double hundred = 0;
    for (std::size_t i = 0; i < 100; ++i)
        hundred += walk.tickMs[i];
    const double longest = *std::max_element(walk.tickMs.begin(), walk.tickMs.begin() + 100);
    // A plain 90 ms wait per tick plus the drawing: on an idle machine within 1 % of 9.0 s.
    rows.push_back({"100 walking ticks", "90 ms + drawing each, <= 9.09 s idle",
                    format("%.3f s (tick median %.2f ms, max %.1f ms)", hundred / 1000.0,
                           median({walk.tickMs.begin(), walk.tickMs.begin() + 100}), longest),
                    hundred <= 9090});

    // A breather: Space while standing; the game then waits for any key.
    const int breathers = panelNumber(t, 23, "Pausen:");
    t.send(" ");
    t.pump(500);
    const CpuShare breather = idleShare(s, kIdleSeconds);
    t.send("x");
    s.wait([&](const PtyTerminal& p) { return panelNumber(p, 23, "Pausen:") == breathers - 1; },
           "the end of the breather");
    rows.push_back(cpuRow("breather", breather));

    // Up from the first column runs into the top wall (no room of the top row has a door
    // there); each collision puts him back at row 3.
    for (int lives = 2; lives >= 0; --lives) {
        t.send(kUp);
        s.waitText(21, "Leben:  " + std::to_string(lives));
        t.pump(kTapGapMs);
    }
    s.waitText(32, "Druecke Taste 5 zur Fortsetzung!");
    t.pump(500);
    rows.push_back(cpuRow("end banner", idleShare(s, kIdleSeconds)));

    t.send("5");
    s.waitText(3, "Du hast es in die Bestenliste geschafft");
    s.wait([](const PtyTerminal& p) { return p.cell(14, 25).background == kCyan; }, "name grid");
    t.pump(kTapGapMs);
    rows.push_back(cpuRow("name entry", idleShare(s, kIdleSeconds)));

    auto step = [&](const char* arrow, int row, int column) {
        t.send(arrow);
        s.wait([&](const PtyTerminal& p) { return p.cell(row, column).background == kCyan; },
               "a cell of the name grid");
        t.pump(kTapGapMs);
    };
    // 'A' is four rows down and three columns right of the first cell; END below it.
    for (int row = 16; row <= 22; row += 2)
        step(kDown, row, 25);
    for (int column = 29; column <= 37; column += 4)
        step(kRight, 22, column);
    t.send("\r");
    s.wait([](const PtyTerminal& p) { return p.cell(33, 25).text == "A"; }, "the letter A");
    t.pump(kTapGapMs);
    for (int row = 24; row <= 30; row += 2)
        step(kDown, row, 37);
    step(kRight, 30, 41);
    t.send("\r");
    s.wait([](const PtyTerminal& p) { return p.rowText(26).rfind("    10.", 0) == 0; }, "the list");
    t.pump(500);
    rows.push_back(cpuRow("list key loop", idleShare(s, kIdleSeconds)));

    const long peakKb = peakMemoryKb(t.pid());
    rows.push_back({"peak memory (VmHWM, whole game)", "<= 10 MB",
                    format("%.1f MB", static_cast<double>(peakKb) / 1024.0),
                    peakKb > 0 && peakKb <= 10 * 1024});
    t.send(" ");
    s.waitText(22, "4 = Spielende");
    t.send("4");
    if (!t.waitExit(kTimeout)) throw DriveError("the menu did not end on 4", t);
}

// The list from the menu, opened until each sliding style has been seen: the time from a
// page's first slide print to its final picture, the pauses (779 of 0.8 ms with all rows
// together, of 6 ms one row after another) and the output of 780 frames. The figure the
// browser's page is held to.
void measureSlidingPages(std::vector<Row>& rows) {
    TempDir dir;
    Session s(dir.str());
    PtyTerminal& t = s.term();
    s.waitText(22, "4 = Spielende");
    auto blank = [](const PtyTerminal& p, int row) {
        return p.rowText(row).find_first_not_of(' ') == std::string::npos;
    };
    auto final = [](const PtyTerminal& p, int row, const char* place) {
        return p.rowText(row).rfind(place, 0) == 0;
    };
    std::optional<double> together;
    std::optional<double> oneByOne;
    for (int opened = 0; opened < 60 && !(together && oneByOne); ++opened) {
        t.send("3");
        s.waitText(34, "Hauptmenue: Leertaste");
        if (!s.waitFine([&](const PtyTerminal& p) { return !blank(p, 8); }, kTimeout))
            throw DriveError("no list rows", t);
        const auto first = Clock::now();
        const bool sliding = !final(t, 8, "    1.");
        if (!s.waitFine([&](const PtyTerminal& p) { return !blank(p, 26); }, kTimeout))
            throw DriveError("no tenth row", t);
        const bool allRows = sliding && !final(t, 8, "    1.");
        if (!s.waitFine([&](const PtyTerminal& p) { return final(p, 26, "    10."); }, kTimeout))
            throw DriveError("the page was not finished", t);
        const double ms = msBetween(first, Clock::now());
        if (allRows) together = ms;
        if (sliding && !allRows) oneByOne = ms;
        t.send(" ");
        s.waitText(22, "4 = Spielende");
    }
    if (!together || !oneByOne) throw DriveError("a sliding style never came", t);
    rows.push_back({"list page, all rows sliding (info)", "-",
                    format("%.0f ms (pauses 623 ms)", *together), true});
    rows.push_back({"list page, rows one by one (info)", "-",
                    format("%.0f ms (pauses 4674 ms)", *oneByOne), true});
    t.send("4");
    if (!t.waitExit(kTimeout)) throw DriveError("the menu did not end on 4", t);
}

// From fork/exec to the first frame with a banner row in it.
void measureStartUp(std::vector<Row>& rows, int runs) {
    TempDir dir;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        Session s(dir.str());
        const bool shown = s.waitFine(
            [](const PtyTerminal& p) {
                for (int row = 5; row <= 9; ++row) {
                    if (p.rowText(row).find_first_not_of(' ') != std::string::npos) return true;
                }
                return false;
            },
            kTimeout);
        if (!shown) throw DriveError("no title", s.term());
        times.push_back(msBetween(s.started(), s.arrival(s.term().output().size() - 1)));
    }
    const double m = median(times);
    rows.push_back(
        {"start-up to the first title frame", "<= 50 ms",
         format("%.1f ms median (min %.1f, max %.1f, %.0f runs)", m,
                *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), static_cast<double>(runs)),
         m <= 50});
}

void measureCastle(std::vector<Row>& rows) {
    RandomGenerator random;
    random.randomize(1);
    auto castle = std::make_unique<CastleGrid>();
    MineCandidateList candidates;
    MineCandidateList workingCopy;
    std::vector<double> times;
    for (int i = 0; i < 201; ++i) {
        const auto a = Clock::now();
        SCHLOSSBAU(random, *castle, candidates, workingCopy);
        times.push_back(msBetween(a, Clock::now()));
    }
    const double m = median(times);
    rows.push_back({"one castle generation", "<= 1 ms",
                    format("%.3f ms median (%.0f runs)", m, static_cast<double>(times.size())),
                    m <= 1.0});
}

void measureTestSuite(std::vector<Row>& rows) {
    const std::string command = std::string("\"") + NUMERION_CTEST + "\" --test-dir \"" +
                                NUMERION_BUILD_DIR + "\" -j 2 > /dev/null 2>&1";
    const auto a = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = msBetween(a, Clock::now()) / 1000.0;
    rows.push_back({"test suite (ctest -j 2, build excluded)", "< 60 s",
                    format("%.1f s", seconds) + (status == 0 ? "" : " (tests FAILED)"),
                    seconds < 60 && status == 0});
}

int run(bool withTests) {
    std::vector<Row> rows;
    try {
        measureStartUp(rows, 20);
        measureMenu(rows);
        measureSlidingPages(rows);
        measureGame(rows);
        measureDepths(rows);
    } catch (const DriveError& e) {
        std::fprintf(stderr, "numerion_measure: %s\n", e.what());
        return 2;
    }
    measureCastle(rows);
    if (withTests) measureTestSuite(rows);

    bool allOk = true;
    std::printf("%-40s %-18s %s\n", "Figure", "Target", "Measured");
    for (const Row& row : rows) {
        std::printf("%-40s %-18s %s%s\n", row.figure.c_str(), row.target.c_str(),
                    row.measured.c_str(), row.ok ? "" : "  <-- MISSED");
        allOk = allOk && row.ok;
    }
    return allOk ? 0 : 1;
}

}  // namespace
}  // namespace numerion::measure

int main(int argc, char** argv) {
    bool withTests = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-ctest") == 0) {
            withTests = false;
        } else {
            std::fprintf(stderr, "usage: numerion_measure [--no-ctest]\n");
            return 2;
        }
    }
    return numerion::measure::run(withTests);
}
