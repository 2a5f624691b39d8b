// End-to-end flows of the real numerion.exe in a Windows console. This program owns the
// console (run it under wineconsole on a display, or in a console window on Windows), starts
// the game as its child on that console, presses keys as the keyboard would (SendInput with a
// virtual key, so the console keeps the held state), reads the screen cell by cell with its
// colours, and checks after every flow that the console is as it was before the game started.
//
//   ConsoleDriver <numerion.exe> <log file> [flow ...]
//
// Every flow runs in a fresh directory under the working directory. The exit status is the
// number of failed flows; the log says what failed and the figures measured on the way.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 80;
constexpr int kRows = 35;
// Generous: the machine may be loaded, and every wait ends as soon as its condition holds.
constexpr int kDeadlineMs = 20000;
constexpr int kLookEveryMs = 15;
// The name grid's highlighted cell has a cyan background.
constexpr int kHighlightBackground = 3;

FILE* gLog = stderr;

void logLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(gLog, format, args);
    va_end(args);
    std::fputc('\n', gLog);
    std::fflush(gLog);
}

// A failed check ends its flow.
struct FlowFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string format(const char* fmt, ...) {
    char text[2048];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// ---------------------------------------------------------------- the screen as it stands

struct Screen {
    std::vector<CHAR_INFO> cells;
    COORD size{};

