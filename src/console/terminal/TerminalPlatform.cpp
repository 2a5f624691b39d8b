// The terminal on standard input and output, signals, the system clock.

#include <unistd.h>

#include "console/HostPlatform.h"
#include "console/PlatformCore.h"
#include "console/posix/WriteAll.h"
#include "console/terminal/TerminalBackend.h"
#include "console/terminal/TerminalScreen.h"

namespace numerion {

namespace {

void writeUnchanged(std::string_view bytes) {
    writeAll(STDOUT_FILENO, bytes.data(), bytes.size());
}

class TerminalPlatform final : public HostPlatform {
  public:
    explicit TerminalPlatform(TextConsole& model) {
        const bool output = ::isatty(STDOUT_FILENO) == 1;
        const bool input = ::isatty(STDIN_FILENO) == 1;
        if (output) {
            screen_ = std::make_unique<TerminalScreen>(STDOUT_FILENO, model);
        } else {
            // Output into a file or a pipe: the printed bytes themselves. The keys still come
            // from the terminal on standard input, when there is one.
            model.setPrintObserver(writeUnchanged);
        }
        backend_ = std::make_unique<TerminalBackend>(screen_.get(), input ? STDIN_FILENO : -1,
                                                     STDOUT_FILENO);
        backend_->start();
        core_ = std::make_unique<PlatformCore>(*backend_);
    }

    ~TerminalPlatform() override {
        core_.reset();
        backend_.reset();  // gives the terminal back while the screen still exists
        screen_.reset();
    }

    Platform& platform() override { return *core_; }

  private:
    std::unique_ptr<TerminalScreen> screen_;
    std::unique_ptr<TerminalBackend> backend_;
    std::unique_ptr<PlatformCore> core_;
};

}  // namespace

std::unique_ptr<HostPlatform> HostPlatform::open(TextConsole& screen) {
    return std::make_unique<TerminalPlatform>(screen);
}

}  // namespace numerion
