#pragma once
// A platform without a terminal, for tests: a virtual clock that waits and beeps advance at
// once, a script of key presses, releases and focus changes on that clock, and the screen
// model to read back. Whole screens and games run on it in milliseconds, deterministically.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/KeyInput.h"
#include "console/RandomGenerator.h"
#include "console/Services.h"
#include "console/TextConsole.h"

namespace numerion {

class VirtualPlatform : public KeyBackend {
public:
    VirtualPlatform();

    TextConsole screen;
    KeyInput keys{*this};
    RandomGenerator random;
    Services io{screen, keys, random};

    // --- the script; times are virtual milliseconds since the platform was made ---
    // A press puts the key's code into the input queue and holds the key until its release.
    void press(Key key, double atMs);
    void release(Key key, double atMs);
    // Press at atMs, release holdMs later.
    void tap(Key key, double atMs, double holdMs = 30);
    // A key press with only a code (a letter, F1 ...), held for no time.
    void type(std::int32_t keyCode, double atMs);
    void setFocus(bool focused, double atMs);
    // Runs action at the first platform call at or after atMs (an autopilot reacting to the
    // screen schedules its next look from inside its action).
    void at(double atMs, std::function<void()> action);
    // Runs before every wait with the current virtual time, so a test can steer a running
    // loop (press a key when a screen shows something). Empty to remove.
    void onWait(std::function<void(double nowMs)> hook);

    // --- what happened ---
    double nowMs() const { return nowMs_; }
    int beeps() const { return static_cast<int>(beepTimes_.size()); }
    const std::vector<double>& beepTimes() const { return beepTimes_; }
    // Each wait the program made: plain sleeps (ms) in order; for schedule tests.
    const std::vector<double>& sleeps() const { return sleeps_; }
    // The 80 bytes of a screen row, 1-based.
    std::string row(int r) const { return screen.rowText(r); }
    // The local time the platform reports; nullopt makes the date and time texts empty.
    void setLocalTime(std::optional<std::tm> time) { localTime_ = time; }

    // Fails the running test (throws) when the program waits past this virtual time, so a
    // screen that never returns cannot hang the test run.
    void setDeadline(double atMs) { deadlineMs_ = atMs; }

    // KeyBackend
    bool hasFocus() override;
    bool isHeld(Key key) override;
    std::optional<std::int32_t> nextKeyPress() override;
    bool keyPressWaiting() override;
    void sleep(double ms) override;
    void waitForInput(int ms) override;
    double monotonicSeconds() override;
    std::optional<std::tm> localTime() override;
    void bell() override;

private:
    struct Event;
    void advanceTo(double ms);
    void applyDueEvents();

    double nowMs_ = 0;
    double deadlineMs_ = 1e12;
    std::vector<Event*> pendingEventsUnused_;
    std::vector<double> beepTimes_;
    std::vector<double> sleeps_;
    std::optional<std::tm> localTime_;
    std::function<void(double)> waitHook_;
};

}  // namespace numerion
