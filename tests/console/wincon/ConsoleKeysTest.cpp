#include "console/wincon/ConsoleKeys.h"

#include <gtest/gtest.h>

namespace numerion {
namespace {

ConsoleKeyRecord record(std::uint16_t virtualKey, std::uint16_t scanCode, char16_t character = 0,
                        bool enhanced = false, bool down = true) {
    ConsoleKeyRecord r;
    r.down = down;
    r.virtualKey = virtualKey;
    r.scanCode = scanCode;
    r.character = character;
    r.enhanced = enhanced;
    return r;
}

// The cursor block and the keypad share scan codes; only the enhanced flag and the virtual key
// tell them apart, and the game must: keypad 8/2/4/6 steer, keypad 1 to 5 choose nothing.
TEST(ConsoleKeysTest, KeypadKeysAreKeysOfTheirOwnWhateverNumLockSays) {
    const InputEvent up = translateKey(record(vk::kUp, 72, 0, true));
    EXPECT_EQ(up.key, Key::Up);
    EXPECT_EQ(up.code, keycode::kUp);

    // NumLock off: the cursor key's virtual key, without the enhanced flag.
    const InputEvent keypadUp = translateKey(record(vk::kUp, 72));
    EXPECT_EQ(keypadUp.key, Key::Keypad8);
    EXPECT_EQ(keypadUp.code, keycode::kUp);
    EXPECT_EQ(translateKey(record(vk::kEnd, 79)).key, Key::Keypad1);
    EXPECT_EQ(translateKey(record(vk::kEnd, 79, 0, true)).key, std::nullopt);
    EXPECT_EQ(translateKey(record(vk::kEnd, 79, 0, true)).code, keycode::kEnd);

    // NumLock on: the keypad's own virtual keys, with or without a character.
    const InputEvent keypad4 = translateKey(record(vk::kNumpad0 + 4, 75, u'4'));
    EXPECT_EQ(keypad4.key, Key::Keypad4);
    EXPECT_EQ(keypad4.code, '4');
    EXPECT_EQ(translateKey(record(vk::kNumpad0 + 4, 75)).code, '4');
    EXPECT_EQ(translateKey(record(vk::kNumpad0 + 1, 79, u'1')).key, Key::Keypad1);

    const InputEvent digit1 = translateKey(record('1', 2, u'1'));
    EXPECT_EQ(digit1.key, Key::Digit1);
    EXPECT_EQ(digit1.code, '1');
    EXPECT_EQ(translateKey(record('5', 6, u'5')).key, Key::Digit5);
    EXPECT_EQ(translateKey(record('6', 7, u'6')).key, std::nullopt);

    EXPECT_EQ(translateKey(record(vk::kReturn, 28, u'\r')).key, Key::Enter);
    EXPECT_EQ(translateKey(record(vk::kReturn, 28, u'\r', true)).key, Key::KeypadEnter);
    EXPECT_EQ(translateKey(record(vk::kReturn, 28, u'\r', true)).code, 13);
}

TEST(ConsoleKeysTest, ReleasesNameTheKeyAndQueueNothing) {
    const InputEvent release = translateKey(record(vk::kRight, 77, 0, true, false));
    EXPECT_EQ(release.type, InputEvent::Type::Key);
    EXPECT_EQ(release.action, InputEvent::Action::Release);
    EXPECT_EQ(release.key, Key::Right);
    EXPECT_EQ(release.code, InputEvent::kNoCode);
    EXPECT_EQ(translateKey(record(' ', 57, u' ')).action, InputEvent::Action::Press);
}

TEST(ConsoleKeysTest, PressesQueueTheCodePage850ByteOrTheExtendedCode) {
    EXPECT_EQ(translateKey(record(vk::kSpace, 57, u' ')).code, 32);
    EXPECT_EQ(translateKey(record(vk::kSpace, 57, u' ')).key, Key::Space);
    EXPECT_EQ(translateKey(record(vk::kEscape, 1, u'\x1b')).code, 27);
    EXPECT_EQ(translateKey(record('A', 30, u'a')).code, 'a');
    EXPECT_EQ(translateKey(record(0xDE, 40, u'\u00e4')).code, 0x84);                // ä
    EXPECT_EQ(translateKey(record(0xDB, 12, u'\u00df')).code, 0xE1);                // ß
    EXPECT_EQ(translateKey(record('E', 18, u'\u20ac')).code, InputEvent::kNoCode);  // € (AltGr)
    EXPECT_EQ(translateKey(record(0x70, 59)).code, keycode::function(1));
    EXPECT_EQ(translateKey(record(0x79, 68)).code, keycode::function(10));
    EXPECT_EQ(translateKey(record(vk::kF11, 87)).code, extendedKeyCode(133));
    EXPECT_EQ(translateKey(record(vk::kDelete, 83, 0, true)).code, keycode::kDelete);
    // Keys that only change other keys type nothing and are no game keys.
    for (std::uint16_t silent : {vk::kShift, vk::kControl, vk::kMenu, vk::kCapital, vk::kNumLock}) {
        const InputEvent event = translateKey(record(silent, 42));
        EXPECT_EQ(event.code, InputEvent::kNoCode) << silent;
        EXPECT_EQ(event.key, std::nullopt) << silent;
    }
}

}  // namespace
}  // namespace numerion
