#include "console/HeldKeys.h"

#include <gtest/gtest.h>

#include <vector>

namespace numerion {
namespace {

using Action = InputEvent::Action;

InputEvent event(std::optional<Key> key, Action action = Action::Press) {
    InputEvent e;
    e.key = key;
    e.action = action;
    return e;
}

// A legacy terminal's bytes for a key held from atMs for heldMs: the press, and after the
// initial delay an auto-repeat every 40 ms until the key is let go.
void holdLegacy(std::vector<std::pair<double, InputEvent>>& script, Key key, double atMs,
                double heldMs, double delayMs = 660) {
    script.push_back({atMs, event(key)});
    for (double t = atMs + delayMs; t < atMs + heldMs; t += 40)
        script.push_back({t, event(key)});
}

// Runs a loop that polls `key` every tickMs (waiting in between, like the play loop) and
// returns the times of the polls that read it as down.
std::vector<double> pollEvery(HeldKeys& held, std::vector<std::pair<double, InputEvent>> script,
                              Key key, double tickMs, double untilMs) {
    std::vector<double> down;
    std::size_t next = 0;
    std::stable_sort(script.begin(), script.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (double now = tickMs; now <= untilMs; now += tickMs) {
        while (next < script.size() && script[next].first <= now) {
            held.onKey(script[next].second, script[next].first);
            ++next;
        }
        if (held.isHeld(key, now)) down.push_back(now);
        held.endPoll();
    }
    return down;
}

TEST(HeldKeysInferred, ATapIsDownForExactlyThePollThatFirstLooksAtIt) {
    HeldKeys held(HeldKeys::Mode::Inferred);
    held.onKey(event(Key::Up), 0);
    EXPECT_FALSE(held.isHeld(Key::Down, 5));  // looking at other keys leaves it fresh
    EXPECT_TRUE(held.isHeld(Key::Up, 10));
    EXPECT_TRUE(held.isHeld(Key::Up, 11));  // same poll: looked at twice, both down
    held.endPoll();
    EXPECT_FALSE(held.isHeld(Key::Up, 100));
    EXPECT_FALSE(held.isHeld(Key::Up, 101));

    // In a 90 ms play loop a tap is acted on once.
    HeldKeys loop(HeldKeys::Mode::Inferred);
    std::vector<std::pair<double, InputEvent>> script{{200, event(Key::Right)}};
    EXPECT_EQ(pollEvery(loop, script, Key::Right, 90, 2000), std::vector<double>{270});
}

TEST(HeldKeysInferred, AnAutoRepeatingKeyIsDownContinuouslyUntilItsRepeatsStop) {
    HeldKeys held(HeldKeys::Mode::Inferred);
    std::vector<std::pair<double, InputEvent>> script;
    holdLegacy(script, Key::Up, 100, 2000);  // repeats 760 .. 2080
    const std::vector<double> down = pollEvery(held, script, Key::Up, 90, 3000);
    // The press, then nothing during the initial delay, then every poll until the last
    // repeat at 2080 plus the release allowance.
    std::vector<double> expected{180};
    for (double t = 810; t <= 2080 + HeldKeys::kRepeatGapMs; t += 90)
        expected.push_back(t);
    EXPECT_EQ(down, expected);
}

TEST(HeldKeysInferred, APressOfAnotherKeyEndsTheHold) {
    HeldKeys held(HeldKeys::Mode::Inferred);
    held.onKey(event(Key::Up), 0);
    held.onKey(event(Key::Up), 660);
    held.onKey(event(Key::Up), 700);
    EXPECT_TRUE(held.isHeld(Key::Up, 710));
    held.endPoll();
    held.onKey(event(Key::Right), 720);  // only Right repeats from now on
    EXPECT_FALSE(held.isHeld(Key::Up, 730));
    EXPECT_TRUE(held.isHeld(Key::Right, 730));
    held.endPoll();
    // A key the game does not poll ends the hold as well.
    held.onKey(event(Key::Right), 760);
    held.onKey(event(std::nullopt), 770);
    EXPECT_FALSE(held.isHeld(Key::Right, 780));
}

TEST(HeldKeysInferred, APressNoPollLooksAtWithin500MsIsForgotten) {
    HeldKeys held(HeldKeys::Mode::Inferred);
    held.onKey(event(Key::Digit1), 0);
    EXPECT_FALSE(held.isHeld(Key::Digit1, HeldKeys::kForgetMs + 1));
    held.onKey(event(Key::Digit2), 1000);
    EXPECT_TRUE(held.isHeld(Key::Digit2, 1000 + HeldKeys::kForgetMs - 1));
}

TEST(HeldKeysInferred, FocusLossAndReleaseEventsClearTheHold) {
    HeldKeys held(HeldKeys::Mode::Inferred);
    held.onKey(event(Key::Up), 0);
    held.onKey(event(Key::Up), 40);
    held.clear();
    EXPECT_FALSE(held.isHeld(Key::Up, 50));

    held.onKey(event(Key::Left), 100);
    held.onKey(event(Key::Left), 140);
    held.onKey(event(Key::Left, Action::Release), 150);
    EXPECT_FALSE(held.isHeld(Key::Left, 160));
}

TEST(HeldKeysExact, PressesRepeatsAndReleasesGiveTheExactHeldState) {
    HeldKeys held(HeldKeys::Mode::Exact);
    held.onKey(event(Key::Up), 0);
    held.onKey(event(Key::Right), 10);  // two keys held together
    EXPECT_TRUE(held.isHeld(Key::Up, 20));
    EXPECT_TRUE(held.isHeld(Key::Right, 20));
    held.endPoll();
    // Held through the initial delay: no stutter.
    EXPECT_TRUE(held.isHeld(Key::Up, 400));
    held.onKey(event(Key::Up, Action::Repeat), 660);
    EXPECT_TRUE(held.isHeld(Key::Up, 5000));
    held.onKey(event(Key::Up, Action::Release), 5001);
    EXPECT_FALSE(held.isHeld(Key::Up, 5002));
    EXPECT_TRUE(held.isHeld(Key::Right, 5002));
    EXPECT_FALSE(held.isHeld(Key::Keypad8, 5002));

    // A console repeats a held key as further key-down records; released after a look, it
    // is up at once.
    held.onKey(event(Key::Left), 6000);
    EXPECT_TRUE(held.isHeld(Key::Left, 6010));
    held.endPoll();
    held.onKey(event(Key::Left), 6040);
    held.onKey(event(Key::Left, Action::Release), 6050);
    EXPECT_FALSE(held.isHeld(Key::Left, 6090));

    held.clear();
    EXPECT_FALSE(held.isHeld(Key::Right, 7000));
}

TEST(HeldKeysExact, ATapReleasedBeforeAnyLookIsDownForTheNextPollOnce) {
    HeldKeys held(HeldKeys::Mode::Exact);
    // A press and its release together, as a pseudo console sends a key.
    held.onKey(event(Key::Digit2), 100);
    held.onKey(event(Key::Digit2, Action::Release), 100.5);
    EXPECT_FALSE(held.isHeld(Key::Digit3, 110));
    EXPECT_TRUE(held.isHeld(Key::Digit2, 150));
    EXPECT_TRUE(held.isHeld(Key::Digit2, 151));  // the same poll
    held.endPoll();
    EXPECT_FALSE(held.isHeld(Key::Digit2, 240));

    // Keypad digits stay keys of their own, taps included.
    held.onKey(event(Key::Keypad1), 300);
    held.onKey(event(Key::Keypad1, Action::Release), 330);
    EXPECT_FALSE(held.isHeld(Key::Digit1, 340));
    EXPECT_TRUE(held.isHeld(Key::Keypad1, 340));
    held.endPoll();

    // A tap no look saw within kForgetMs is forgotten.
    held.onKey(event(Key::Up), 1000);
    held.onKey(event(Key::Up, Action::Release), 1030);
    EXPECT_FALSE(held.isHeld(Key::Up, 1000 + HeldKeys::kForgetMs + 1));
}

TEST(HeldKeysExact, AKeyHeldAsPressReleasePairsIsDownWhileThePairsCome) {
    // A pseudo console's held key: a pair at once, after a delay of 500 ms one every 33 ms.
    HeldKeys held(HeldKeys::Mode::Exact);
    std::vector<std::pair<double, InputEvent>> script;
    double lastPair = 100;
    for (double t = 100; t < 2100; t = t == 100 ? 600 : t + 33) {
        script.push_back({t, event(Key::Up)});
        script.push_back({t + 0.5, event(Key::Up, Action::Release)});
        lastPair = t;
    }
    const std::vector<double> down = pollEvery(held, script, Key::Up, 90, 3000);
    // The first pair, nothing during the delay, then every poll up to the first after the
    // last pair.
    std::vector<double> expected{180};
    for (double t = 630; t < lastPair + 90; t += 90)
        expected.push_back(t);
    EXPECT_EQ(down, expected);
}

TEST(HeldKeysExact, AWaitThatTookTheTapOfTheKeyLastReadHasSeenIt) {
    HeldKeys held(HeldKeys::Mode::Exact);
    held.onKey(event(Key::Space), 0);
    held.onKey(event(Key::Space, Action::Release), 20);
    EXPECT_TRUE(held.isHeld(Key::Space, 90));  // starts a breather
    held.endPoll();
    // The Space that ends it, taken by the breather's wait: down for the rest of that poll,
    // no second breather after the next wait.
    held.onKey(event(Key::Space), 500);
    held.onKey(event(Key::Space, Action::Release), 520);
    held.pressesTaken();
    EXPECT_TRUE(held.isHeld(Key::Space, 530));
    held.endPoll();
    EXPECT_FALSE(held.isHeld(Key::Space, 620));
    // An arrow that ends it stays fresh and turns at the next tick.
    held.onKey(event(Key::Left), 700);
    held.onKey(event(Key::Left, Action::Release), 720);
    held.pressesTaken();
    held.endPoll();
    EXPECT_TRUE(held.isHeld(Key::Left, 810));
}

TEST(HeldKeysExact, SwitchingModeForgetsWhatWasHeld) {
    HeldKeys held(HeldKeys::Mode::Inferred);
    held.onKey(event(Key::Up), 0);
    held.setMode(HeldKeys::Mode::Exact);
    EXPECT_FALSE(held.isHeld(Key::Up, 1));
    held.onKey(event(Key::Up), 2);
    EXPECT_TRUE(held.isHeld(Key::Up, 3));
}

}  // namespace
}  // namespace numerion
