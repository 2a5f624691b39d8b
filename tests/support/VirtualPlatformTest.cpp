#include "support/VirtualPlatform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace numerion {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// --- the script on the virtual clock ---

TEST(VirtualPlatformScript, EventsTakeEffectInTimeOrderOnceTheClockReachesThem) {
    VirtualPlatform p;
    p.type('c', 30);
    p.type('a', 10);
    p.type('b', 20);
    p.type('x', 20.5);
    p.sleep(20);
    EXPECT_EQ(p.keys.readKey(), "a");
    EXPECT_EQ(p.keys.readKey(), "b");
    EXPECT_EQ(p.keys.readKey(), "");
    EXPECT_EQ(p.scriptedEventsLeft(), 2);
    p.sleep(10);
    EXPECT_EQ(p.keys.readKey(), "x");
    EXPECT_EQ(p.keys.readKey(), "c");
}

TEST(VirtualPlatformScript, EqualTimesKeepTheOrderOfScripting) {
    VirtualPlatform p;
    p.typeText("zyx", 5, 0);
    p.press(Key::Digit1, 5);
    p.type('w', 5);
    p.sleep(5);
    EXPECT_EQ(p.keys.readKey(), "z");
    EXPECT_EQ(p.keys.readKey(), "y");
    EXPECT_EQ(p.keys.readKey(), "x");
    EXPECT_EQ(p.keys.readKey(), "1");
    EXPECT_EQ(p.keys.readKey(), "w");
}

TEST(VirtualPlatformScript, PressThenReleaseAtTheSameTimeQueuesTheCodeButLeavesTheKeyUp) {
    VirtualPlatform p;
    p.hold(Key::Enter, 100, 100);
    p.sleep(100);
    EXPECT_EQ(p.keys.isKeyDown(scan::kEnter), 0);
    EXPECT_EQ(p.keys.readKey(), "\r");
}

TEST(VirtualPlatformScript, KeypadKeysQueueTheirDigitAndKeyCountIsRefused) {
    VirtualPlatform p;
    p.press(Key::Keypad0, 0);
    p.press(Key::Keypad9, 0);
    p.press(Key::KeypadEnter, 0);
    EXPECT_EQ(p.keys.readKey(), "0");
    EXPECT_EQ(p.keys.readKey(), "9");
    EXPECT_EQ(p.keys.readKey(), "\r");
    EXPECT_THROW(p.press(Key::Count, 0), std::invalid_argument);
    EXPECT_THROW(p.release(Key::Count, 0), std::invalid_argument);
}

TEST(VirtualPlatformScript, ActionsRunAtTheFirstCallAtOrAfterTheirTimeAndMayScheduleMore) {
    VirtualPlatform p;
    std::vector<double> ranAt;
    p.at(75, [&] {
        ranAt.push_back(p.nowMs());
        p.at(p.nowMs(), [&] { ranAt.push_back(-p.nowMs()); });  // due at once
        p.at(p.nowMs() + 60, [&] { ranAt.push_back(p.nowMs()); });
    });
    p.keys.sleepMs(50);
    EXPECT_TRUE(ranAt.empty());
    p.keys.sleepMs(50);
    EXPECT_THAT(ranAt, ElementsAre(100, -100));
    p.keys.timerSeconds();
    EXPECT_EQ(ranAt.size(), 2U);
    p.keys.sleepMs(60);
    EXPECT_THAT(ranAt, ElementsAre(100, -100, 160));
}

TEST(VirtualPlatformScript, EventsScriptedInThePastTakeEffectAtTheNextCall) {
    VirtualPlatform p;
    p.sleep(500);
    p.press(Key::Left, 100);
    EXPECT_EQ(p.keys.isKeyDown(scan::kLeft), -1);
}

TEST(VirtualPlatformScript, FocusChangesFollowTheClock) {
    VirtualPlatform p;
    p.press(Key::Down, 0);
    p.setFocus(false, 40);
    p.setFocus(true, 90);
    EXPECT_TRUE(p.hasFocus());
    p.sleep(40);
    EXPECT_FALSE(p.hasFocus());
    EXPECT_EQ(p.keys.isKeyDown(scan::kDown), 0);
    EXPECT_TRUE(p.isHeld(Key::Down));
    p.sleep(50);
    EXPECT_EQ(p.keys.isKeyDown(scan::kDown), -1);
}

// --- waits ---

TEST(VirtualPlatformWaits, SleepRecordsAndAdvancesAfterTheHookSawTheTimeBefore) {
    VirtualPlatform p;
    std::vector<double> hookTimes;
    p.onWait([&](double now) { hookTimes.push_back(now); });
    p.sleep(12.5);
    p.sleep(0);
    p.keys.idle(40);
    EXPECT_THAT(hookTimes, ElementsAre(0, 12.5, 12.5));
    EXPECT_THAT(p.sleeps(), ElementsAre(12.5, 0));
    EXPECT_EQ(p.nowMs(), 52.5);
    EXPECT_EQ(p.inputWaits(), 1);
    p.onWait({});
    p.sleep(1);
    EXPECT_EQ(hookTimes.size(), 3U);
}

