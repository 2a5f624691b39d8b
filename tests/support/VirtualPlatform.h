#pragma once
// A platform without a terminal, for tests: a virtual clock that waits and beeps advance at
// once, a script of key presses, releases and focus changes on that clock, and the screen
// model to read back. Whole screens and games run on it in milliseconds, deterministically.

#include <array>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "console/KeyInput.h"
#include "console/RandomGenerator.h"
#include "console/Services.h"
#include "console/TextConsole.h"

namespace numerion {

class VirtualPlatform : public Platform {
  public:
    VirtualPlatform();
    VirtualPlatform(const VirtualPlatform&) = delete;
    VirtualPlatform& operator=(const VirtualPlatform&) = delete;

    TextConsole screen;
    KeyInput keys{*this};
    RandomGenerator random;
    Services io{screen, keys, random};

    // --- the script; times are virtual milliseconds since the platform was made ---
    // Scripted events fall due in time order (equal times in the order they were scripted) and
    // take effect at the first platform call at or after their time; events scripted for a
    // time already past take effect at the next call. The program sees held keys only when it
    // polls, so a tap shorter than the wait in between is missed, just as on a keyboard: hold
    // steering keys across a whole tick.
    // A press puts the key's code into the input queue and holds the key until its release.
    void press(Key key, double atMs);
    void release(Key key, double atMs);
    // Press at atMs, release holdMs later.
    void tap(Key key, double atMs, double holdMs = 30);
    // Press at fromMs, release at toMs.
    void hold(Key key, double fromMs, double toMs);
    // A key press with only a code (a letter, F1 ...), held for no time.
    void type(std::int32_t keyCode, double atMs);
    // Types each byte of text as a character key, the first at atMs, then one every stepMs.
    void typeText(const std::string& text, double atMs, double stepMs = 10);
    void setFocus(bool focused, double atMs);
    // Runs action at the first platform call at or after atMs (an autopilot reacting to the
    // screen schedules its next look from inside its action).
    void at(double atMs, std::function<void()> action);
    // Runs before every wait with the current virtual time, so a test can steer a running
    // loop (press a key when a screen shows something). Empty to remove.
    void onWait(std::function<void(double nowMs)> hook);
    // Runs action once, at the first wait (sleep or idle) at which the screen shows text;
    // watches are checked in the order they were set, before the onWait hook.
    void whenShown(const std::string& text, std::function<void()> action);

    // The key code a press of this key queues ('1' for Digit1, 13 for Enter, the extended
    // codes for the arrows ...).
    static std::int32_t keyCodeOf(Key key);

    // --- what happened ---
    double nowMs() const { return nowMs_; }
    // Whether the key is held now by the script (regardless of focus).
    bool heldNow(Key key) const { return held_[static_cast<int>(key)]; }
    bool focusedNow() const { return focused_; }
    // Key presses queued on the platform and not yet taken by the keyboard layer.
    int queuedKeyPresses() const { return static_cast<int>(inputQueue_.size()); }
    // Scripted events and actions not yet due.
    int scriptedEventsLeft() const { return static_cast<int>(script_.size()); }
    // How often the program blocked waiting for input (KeyInput::idle).
    int inputWaits() const { return inputWaits_; }
    int beeps() const { return static_cast<int>(beepTimes_.size()); }
    const std::vector<double>& beepTimes() const { return beepTimes_; }
    // Each wait the program made: plain sleeps (ms) in order; for schedule tests.
    const std::vector<double>& sleeps() const { return sleeps_; }
    // The 80 bytes of a screen row, 1-based.
    std::string row(int r) const { return screen.rowText(r); }
    // All 35 rows, each followed by a line feed; for failure messages and whole-screen checks.
    std::string screenText() const;
    // Whether any row contains text (a text never spans rows).
    bool showsText(const std::string& text) const;
    // Row and column (1-based) of the first appearance of text, reading row by row.
    std::optional<std::pair<int, int>> findText(const std::string& text) const;
    // The character byte and attribute of one cell, 1-based.
    unsigned char cellChar(int r, int c) const { return screen.cell(r, c).ch; }
    std::uint16_t cellAttr(int r, int c) const { return screen.cell(r, c).attr; }
    // Forgets the recorded sleeps and beeps, to look at one stretch of a run.
    void clearRecords();
    // The local time the platform reports; nullopt makes the date and time texts empty.
    void setLocalTime(std::optional<std::tm> time) { localTime_ = time; }

    // Fails the running test (throws std::runtime_error) when the program waits past this
    // virtual time, so a screen that never returns cannot hang the test run. The default is
    // one virtual day.
    void setDeadline(double atMs) { deadlineMs_ = atMs; }
    double deadline() const { return deadlineMs_; }

    // Platform
    bool hasFocus() override;
    bool isHeld(Key key) override;
    std::optional<std::int32_t> nextKeyPress() override;
    void sleep(double ms) override;
    void waitForInput(int ms) override;
    double monotonicSeconds() override;
    std::optional<std::tm> localTime() override;
    double bell() override;

    // The fixed local time of a new platform: Thursday, 5 March 2026, 21:07:03.
    static std::tm defaultLocalTime();

  private:
    enum class EventKind { Press, Release, Type, Focus, Action };
    struct Event {
        EventKind kind;
        Key key = Key::Count;
        std::int32_t code = 0;
        bool focused = true;
        std::function<void()> action;
    };

    void schedule(double atMs, Event event);
    void advanceTo(double ms);
    void applyDueEvents();
    void apply(Event& event);
    void beforeWait();

    double nowMs_ = 0;
    double deadlineMs_ = 24.0 * 60 * 60 * 1000;
    // Keyed by time, then by the order of scripting, so equal times keep their order.
    std::map<std::pair<double, std::uint64_t>, Event> script_;
    std::uint64_t nextEventNumber_ = 0;
    bool applying_ = false;
    std::array<bool, static_cast<int>(Key::Count)> held_{};
    bool focused_ = true;
    std::deque<std::int32_t> inputQueue_;
    int inputWaits_ = 0;
    std::vector<double> beepTimes_;
    std::vector<double> sleeps_;
    std::optional<std::tm> localTime_ = defaultLocalTime();
    std::function<void(double)> waitHook_;
    std::vector<std::pair<std::string, std::function<void()>>> screenWatches_;
};

}  // namespace numerion
