#pragma once
// The platform as KeyInput sees it: the keyboard, the clock and the bell.
//
// The duty that comes with every call: it first presents the screen model, so every frame the
// program draws before it turns to the keyboard or the clock is shown. The screens draw into
// the model only; these calls are the moments at which a platform shows it.

#include <cstdint>
#include <ctime>
#include <optional>

namespace numerion {

// Physical keys a platform can report as held. Main-row digits and keypad digits are different
// keys; a platform that cannot tell them apart reports the main-row key.
enum class Key : std::uint8_t {
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Enter,
    Space,
    Escape,
    Up,
    Down,
    Left,
    Right,
    Keypad0,
    Keypad1,
    Keypad2,
    Keypad3,
    Keypad4,
    Keypad5,
    Keypad6,
    Keypad7,
    Keypad8,
    Keypad9,
    KeypadEnter,
    Count
};

// Scan codes (PC set 1) that the game polls.
namespace scan {
inline constexpr int kDigit1 = 2;
inline constexpr int kDigit2 = 3;
inline constexpr int kDigit3 = 4;
inline constexpr int kDigit4 = 5;
inline constexpr int kDigit5 = 6;
inline constexpr int kEnter = 28;
inline constexpr int kSpace = 57;
inline constexpr int kUp = 72;
inline constexpr int kDown = 80;
inline constexpr int kLeft = 75;
inline constexpr int kRight = 77;
}  // namespace scan

// Key codes of the pending-key buffer: 0..255 a character byte, E x 256 + 255 an extended key.
constexpr std::int32_t extendedKeyCode(int e) {
    return e * 256 + 255;
}
namespace keycode {
inline constexpr std::int32_t kUp = extendedKeyCode(72);
inline constexpr std::int32_t kDown = extendedKeyCode(80);
inline constexpr std::int32_t kLeft = extendedKeyCode(75);
inline constexpr std::int32_t kRight = extendedKeyCode(77);
inline constexpr std::int32_t kHome = extendedKeyCode(71);
inline constexpr std::int32_t kEnd = extendedKeyCode(79);
inline constexpr std::int32_t kPageUp = extendedKeyCode(73);
inline constexpr std::int32_t kPageDown = extendedKeyCode(81);
inline constexpr std::int32_t kInsert = extendedKeyCode(82);
inline constexpr std::int32_t kDelete = extendedKeyCode(83);
constexpr std::int32_t function(int n) {
    return extendedKeyCode(58 + n);
}  // F1..F10: 59..68
}  // namespace keycode

class Platform {
  public:
    virtual ~Platform() = default;

    // Whether the program's window has the keyboard focus; without it every key reads as up.
    virtual bool hasFocus() = 0;
    // Whether a physical key is held at this moment. Does not consume queued key presses.
    virtual bool isHeld(Key key) = 0;
    // Takes the oldest key of the pending-key buffer (key presses and auto-repeats), as a key
    // code, without blocking; nullopt when none waits.
    virtual std::optional<std::int32_t> nextKeyPress() = 0;
    // The look a wait takes: whether a key has entered the pending-key buffer since the last
    // look or the last key taken. Clears that; leaves the keys where they are.
    virtual bool takeKeyArrived() = 0;
    // A plain wait of ms milliseconds (0 yields the rest of the time slice); fractions count.
    virtual void sleep(double ms) = 0;
    // Blocks until input arrives (a key event, focus change or resize) or until ms have
    // passed, so a caller waiting for a key sleeps; it looks again at once when this returns.
    virtual void waitForInput(int ms) = 0;
    // Seconds since system start, sub-millisecond resolution, never going backwards.
    virtual double monotonicSeconds() = 0;
    // The local time, or nullopt when it cannot be had.
    virtual std::optional<std::tm> localTime() = 0;
    // Starts the tone of a beep and returns the milliseconds it has already taken (a tone that
    // blocks while it sounds); KeyInput spends the rest of the beep's 250 ms.
    virtual double bell() = 0;
};

}  // namespace numerion
