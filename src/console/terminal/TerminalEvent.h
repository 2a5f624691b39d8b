#pragma once
// What the terminal's input parser makes of the bytes: the neutral input events, and the
// terminal's own (answers to its start-up queries, control keys that arrive as keys under the
// kitty protocol). The backend acts on its own events and never hands them on.

#include <cstdint>
#include <variant>

#include "console/InputEvent.h"

namespace numerion {

enum class TerminalControl : std::uint8_t {
    KittyFlags,        // answer to the kitty protocol query: the protocol is there
    DeviceAttributes,  // answer to the primary device attributes query
    Interrupt,         // Ctrl+C arriving as a key: the interrupt itself
    Quit,              // Ctrl+\ arriving as a key
    Suspend,           // Ctrl+Z arriving as a key
};

using TerminalEvent = std::variant<InputEvent, TerminalControl>;

}  // namespace numerion
