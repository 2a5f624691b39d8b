// The terminal on standard input and output, signals, the system clock.

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "console/HostPlatform.h"
#include "console/PlatformCore.h"
#include "console/posix/WriteAll.h"
#include "console/terminal/TerminalBackend.h"
#include "console/terminal/TerminalInfo.h"
#include "console/terminal/TerminalScreen.h"

namespace numerion {

namespace {

// A start refused for want of a terminal: neither a run-time error (nothing has run) nor a
// normal end.
constexpr int kNoGamePossible = 1;

void writeUnchanged(std::string_view bytes) {
    writeAll(STDOUT_FILENO, bytes.data(), bytes.size());
}

// Ends the program before it has written anything, with one line saying why.
[[noreturn]] void refuseToStart(const std::string& why) {
    const std::string line = "numerion: " + why + "\n";
    writeAll(STDERR_FILENO, line.data(), line.size());
    std::exit(kNoGamePossible);
}

// The controlling terminal, for the keys when standard input is not a terminal (as pagers
// do): typed keys then reach the game and are not echoed into its picture. -1 without one.
int openControllingTerminal() {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && ::isatty(fd) != 1) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class TerminalPlatform final : public HostPlatform {
  public:
    explicit TerminalPlatform(TextConsole& model) {
        int keysFd = STDIN_FILENO;
        if (::isatty(STDIN_FILENO) != 1) {
            controllingTerminal_ = openControllingTerminal();
            keysFd = controllingTerminal_;
        }
        // Without a keyboard the game could only repeat its title for ever.
        if (keysFd < 0) {
            refuseToStart(
                "Kein Terminal fuer die Tasten (weder die Standardeingabe noch /dev/tty) - "
                "ohne Tastatur ist kein Spiel moeglich.");
        }
        if (::isatty(STDOUT_FILENO) == 1) {
            const TerminalInfo info = describeTerminal(STDOUT_FILENO);
            if (!info.addressable) {
                const char* term = std::getenv("TERM");
                refuseToStart(std::string("Das Terminal (TERM=") + (term ? term : "") +
                              ") kann den Cursor nicht setzen - das Spiel braucht ein "
                              "Terminal wie xterm.");
            }
            screen_ = std::make_unique<TerminalScreen>(STDOUT_FILENO, model, info);
        } else {
            // Output into a file or a pipe: the printed bytes themselves. The keys still come
            // from the terminal.
            model.setPrintObserver(writeUnchanged);
        }
        backend_ = std::make_unique<TerminalBackend>(screen_.get(), keysFd, STDOUT_FILENO);
        backend_->start();
        core_ = std::make_unique<PlatformCore>(*backend_);
    }

    ~TerminalPlatform() override {
        core_.reset();
        backend_.reset();  // gives the terminal back while the screen still exists
        screen_.reset();
        if (controllingTerminal_ >= 0) ::close(controllingTerminal_);
    }
    TerminalPlatform(const TerminalPlatform&) = delete;
    TerminalPlatform& operator=(const TerminalPlatform&) = delete;

    Platform& platform() override { return *core_; }

  private:
    int controllingTerminal_ = -1;
    std::unique_ptr<TerminalScreen> screen_;
    std::unique_ptr<TerminalBackend> backend_;
    std::unique_ptr<PlatformCore> core_;
};

}  // namespace

std::unique_ptr<HostPlatform> HostPlatform::open(TextConsole& screen) {
    return std::make_unique<TerminalPlatform>(screen);
}

}  // namespace numerion
