#pragma once
// The browser's mechanism under the platform core: key, focus and visibility events from the
// page (page.js), the screen model drawn on its canvas, performance.now() as the clock and a
// Web Audio tone as the bell. Built with emscripten and ASYNCIFY, so a wait here gives the
// browser its turn and the program goes on where it stopped.

#include <array>
#include <cstdint>

#include "console/Backend.h"
#include "console/TextConsole.h"

namespace numerion {

class WebBackend final : public Backend {
  public:
    explicit WebBackend(const TextConsole& model);

    void waitForEvents(double timeoutMs, std::vector<InputEvent>& out) override;
    // False while the page is hidden (another tab, a minimised window): the browser slows a
    // hidden page's timers, so the game is held as in a window too small to show it.
    bool present() override;
    double monotonicMs() override;
    double bell() override;
    // keydown and keyup name the physical key: the held state is exact.
    HeldKeys::Mode heldKeysMode() override { return HeldKeys::Mode::Exact; }

  private:
    static constexpr int kCells = TextConsole::kColumns * TextConsole::kRows;

    // Moves the events the page has queued into out; returns how many.
    std::size_t takeEvents(std::vector<InputEvent>& out);

    const TextConsole& model_;
    std::uint64_t presented_ = ~std::uint64_t{0};
    std::array<std::uint32_t, kCells> glyphs_{};
    std::array<std::uint16_t, kCells> attrs_{};
};

}  // namespace numerion
