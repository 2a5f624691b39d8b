#include "console/wincon/ConsoleScreen.h"

#include <algorithm>
#include <atomic>

#include "console/Glyphs.h"
#include "console/Palette.h"
#include "console/WindowNotice.h"

namespace numerion {

namespace {

constexpr int kColourCount = 16;

// What the console looked like before the program took it over. The fatal path gives it back
// from a fault filter or a control handler's thread, so it lives outside any object.
struct Found {
    HANDLE original = INVALID_HANDLE_VALUE;
    HANDLE input = INVALID_HANDLE_VALUE;
    DWORD inputMode = 0;
    wchar_t title[1024] = {};
    bool titleKnown = false;
    COLORREF colours[kColourCount] = {};
    bool coloursKnown = false;
    WORD attributes = 0x07;
};
constinit Found gFound{};
std::atomic<bool> gScreenTaken{false};
std::atomic<bool> gInputTaken{false};

constexpr SHORT kColumns = TextConsole::kColumns;
constexpr SHORT kRows = TextConsole::kRows;
constexpr wchar_t kTitle[] = L"Numerion";

bool sameRect(const SMALL_RECT& a, const SMALL_RECT& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

// Sets a buffer's 16 colours. The same call sets its size, window, cursor and attributes from
// the record read just before, and hosts read that record's window differently (Windows' own
// host takes it as one cell smaller than it hands it out), so a window that changed is put
// back as it was.
void setColours(HANDLE buffer, const COLORREF* colours) {
    CONSOLE_SCREEN_BUFFER_INFOEX info{};
    info.cbSize = sizeof info;
    if (!GetConsoleScreenBufferInfoEx(buffer, &info)) return;
    const SMALL_RECT window = info.srWindow;
    std::copy(colours, colours + kColourCount, info.ColorTable);
    if (!SetConsoleScreenBufferInfoEx(buffer, &info)) return;
    CONSOLE_SCREEN_BUFFER_INFO after{};
    if (GetConsoleScreenBufferInfo(buffer, &after) && !sameRect(after.srWindow, window))
        SetConsoleWindowInfo(buffer, TRUE, &window);
}

void setStandardColours(HANDLE buffer) {
    COLORREF colours[kColourCount];
    for (int i = 0; i < kColourCount; ++i)
        colours[i] = RGB(paletteRed(i), paletteGreen(i), paletteBlue(i));
    setColours(buffer, colours);
}

constexpr WORD kGreyOnBlack = 0x07;

// Wine's console in a terminal draws grey on black after a cell whose background alone differs
// (the name entry's highlight) in that background still: it never switches back. A blank
// there is written black on black, which looks the same; its change of foreground switches the
// terminal back.
WORD shownAfter(const CHAR_INFO& previous, const CHAR_INFO& cell) {
    const bool blank = cell.Char.UnicodeChar == L' ';
    const bool onlyBackground =
        (previous.Attributes & 0xF0) != 0 && (previous.Attributes & 0x0F) == (kGreyOnBlack & 0x0F);
    if (blank && onlyBackground && cell.Attributes == kGreyOnBlack) return 0x00;
    return cell.Attributes;
}

COORD windowOf(const CONSOLE_SCREEN_BUFFER_INFO& info) {
    return COORD{static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left + 1),
                 static_cast<SHORT>(info.srWindow.Bottom - info.srWindow.Top + 1)};
}

}  // namespace

bool ConsoleScreen::takeInput(HANDLE input) {
    if (input == nullptr || input == INVALID_HANDLE_VALUE ||
        !GetConsoleMode(input, &gFound.inputMode))
        return false;
    gFound.input = input;
    // Keys one at a time, not echoed; Ctrl+C stays the console's signal, not a key.
    DWORD mode = ENABLE_PROCESSED_INPUT | ENABLE_WINDOW_INPUT;
    // Quick Edit off: a click would start a selection that stops the game's output and
    // swallows key releases. Only where the console tells how it stands (with the extended
    // flags), so that the player's setting can be given back; insert mode stays as it is.
    if ((gFound.inputMode & ENABLE_EXTENDED_FLAGS) != 0)
        mode |= ENABLE_EXTENDED_FLAGS |
                (gFound.inputMode & (ENABLE_INSERT_MODE | ENABLE_AUTO_POSITION));
    SetConsoleMode(input, mode);
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
    CONSOLE_SCREEN_BUFFER_INFOEX colours{};
    colours.cbSize = sizeof colours;
    if (GetConsoleScreenBufferInfoEx(original, &colours)) {
        std::copy(colours.ColorTable, colours.ColorTable + kColourCount, gFound.colours);
        gFound.coloursKnown = true;
    }
    std::unique_ptr<ConsoleScreen> screen(new ConsoleScreen(model, own));
    SetConsoleActiveScreenBuffer(own);
    gScreenTaken.store(true);
    // The window's title (a terminal's tab) names the game while it runs.
    if (gFound.titleKnown) SetConsoleTitleW(kTitle);
    screen->setSize();
    // The colour table belongs to the console window and follows its profile (the PowerShell
    // profile makes colour 5 navy, and the mines vanish): the standard one while the game runs.
    if (gFound.coloursKnown) setStandardColours(own);
    screen->present();
    return screen;
}

ConsoleScreen::ConsoleScreen(const TextConsole& model, HANDLE own) : model_(model), own_(own) {}

ConsoleScreen::~ConsoleScreen() {
    giveBack();
    CloseHandle(own_);
}

void ConsoleScreen::giveBack() {
    if (gScreenTaken.exchange(false)) {
        SetConsoleActiveScreenBuffer(gFound.original);
        if (gFound.coloursKnown) setColours(gFound.original, gFound.colours);
        if (gFound.titleKnown) SetConsoleTitleW(gFound.title);
    }
    if (gInputTaken.exchange(false)) SetConsoleMode(gFound.input, gFound.inputMode);
}

void ConsoleScreen::setSize() {
    // The window must fit into the buffer at every step: shrink it first, then size the
    // buffer, then open the window over all of it (as far as the display allows).
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(own_, &info)) {
        const COORD window = windowOf(info);
        SMALL_RECT small{0, 0, static_cast<SHORT>(std::min(window.X, kColumns) - 1),
                         static_cast<SHORT>(std::min(window.Y, kRows) - 1)};
        SetConsoleWindowInfo(own_, TRUE, &small);
    }
    SetConsoleScreenBufferSize(own_, COORD{kColumns, kRows});
    largest_ = GetLargestConsoleWindowSize(own_);
    SMALL_RECT window{0, 0, kColumns - 1, kRows - 1};
    if (largest_.X > 0 && largest_.X < kColumns) window.Right = static_cast<SHORT>(largest_.X - 1);
    if (largest_.Y > 0 && largest_.Y < kRows) window.Bottom = static_cast<SHORT>(largest_.Y - 1);
    SetConsoleWindowInfo(own_, TRUE, &window);
    size_ = COORD{kColumns, kRows};