    wchar_t ch(int row, int column) const {
        return cells[static_cast<std::size_t>((row - 1) * size.X + column - 1)].Char.UnicodeChar;
    }
    int background(int row, int column) const {
        return (cells[static_cast<std::size_t>((row - 1) * size.X + column - 1)].Attributes >> 4) &
               0xF;
    }
    int foreground(int row, int column) const {
        return cells[static_cast<std::size_t>((row - 1) * size.X + column - 1)].Attributes & 0xF;
    }
    std::wstring rowWide(int row) const {
        std::wstring text;
        if (row < 1 || row > size.Y) return text;
        for (int column = 1; column <= size.X; ++column)
            text.push_back(ch(row, column));
        return text;
    }
    std::string row(int r) const { return utf8(rowWide(r)); }
    bool rowHas(int r, const std::string& text) const {
        return row(r).find(text) != std::string::npos;
    }
    bool rowStarts(int r, const std::string& text) const { return row(r).rfind(text, 0) == 0; }
    std::string text() const {
        std::string all;
        for (int r = 1; r <= size.Y; ++r)
            all += row(r) + "\n";
        return all;
    }
};

// The buffer the console shows now (the game's own while it runs), read from its top left.
HANDLE openActiveBuffer() {
    return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

Screen readScreen(HANDLE buffer, int columns = kColumns, int rows = kRows) {
    Screen screen;
    screen.size = {static_cast<SHORT>(columns), static_cast<SHORT>(rows)};
    screen.cells.resize(static_cast<std::size_t>(columns * rows));
    SMALL_RECT region{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    if (!ReadConsoleOutputW(buffer, screen.cells.data(), screen.size, {0, 0}, &region)) {
        for (CHAR_INFO& cell : screen.cells) {
            cell.Char.UnicodeChar = L'?';
            cell.Attributes = 0;
        }
    }
    return screen;
}

Screen readActiveScreen() {
    HANDLE buffer = openActiveBuffer();
    Screen screen = readScreen(buffer);
    CloseHandle(buffer);
    return screen;
}

// ---------------------------------------------------------------- the console as found

struct ConsoleState {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    CONSOLE_CURSOR_INFO cursor{};
    DWORD inputMode = 0;
    std::wstring title;
    Screen window;

    static ConsoleState of(HANDLE buffer) {
        ConsoleState state;
        GetConsoleScreenBufferInfo(buffer, &state.info);
        GetConsoleCursorInfo(buffer, &state.cursor);
        GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &state.inputMode);
        wchar_t title[512] = {};
        GetConsoleTitleW(title, 512);
        state.title = title;
        state.window =
            readScreen(buffer, state.info.dwSize.X, std::min<int>(state.info.dwSize.Y, 60));
        return state;
    }

    // What differs from before, or an empty text.
    std::string differencesFrom(const ConsoleState& before) const {
        std::string out;
        auto differ = [&out](const char* what, long was, long is) {
            if (was != is) out += format("%s was %ld, is %ld; ", what, was, is);
        };
        differ("buffer width", before.info.dwSize.X, info.dwSize.X);
        differ("buffer height", before.info.dwSize.Y, info.dwSize.Y);
        differ("window left", before.info.srWindow.Left, info.srWindow.Left);
        differ("window top", before.info.srWindow.Top, info.srWindow.Top);
        differ("window right", before.info.srWindow.Right, info.srWindow.Right);
        differ("window bottom", before.info.srWindow.Bottom, info.srWindow.Bottom);
        differ("cursor column", before.info.dwCursorPosition.X, info.dwCursorPosition.X);
        differ("cursor row", before.info.dwCursorPosition.Y, info.dwCursorPosition.Y);
        differ("attributes", before.info.wAttributes, info.wAttributes);
        differ("cursor visible", before.cursor.bVisible, cursor.bVisible);
        differ("cursor size", static_cast<long>(before.cursor.dwSize),
               static_cast<long>(cursor.dwSize));
        differ("input mode", static_cast<long>(before.inputMode), static_cast<long>(inputMode));
        if (title != before.title)
            out += "title was \"" + utf8(before.title) + "\", is \"" + utf8(title) + "\"; ";
        if (window.text() != before.window.text()) out += "the text shown changed; ";
        return out;
    }
};

// ---------------------------------------------------------------- the keyboard

struct KeySpec {
    WORD vk;
    WORD scan;
    bool extended;
};

constexpr KeySpec kDigit1{'1', 2, false};
constexpr KeySpec kDigit2{'2', 3, false};
constexpr KeySpec kDigit4{'4', 5, false};
constexpr KeySpec kDigit5{'5', 6, false};
constexpr KeySpec kEnter{VK_RETURN, 28, false};
constexpr KeySpec kSpace{VK_SPACE, 57, false};
constexpr KeySpec kUp{VK_UP, 72, true};
constexpr KeySpec kDown{VK_DOWN, 80, true};
constexpr KeySpec kLeft{VK_LEFT, 75, true};
constexpr KeySpec kRight{VK_RIGHT, 77, true};
constexpr KeySpec kKeypad4{VK_NUMPAD4, 75, false};
constexpr KeySpec kControl{VK_CONTROL, 29, false};
constexpr KeySpec kLetterC{'C', 46, false};

INPUT keyInput(const KeySpec& key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    // The virtual key must be set: the console keeps no held state for scan-code-only input.
    input.ki.wVk = key.vk;
    input.ki.wScan = key.scan;
    input.ki.dwFlags = (key.extended ? KEYEVENTF_EXTENDEDKEY : 0) | (down ? 0 : KEYEVENTF_KEYUP);
    return input;
}

void send(std::vector<INPUT> inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        throw FlowFailure(
            format("SendInput sent %u of %u", sent, static_cast<unsigned>(inputs.size())));
}

void press(const KeySpec& key) {
    send({keyInput(key, true)});
}
void release(const KeySpec& key) {
    send({keyInput(key, false)});
}

// ---------------------------------------------------------------- the focus

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

// Gives the focus to a window of this program's own, or back to the console's window.
void focusElsewhere(bool elsewhere) {
    static HWND other = nullptr;
    if (other == nullptr) {
        other =
            CreateWindowExW(0, L"STATIC", L"another window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700,
                            600, 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    HWND target = elsewhere ? other : GetConsoleWindow();
    SetForegroundWindow(target);
    const double until = nowMs() + kDeadlineMs;
    while (GetForegroundWindow() != target) {
        if (nowMs() > until) throw FlowFailure("the focus did not move");
        pumpMessages();
        Sleep(kLookEveryMs);
    }
    pumpMessages();
}

// ---------------------------------------------------------------- one run of the game

class Game {
  public:
    // With stdoutToFile the game's standard output is the file stdout.txt instead of the console.
    Game(const std::wstring& exe, const std::filesystem::path& dir, bool stdoutToFile = false)
        : dir_(dir) {
        stderr_ = createInherited(dir / "stderr.txt");
        if (stdoutToFile) stdout_ = createInherited(dir / "stdout.txt");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = stdoutToFile ? stdout_ : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = stderr_;
        std::wstring commandLine = L"\"" + exe + L"\"";
        PROCESS_INFORMATION process{};
        // The game shares this console: no new console, no new process group (which would
        // switch its Ctrl+C off).
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            dir.c_str(), &startup, &process)) {
            throw FlowFailure(format("CreateProcess failed: %lu", GetLastError()));
        }
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        startMs_ = nowMs();
    }
    ~Game() {
        if (process_ != nullptr) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
            CloseHandle(process_);
        }
        if (stderr_ != INVALID_HANDLE_VALUE) CloseHandle(stderr_);
        if (stdout_ != INVALID_HANDLE_VALUE) CloseHandle(stdout_);
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    bool running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

    // Looks at the screen until the condition holds; the failure names what was awaited.
    Screen waitFor(const std::string& what, const std::function<bool(const Screen&)>& condition,
                   int deadlineMs = kDeadlineMs) {
        const double until = nowMs() + deadlineMs;
        for (;;) {
            Screen screen = readActiveScreen();
            if (condition(screen)) return screen;
            if (!running())
                throw FlowFailure("the game ended (status " + std::to_string(exitCode()) +
                                  ") while waiting for " + what + "\n" + screen.text() +
                                  "stderr: " + stderrText());
            if (nowMs() > until)
                throw FlowFailure("timed out waiting for " + what + "\n" + screen.text());
            Sleep(kLookEveryMs);
        }
    }
    Screen waitForRow(int row, const std::string& text) {
        return waitFor("\"" + text + "\" on row " + std::to_string(row),
                       [&](const Screen& s) { return s.rowHas(row, text); });
    }

    // Presses the key and holds it until the game has acted on it, then lets go.
    Screen tap(const KeySpec& key, const std::string& what,
               const std::function<bool(const Screen&)>& done) {
        press(key);
        try {
            Screen screen = waitFor(what, done);
            release(key);
            return screen;
        } catch (...) {
            release(key);
            throw;
        }
    }

    int waitExit(int deadlineMs = kDeadlineMs) {
        if (WaitForSingleObject(process_, static_cast<DWORD>(deadlineMs)) != WAIT_OBJECT_0)
            throw FlowFailure("the game did not end\n" + readActiveScreen().text());
        return exitCode();
    }
    int exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return static_cast<int>(code);
    }
    std::string stderrText() const { return fileText(dir_ / "stderr.txt"); }
    std::string stdoutText() const { return fileText(dir_ / "stdout.txt"); }
    double elapsedMs() const { return nowMs() - startMs_; }

  private:
    static HANDLE createInherited(const std::filesystem::path& path) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw FlowFailure("cannot create " + path.string());
        return file;
    }
    static std::string fileText(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::filesystem::path dir_;
    HANDLE stdout_ = INVALID_HANDLE_VALUE;
    HANDLE stderr_ = INVALID_HANDLE_VALUE;
    HANDLE process_ = nullptr;
    double startMs_ = 0;
};

// ---------------------------------------------------------------- checks

void check(bool condition, const std::string& what) {
    if (!condition) throw FlowFailure(what);
}

template <typename T>
void checkEqual(const T& actual, const T& expected, const std::string& what) {
    if (!(actual == expected)) throw FlowFailure(what);
}

std::string visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

int numberAfter(const std::string& row, const char* label) {
    const auto at = row.find(label);
    if (at == std::string::npos) return -1;
    return std::atoi(row.c_str() + at + std::strlen(label));
}
int livesShown(const Screen& s) {
    return numberAfter(s.row(21), "Leben:");
}
int pointsShown(const Screen& s) {
    return numberAfter(s.row(19), "Punkte:");
}

bool menuShown(const Screen& s) {
    return s.rowHas(22, "4 = Spielende") && !s.rowHas(35, "zurueck");
}

// The name grid: rows 14..30 in steps of 2, columns 25..53 in steps of 4.
std::pair<int, int> highlight(const Screen& s) {
    for (int row = 14; row <= 30; row += 2)
        for (int column = 25; column <= 53; column += 4)
            if (s.background(row, column) == kHighlightBackground) return {row, column};
    return {0, 0};
}

std::vector<char> fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// ---------------------------------------------------------------- the flows

struct Context {
    std::wstring exe;
    std::filesystem::path dir;
};

// Every flow ends with the console given back: the original buffer active again with its
// size, window, cursor, colours, title, input mode and text as they were. While the game ran
// the console showed a buffer of 80 x 35 with a hidden cursor, under the title "Numerion" and
// with Quick Edit off, and the game's screens stood where this program's text stands now, so
// these checks cannot pass unseen. (Wine keeps no colour table, so the colours the game sets
// cannot be seen here.)
class ConsoleWatch {
  public:
    ConsoleWatch() : before_(activeState()) {}

