#include "console/KeyInput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LocalTime.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

using ::testing::ElementsAre;

std::string extended(int e) {
    return {static_cast<char>(0xFF), static_cast<char>(e)};
}

// --- the pending-key buffer ---

TEST(KeyInputBuffer, SixHundredPressesKeepTheLatest511InOrder) {
    VirtualPlatform p;
    // Distinct codes: bytes 0..255, then extended codes 1..255, then more bytes.
    std::vector<std::string> expected;
    for (int i = 0; i < 600; ++i) {
        const std::int32_t code = i < 256 ? i : i < 511 ? extendedKeyCode(i - 255) : i - 511;
        p.type(code, 0);
        expected.push_back(code < 256 ? std::string(1, static_cast<char>(code))
                                      : extended(i - 255));
    }
    std::vector<std::string> read;
    for (std::string key = p.keys.readKey(); !key.empty(); key = p.keys.readKey()) {
        read.push_back(key);
    }
    ASSERT_EQ(read.size(), 511U);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), expected.end() - 511));
    EXPECT_EQ(p.keys.readKey(), "");
}

TEST(KeyInputBuffer, ReadKeyGivesEmptyThenOneCharacterThenTwoForAnExtendedKey) {
    VirtualPlatform p;
    EXPECT_EQ(p.keys.readKey(), "");
    p.press(Key::Space, 0);
    p.press(Key::Up, 0);
    p.press(Key::Enter, 0);
    p.press(Key::Escape, 0);
    p.press(Key::Digit3, 0);
    p.press(Key::Keypad7, 0);
    EXPECT_EQ(p.keys.readKey(), " ");
    EXPECT_EQ(p.keys.readKey(), extended(72));
    EXPECT_EQ(p.keys.readKey(), "\r");
    EXPECT_EQ(p.keys.readKey(), "\x1b");
    EXPECT_EQ(p.keys.readKey(), "3");
    EXPECT_EQ(p.keys.readKey(), "7");
    EXPECT_EQ(p.keys.readKey(), "");
}

TEST(KeyInputBuffer, ExtendedKeysGive255AndTheirCode) {
    VirtualPlatform p;
    const std::int32_t codes[] = {keycode::kHome,     keycode::kEnd,    keycode::kPageUp,
                                  keycode::kPageDown, keycode::kInsert, keycode::kDelete,
                                  keycode::kDown,     keycode::kLeft,   keycode::kRight};
    const int expected[] = {71, 79, 73, 81, 82, 83, 80, 75, 77};
    for (std::int32_t code : codes)
        p.type(code, 0);
    for (int n = 1; n <= 10; ++n)
        p.type(keycode::function(n), 0);
    for (int e : expected)
        EXPECT_EQ(p.keys.readKey(), extended(e));
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(p.keys.readKey(), extended(58 + n)) << "F" << n;
    EXPECT_EQ(p.keys.readKey(), "");
}

TEST(KeyInputBuffer, MalformedCodesFromThePlatformAreDropped) {
    VirtualPlatform p;
    p.type(-5, 0);
    p.type(256, 0);      // upper byte set but not marked extended
    p.type(0x1FFFF, 0);  // extended code beyond a byte
    p.type('a', 0);
    EXPECT_EQ(p.keys.readKey(), "a");
    EXPECT_EQ(p.keys.readKey(), "");
}

// --- held keys by scan code ---

TEST(KeyInputScanCodes, EachPolledScanCodeNamesItsKeys) {
    struct Row {
        int scanCode;
        Key key;
    };
    const Row rows[] = {
        {2, Key::Digit1},
        {3, Key::Digit2},
        {4, Key::Digit3},
        {5, Key::Digit4},
        {6, Key::Digit5},
        {28, Key::Enter},
        {28, Key::KeypadEnter},
        {57, Key::Space},
        {72, Key::Up},
        {72, Key::Keypad8},
        {80, Key::Down},
        {80, Key::Keypad2},
        {75, Key::Left},
        {75, Key::Keypad4},
        {77, Key::Right},
        {77, Key::Keypad6},
        {1, Key::Escape},
        // The keypad digits 1, 3 and 5 answer for no polled scan code: the menu digits are
        // main-row keys only.
        {0, Key::Keypad1},
        {0, Key::Keypad3},
        {0, Key::Keypad5},
    };
    const int polled[] = {1, 2, 3, 4, 5, 6, 28, 57, 72, 75, 77, 80};
    for (const Row& row : rows) {
        VirtualPlatform p;
        p.press(row.key, 0);
        for (int scanCode : polled) {
            EXPECT_EQ(p.keys.isKeyDown(scanCode), scanCode == row.scanCode ? -1 : 0)
                << "key " << static_cast<int>(row.key) << ", scan code " << scanCode;
        }
    }
}

