#pragma once
// Which keys are held, from key events.
//
// Where events tell press, repeat and release (a console's key-down and key-up records, a
// terminal with the kitty keyboard protocol, a browser's keydown and keyup), the held state is
// exact: a key reads as down from its press to its release. One thing is added, since the
// game only polls: a press that no look has seen when its release comes (a short tap, or a
// press and its release arriving together, as a pseudo console sends every key) reads as down
// at the next look, once, by the same rule as a fresh press below. So a tap is never lost, and
// a held key that arrives as press-release pairs reads as down while its pairs keep coming.
//
// Every other terminal sends presses and auto-repeats only, never a release, so the held state
// has to be inferred:
//  - A press is "fresh" until the first look at that key. That look, and every further look
//    before the program waits again (the same poll), reads it as down; later looks do not.
//    A tap is so acted on exactly once, however short or long it was.
//  - A second press of the same key within kRepeatGapMs of the previous one is an auto-repeat:
//    the key reads as down continuously until no repeat has come for kRepeatGapMs.
//    Terminals repeat every ~40 ms, but only after an initial delay of ~500-660 ms; during that
//    delay a held key reads as up after its first look.
//  - A press of any other key ends the previous key's hold: terminals repeat only the last
//    key pressed (holding Up and then Right repeats only Right).
//  - A fresh press that no look has seen within kForgetMs is forgotten, so a key tapped
//    while nobody polled does not act long afterwards.
//  - A press of the key last read as down that a wait takes (the keyboard layer took it from
//    the queue: it ended a breather, a rest) has been seen by that wait: it reads as down for
//    the rest of that poll, but is no new hold after the next wait. Space that ends a breather
//    so does not start a second one. A press of another key stays fresh for the next look, as
//    a press of about 100 ms would still be down there: an arrow that ends a breather turns.
// So, unlike under the kitty protocol, a player cannot hold two keys at once, a held key
// stutters once (down, up for about half a second, then down) and a release is noticed only
// kRepeatGapMs late.
//
// Times are milliseconds of any monotonic clock, handed in by the caller.

#include <array>
#include <optional>

#include "console/InputEvent.h"
#include "console/Platform.h"

namespace numerion {

class HeldKeys {
  public:
    // Longer than the ~40 ms between auto-repeats, with room for a late or busy terminal.
    static constexpr double kRepeatGapMs = 150;
    // A fresh press older than this is forgotten if no look has seen it.
    static constexpr double kForgetMs = 500;

    enum class Mode { Exact, Inferred };
    explicit HeldKeys(Mode mode) : mode_(mode) {}

    Mode mode() const { return mode_; }
    void setMode(Mode mode);

    // A key event (press, repeat or release). Events without a game key still count as a
    // press of another key.
    void onKey(const InputEvent& event, double nowMs);
    // Whether the key reads as down at this look.
    bool isHeld(Key key, double nowMs);
    // The keyboard layer took the key presses so far from the queue (a wait or a read).
    void pressesTaken();
    // The program waits: the looks that follow belong to a new poll.
    void endPoll();
    // Everything up: focus lost or suspended.
    void clear();
    // The presses so far are no moves (the game was held): no look sees them. Keys that
    // events show still down stay down.
    void dropPresses();

  private:
    // Exact mode, one key.
    struct ExactKey {
        bool down = false;   // between press and release
        bool fresh = false;  // pressed, and no look has seen it yet
        bool seenThisPoll = false;
        double pressMs = 0;
    };
    Mode mode_;
    std::array<ExactKey, static_cast<std::size_t>(Key::Count)> exact_{};
    // Inferred mode: only the key pressed last can be held.
    std::optional<Key> last_;
    double pressMs_ = 0;   // when the last fresh press came
    double latestMs_ = 0;  // when the last press or repeat of that key came
    bool fresh_ = false;
    bool repeating_ = false;
    bool seenThisPoll_ = false;
    std::optional<Key> lastRead_;  // the key a look last read as down
};

}  // namespace numerion
