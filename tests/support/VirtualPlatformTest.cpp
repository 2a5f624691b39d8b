// The test double itself, where a fault would let the screen tests pass wrongly: events and
// waits on the virtual clock, and the time a beep takes. Everything else it does is checked by
// every screen test that uses it.

#include "support/VirtualPlatform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace numerion {
namespace {

using ::testing::ElementsAre;

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

TEST(VirtualPlatformWaits, WaitingForInputEndsAtTheNextScriptedInput) {
    VirtualPlatform p;
    p.at(20, [] {});  // an action is no input
    p.press(Key::Up, 30);
    p.keys.idle(100);
    EXPECT_EQ(p.nowMs(), 30);
    EXPECT_EQ(p.keys.isKeyDown(scan::kUp), -1);
    p.keys.idle(100);
    EXPECT_EQ(p.nowMs(), 130);
    EXPECT_EQ(p.inputWaits(), 2);
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

}  // namespace
}  // namespace numerion
