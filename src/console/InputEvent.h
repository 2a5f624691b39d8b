#pragma once
// One decoded input event, as a backend hands it to the platform core: a key press, repeat or
// release, a focus change, a window change, or all keys gone up at once.

#include <cstdint>
#include <optional>

#include "console/Platform.h"

namespace numerion {

struct InputEvent {
    enum class Type : std::uint8_t {
        Key,
        FocusIn,
        FocusOut,
        // The window changed size or was given back (after a suspend): present it afresh.
        // Counts as input, so a wait for input returns.
        Resized,
        // Every key is up now, whatever came before (suspended, or the keys went to another
        // job). Not input by itself.
        KeysReleased,
    };
    enum class Action : std::uint8_t { Press, Repeat, Release };
    static constexpr std::int32_t kNoCode = -1;

    Type type = Type::Key;
    Action action = Action::Press;
    // The physical key for the held state, when it is one the game can poll.
    std::optional<Key> key;
    // The code for the pending-key buffer (0..255 a code page 850 byte, E x 256 + 255 an
    // extended key), or kNoCode for a key that gives none.
    std::int32_t code = kNoCode;

    bool operator==(const InputEvent&) const = default;
};

}  // namespace numerion
