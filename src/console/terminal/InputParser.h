#pragma once
// Turns the bytes a terminal sends into key events: legacy escape sequences (xterm, VTE, tmux,
// the Linux console), the kitty keyboard protocol with its press, repeat and release events,
// focus reports and the answers to our start-up queries. Fed chunk by chunk; a sequence split
// across chunks is kept until it is complete. No input can make it fail. Inside a bracketed
// paste only text counts: its escape sequences are dropped, so pasted bytes can fake neither a
// focus report nor a key event of the keyboard protocol.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/Glyphs.h"
#include "console/terminal/TerminalEvent.h"

namespace numerion {

class InputParser {
  public:
    // Longest escape sequence kept; anything longer is garbage and skipped to its end.
    static constexpr std::size_t kMaxSequence = 64;

    // Parses bytes, appending the events they complete to out.
    void feed(std::string_view bytes, std::vector<TerminalEvent>& out);
    // True while the input ends in an Escape or a started sequence, or inside a paste: a lone
    // Escape key press is only known when no further byte follows within a short time, and a
    // terminal sends a sequence (and a paste) at once, so one that stops for that time is over.
    bool escapeAmbiguous() const {
        return paste_ || (state_ != State::Ground && state_ != State::Utf8);
    }
    // The short time has passed without a further byte: the Escape was the key itself, and
    // what followed it were keys (Alt+[ is Escape and "["); an overlong sequence is dropped; a
    // paste whose end never came is over, and the piece of a sequence it ended in is dropped.
    void expire(std::vector<TerminalEvent>& out);

  private:
    enum class State : std::uint8_t { Ground, Escape, Ss3, Csi, CsiSkip, Utf8 };

    void ground(std::uint8_t byte, std::vector<TerminalEvent>& out);
    void finishCsi(std::uint8_t final, std::vector<TerminalEvent>& out);
    void finishSs3(std::uint8_t final, std::vector<TerminalEvent>& out);

    State state_ = State::Ground;
    bool paste_ = false;    // between the terminal's paste start and end
    std::string sequence_;  // parameter and intermediate bytes of the CSI sequence so far
    std::uint32_t codePoint_ = 0;
    int utf8Remaining_ = 0;
    std::uint32_t utf8Minimum_ = 0;
};

}  // namespace numerion