TEST(KeyInputScanCodes, ScanCodesWithoutARowAreNeverDown) {
    VirtualPlatform p;
    for (int k = 0; k < static_cast<int>(Key::Count); ++k)
        p.press(static_cast<Key>(k), 0);
    for (int scanCode : {0, -1, 30, 59, 83, 84, 127, 255, 1000}) {
        EXPECT_EQ(p.keys.isKeyDown(scanCode), 0) << scanCode;
    }
    EXPECT_EQ(p.keys.isKeyDown(scan::kSpace), -1);
}

TEST(KeyInputScanCodes, PollingLeavesPressesQueuedAndTheBufferAlone) {
    VirtualPlatform p;
    p.press(Key::Space, 0);
    EXPECT_EQ(p.keys.isKeyDown(scan::kSpace), -1);
    EXPECT_EQ(p.keys.isKeyDown(scan::kSpace), -1);
    EXPECT_EQ(p.keys.readKey(), " ");
    EXPECT_EQ(p.keys.readKey(), "");
    EXPECT_EQ(p.keys.isKeyDown(scan::kSpace), -1);  // reading takes the press, not the hold
}

TEST(KeyInputScanCodes, WithoutFocusEveryKeyIsUpButPressesStillQueue) {
    // Losing the focus releases every key: one held through it reads as up until pressed
    // again, one pressed after it is down once the focus is back.
    VirtualPlatform p;
    p.hold(Key::Up, 0, 1000);
    p.hold(Key::Digit1, 0, 1000);
    p.setFocus(false, 100);
    p.press(Key::Space, 200);
    p.setFocus(true, 300);
    EXPECT_EQ(p.keys.isKeyDown(scan::kUp), -1);
    p.sleep(250);
    for (int scanCode : {2, 28, 57, 72, 75, 77, 80}) {
        EXPECT_EQ(p.keys.isKeyDown(scanCode), 0) << scanCode;
    }
    EXPECT_EQ(p.keys.readKey(), extended(72));
    EXPECT_EQ(p.keys.readKey(), "1");
    EXPECT_EQ(p.keys.readKey(), " ");
    p.sleep(100);
    EXPECT_EQ(p.keys.isKeyDown(scan::kUp), 0);
    EXPECT_EQ(p.keys.isKeyDown(scan::kSpace), -1);
}

// --- waits that a key can cut short ---

TEST(KeyInputSleep, ShortWaitsAreOnePlainWaitWithNoLook) {
    for (int ms : {0, 1, 50, 99}) {
        VirtualPlatform p;
        p.press(Key::Space, 0);
        p.keys.sleepMs(ms);
        EXPECT_THAT(p.sleeps(), ElementsAre(ms));
        EXPECT_EQ(p.nowMs(), ms);
        p.keys.sleepMs(100);
        EXPECT_EQ(p.nowMs(), ms) << "a short wait looked at the keys for " << ms;
    }
}

TEST(KeyInputSleep, LongWaitsLookEveryFiftyAndSleepTheRestBlind) {
    // 100 is one look and two waits of 50; 175 looks at 0, 50, 100, then 25 with no look.
    const std::pair<int, std::vector<double>> schedules[] = {
        {100, {50, 50}}, {101, {50, 50, 1}}, {150, {50, 50, 50}}, {175, {50, 50, 50, 25}}};
    for (const auto& [ms, waits] : schedules) {
        VirtualPlatform q;
        q.keys.sleepMs(ms);
        EXPECT_EQ(q.sleeps(), waits) << ms;
        EXPECT_EQ(q.nowMs(), ms);
    }
    VirtualPlatform p;
    p.keys.sleepMs(5000);
    EXPECT_EQ(p.sleeps().size(), 100U);
    EXPECT_EQ(p.nowMs(), 5000);

    // A key during the blind rest does not end the wait early.
    VirtualPlatform r;
    r.press(Key::Space, 160);
    r.keys.sleepMs(175);
    EXPECT_EQ(r.nowMs(), 175);
}

TEST(KeyInputSleep, FiveThousandTakesAtMost99Looks) {
    // A key arriving just before the last look is seen there: the wait ends at 4900.
    VirtualPlatform p;
    p.press(Key::Space, 4899);
    p.keys.sleepMs(5000);
    EXPECT_EQ(p.nowMs(), 4900);
    // One arriving after it waits out the full blind rest.
    VirtualPlatform q;
    q.press(Key::Space, 4901);
    q.keys.sleepMs(5000);
    EXPECT_EQ(q.nowMs(), 5000);
}

