#pragma once
// The keyboard and the clock as the screens see them: held keys by PC scan code, the buffer of
// pending key presses, waits that a key can cut short, the seconds timer, date, time and beep.
// The logic lives here once; a KeyBackend supplies the platform (a terminal, or the virtual
// platform of the tests).

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace numerion {

// Physical keys a backend can report as held. Main-row digits and keypad digits are different
// keys; a backend that cannot tell them apart reports the main-row key.
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

// What a platform must provide. Every call is also a moment at which a terminal backend
// presents the screen model, so every frame the program draws before it turns to the keyboard
// or the clock is shown.
class KeyBackend {
  public:
    virtual ~KeyBackend() = default;

    // Whether the program's window has the keyboard focus; without it every key reads as up.
    virtual bool hasFocus() = 0;
    // Whether a physical key is held at this moment. Does not consume queued key presses.
    virtual bool isHeld(Key key) = 0;
    // Takes the next key press (or auto-repeat) waiting in the platform's input queue, as a
    // key code, without blocking; nullopt when none waits.
    virtual std::optional<std::int32_t> nextKeyPress() = 0;
    // Whether a key press is waiting in the platform's input queue.
    virtual bool keyPressWaiting() = 0;
    // A plain wait of ms milliseconds (0 yields the rest of the time slice); fractions count.
    virtual void sleep(double ms) = 0;
    // Blocks until input arrives (a key event, focus change or resize) or until ms have
    // passed. Replaces busy waits: the caller looks again at once when it returns.
    virtual void waitForInput(int ms) = 0;
    // Seconds since system start, sub-millisecond resolution, never going backwards.
    virtual double monotonicSeconds() = 0;
    // The local time, or nullopt when it cannot be had.
    virtual std::optional<std::tm> localTime() = 0;
    // Starts the tone of a beep; KeyInput spends its 250 ms.
    virtual void bell() = 0;
};

class KeyInput {
  public:
    static constexpr int kBufferSize = 512;

    explicit KeyInput(KeyBackend& backend) : backend_(backend) {}

    // -1 while the key with this scan code is held (and the window has the focus), else 0.
    std::int32_t isKeyDown(int scanCode);
    // The oldest pending key as text: empty, one character, or the two characters 255 and E.
    std::string readKey();
    void sleepMs(std::int32_t ms);
    double timerSeconds();
    std::string dateText();  // "%02d-%02d-%04d", month-day-year
    std::string timeText();  // "%02d:%02d:%02d"
    // Both texts of one moment, from one look at the clock.
    struct DateAndTime {
        std::string date;
        std::string time;
    };
    DateAndTime dateAndTimeText();
    void beep();

    // Mended busy waits: a loop that would spin on a key or the timer calls this between looks
    // instead. It returns when input arrives or after at most ms milliseconds.
    void idle(int ms) { backend_.waitForInput(ms); }
    // Waits until timerSeconds() has passed the deadline, without spinning.
    void waitUntil(double timerDeadline);

    KeyBackend& backend() { return backend_; }

  private:
    void pumpKeyEvents();
    void addKey(std::int32_t code);
    bool look();

    KeyBackend& backend_;
    std::array<std::int32_t, kBufferSize> buffer_{};
    int head_ = 0;
    int tail_ = 0;
    bool keyArrived_ = false;
};

}  // namespace numerion