TEST(VirtualPlatformWaits, HookCanSteerARunningLoop) {
    VirtualPlatform p;
    p.onWait([&](double now) {
        if (now >= 300) p.press(Key::Space, now);
    });
    int looks = 0;
    while (p.keys.isKeyDown(scan::kSpace) == 0) {
        ++looks;
        p.keys.sleepMs(90);
    }
    EXPECT_EQ(p.nowMs(), 450);  // pressed during the wait that began at 360
    EXPECT_EQ(looks, 5);
}

TEST(VirtualPlatformWaits, ScreenWatchRunsOnceAtTheFirstWaitShowingItsText) {
    VirtualPlatform p;
    std::vector<double> ranAt;
    p.whenShown("Taste", [&] {
        ranAt.push_back(p.nowMs());
        p.whenShown("Taste", [&] { ranAt.push_back(-p.nowMs()); });  // the next wait
    });
    p.sleep(100);
    p.screen.printText("Taste 5");
    p.keys.sleepMs(99);
    p.keys.sleepMs(99);
    p.keys.sleepMs(99);
    EXPECT_THAT(ranAt, ElementsAre(100, -199));
}

TEST(VirtualPlatformWaits, WaitingForInputEndsAtTheNextScriptedEvent) {
    VirtualPlatform p;
    p.type('q', 0);
    p.press(Key::Up, 30);
    p.keys.idle(100);  // the press already queued does not wake it
    EXPECT_EQ(p.nowMs(), 30);
    EXPECT_EQ(p.keys.isKeyDown(scan::kUp), -1);
    p.keys.idle(100);
    EXPECT_EQ(p.nowMs(), 130);
    p.at(135, [] {});
    p.keys.idle(100);
    EXPECT_EQ(p.nowMs(), 135);
}

TEST(VirtualPlatformWaits, BellRecordsItsTimeAndTheBeepSpendsTheRest) {
    VirtualPlatform p;
    p.keys.beep();
    p.sleep(10);
    p.keys.beep();
    EXPECT_THAT(p.beepTimes(), ElementsAre(0, 260));
    EXPECT_EQ(p.nowMs(), 510);
    p.screen.printText("\a");  // byte 7 on the screen is the same beep
    EXPECT_EQ(p.beeps(), 3);
    EXPECT_EQ(p.nowMs(), 760);
}

TEST(VirtualPlatformWaits, TimerStartsFromAnUptimeAndFollowsTheClock) {
    VirtualPlatform p;
    const double start = p.monotonicSeconds();
    EXPECT_GT(start, 1.0);
    p.sleep(1500);
    EXPECT_DOUBLE_EQ(p.monotonicSeconds() - start, 1.5);
}

TEST(VirtualPlatformWaits, DeadlineStopsEndlessWaitsIdleLoopsAndTimerLoops) {
    VirtualPlatform p;
    p.setDeadline(10000);
    try {
        p.keys.sleepMs(-1);  // no key will ever come
        FAIL() << "the endless wait returned";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("deadline"));
    }
    EXPECT_LE(p.nowMs(), 10000);
    EXPECT_GE(p.nowMs(), 9950);

    VirtualPlatform idle;
    idle.setDeadline(500);
    EXPECT_THROW(
        {
            while (idle.keys.isKeyDown(scan::kEnter) == 0)
                idle.keys.idle(50);
        },
        std::runtime_error);
    VirtualPlatform timer;
    timer.setDeadline(500);
    EXPECT_THROW(timer.keys.waitUntil(timer.keys.timerSeconds() + 1), std::runtime_error);

    VirtualPlatform byDefault;  // one virtual day
    EXPECT_THROW(byDefault.keys.sleepMs(-1), std::runtime_error);
    EXPECT_EQ(byDefault.nowMs(), byDefault.deadline());
}

// --- reading the screen back ---

TEST(VirtualPlatformScreen, FindsTextAndDumpsAllRows) {
    VirtualPlatform p;
    p.screen.locate(3, 10);
    p.screen.setColor(14, 0);
    p.screen.printText("Numerion");
    EXPECT_TRUE(p.showsText("Numerion"));
    EXPECT_FALSE(p.showsText("Zahlen"));
    ASSERT_TRUE(p.findText("meri").has_value());
    EXPECT_EQ(*p.findText("meri"), std::make_pair(3, 12));
    EXPECT_EQ(p.cellChar(3, 10), 'N');
    EXPECT_EQ(p.cellAttr(3, 10), 14);
    EXPECT_EQ(p.cellAttr(3, 9), kConsoleOwnAttr);
    const std::string text = p.screenText();
    EXPECT_EQ(text.size(), 35U * 81U);
    EXPECT_EQ(text.substr(2 * 81 + 9, 8), "Numerion");
}

TEST(VirtualPlatformScreen, LocalTimeIsFixedUntilChanged) {
    VirtualPlatform p;
    p.sleep(3600 * 1000.0);
    ASSERT_TRUE(p.localTime().has_value());
    EXPECT_EQ(p.localTime()->tm_mday, 5);
    EXPECT_EQ(p.localTime()->tm_hour, 21);
}

}  // namespace
}  // namespace numerion
