#include "support/PtyTerminal.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>
#include <vterm.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace numerion::e2e {

namespace {

using Clock = std::chrono::steady_clock;

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int colourIndex(const VTermColor& colour, bool foreground) {
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&colour) : VTERM_COLOR_IS_DEFAULT_BG(&colour)) {
        return -1;
    }
    if (VTERM_COLOR_IS_INDEXED(&colour)) return colour.indexed.idx;
    return -2;
}

int directRgb(const VTermColor& colour) {
    if (!VTERM_COLOR_IS_RGB(&colour) || VTERM_COLOR_IS_DEFAULT_FG(&colour) ||
        VTERM_COLOR_IS_DEFAULT_BG(&colour)) {
        return -1;
    }
    return (colour.rgb.red << 16) | (colour.rgb.green << 8) | colour.rgb.blue;
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return;  // the program is gone; what it would have read does not matter
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

struct PtyTerminalCallbacks {
    static int setTermProp(VTermProp prop, VTermValue* value, void* user) {
        auto* self = static_cast<PtyTerminal*>(user);
        if (prop == VTERM_PROP_ALTSCREEN) self->altScreen_ = value->boolean != 0;
        if (prop == VTERM_PROP_CURSORVISIBLE) self->cursorVisible_ = value->boolean != 0;
        return 1;
    }
    static int bell(void* user) {
        ++static_cast<PtyTerminal*>(user)->bells_;
        return 1;
    }
    // Answers of the terminal (device attributes, cursor reports) go back to the program.
    static void output(const char* bytes, std::size_t length, void* user) {
        auto* self = static_cast<PtyTerminal*>(user);
        if (self->master_ >= 0) writeAll(self->master_, std::string_view(bytes, length));
    }
};

namespace {
const VTermScreenCallbacks kScreenCallbacks = {
    nullptr,                             // damage
    nullptr,                             // moverect
    nullptr,                             // movecursor
    &PtyTerminalCallbacks::setTermProp,  // settermprop
    &PtyTerminalCallbacks::bell,         // bell
    nullptr,                             // resize
    nullptr,                             // sb_pushline
    nullptr,                             // sb_popline
};
}  // namespace

PtyTerminal::PtyTerminal(std::vector<std::string> argv, Options options) {
    if (argv.empty()) throw std::invalid_argument("PtyTerminal: no program");
    start(
        [&argv] {
            std::vector<char*> args;
            for (auto& a : argv)
                args.push_back(a.data());
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        },
        options);
}

namespace {
PtyTerminal::Options inDirectory(std::string workingDir) {
    PtyTerminal::Options options;
    options.workingDir = std::move(workingDir);
    return options;
}
}  // namespace

PtyTerminal::PtyTerminal(std::vector<std::string> argv, std::string workingDir)
    : PtyTerminal(std::move(argv), inDirectory(std::move(workingDir))) {}

PtyTerminal::PtyTerminal(std::function<int()> body, Options options) {
    start([&body] { ::_exit(body()); }, options);
}

void PtyTerminal::start(const std::function<void()>& childBody, const Options& options) {
    rows_ = options.rows;
    columns_ = options.columns;
    vt_ = vterm_new(rows_, columns_);
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_set_callbacks(screen_, &kScreenCallbacks, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
    vterm_output_set_callback(vt_, &PtyTerminalCallbacks::output, this);

    kitty_ = options.kittyKeyboard;

    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows_);
    size.ws_col = static_cast<unsigned short>(columns_);
    int slave = -1;
    if (::openpty(&master_, &slave, nullptr, nullptr, &size) != 0) {
        throw std::runtime_error("PtyTerminal: openpty failed");
    }
    // Taken before the child exists, so nothing it does can have changed them yet.
    ::tcgetattr(master_, &modesAtStart_);
    int errorPipe[2] = {-1, -1};
    if (options.captureStderr && ::pipe2(errorPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("PtyTerminal: pipe failed");
    }
    // What the test process has not written yet would otherwise be written by the child too,
    // into the terminal, when a child body flushes or exits through the C library.
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("PtyTerminal: fork failed");
    if (pid_ == 0) {
        ::close(master_);
        if (::login_tty(slave) != 0) ::_exit(125);
        if (errorPipe[1] >= 0 && ::dup2(errorPipe[1], STDERR_FILENO) < 0) ::_exit(125);
        if (options.runAsUser) {
            const uid_t id = *options.runAsUser;
            if (::setgroups(0, nullptr) != 0 || ::setgid(id) != 0 || ::setuid(id) != 0) {
                ::_exit(125);
            }
        }
        if (!options.workingDir.empty() && ::chdir(options.workingDir.c_str()) != 0) ::_exit(126);
        ::setenv("TERM", options.term.c_str(), 1);
        ::setenv("LANG", options.lang.c_str(), 1);
        ::setenv("LC_ALL", options.lang.c_str(), 1);
        ::unsetenv("COLUMNS");
        ::unsetenv("LINES");
        ::unsetenv("COLORTERM");
        for (const auto& entry : options.extraEnv) {
            auto eq = entry.find('=');
            if (eq != std::string::npos) {
                ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
            }
        }
        ::signal(SIGPIPE, SIG_DFL);
        childBody();
        ::_exit(127);
    }
    ::close(slave);
    if (errorPipe[1] >= 0) {
        ::close(errorPipe[1]);
        errorPipe_ = errorPipe[0];
        ::fcntl(errorPipe_, F_SETFL, ::fcntl(errorPipe_, F_GETFL) | O_NONBLOCK);
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyTerminal::~PtyTerminal() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        reap(0);
    }
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    if (errorPipe_ >= 0) ::close(errorPipe_);
    if (vt_ != nullptr) vterm_free(vt_);
}

void PtyTerminal::send(std::string_view bytes) {
    if (master_ >= 0) writeAll(master_, bytes);
}

std::string PtyTerminal::kittyEvent(KittyKey key, int event, int modifiers) {
    std::string bytes = "\x1b[";
    if (event == 1 && modifiers == 1) {
        // kitty leaves out what is implied: ESC[49u, and ESC[A for an arrow
        if (key.final == 'u') bytes += std::to_string(key.code);
    } else {
        bytes += std::to_string(key.code) + ';' + std::to_string(modifiers);
        if (event != 1) bytes += ':' + std::to_string(event);
    }
    return bytes + key.final;
}

void PtyTerminal::press(KittyKey key, int modifiers) {
    send(kittyEvent(key, 1, modifiers));
}

void PtyTerminal::repeat(KittyKey key, int modifiers) {
    send(kittyEvent(key, 2, modifiers));
}

void PtyTerminal::release(KittyKey key, int modifiers) {
    send(kittyEvent(key, 3, modifiers));
}

void PtyTerminal::feed(const char* bytes, std::size_t length) {
    output_.append(bytes, length);
    if (kitty_) {
        // The keyboard sequences are handled where they stand in the stream: a query is
        // answered before libvterm sees (and answers) what follows it, and a push lands on the
        // stack of the screen in force at that point.
        std::size_t from = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const char c = bytes[i];
            if (c == '\x1b') {
                pendingCsi_.assign(1, c);
                continue;
            }
            if (pendingCsi_.empty()) continue;
            if (pendingCsi_.size() == 1 && c != '[') {
                pendingCsi_.clear();
                continue;
            }
            pendingCsi_ += c;
            if (pendingCsi_.size() == 2) continue;
            if (c >= 0x40 && c <= 0x7E) {
                const std::string sequence = std::move(pendingCsi_);
                pendingCsi_.clear();
                if (c != 'u') continue;
                vterm_input_write(vt_, bytes + from, i + 1 - from);
                vterm_screen_flush_damage(screen_);
                from = i + 1;
                keyboardSequence(sequence);
            } else if (static_cast<unsigned char>(c) < 0x20 || pendingCsi_.size() > 64) {
                pendingCsi_.clear();
            }
        }
        bytes += from;
        length -= from;
    }
    vterm_input_write(vt_, bytes, length);
    vterm_screen_flush_damage(screen_);
}

void PtyTerminal::keyboardSequence(std::string_view sequence) {
    // sequence: ESC [ leader parameters u
    const char leader = sequence.size() > 3 ? sequence[2] : '\0';
    const std::string parameters(sequence.substr(3, sequence.size() - 4));
    std::vector<int>& stack = altScreen_ ? flagsAlt_ : flagsMain_;
    const int value = parameters.empty() ? -1 : std::atoi(parameters.c_str());
    switch (leader) {
        case '?':
            ++keyboardQueries_;
            send("\x1b[?" + std::to_string(keyboardFlags()) + "u");
            break;
        case '>':
            stack.push_back(std::max(value, 0));
            break;
        case '<':
            for (int n = value < 1 ? 1 : value; n > 0 && !stack.empty(); --n)
                stack.pop_back();
            break;
        case '=': {
            const int flags = std::max(value, 0);
            const auto semicolon = parameters.find(';');
            const int mode =
                semicolon == std::string::npos ? 1 : std::atoi(parameters.c_str() + semicolon + 1);
            if (stack.empty()) stack.push_back(0);
            if (mode == 2) {
                stack.back() |= flags;
            } else if (mode == 3) {
                stack.back() &= ~flags;
            } else {
                stack.back() = flags;
            }
            break;
        }
        default:
            break;  // CSI u without a leader: restore the cursor, libvterm's business
    }
}

int PtyTerminal::keyboardFlags() const {
    const std::vector<int>& stack = altScreen_ ? flagsAlt_ : flagsMain_;
    return stack.empty() ? 0 : stack.back();
}

void PtyTerminal::readErrors() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(errorPipe_, buffer, sizeof buffer);
        if (n > 0) {
            errorOutput_.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) {  // every writer is gone
            ::close(errorPipe_);
            errorPipe_ = -1;
        }
        return;
    }
}

