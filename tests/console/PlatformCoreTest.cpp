// The rules every platform shares, through the virtual backend: taps and holds as the events
// bring them, the hold while the window is too small, and the waits. The pending keys, focus
// and the waits' looks are checked through KeyInput (KeyInputTest).

#include "console/PlatformCore.h"

#include <gtest/gtest.h>

#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

TEST(PlatformCoreKeys, APressAndItsReleaseInOneBatchAreDownForTheNextPollOnly) {
    VirtualPlatform p;
    // A pseudo console's key: the release half a millisecond after the press, both taken
    // by the same wait.
    p.tap(Key::Digit2, 10, 0.5);
    p.core.sleep(50);
    EXPECT_TRUE(p.core.isHeld(Key::Digit2));
    EXPECT_TRUE(p.core.isHeld(Key::Digit2));
    p.core.sleep(50);
    EXPECT_FALSE(p.core.isHeld(Key::Digit2));
    EXPECT_EQ(p.core.nextKeyPress(), '2');
}

TEST(PlatformCoreTooSmall, TheGameIsHeldWithItsClockStoppedAndItsKeysDroppedUntilItFits) {
    VirtualPlatform p;
    p.screen.printText("Raum 1");
    const double start = p.core.monotonicSeconds();
    EXPECT_EQ(p.presentedVersion(), p.screen.version());
    p.resize(79, 35, 100);
    p.tap(Key::Up, 200);
    p.type('x', 250);
    p.hold(Key::Right, 300, 5000);
    p.resize(80, 35, 1100);
    p.core.sleep(200);
    // The 100 ms before the window shrank and the 100 ms after it fitted again.
    EXPECT_EQ(p.nowMs(), 1200);
    EXPECT_NEAR(p.core.monotonicSeconds() - start, 0.2, 1e-9);
    // Shown again in full the moment it fitted, not at the program's next call.
    EXPECT_EQ(p.presentedAtMs(), 1100);
    EXPECT_EQ(p.presentedVersion(), p.screen.version());
    // A tap made meanwhile is no move and queues no key; a key still held stays held.
    EXPECT_FALSE(p.core.isHeld(Key::Up));
    EXPECT_TRUE(p.core.isHeld(Key::Right));
    EXPECT_EQ(p.core.nextKeyPress(), std::nullopt);

    // A window that shrinks just as a wait ends holds the game there.
    p.resize(40, 20, 1300);
    p.resize(80, 35, 1500);
    p.core.sleep(100);
    EXPECT_EQ(p.nowMs(), 1500);
    EXPECT_NEAR(p.core.monotonicSeconds() - start, 0.3, 1e-9);
}

TEST(PlatformCoreWaits, APlainWaitRunsToItsEndAndAnInputWaitEndsAtTheFirstInput) {
    VirtualPlatform p;
    p.type('a', 20);
    p.setFocus(false, 30);
    p.core.sleep(50);
    EXPECT_EQ(p.nowMs(), 50);
    // Actions and the waits' own end are no input; a key, a focus change and a resize are.
    p.at(60, [] {});
    p.core.waitForInput(20);
    EXPECT_EQ(p.nowMs(), 70);
    p.setFocus(true, 80);
    p.core.waitForInput(100);
    EXPECT_EQ(p.nowMs(), 80);
    p.resize(100, 40, 90);
    p.core.waitForInput(100);
    EXPECT_EQ(p.nowMs(), 90);
    p.type('b', 95);
    p.core.waitForInput(100);
    EXPECT_EQ(p.nowMs(), 95);
    p.core.waitForInput(0);
    p.core.sleep(0);
    EXPECT_EQ(p.nowMs(), 95);
    EXPECT_EQ(p.core.nextKeyPress(), 'a');
    EXPECT_EQ(p.core.nextKeyPress(), 'b');
}

}  // namespace
}  // namespace numerion