TEST(KeyInputSleep, KeyPressedDuringALongWaitEndsItAtTheNextLookAndStaysReadable) {
    VirtualPlatform p;
    p.press(Key::Up, 120);
    p.keys.sleepMs(1000);
    EXPECT_EQ(p.nowMs(), 150);
    EXPECT_EQ(p.keys.readKey(), extended(72));

    VirtualPlatform q;
    q.press(Key::Space, 0);
    q.keys.sleepMs(100);
    EXPECT_EQ(q.nowMs(), 0);
    EXPECT_TRUE(q.sleeps().empty());
    EXPECT_EQ(q.keys.readKey(), " ");
}

TEST(KeyInputSleep, WaitForeverEndsAtOnceForAnEarlierKeyElseAtTheFirstLookAfterAPress) {
    VirtualPlatform p;
    p.press(Key::Space, 0);
    p.keys.sleepMs(-1);
    EXPECT_EQ(p.nowMs(), 0);

    p.press(Key::Space, 333);
    p.keys.sleepMs(-1);
    EXPECT_EQ(p.nowMs(), 350);
    EXPECT_EQ(p.keys.readKey(), " ");
    EXPECT_EQ(p.keys.readKey(), " ");
}

TEST(KeyInputSleep, BreatherPairFirstWaitEndsAtOnceSecondWaitsForANewPress) {
    VirtualPlatform p;
    p.tap(Key::Space, 10, 30);
    p.sleep(20);
    ASSERT_EQ(p.keys.isKeyDown(scan::kSpace), -1);  // seen only by polling
    p.keys.sleepMs(-1);
    EXPECT_EQ(p.nowMs(), 20);

    p.tap(Key::Space, 1234, 30);
    p.keys.sleepMs(-1);
    EXPECT_EQ(p.nowMs(), 1270);  // looks every 50 ms from 20
}

TEST(KeyInputSleep, ReadingAKeyClearsTheArrivalSoTheNextWaitIsNotCutShort) {
    VirtualPlatform p;
    p.press(Key::Space, 0);
    EXPECT_EQ(p.keys.readKey(), " ");
    p.keys.sleepMs(200);
    EXPECT_EQ(p.nowMs(), 200);
}

TEST(KeyInputSleep, NegativeLengthsBelowMinusOneReturnAtOnce) {
    VirtualPlatform p;
    p.keys.sleepMs(-2);
    p.keys.sleepMs(-1000);
    p.keys.sleepMs(INT32_MIN);
    EXPECT_EQ(p.nowMs(), 0);
    EXPECT_TRUE(p.sleeps().empty());
}

// --- timer, date, time, beep ---

TEST(KeyInputTime, DateIsMonthDayYearAndTimeIs24HourClock) {
    VirtualPlatform p;
    EXPECT_EQ(p.keys.dateText(), "03-05-2026");
    EXPECT_EQ(p.keys.timeText(), "21:07:03");
    p.setLocalTime(testing::localTimeOf(1999, 12, 31, 0, 0, 9));
    EXPECT_EQ(p.keys.dateText(), "12-31-1999");
    EXPECT_EQ(p.keys.timeText(), "00:00:09");
}

TEST(KeyInputTime, DateAndTimeAreEmptyWithoutALocalTime) {
    VirtualPlatform p;
    p.setLocalTime(std::nullopt);
    EXPECT_EQ(p.keys.dateText(), "");
    EXPECT_EQ(p.keys.timeText(), "");
}

TEST(KeyInputTime, WaitUntilReturnsOnceTheTimerHasPassedTheDeadline) {
    VirtualPlatform p;
    const double deadline = p.keys.timerSeconds() + 0.0375;
    p.keys.waitUntil(deadline);
    EXPECT_GT(p.keys.timerSeconds(), deadline);
    EXPECT_LT(p.nowMs(), 37.6);
    EXPECT_LE(p.sleeps().size(), 3U);  // no spinning

    const double past = p.keys.timerSeconds() - 1;
    const std::size_t before = p.sleeps().size();
    p.keys.waitUntil(past);
    EXPECT_EQ(p.sleeps().size(), before);

    // A deadline of exactly now is still passed, by a hair.
    const double nowMs = p.nowMs();
    p.keys.waitUntil(p.keys.timerSeconds());
    EXPECT_GT(p.nowMs(), nowMs);
    EXPECT_LT(p.nowMs(), nowMs + 1);
}

}  // namespace
}  // namespace numerion