    // What the player sees: the window as the console reports it now, and no larger than the
    // largest it can show (wine's console in a terminal takes any window but shows the
    // terminal's size).
    COORD shown{kColumns, kRows};
    if (GetConsoleScreenBufferInfo(own_, &info)) shown = windowOf(info);
    if (largest_.X > 0) shown.X = std::min(shown.X, largest_.X);
    if (largest_.Y > 0) shown.Y = std::min(shown.Y, largest_.Y);
    fits_ = shown.X >= kColumns && shown.Y >= kRows;
    notice_.clear();
    if (!fits_) useWindow(shown);
    cells_.assign(static_cast<std::size_t>(size_.X) * static_cast<std::size_t>(size_.Y),
                  CHAR_INFO{});
    drawn_ = false;
    cursorRow_ = 0;
    cursorColumn_ = 0;
    cursorShown_ = -1;
}

void ConsoleScreen::useWindow(COORD window) {
    // The buffer as large as the window: nothing lies outside it that a host could scroll into
    // sight or draw over the last row.
    window.X = std::max<SHORT>(window.X, 1);
    window.Y = std::max<SHORT>(window.Y, 1);
    SMALL_RECT rect{0, 0, static_cast<SHORT>(window.X - 1), static_cast<SHORT>(window.Y - 1)};
    SetConsoleWindowInfo(own_, TRUE, &rect);
    SetConsoleScreenBufferSize(own_, window);
    size_ = window;
    notice_ = windowNotice(window.X, window.Y);
}

bool ConsoleScreen::repair() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(own_, &info)) return false;
    // The console reports the program's own changes too.
    if (info.dwSize.X == size_.X && info.dwSize.Y == size_.Y) return false;
    setSize();
    present();
    return true;
}

bool ConsoleScreen::present() {
    if (!fits_) {
        // A larger font or display may make room without any event saying so.
        const COORD largest = GetLargestConsoleWindowSize(own_);
        if ((largest.X != largest_.X || largest.Y != largest_.Y) && largest.X >= kColumns &&
            largest.Y >= kRows)
            setSize();
    }
    if (!drawn_ || model_.version() != shownVersion_) draw();
    placeCursor();
    return fits_;
}

void ConsoleScreen::draw() {
    const int columns = size_.X;
    const int rows = size_.Y;
    const int noticeLines = static_cast<int>(notice_.size());
    // A too small window keeps its last rows for the notice; one too low for all of the notice
    // shows its first lines.
    const int noticeTop = std::max(0, rows - noticeLines);
    const int modelRows = fits_ ? kRows : std::min<int>(rows - noticeLines, kRows);
    const int modelColumns = std::min<int>(columns, kColumns);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            CHAR_INFO& out = cells_[static_cast<std::size_t>(row * columns + column)];
            if (row < modelRows && column < modelColumns) {
                const Cell& cell = model_.cell(row + 1, column + 1);
                out.Char.UnicodeChar = static_cast<WCHAR>(glyphCodePoint(cell.ch));
                out.Attributes = cell.attr == kConsoleOwnAttr ? gFound.attributes : cell.attr;
                if (column > 0)
                    out.Attributes = shownAfter(
                        cells_[static_cast<std::size_t>(row * columns + column - 1)], out);
                continue;
            }
            out.Char.UnicodeChar = L' ';
            out.Attributes = gFound.attributes;
            const int line = row - noticeTop;
            if (!fits_ && line >= 0 && line < noticeLines &&
                static_cast<std::size_t>(column) < notice_[static_cast<std::size_t>(line)].size())
                out.Char.UnicodeChar = static_cast<WCHAR>(static_cast<unsigned char>(
                    notice_[static_cast<std::size_t>(line)][static_cast<std::size_t>(column)]));
        }
    }
    SMALL_RECT region{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    WriteConsoleOutputW(own_, cells_.data(), size_, COORD{0, 0}, &region);
    shownVersion_ = model_.version();
    drawn_ = true;
}

void ConsoleScreen::placeCursor() {
    const int row = std::clamp<int>(model_.cursorRow(), 1, size_.Y);
    const int column = std::clamp<int>(model_.cursorColumn(), 1, size_.X);
    if (row != cursorRow_ || column != cursorColumn_) {
        SetConsoleCursorPosition(
            own_, COORD{static_cast<SHORT>(column - 1), static_cast<SHORT>(row - 1)});
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