    // The console as it stands: the buffer it shows, read through a handle of its own (under
    // wine the standard output handle follows whichever buffer is active).
    static ConsoleState activeState() {
        HANDLE active = openActiveBuffer();
        ConsoleState state = ConsoleState::of(active);
        CloseHandle(active);
        return state;
    }

    void checkTakenOver() {
        HANDLE active = openActiveBuffer();
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(active, &info);
        CONSOLE_CURSOR_INFO cursor{};
        GetConsoleCursorInfo(active, &cursor);
        CloseHandle(active);
        check(info.dwSize.X == kColumns && info.dwSize.Y == kRows,
              format("the game's buffer is %d x %d", info.dwSize.X, info.dwSize.Y));
        check(info.srWindow.Right - info.srWindow.Left + 1 == kColumns &&
                  info.srWindow.Bottom - info.srWindow.Top + 1 == kRows,
              "the window is not 80 x 35");
        check(!cursor.bVisible, "the cursor shows on the menu");
        wchar_t title[512] = {};
        GetConsoleTitleW(title, 512);
        check(std::wstring(title) == L"Numerion", "the title while the game runs: " + utf8(title));
        // The console as found says how Quick Edit stands (it is on here): off while the game
        // runs, so that a click cannot stop it in a selection.
        DWORD mode = 0;
        GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
        check(
            (before_.inputMode & (ENABLE_EXTENDED_FLAGS | ENABLE_QUICK_EDIT_MODE)) ==
                    (ENABLE_EXTENDED_FLAGS | ENABLE_QUICK_EDIT_MODE) &&
                (mode & (ENABLE_EXTENDED_FLAGS | ENABLE_QUICK_EDIT_MODE)) == ENABLE_EXTENDED_FLAGS,
            format("Quick Edit: input mode %#lx before, %#lx while the game runs",
                   before_.inputMode, mode));
        takenOver_ = true;
    }

