// The Windows console: the game's own screen buffer, console input, the performance counter,
// console control events and structured exceptions.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string_view>

#include "console/HostPlatform.h"
#include "console/PlatformCore.h"
#include "console/RunTimeError.h"
#include "console/wincon/ConsoleBackend.h"
#include "console/wincon/ConsoleScreen.h"
#include "console/wincon/FatalEvents.h"

namespace numerion {

namespace {

void writeUnchanged(std::string_view bytes) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    while (!bytes.empty()) {
        DWORD n = 0;
        if (!WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) || n == 0)
            return;  // a closed pipe or a full disk: nobody to show it to
        bytes.remove_prefix(n);
    }
}

void giveBackConsole() {
    ConsoleScreen::giveBack();
}

// The default timer granularity (15.6 ms) would stretch every 90 ms tick to about 94 ms.
constexpr UINT kTimerResolutionMs = 1;

class WinconPlatform final : public HostPlatform {
  public:
    explicit WinconPlatform(TextConsole& model) {
        // The reports and printed bytes go out as they are, line feeds without carriage
        // returns, exactly as on Linux (the console moves to the next line on a line feed).
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
        timeBeginPeriod(kTimerResolutionMs);
        installFaultHandlers();
        installConsoleControlHandler();
        // Before anything is taken over, so a fault on the way gives back what was taken.
        setFatalCleanup(giveBackConsole);

        screen_ = ConsoleScreen::open(model);
        if (screen_ == nullptr) {
            // Output into a file or a pipe: the printed bytes themselves. The keys still come
            // from the console when standard input is one.
            model.setPrintObserver(writeUnchanged);
        }
        HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        if (!ConsoleScreen::takeInput(input)) input = INVALID_HANDLE_VALUE;
        backend_ = std::make_unique<ConsoleBackend>(screen_.get(), input);
        core_ = std::make_unique<PlatformCore>(*backend_);
    }

    ~WinconPlatform() override {
        core_.reset();
        backend_.reset();
        screen_.reset();
        ConsoleScreen::giveBack();  // the input mode too, where there was no screen
        setFatalCleanup(nullptr);
        timeEndPeriod(kTimerResolutionMs);
    }

    WinconPlatform(const WinconPlatform&) = delete;
    WinconPlatform& operator=(const WinconPlatform&) = delete;

    Platform& platform() override { return *core_; }

  private:
    std::unique_ptr<ConsoleScreen> screen_;
    std::unique_ptr<ConsoleBackend> backend_;
    std::unique_ptr<PlatformCore> core_;
};

}  // namespace

std::unique_ptr<HostPlatform> HostPlatform::open(TextConsole& screen) {
    return std::make_unique<WinconPlatform>(screen);
}

}  // namespace numerion
