#pragma once
// A backend without a terminal, for tests, under the real PlatformCore: a virtual clock that
// waits and beeps advance at once, a script of key presses, releases, focus and window-size
// changes on that clock, a record of what was presented and rung, and the screen model to read
// back. Whole screens and games run on it in milliseconds, deterministically, with the rules
// that ship.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "console/Backend.h"
#include "console/KeyInput.h"
#include "console/PlatformCore.h"
#include "console/RandomGenerator.h"
#include "console/Services.h"
#include "console/TextConsole.h"

namespace numerion {

class VirtualPlatform : public Backend {
  public:
    VirtualPlatform();
    VirtualPlatform(const VirtualPlatform&) = delete;
    VirtualPlatform& operator=(const VirtualPlatform&) = delete;

    TextConsole screen;
    // The shipped rules over this backend; the core's own tests call it directly.
    PlatformCore core{*this};

  private:
    // The program's calls on their way to the core, for the records and the hooks below.
    class Calls final : public Platform {
      public:
        explicit Calls(VirtualPlatform& p) : p_(p) {}
        bool hasFocus() override { return p_.core.hasFocus(); }
        bool isHeld(Key key) override { return p_.core.isHeld(key); }
        std::optional<std::int32_t> nextKeyPress() override { return p_.core.nextKeyPress(); }
        bool takeKeyArrived() override { return p_.core.takeKeyArrived(); }
        void sleep(double ms) override;
        void waitForInput(int ms) override;
        double monotonicSeconds() override { return p_.core.monotonicSeconds(); }
        std::optional<std::tm> localTime() override { return p_.core.localTime(); }
        double bell() override { return p_.core.bell(); }

      private:
        VirtualPlatform& p_;
    };
    Calls calls_{*this};

  public:
    KeyInput keys{calls_};
    RandomGenerator random;
    Services io{screen, keys, random};

    // --- the script; times are virtual milliseconds since the platform was made ---
    // Scripted events fall due in time order (equal times in the order they were scripted) and
    // reach the core at its first call at or after their time; events scripted for a time
    // already past reach it at the next call. Key events tell releases (the held state is
    // exact), so a tap released between two looks reads as down at the next look, once.
    // A press puts the key's code into the pending keys and holds the key until its release.
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
    // The window changes size; smaller than 80 x 35 the game is held until it is large enough.
    void resize(int columns, int rows, double atMs);
    // Runs action at the first platform call at or after atMs (an autopilot reacting to the
    // screen schedules its next look from inside its action).
    void at(double atMs, std::function<void()> action);
    // Runs before every wait of the program (sleep or idle) with the current virtual time, so
    // a test can steer a running loop (press a key when a screen shows something). Empty to
    // remove.
    void onWait(std::function<void(double nowMs)> hook);
    // Runs action once, at the first wait (sleep or idle) at which the screen shows text;
    // watches are checked in the order they were set, before the onWait hook.
    void whenShown(const std::string& text, std::function<void()> action);

    // The key code a press of this key queues ('1' for Digit1, 13 for Enter, the extended
    // codes for the arrows ...).
    static std::int32_t keyCodeOf(Key key);

    // A plain wait of the program, as a screen makes it (KeyInput's waits do the same).
    void sleep(double ms) { calls_.sleep(ms); }

    // --- what happened ---
    double nowMs() const { return nowMs_; }
    // Whether the key is held now by the script (regardless of focus).
    bool heldNow(Key key) const { return held_[static_cast<int>(key)]; }
    // Scripted events and actions not yet due.
    int scriptedEventsLeft() const { return static_cast<int>(script_.size()); }
    // How often the program blocked waiting for input (KeyInput::idle).
    int inputWaits() const { return inputWaits_; }
    int beeps() const { return static_cast<int>(beepTimes_.size()); }
    const std::vector<double>& beepTimes() const { return beepTimes_; }
    // Each plain wait the program made (ms), in order; for schedule tests.
    const std::vector<double>& sleeps() const { return sleeps_; }
    // What the player saw: the version of the screen model last presented (see
    // TextConsole::version) and when it was shown; while the window is too small nothing is,
    // and once it fits the whole model is shown again.
    std::uint64_t presentedVersion() const { return presentedVersion_; }
    double presentedAtMs() const { return presentedAtMs_; }
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

    // Backend
    void waitForEvents(double timeoutMs, std::vector<InputEvent>& out) override;
    bool present() override;
    double monotonicMs() override;
    std::optional<std::tm> localTime() override;
    double bell() override;
    HeldKeys::Mode heldKeysMode() override { return HeldKeys::Mode::Exact; }

    // The fixed local time of a new platform: Thursday, 5 March 2026, 21:07:03.
    static std::tm defaultLocalTime();

  private:
    enum class EventKind { Press, Release, Type, Focus, Resize, Action };
    struct Event {
        EventKind kind;
        Key key = Key::Count;
        std::int32_t code = 0;
        bool on = true;  // focused; large enough
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
    std::vector<InputEvent> ready_;  // due, for the core's next look
    std::array<bool, static_cast<int>(Key::Count)> held_{};
    bool largeEnough_ = true;
    std::uint64_t presentedVersion_ = ~std::uint64_t{0};
    double presentedAtMs_ = 0;
    int inputWaits_ = 0;
    std::vector<double> beepTimes_;
    std::vector<double> sleeps_;
    std::optional<std::tm> localTime_ = defaultLocalTime();
    std::function<void(double)> waitHook_;
    std::vector<std::pair<std::string, std::function<void()>>> screenWatches_;
};

}  // namespace numerion
