#include "console/wincon/ConsoleKeys.h"

#include <optional>

#include "console/Glyphs.h"

namespace numerion {

namespace {

// The physical key. The keypad's keys are keys of their own whatever NumLock says: with it on
// they report VK_NUMPAD0..9, with it off the cursor keys' virtual keys without the enhanced
// flag.
std::optional<Key> physicalKey(const ConsoleKeyRecord& r) {
    if (r.virtualKey >= '1' && r.virtualKey <= '5')
        return static_cast<Key>(static_cast<int>(Key::Digit1) + (r.virtualKey - '1'));
    if (r.virtualKey >= vk::kNumpad0 && r.virtualKey <= vk::kNumpad9)
        return static_cast<Key>(static_cast<int>(Key::Keypad0) + (r.virtualKey - vk::kNumpad0));
    switch (r.virtualKey) {
        case vk::kReturn:
            return r.enhanced ? Key::KeypadEnter : Key::Enter;
        case vk::kSpace:
            return Key::Space;
        case vk::kEscape:
            return Key::Escape;
        case vk::kUp:
            return r.enhanced ? Key::Up : Key::Keypad8;
        case vk::kDown:
            return r.enhanced ? Key::Down : Key::Keypad2;
        case vk::kLeft:
            return r.enhanced ? Key::Left : Key::Keypad4;
        case vk::kRight:
            return r.enhanced ? Key::Right : Key::Keypad6;
        case vk::kHome:
            return r.enhanced ? std::nullopt : std::optional(Key::Keypad7);
        case vk::kPrior:
            return r.enhanced ? std::nullopt : std::optional(Key::Keypad9);
        case vk::kEnd:
            return r.enhanced ? std::nullopt : std::optional(Key::Keypad1);
        case vk::kNext:
            return r.enhanced ? std::nullopt : std::optional(Key::Keypad3);
        case vk::kInsert:
            return r.enhanced ? std::nullopt : std::optional(Key::Keypad0);
        case vk::kClear:
            return Key::Keypad5;
        default:
            return std::nullopt;
    }
}

// Keys that only change what other keys type, and keys that type nothing.
bool isSilent(std::uint16_t key) {
    return key == vk::kShift || key == vk::kControl || key == vk::kMenu || key == vk::kPause ||
           key == vk::kCapital || key == vk::kNumLock || key == vk::kScroll ||
           (key >= vk::kLeftWindows && key <= vk::kApps) ||
           (key >= vk::kLeftShift && key <= vk::kRightMenu);
}

// The pending-key code of a press: the character's code page 850 byte, or for a key that types
// no character its extended code (the scan code; F11 and F12 have codes of their own).
std::int32_t pressCode(const ConsoleKeyRecord& r) {
    if (r.character != 0) {
        if (r.character < 0x80) return r.character;
        const std::optional<std::uint8_t> byte = cp850FromUnicode(r.character);
        return byte ? *byte : InputEvent::kNoCode;
    }
    // Some consoles give the keypad digits no character with NumLock on.
    if (r.virtualKey >= vk::kNumpad0 && r.virtualKey <= vk::kNumpad9)
        return '0' + (r.virtualKey - vk::kNumpad0);
    if (isSilent(r.virtualKey)) return InputEvent::kNoCode;
    if (r.virtualKey == vk::kF11) return extendedKeyCode(133);
    if (r.virtualKey == vk::kF12) return extendedKeyCode(134);
    if (r.scanCode >= 1 && r.scanCode <= 255) return extendedKeyCode(r.scanCode);
    return InputEvent::kNoCode;
}

}  // namespace

InputEvent translateKey(const ConsoleKeyRecord& record) {
    InputEvent event;
    event.type = InputEvent::Type::Key;
    event.action = record.down ? InputEvent::Action::Press : InputEvent::Action::Release;
    event.key = physicalKey(record);
    event.code = record.down ? pressCode(record) : InputEvent::kNoCode;
    return event;
}

}  // namespace numerion