    void checkGivenBack() const {
        check(takenOver_, "the flow never saw the game's screen");
        const std::string differences = activeState().differencesFrom(before_);
        check(differences.empty(), "the console was not given back: " + differences);
    }

  private:
    ConsoleState before_;
    bool takenOver_ = false;
};

void flowMenu(const Context& c) {
    ConsoleWatch console;
    Game game(c.exe, c.dir);
    Screen s = game.waitForRow(22, "4 = Spielende");
    console.checkTakenOver();
    check(s.rowStarts(16, "     1 = Spielbeginn"), "row 16: " + s.row(16));
    check(s.rowStarts(18, "     2 = Anleitung"), "row 18: " + s.row(18));
    check(s.rowStarts(20, "     3 = Bestenliste ( Top 100 )"), "row 20: " + s.row(20));
    s = game.waitForRow(5, "N  N  U  U  M  M  EEEE  RRRR  I  OOOO  N  N");
    checkEqual(fileBytes(c.dir / "Highscore.rnk").size(), std::size_t{4400}, "a new file");

    // The instructions, their glyphs and colours, and back with Space.
    s = game.tap(kDigit2, "the instructions", [](const Screen& t) {
        return t.rowHas(35, " << mit Leertaste geht es zurueck >>");
    });
    check(s.rowStarts(5, "          \u2593                     NUMERION"), "row 5: " + s.row(5));
    check(s.rowHas(26, "1-9 : Zahlen zum Einsmmeln, bringen 1-9 Punkte"), "row 26: " + s.row(26));
    const auto mine = s.text().find("\u263C   : Mine");
    check(mine != std::string::npos, "the mine's glyph (code page 850 byte 15)\n" + s.text());
    int mineRow = 0;
    for (int r = 1; r <= kRows; ++r)
        if (s.rowHas(r, ": Mine")) mineRow = r;
    checkEqual(s.foreground(mineRow, 5), 5, "the mine is magenta");
    checkEqual(s.foreground(mineRow, 9), 7, "its text light grey");
    check(s.ch(mineRow + 2, 5) == L'\u2593' && s.foreground(mineRow + 2, 5) == 6,
          "the wall glyph in brown");
    checkEqual(static_cast<int>(s.ch(23, 5)), 0x263A,
               "the apprentice's glyph (byte 1)\n" + s.text());
    game.tap(kSpace, "the menu again", menuShown);

    game.tap(kDigit4, "the end", [&](const Screen&) { return !game.running(); });
    checkEqual(game.waitExit(), 0, "key 4 ends with status 0");
    checkEqual(game.stderrText(), std::string(), "nothing on stderr");
    console.checkGivenBack();
}

// The keypad digits are keys of their own: keypad 4 does not end the program.
void flowKeypad(const Context& c) {
    ConsoleWatch console;
    Game game(c.exe, c.dir);
    game.waitForRow(22, "4 = Spielende");
    console.checkTakenOver();
    press(kKeypad4);
    // The menu looks at its keys every 50 ms; give it many looks with the key held.
    Sleep(600);
    release(kKeypad4);
    check(game.running(), "keypad 4 ended the program");
    game.tap(kDigit4, "the end", [&](const Screen&) { return !game.running(); });
    checkEqual(game.waitExit(), 0, "main-row 4 ends with status 0");
    console.checkGivenBack();
}

// A game to its loss banner, the name entry with a held and a tapped arrow, and the list.
void flowGame(const Context& c) {
    ConsoleWatch console;
    Game game(c.exe, c.dir);
    game.waitForRow(22, "4 = Spielende");
    console.checkTakenOver();
    const std::vector<char> before = fileBytes(c.dir / "Highscore.rnk");
    checkEqual(before.size(), std::size_t{4400}, "a new file");

    Screen s = game.tap(kDigit1, "a game", [](const Screen& t) { return livesShown(t) == 3; });
    s = game.waitFor("the apprentice at the start",
                     [](const Screen& t) { return t.ch(3, 2) == L'\u263A'; });
    for (int column = 1; column <= 51; ++column)
        check(s.ch(1, column) == L'\u2593', "the top wall");
    check(s.rowStarts(19, "Punkte: 0"), "row 19: " + s.row(19));

    // Room 1 has no door in its top or left wall: Up and Left each run into a wall.
    bool up = true;
    for (int lives = livesShown(s); lives > 0; up = !up) {
        s = game.tap(up ? kUp : kLeft, "a life lost", [lives](const Screen& t) {
            return livesShown(t) >= 0 && livesShown(t) < lives;
        });
        checkEqual(livesShown(s), lives - 1, "one collision costs one life");
        lives = livesShown(s);
        if (lives > 0) {
            game.waitFor("the apprentice back at the start",
                         [](const Screen& t) { return t.ch(3, 2) == L'\u263A'; });
        }
    }
    s = game.waitForRow(29, "# Spiel vorbei - Du hast kein Leben mehr #");
    game.waitForRow(32, "Druecke Taste 5 zur Fortsetzung!");
    const int points = pointsShown(readActiveScreen());
    check(points > 0, "the digit above the start was collected");

    s = game.tap(kDigit5, "the name entry", [](const Screen& t) {
        return t.rowHas(3, "Du hast es in die Bestenliste geschafft") &&
               highlight(t) == std::pair{14, 25};
    });

    // A held arrow: one press, held until the highlight has gone three rows down, moves it
    // on every look of the screen (each 80 ms) without another press.
    const double holdStart = nowMs();
    s = game.tap(kDown, "three moves of one held key",
                 [](const Screen& t) { return highlight(t).first >= 20; });
    const double holdMs = nowMs() - holdStart;
    Sleep(300);  // the release is noticed at the next look; nothing on the screen says so
    s = readActiveScreen();
    const int heldMoves = (highlight(s).first - 14) / 2;
    logLine("  held Down for %.0f ms: %d moves of the highlight", holdMs, heldMoves);
    check(heldMoves >= 3, format("held moves: %d", heldMoves));

    // A hold of a set length, for the record: the game looks every 80 ms.
    const int columnBefore = highlight(s).second;
    press(kRight);
    Sleep(400);
    release(kRight);
    Sleep(300);
    s = readActiveScreen();
    logLine("  held Right for 400 ms: %d moves of the highlight",
            (highlight(s).second - columnBefore) / 4);

    // A tap: pressed until the highlight moves, then let go; one move.
    const int rowBefore = highlight(s).first;
    s = game.tap(kUp, "one move up", [rowBefore](const Screen& t) {
        return highlight(t).first != 0 && highlight(t).first < rowBefore;
    });
    Sleep(300);
    s = readActiveScreen();
    checkEqual(highlight(s).first, rowBefore - 2, "a tap moves one cell");

    // Without the focus every key reads as up: a held key stops moving the highlight, and as
    // its release went to the other window, it does not move it again when the focus is back.
    // Nothing on the screen shows a key not acting, so each check gives it half a second.
    const int rowAtPress = highlight(s).first;
    press(kDown);
    game.waitFor("a move of the held key",
                 [rowAtPress](const Screen& t) { return highlight(t).first > rowAtPress; });
    focusElsewhere(true);
    Sleep(200);
    const int rowAway = highlight(readActiveScreen()).first;
    Sleep(500);
    checkEqual(highlight(readActiveScreen()).first, rowAway, "a held key moved without the focus");
    release(kDown);
    focusElsewhere(false);
    Sleep(500);
    checkEqual(highlight(readActiveScreen()).first, rowAway,
               "the key acted after the focus came back");
    logLine("  focus away with Down held: stopped at row %d", rowAway);

    // To "A" (row 22, column 37), take it, then to END (row 30, column 41).
    auto moveTo = [&](int row, int column) {
        for (int step = 0; step < 40; ++step) {
            const auto [r, col] = highlight(readActiveScreen());
            check(r != 0, "no highlight");
            if (r == row && col == column) return;
            const KeySpec& arrow =
                r != row ? (r < row ? kDown : kUp) : (col < column ? kRight : kLeft);
            game.tap(arrow, "the highlight moving", [r = r, col = col](const Screen& t) {
                const auto now = highlight(t);
                return now.first != 0 && now != std::pair{r, col};
            });
            Sleep(120);  // let go before the next look, or a held key moves it again
        }
        throw FlowFailure(format("the highlight did not reach %d, %d", row, column));
    };
    moveTo(22, 37);
    game.tap(kEnter, "the letter A taken", [](const Screen& t) { return t.ch(33, 25) == L'A'; });
    Sleep(120);
    moveTo(30, 41);
    s = game.tap(kEnter, "the list", [](const Screen& t) { return t.rowStarts(26, "    10."); });
    const std::string pointsText = std::to_string(points);
    std::string place1 = "    1.         " + pointsText;
    place1 += std::string(28 - place1.size(), ' ') + "A" + std::string(14, ' ');
    check(s.rowStarts(8, place1), "row 8: " + s.row(8));
    check(s.rowHas(29, "<<<<  Dein Platz  : 1."), "row 29: " + s.row(29));
    check(s.rowHas(30, "<<<<  Deine Punkte: " + pointsText), "row 30: " + s.row(30));

    const std::vector<char> after = fileBytes(c.dir / "Highscore.rnk");
    checkEqual(after.size(), std::size_t{4400}, "the file keeps 4400 bytes");
    std::vector<char> record(after.begin(), after.begin() + 44);
    std::int32_t filePoints = 0;
    for (int i = 3; i >= 0; --i)
        filePoints =
            filePoints * 256 + static_cast<unsigned char>(record[static_cast<std::size_t>(i)]);
    checkEqual(filePoints, points, "place 1's points in the file");
    checkEqual(std::string(record.begin() + 4, record.begin() + 20),
               "A" + std::string(14, ' ') + std::string(1, '\0'), "place 1's name in the file");
    check(std::equal(before.begin(), before.end() - 44, after.begin() + 44),
          "the old places move down by one");

    game.tap(kSpace, "the menu again", menuShown);
    game.tap(kDigit4, "the end", [&](const Screen&) { return !game.running(); });
    checkEqual(game.waitExit(), 0, "key 4 ends with status 0");
    console.checkGivenBack();
}

void flowCtrlC(const Context& c) {
    ConsoleWatch console;
    Game game(c.exe, c.dir);
    game.waitForRow(22, "4 = Spielende");
    console.checkTakenOver();
    send({keyInput(kControl, true), keyInput(kLetterC, true), keyInput(kLetterC, false),
          keyInput(kControl, false)});
    checkEqual(game.waitExit(), 9, "Ctrl+C ends with status 9");
    const std::string expected =
        "\nAborting due to runtime error 9 (\"interrupted\" signal) in Numerion::()\n\n";
    checkEqual(game.stderrText(), expected, "the report: \"" + visible(game.stderrText()) + "\"");
    console.checkGivenBack();
}

// Standard output into a file: the printed bytes go there unchanged (line breaks as carriage
// return and line feed, no escape sequences), the console's screen is not touched, and the keys
// still come from the console: key 4 ends the program with status 0 and the console's input
// mode as it was.
void flowRedirected(const Context& c) {
    const ConsoleState before = ConsoleWatch::activeState();
    Game game(c.exe, c.dir, true);
    const double until = nowMs() + kDeadlineMs;
    while (game.stdoutText().find("4 = Spielende") == std::string::npos) {
        check(game.running(), "the game ended: " + game.stderrText());
        check(nowMs() < until, "the menu never reached stdout.txt");
        Sleep(kLookEveryMs);
    }
    const std::string printed = game.stdoutText();
    check(printed.find("     1 = Spielbeginn\r\n") != std::string::npos,
          "the menu line as printed");
    check(printed.find('\x1b') == std::string::npos, "no escape sequences in the printed bytes");
    game.tap(kDigit4, "the end", [&](const Screen&) { return !game.running(); });
    checkEqual(game.waitExit(), 0, "key 4 ends with status 0");
    checkEqual(game.stderrText(), std::string(), "nothing on stderr");
    const std::string differences = ConsoleWatch::activeState().differencesFrom(before);
    check(differences.empty(), "the console changed: " + differences);
}

void flowDirectory(const Context& c) {
    const ConsoleState before = ConsoleWatch::activeState();
    std::filesystem::create_directory(c.dir / "Highscore.rnk");
    Game game(c.exe, c.dir);
    checkEqual(game.waitExit(), 2, "a directory named Highscore.rnk ends with status 2");
    const std::string expected =
        "\nAborting due to runtime error 2 (file not found) at line 41 of Numerion::()\n\n";
    checkEqual(game.stderrText(), expected, "the report: \"" + visible(game.stderrText()) + "\"");
    const std::string differences = ConsoleWatch::activeState().differencesFrom(before);
    check(differences.empty(), "the console was not given back: " + differences);
}

struct Flow {
    const char* name;
    void (*run)(const Context&);
};
constexpr Flow kFlows[] = {
    {"menu", flowMenu},    {"keypad", flowKeypad},         {"game", flowGame},
    {"ctrl-c", flowCtrlC}, {"redirected", flowRedirected}, {"directory", flowDirectory},
};

// The console delivers Ctrl+C to every process on it; this one stays.
BOOL WINAPI ignoreCtrlC(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ConsoleDriver <numerion.exe> <log file> [flow ...]\n");
        return 100;
    }
    gLog = _wfopen(argv[2], L"w");
    if (gLog == nullptr) return 101;
    SetConsoleCtrlHandler(ignoreCtrlC, TRUE);

    Context context;
    context.exe = std::filesystem::absolute(argv[1]).wstring();
    // A console to recognise afterwards: a title, a line of text and the cursor below it.
    SetConsoleTitleW(L"Numerion console driver");
    DWORD written = 0;
    const wchar_t marker[] = L"numerion console driver: this text must still stand afterwards\r\n";
    WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), marker, static_cast<DWORD>(wcslen(marker)),
                  &written, nullptr);

    std::vector<std::string> wanted;
    for (int i = 3; i < argc; ++i)
        wanted.push_back(utf8(argv[i]));

    int failures = 0;
    for (const Flow& flow : kFlows) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), flow.name) == wanted.end())
            continue;
        context.dir = std::filesystem::absolute(std::string("flow-") + flow.name);
        std::error_code ignored;
        std::filesystem::remove_all(context.dir, ignored);
        std::filesystem::create_directories(context.dir);
        const double start = nowMs();
        try {
            flow.run(context);
            logLine("PASS %s (%.0f ms)", flow.name, nowMs() - start);
        } catch (const std::exception& failure) {
            ++failures;
            logLine("FAIL %s (%.0f ms): %s", flow.name, nowMs() - start, failure.what());
        }
    }
    std::fclose(gLog);
    return failures;
}
