// Feeds arbitrary bytes, cut into arbitrary chunks, to the terminal input parser and checks
// that every event it gives is one the rest of the program can take.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "console/terminal/HeldKeys.h"
#include "console/terminal/InputParser.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkEvent(const numerion::InputEvent& event) {
    using numerion::InputEvent;
    if (event.key) check(*event.key < numerion::Key::Count);
    if (event.type != InputEvent::Type::Key) {
        check(!event.key && event.code == InputEvent::kNoCode);
        return;
    }
    check(event.action == InputEvent::Action::Press || event.action == InputEvent::Action::Repeat ||
          event.action == InputEvent::Action::Release);
    const std::int32_t code = event.code;
    // A byte, or an extended code E x 256 + 255 with E from 1 to 255.
    const bool byte = code >= 0 && code <= 255;
    const bool extended = code > 255 && code % 256 == 255 && code / 256 >= 1 && code / 256 <= 255;
    check(code == InputEvent::kNoCode || byte || extended);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses where the input is cut into chunks.
    const std::size_t step = 1 + data[0] % 16;
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    numerion::InputParser parser;
    numerion::HeldKeys held(data[0] & 0x80 ? numerion::HeldKeys::Mode::Exact
                                           : numerion::HeldKeys::Mode::Inferred);
    std::vector<numerion::InputEvent> events;
    double now = 0;
    while (!bytes.empty()) {
        const std::size_t n = bytes.size() < step ? bytes.size() : step;
        parser.feed(bytes.substr(0, n), events);
        bytes.remove_prefix(n);
        if (parser.escapeAmbiguous() && (bytes.size() % 3 == 0)) parser.expire(events);
        for (const auto& event : events) {
            checkEvent(event);
            held.onKey(event, now);
        }
        events.clear();
        now += 7;
        for (int k = 0; k < static_cast<int>(numerion::Key::Count); ++k) {
            held.isHeld(static_cast<numerion::Key>(k), now);
        }
        held.endPoll();
    }
    parser.expire(events);
    for (const auto& event : events)
        checkEvent(event);
    check(!parser.escapeAmbiguous());
    return 0;
}