termios PtyTerminal::modes() const {
    termios now{};
    ::tcgetattr(master_, &now);  // on a master: the modes of its slave side
    return now;
}

void PtyTerminal::pump(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int wait = static_cast<int>(std::max<long>(0, left.count()));
        pollfd p[2] = {{master_, POLLIN, 0}, {errorPipe_, POLLIN, 0}};
        const nfds_t count = errorPipe_ >= 0 ? 2 : 1;
        int ready = ::poll(p, count, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return;  // time is up
        if (count == 2 && p[1].revents != 0) readErrors();
        if (p[0].revents == 0) continue;
        ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            feed(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        // EIO: every slave side is closed, nothing more will come; do not spin on it.
        if (wait > 0) std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(10)));
        if (Clock::now() >= deadline) return;
    }
}

bool PtyTerminal::waitFor(const std::function<bool(const PtyTerminal&)>& predicate, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (predicate(*this)) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pump(static_cast<int>(std::min<long>(left.count(), 20)));
    }
}

bool PtyTerminal::waitForText(int row, std::string_view text, int timeoutMs) {
    return waitFor(
        [row, text](const PtyTerminal& t) {
            return t.rowText(row).find(text) != std::string::npos;
        },
        timeoutMs);
}

void PtyTerminal::reap(int options) {
    if (pid_ <= 0 || status_) return;
    int raw = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &raw, options);
    } while (got < 0 && errno == EINTR);
    if (got != pid_) return;
    ExitStatus s;
    if (WIFEXITED(raw)) {
        s.exited = true;
        s.code = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw)) {
        s.signal = WTERMSIG(raw);
    }
    status_ = s;
}

