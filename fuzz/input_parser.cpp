// Feeds arbitrary bytes, cut into arbitrary chunks, to the terminal input parser and checks
// that every event it gives is one the rest of the program can take: a known key with a code
// that belongs to it, one event at most per byte, and the same events however the bytes were
// cut into reads; and after the Escape timeout a key typed next is never lost.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string_view>
#include <variant>
#include <vector>

#include "console/HeldKeys.h"
#include "console/terminal/InputParser.h"

namespace {

using numerion::InputEvent;
using numerion::Key;
using numerion::TerminalEvent;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "input_parser: %s\n", what);
        std::abort();
    }
}

bool oneOf(std::int32_t code, std::initializer_list<std::int32_t> codes) {
    for (std::int32_t c : codes) {
        if (c == code) return true;
    }
    return false;
}

// The codes a polled key can bring into the pending-key buffer: its character, or for the
// keypad also the navigation key it is without NumLock.
bool codeFitsKey(Key key, std::int32_t code) {
    namespace kc = numerion::keycode;
    if (code == InputEvent::kNoCode) return true;
    const int k = static_cast<int>(key);
    if (key >= Key::Digit1 && key <= Key::Digit5) return code == '1' + k;
    switch (key) {
        case Key::Enter:
        case Key::KeypadEnter:
            return code == '\r' || code == '\n';
        case Key::Space:
            return code == ' ';
        case Key::Escape:
            return code == 0x1b;
        case Key::Up:
            return code == kc::kUp;
        case Key::Down:
            return code == kc::kDown;
        case Key::Left:
            return code == kc::kLeft;
        case Key::Right:
            return code == kc::kRight;
        default:
            break;
    }
    // Keypad digits, in the order 0..9 of their navigation keys.
    const int n = k - static_cast<int>(Key::Keypad0);
    static constexpr std::int32_t kNavigation[] = {
        kc::kInsert, kc::kEnd,  kc::kDown, kc::kPageDown, numerion::extendedKeyCode(76),
        kc::kRight,  kc::kHome, kc::kUp,   kc::kPageUp,   kc::kLeft};
    static constexpr int kNavigationOf[] = {0, 1, 2, 3, 9, 4, 5, 6, 7, 8};
    return code == '0' + n || oneOf(code, {kNavigation[kNavigationOf[n]]});
}

void checkEvent(const TerminalEvent& parsed) {
    const InputEvent* input = std::get_if<InputEvent>(&parsed);
    if (input == nullptr) return;  // the terminal's own: nothing more to it
    const InputEvent& event = *input;
    if (event.key) check(*event.key < Key::Count, "unknown key");
    if (event.type != InputEvent::Type::Key) {
        check(!event.key && event.code == InputEvent::kNoCode, "a report carries a key");
        return;
    }
    check(event.action == InputEvent::Action::Press || event.action == InputEvent::Action::Repeat ||
              event.action == InputEvent::Action::Release,
          "unknown action");
    const std::int32_t code = event.code;
    // A byte, or an extended code E x 256 + 255 with E from 1 to 255.
    const bool byte = code >= 0 && code <= 255;
    const bool extended = code > 255 && code % 256 == 255 && code / 256 >= 1 && code / 256 <= 255;
    check(code == InputEvent::kNoCode || byte || extended, "malformed key code");
    if (event.key) check(codeFitsKey(*event.key, code), "a key code that is not the key's");
}

// All events of the bytes fed in chunks of the given size, the Escape timeout only at the end.
std::vector<TerminalEvent> parseInChunks(std::string_view bytes, std::size_t step) {
    numerion::InputParser parser;
    std::vector<TerminalEvent> events;
    while (!bytes.empty()) {
        const std::size_t n = bytes.size() < step ? bytes.size() : step;
        parser.feed(bytes.substr(0, n), events);
        bytes.remove_prefix(n);
    }
    parser.expire(events);
    return events;
}

// After the timeout whatever was cut off is over: a key typed next comes out as that key.
void checkKeyComesOut(numerion::InputParser parser) {
    std::vector<TerminalEvent> events;
    parser.feed("4", events);
    const InputEvent* last = events.empty() ? nullptr : std::get_if<InputEvent>(&events.back());
    check(last != nullptr && last->key == Key::Digit4 && last->code == '4',
          "a key typed after a cut-off sequence is lost");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses where the input is cut into chunks.
    const std::size_t step = 1 + data[0] % 16;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

    // A read boundary must not change what the bytes mean.
    const std::vector<TerminalEvent> whole = parseInChunks(input, input.size() + 1);
    check(whole == parseInChunks(input, step), "events depend on how the input was cut");
    check(whole.size() <= input.size(), "more events than bytes");
    for (const auto& event : whole)
        checkEvent(event);

    // The same bytes with the Escape timeout striking between some reads, into the held-key
    // logic of either mode.
    numerion::InputParser parser;
    numerion::HeldKeys held(data[0] & 0x80 ? numerion::HeldKeys::Mode::Exact
                                           : numerion::HeldKeys::Mode::Inferred);
    std::vector<TerminalEvent> events;
    std::string_view bytes = input;
    double now = 0;
    while (!bytes.empty()) {
        const std::size_t n = bytes.size() < step ? bytes.size() : step;
        parser.feed(bytes.substr(0, n), events);
        bytes.remove_prefix(n);
        if (parser.escapeAmbiguous() && (bytes.size() % 3 == 0)) {
            parser.expire(events);
            checkKeyComesOut(parser);
        }
        for (const auto& event : events) {
            checkEvent(event);
            if (const InputEvent* input = std::get_if<InputEvent>(&event)) held.onKey(*input, now);
        }
        events.clear();
        now += 7;
        for (int k = 0; k < static_cast<int>(Key::Count); ++k) {
            held.isHeld(static_cast<Key>(k), now);
        }
        held.endPoll();
    }
    parser.expire(events);
    for (const auto& event : events)
        checkEvent(event);
    check(!parser.escapeAmbiguous(), "an Escape is still waiting after the timeout");
    checkKeyComesOut(parser);
    return 0;
}
