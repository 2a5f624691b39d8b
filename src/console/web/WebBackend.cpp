#include "console/web/WebBackend.h"

#include <emscripten.h>

#include <iterator>
#include <string>

#include "console/Glyphs.h"
#include "console/Palette.h"

namespace numerion {

namespace {

// KeyboardEvent.code of each Key, in the order of the enum: the page turns codes into key
// numbers with this list. The keypad digits are keys of their own whatever NumLock says.
constexpr const char* kKeyCodes[] = {
    "Digit1",  "Digit2",  "Digit3",  "Digit4",    "Digit5",      "Enter",
    "Space",   "Escape",  "ArrowUp", "ArrowDown", "ArrowLeft",   "ArrowRight",
    "Numpad0", "Numpad1", "Numpad2", "Numpad3",   "Numpad4",     "Numpad5",
    "Numpad6", "Numpad7", "Numpad8", "Numpad9",   "NumpadEnter",
};
static_assert(std::size(kKeyCodes) == static_cast<std::size_t>(Key::Count));

// Event kinds and actions as page.js queues them, five numbers per event.
enum PageEvent : int { kKey = 0, kFocusIn = 1, kFocusOut = 2, kChanged = 3, kReleased = 4 };
constexpr int kNumbersPerEvent = 5;
constexpr int kEventsPerTake = 64;

// A typed character as the console's byte (umlauts included), or none (0: it typed nothing).
std::int32_t typedByte(int character) {
    if (character < 0x20) return InputEvent::kNoCode;
    const std::optional<std::uint8_t> byte =
        cp850FromUnicode(static_cast<std::uint32_t>(character));
    return byte ? *byte : InputEvent::kNoCode;
}

}  // namespace

// The page's side of each call (page.js, Module.numerionPage).
EM_JS(void, numerion_set_key_names, (const char* names),
      { Module.numerionPage.setKeyNames(UTF8ToString(names)); });
EM_JS(int, numerion_take_events, (int* out, int max),
      { return Module.numerionPage.takeEvents(out, max); });
EM_JS(void, numerion_set_palette, (const std::uint32_t* colours),
      { Module.numerionPage.setPalette(colours); });
EM_ASYNC_JS(void, numerion_wait, (double ms), { await Module.numerionPage.wait(ms); });
EM_JS(int, numerion_hold, (double ms), { return Module.numerionPage.hold(ms) ? 1 : 0; });
EM_JS(int, numerion_visible, (), { return Module.numerionPage.visible() ? 1 : 0; });
EM_JS(void, numerion_present, (const std::uint32_t* glyphs, const std::uint16_t* attrs, int cursor),
      { Module.numerionPage.present(glyphs, attrs, cursor); });
EM_JS(double, numerion_now, (), { return Module.numerionPage.now(); });
EM_JS(void, numerion_bell, (), { Module.numerionPage.bell(); });

WebBackend::WebBackend(const TextConsole& model) : model_(model) {
    std::string names;
    for (const char* name : kKeyCodes) {
        if (!names.empty()) names += ',';
        names += name;
    }
    numerion_set_key_names(names.c_str());
    numerion_set_palette(kPalette.data());
}

std::size_t WebBackend::takeEvents(std::vector<InputEvent>& out) {
    std::size_t taken = 0;
    int numbers[kEventsPerTake * kNumbersPerEvent];
    for (;;) {
        const int count = numerion_take_events(numbers, kEventsPerTake);
        for (int i = 0; i < count; ++i) {
            const int* e = numbers + i * kNumbersPerEvent;
            InputEvent event;
            switch (e[0]) {
                case kKey:
                    event.type = InputEvent::Type::Key;
                    event.action = static_cast<InputEvent::Action>(e[1]);
                    if (e[2] >= 0 && e[2] < static_cast<int>(Key::Count))
                        event.key = static_cast<Key>(e[2]);
                    // A key code the page knows (Enter, the extended keys), else a typed
                    // character, else none.
                    event.code = e[3] >= 0 ? e[3] : typedByte(e[4]);
                    break;
                case kFocusIn:
                    event.type = InputEvent::Type::FocusIn;
                    break;
                case kFocusOut:
                    event.type = InputEvent::Type::FocusOut;
                    break;
                case kReleased:
                    event.type = InputEvent::Type::KeysReleased;
                    break;
                default:
                    // Shown or hidden: the core presents afresh, and holds or goes on.
                    event.type = InputEvent::Type::Resized;
                    break;
            }
            out.push_back(event);
        }
        taken += static_cast<std::size_t>(count);
        if (count < kEventsPerTake) return taken;
    }
}

void WebBackend::waitForEvents(double timeoutMs, std::vector<InputEvent>& out) {
    if (takeEvents(out) > 0 || timeoutMs == 0) return;
    // A wait too short for the browser's timers (the list's sliding pauses) is held on the
    // clock, between the browser's turns; no event can come while it is held.
    if (timeoutMs > 0 && numerion_hold(timeoutMs) != 0) return;
    // Only events that come after this point wake the wait: those before are taken above.
    numerion_wait(timeoutMs < 0 ? -1.0 : timeoutMs);
    takeEvents(out);
}

bool WebBackend::present() {
    if (numerion_visible() == 0) return false;
    if (model_.version() == presented_) return true;
    presented_ = model_.version();
    for (int row = 1; row <= TextConsole::kRows; ++row) {
        for (int column = 1; column <= TextConsole::kColumns; ++column) {
            const Cell& cell = model_.cell(row, column);
            const int i = (row - 1) * TextConsole::kColumns + (column - 1);
            glyphs_[i] = glyphCodePoint(cell.ch);
            // The console's own colours before the first colour change: light grey on black.
            attrs_[i] = cell.attr == kConsoleOwnAttr ? 7 : cell.attr;
        }
    }
    const int cursor = model_.cursorVisible() ? (model_.cursorRow() - 1) * TextConsole::kColumns +
                                                    (model_.cursorColumn() - 1)
                                              : -1;
    numerion_present(glyphs_.data(), attrs_.data(), cursor);
    return true;
}

double WebBackend::monotonicMs() {
    return numerion_now();
}

double WebBackend::bell() {
    numerion_bell();
    return 0;  // the tone plays on by itself; KeyInput spends the 250 ms
}

}  // namespace numerion