std::optional<ExitStatus> PtyTerminal::waitExit(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        reap(WNOHANG);
        if (status_) {
            pump(0);  // what it wrote last is still in the pty
            // The report may still be in the pipe; its end comes once the last writer is gone.
            const auto errorDeadline = Clock::now() + std::chrono::seconds(5);
            while (errorPipe_ >= 0 && Clock::now() < errorDeadline) {
                pollfd p{errorPipe_, POLLIN, 0};
                if (::poll(&p, 1, 100) > 0) readErrors();
            }
            return status_;
        }
        if (Clock::now() >= deadline) return std::nullopt;
        pump(10);  // keeps its output flowing so it cannot block on a full pty
    }
}

std::optional<ExitStatus> PtyTerminal::hangUp(int timeoutMs) {
    pump(0);  // what it wrote before still shows
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    return waitExit(timeoutMs);
}

bool PtyTerminal::running() {
    reap(WNOHANG);
    return !status_;
}

void PtyTerminal::resize(int rows, int columns) {
    rows_ = rows;
    columns_ = columns;
    vterm_set_size(vt_, rows, columns);
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(columns);
    ::ioctl(master_, TIOCSWINSZ, &size);
}

CellLook PtyTerminal::cell(int row, int column) const {
    CellLook look;
    if (row < 1 || row > rows_ || column < 1 || column > columns_) return look;
    VTermScreenCell c{};
    vterm_screen_get_cell(screen_, VTermPos{row - 1, column - 1}, &c);
    if (c.chars[0] == 0) {
        look.text.push_back(' ');
    } else if (c.chars[0] != static_cast<std::uint32_t>(-1)) {  // -1: right half of a wide one
        for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i) {
            appendUtf8(look.text, c.chars[i]);
        }
    }
    look.foreground = colourIndex(c.fg, true);
    look.background = colourIndex(c.bg, false);
    look.foregroundRgb = directRgb(c.fg);
    look.backgroundRgb = directRgb(c.bg);
    look.bold = c.attrs.bold != 0;
    look.reverse = c.attrs.reverse != 0;
    return look;
}

std::string PtyTerminal::rowText(int row) const {
    std::string text;
    for (int column = 1; column <= columns_; ++column)
        text += cell(row, column).text;
    return text;
}

std::string PtyTerminal::screenText() const {
    std::string text;
    for (int row = 1; row <= rows_; ++row)
        text += rowText(row) + '\n';
    return text;
}

int PtyTerminal::cursorRow() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.row + 1;
}

int PtyTerminal::cursorColumn() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.col + 1;
}

}  // namespace numerion::e2e
