#pragma once
// What a key record of the Windows console means to the game: which physical key went down or
// up (for the held state) and which code a press puts into the pending-key buffer. Free of
// <windows.h>, so the translation and its test are built natively too, not only for Windows.

#include <cstdint>

#include "console/InputEvent.h"

namespace numerion {

// The fields of a KEY_EVENT_RECORD that matter here.
struct ConsoleKeyRecord {
    bool down = true;
    std::uint16_t virtualKey = 0;
    std::uint16_t scanCode = 0;
    // The UTF-16 unit the key typed, 0 for none.
    char16_t character = 0;
    // ENHANCED_KEY: the grey cursor block and keypad Enter, as opposed to the keypad's own keys.
    bool enhanced = false;
};

// Virtual key codes of Windows that the translation names.
namespace vk {
inline constexpr std::uint16_t kClear = 0x0C;
inline constexpr std::uint16_t kReturn = 0x0D;
inline constexpr std::uint16_t kShift = 0x10;
inline constexpr std::uint16_t kControl = 0x11;
inline constexpr std::uint16_t kMenu = 0x12;
inline constexpr std::uint16_t kPause = 0x13;
inline constexpr std::uint16_t kCapital = 0x14;
inline constexpr std::uint16_t kEscape = 0x1B;
inline constexpr std::uint16_t kSpace = 0x20;
inline constexpr std::uint16_t kPrior = 0x21;
inline constexpr std::uint16_t kNext = 0x22;
inline constexpr std::uint16_t kEnd = 0x23;
inline constexpr std::uint16_t kHome = 0x24;
inline constexpr std::uint16_t kLeft = 0x25;
inline constexpr std::uint16_t kUp = 0x26;
inline constexpr std::uint16_t kRight = 0x27;
inline constexpr std::uint16_t kDown = 0x28;
inline constexpr std::uint16_t kInsert = 0x2D;
inline constexpr std::uint16_t kDelete = 0x2E;
inline constexpr std::uint16_t kLeftWindows = 0x5B;
inline constexpr std::uint16_t kApps = 0x5D;
inline constexpr std::uint16_t kNumpad0 = 0x60;
inline constexpr std::uint16_t kNumpad9 = 0x69;
inline constexpr std::uint16_t kF11 = 0x7A;
inline constexpr std::uint16_t kF12 = 0x7B;
inline constexpr std::uint16_t kNumLock = 0x90;
inline constexpr std::uint16_t kScroll = 0x91;
inline constexpr std::uint16_t kLeftShift = 0xA0;
inline constexpr std::uint16_t kRightMenu = 0xA5;
}  // namespace vk

// A key event: a press (every key-down record, auto-repeats included) or a release, with the
// game's key where it is one and the pending-key code where the press gives one.
InputEvent translateKey(const ConsoleKeyRecord& record);

}  // namespace numerion
