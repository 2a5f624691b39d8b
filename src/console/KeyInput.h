#pragma once
// The keyboard and the clock as the screens see them: held keys by PC scan code, the buffer of
// pending key presses, waits that a key can cut short, the seconds timer, date, time and beep.
// Here are the scan codes, the key texts and the waits' looks; the pending-key buffer, held
// keys and focus are the Platform's (PlatformCore, over a real backend or the tests' virtual
// one).

#include <cstdint>
#include <string>

#include "console/Platform.h"

namespace numerion {

class KeyInput {
  public:
    explicit KeyInput(Platform& platform) : platform_(platform) {}

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

    // For a loop that looks for a key: sleeps between two looks instead of spinning, and
    // returns when input arrives or after at most ms milliseconds.
    void idle(int ms) { platform_.waitForInput(ms); }
    // Waits until timerSeconds() has passed the deadline, without spinning.
    void waitUntil(double timerDeadline);

  private:
    Platform& platform_;
};

// The date and time the game writes into results: "dd.mm.yyyy - hh:mm:ss", from one look at
// the clock.
std::string dateTimeText(KeyInput& keys);

}  // namespace numerion
