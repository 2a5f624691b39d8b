#pragma once
// A program running in a pseudo-terminal, read back through libvterm as a screen of cells.
//
//   PtyTerminal term({NUMERION_BINARY}, workDir);        // 80 x 35, TERM=xterm-256color
//   ASSERT_TRUE(term.waitForText(5, "Numerion", 5000));  // row 5 contains the text
//   term.send("4");                                       // bytes typed on the keyboard
//   auto status = term.waitExit(5000);                    // nullopt on timeout
//   EXPECT_TRUE(status && status->exited && status->code == 0);
//
// Rows and columns count from 1. Nothing is read from the program except inside pump(),
// waitFor...() and waitExit(), so the picture only changes there. Answers the terminal gives
// to the program's queries (device attributes and the like) go back to it as input.

#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct VTerm;
struct VTermScreen;

namespace numerion::e2e {

struct ExitStatus {
    bool exited = false;  // ended by exit(): code is set
    int code = 0;
    int signal = 0;  // ended by a signal: its number
};

// A key as a kitty-protocol terminal reports it: CSI code ; modifiers : event final.
struct KittyKey {
    int code = 0;
    char final = 'u';
};
inline constexpr KittyKey kKittyUp{1, 'A'};
inline constexpr KittyKey kKittyDown{1, 'B'};
inline constexpr KittyKey kKittyRight{1, 'C'};
inline constexpr KittyKey kKittyLeft{1, 'D'};
inline constexpr KittyKey kKittyEnter{13, 'u'};
// A text key by its character ('1', ' ', 'c' ...).
constexpr KittyKey kittyKey(char c) {
    return KittyKey{static_cast<unsigned char>(c), 'u'};
}
inline constexpr int kKittyCtrl = 5;  // modifiers: 1 + ctrl (4)

// The look of one cell. Colour indexes are the terminal's (ANSI: 1 red, 4 blue, 8..15 bright);
// -1 means the terminal's default colour, -2 a direct RGB colour, which the Rgb fields hold
// (0xRRGGBB; -1 otherwise).
struct CellLook {
    std::string text;  // UTF-8 of the cell, " " for an empty cell
    int foreground = -1;
    int background = -1;
    int foregroundRgb = -1;
    int backgroundRgb = -1;
    bool bold = false;
    bool reverse = false;
};

class PtyTerminal {
  public:
    struct Options {
        std::string workingDir;  // empty: the current directory
        int rows = 35;
        int columns = 80;
        std::string term = "xterm-256color";
        std::string lang = "C.UTF-8";
        // COLORTERM is unset unless given here, so the colour depth is the terminal type's.
        std::vector<std::string> extraEnv;  // "NAME=value" entries
        // Answers the keyboard-protocol query as a kitty-protocol terminal does and keeps the
        // flag stacks the program pushes and pops (one per screen, as kitty keeps them).
        bool kittyKeyboard = false;
        // The program's standard error goes into a pipe read back by errorOutput().
        bool captureStderr = false;
        // Runs the program as this user and group (and no others); needs root.
        std::optional<uid_t> runAsUser;
    };

    // Starts argv[0] (looked up in PATH) with the given arguments.
    explicit PtyTerminal(std::vector<std::string> argv, Options options);
    explicit PtyTerminal(std::vector<std::string> argv, std::string workingDir = {});
    // Runs a function in the child instead of a program; its result is the exit status.
    // The child is a fork of the test process: use it for code under test that needs a tty.
    explicit PtyTerminal(std::function<int()> body, Options options);
    // Kills the program (SIGKILL) if it still runs and reaps it.
    ~PtyTerminal();
    PtyTerminal(const PtyTerminal&) = delete;
    PtyTerminal& operator=(const PtyTerminal&) = delete;

    // Types bytes (keys) into the program's terminal.
    void send(std::string_view bytes);
    // Reads and interprets the program's output for about ms milliseconds.
    void pump(int ms);
    // Pumps until the predicate holds; false when the time runs out first.
    bool waitFor(const std::function<bool(const PtyTerminal&)>& predicate, int timeoutMs);
    // Waits until the row contains text (UTF-8) anywhere in it.
    bool waitForText(int row, std::string_view text, int timeoutMs);
    // Waits until the program ends; nullopt when it still runs after timeoutMs.
    std::optional<ExitStatus> waitExit(int timeoutMs);
    bool running();
    // Shuts the terminal as a closed window does: the master side goes, the program gets its
    // hang-up and nothing it writes afterwards is read. Then waits as waitExit does.
    std::optional<ExitStatus> hangUp(int timeoutMs);

    // Key events as a kitty-protocol terminal sends them (event 1 press, 2 repeat, 3 release).
    void press(KittyKey key, int modifiers = 1);
    void repeat(KittyKey key, int modifiers = 1);
    void release(KittyKey key, int modifiers = 1);
    static std::string kittyEvent(KittyKey key, int event, int modifiers = 1);
    // Focus reports as a terminal sends them when its window gains or loses the focus.
    void focusIn() { send("\x1b[I"); }
    void focusOut() { send("\x1b[O"); }

    // Changes the terminal's size; the kernel sends SIGWINCH to the program.
    void resize(int rows, int columns);

    // The screen as the program left it. rowText is the UTF-8 of all cells of a row.
    std::string rowText(int row) const;
    std::string screenText() const;  // all rows, each ended by '\n' (for failure messages)
    CellLook cell(int row, int column) const;
    bool altScreen() const { return altScreen_; }
    bool cursorVisible() const { return cursorVisible_; }
    int cursorRow() const;
    int cursorColumn() const;
    int bellCount() const { return bells_; }
    int rows() const { return rows_; }
    int columns() const { return columns_; }
    // Every byte the program has written so far, unchanged.
    const std::string& output() const { return output_; }
    pid_t pid() const { return pid_; }

    // What the program wrote to standard error (with captureStderr), complete once it ended.
    const std::string& errorOutput() const { return errorOutput_; }
    // The pseudo-terminal's modes now, and as they were before the program started.
    termios modes() const;
    const termios& modesAtStart() const { return modesAtStart_; }

    // The keyboard flags in force on the screen shown now (0: none pushed), how many entries
    // the two screens' stacks hold together, and how often the program asked for the flags.
    int keyboardFlags() const;
    int keyboardFlagsPushed() const {
        return static_cast<int>(flagsMain_.size() + flagsAlt_.size());
    }
    int keyboardQueries() const { return keyboardQueries_; }

  private:
    void start(const std::function<void()>& childBody, const Options& options);
    void feed(const char* bytes, std::size_t length);
    void keyboardSequence(std::string_view sequence);
    void readErrors();
    void reap(int options);

    int master_ = -1;
    pid_t pid_ = -1;
    std::optional<ExitStatus> status_;
    VTerm* vt_ = nullptr;
    VTermScreen* screen_ = nullptr;
    int rows_ = 35;
    int columns_ = 80;
    bool altScreen_ = false;
    bool cursorVisible_ = true;
    int bells_ = 0;
    std::string output_;
    termios modesAtStart_{};
    int errorPipe_ = -1;
    std::string errorOutput_;
    bool kitty_ = false;
    std::string pendingCsi_;  // an unfinished CSI sequence carried into the next read
    std::vector<int> flagsMain_;
    std::vector<int> flagsAlt_;
    int keyboardQueries_ = 0;

    friend struct PtyTerminalCallbacks;
};

}  // namespace numerion::e2e
