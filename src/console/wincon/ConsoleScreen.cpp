#include "console/wincon/ConsoleScreen.h"

#include <algorithm>
#include <atomic>

#include "console/Glyphs.h"

namespace numerion {

namespace {

// What the console looked like before the program took it over. The fatal path gives it back
// from a fault filter or a control handler's thread, so it lives outside any object.
struct Found {
    HANDLE original = INVALID_HANDLE_VALUE;
    HANDLE input = INVALID_HANDLE_VALUE;
    DWORD inputMode = 0;
    wchar_t title[1024] = {};
    bool titleKnown = false;
    WORD attributes = 0x07;
};
constinit Found gFound{};
std::atomic<bool> gScreenTaken{false};
std::atomic<bool> gInputTaken{false};

constexpr SHORT kColumns = TextConsole::kColumns;
constexpr SHORT kRows = TextConsole::kRows;

}  // namespace

bool ConsoleScreen::takeInput(HANDLE input) {
    if (input == nullptr || input == INVALID_HANDLE_VALUE ||
        !GetConsoleMode(input, &gFound.inputMode))
        return false;
    gFound.input = input;
    // Keys one at a time, not echoed; Ctrl+C stays the console's signal, not a key.
    SetConsoleMode(input, ENABLE_PROCESSED_INPUT | ENABLE_WINDOW_INPUT);
    gInputTaken.store(true);
    return true;
}

std::unique_ptr<ConsoleScreen> ConsoleScreen::open(const TextConsole& model) {
    HANDLE original = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (original == nullptr || original == INVALID_HANDLE_VALUE ||
        !GetConsoleScreenBufferInfo(original, &info))
        return nullptr;
    // The buffer to give back is the one active now, which need not be the one standard output
    // names (under wine that handle follows whichever buffer is active).
    HANDLE active =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (active != INVALID_HANDLE_VALUE) original = active;
    HANDLE own =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (own == INVALID_HANDLE_VALUE) {
        if (active != INVALID_HANDLE_VALUE) CloseHandle(active);
        return nullptr;
    }

    gFound.original = original;
    gFound.attributes = info.wAttributes;
    gFound.titleKnown = GetConsoleTitleW(gFound.title, sizeof gFound.title / sizeof(wchar_t)) > 0;
    std::unique_ptr<ConsoleScreen> screen(new ConsoleScreen(model, own));
    SetConsoleActiveScreenBuffer(own);
    gScreenTaken.store(true);
    screen->setSize();
    screen->present();
    return screen;
}

ConsoleScreen::ConsoleScreen(const TextConsole& model, HANDLE own)
    : model_(model), own_(own), cells_(static_cast<std::size_t>(kColumns * kRows)) {}

ConsoleScreen::~ConsoleScreen() {
    giveBack();
    CloseHandle(own_);
}

void ConsoleScreen::giveBack() {
    if (gScreenTaken.exchange(false)) {
        SetConsoleActiveScreenBuffer(gFound.original);
        if (gFound.titleKnown) SetConsoleTitleW(gFound.title);
    }
    if (gInputTaken.exchange(false)) SetConsoleMode(gFound.input, gFound.inputMode);
}

void ConsoleScreen::setSize() {
    // The window must fit into the buffer at every step: shrink it first, then size the
    // buffer, then open the window over all of it (as far as the display allows).
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(own_, &info)) {
        const SHORT width = info.srWindow.Right - info.srWindow.Left + 1;
        const SHORT height = info.srWindow.Bottom - info.srWindow.Top + 1;
        SMALL_RECT small{0, 0, static_cast<SHORT>(std::min(width, kColumns) - 1),
                         static_cast<SHORT>(std::min(height, kRows) - 1)};
        SetConsoleWindowInfo(own_, TRUE, &small);
    }
    SetConsoleScreenBufferSize(own_, COORD{kColumns, kRows});
    const COORD largest = GetLargestConsoleWindowSize(own_);
    SMALL_RECT window{0, 0, kColumns - 1, kRows - 1};
    if (largest.X > 0 && largest.X < kColumns) window.Right = static_cast<SHORT>(largest.X - 1);
    if (largest.Y > 0 && largest.Y < kRows) window.Bottom = static_cast<SHORT>(largest.Y - 1);
    SetConsoleWindowInfo(own_, TRUE, &window);
    drawn_ = false;
    cursorShown_ = -1;
}

bool ConsoleScreen::repair() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(own_, &info)) return false;
    if (info.dwSize.X == kColumns && info.dwSize.Y == kRows) return false;
    setSize();
    present();
    return true;
}

void ConsoleScreen::present() {
    if (!drawn_ || model_.version() != shownVersion_) {
        for (int row = 1; row <= kRows; ++row) {
            for (int column = 1; column <= kColumns; ++column) {
                const Cell& cell = model_.cell(row, column);
                CHAR_INFO& out =
                    cells_[static_cast<std::size_t>((row - 1) * kColumns + column - 1)];
                out.Char.UnicodeChar = static_cast<WCHAR>(glyphCodePoint(cell.ch));
                out.Attributes = cell.attr == kConsoleOwnAttr ? gFound.attributes : cell.attr;
            }
        }
        SMALL_RECT region{0, 0, kColumns - 1, kRows - 1};
        WriteConsoleOutputW(own_, cells_.data(), COORD{kColumns, kRows}, COORD{0, 0}, &region);
        shownVersion_ = model_.version();
        drawn_ = true;
    }
    const int row = model_.cursorRow();
    const int column = model_.cursorColumn();
    if (row != cursorRow_ || column != cursorColumn_) {
        SetConsoleCursorPosition(own_,
                                 COORD{static_cast<SHORT>(std::clamp<int>(column, 1, kColumns) - 1),
                                       static_cast<SHORT>(std::clamp<int>(row, 1, kRows) - 1)});
        cursorRow_ = row;
        cursorColumn_ = column;
    }
    const int visible = model_.cursorVisible() ? 1 : 0;
    if (visible != cursorShown_) {
        CONSOLE_CURSOR_INFO cursor{};
        GetConsoleCursorInfo(own_, &cursor);
        if (cursor.dwSize == 0) cursor.dwSize = 25;
        cursor.bVisible = visible;
        SetConsoleCursorInfo(own_, &cursor);
        cursorShown_ = visible;
    }
}

}  // namespace numerion
