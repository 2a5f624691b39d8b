#include "console/terminal/InputParser.h"

#include <algorithm>
#include <array>

namespace numerion {

namespace {

using Action = InputEvent::Action;
using Type = InputEvent::Type;

constexpr std::uint8_t kEsc = 0x1b;

// Extended codes (the second byte readKey hands out) of keys without a character.
namespace ext {
constexpr std::int32_t kKeypad5 = extendedKeyCode(76);  // keypad 5 without NumLock
constexpr std::int32_t kShiftTab = extendedKeyCode(15);
constexpr std::int32_t kF11 = extendedKeyCode(133);
constexpr std::int32_t kF12 = extendedKeyCode(134);
}  // namespace ext

// Modifier bits of the kitty protocol (the reported value minus one).
constexpr int kShift = 1;
constexpr int kCtrl = 4;
constexpr int kLockBits = 64 | 128;  // caps lock, num lock: not modifiers of a key

// Kitty's private-use key numbers for keys that have no character.
namespace kitty {
constexpr std::uint32_t kCapsLock = 57358;
constexpr std::uint32_t kMenu = 57363;
constexpr std::uint32_t kF13 = 57376;
constexpr std::uint32_t kF35 = 57398;
constexpr std::uint32_t kKeypad0 = 57399;
constexpr std::uint32_t kKeypad9 = 57408;
constexpr std::uint32_t kKeypadEnter = 57414;
constexpr std::uint32_t kKeypadLeft = 57417;
constexpr std::uint32_t kKeypadBegin = 57427;
constexpr std::uint32_t kMediaFirst = 57428;
constexpr std::uint32_t kModifierLast = 57454;
}  // namespace kitty

InputEvent keyEvent(std::optional<Key> key, std::int32_t code, Action action = Action::Press) {
    InputEvent event;
    event.type = Type::Key;
    event.action = action;
    event.key = key;
    event.code = code;
    return event;
}

InputEvent plainEvent(Type type) {
    InputEvent event;
    event.type = type;
    return event;
}

Key keypadDigit(int n) {
    return static_cast<Key>(static_cast<int>(Key::Keypad0) + n);
}

// The key a character stands for where the game polls it.
std::optional<Key> keyOfCharacter(std::uint32_t c) {
    if (c >= '1' && c <= '5') return static_cast<Key>(static_cast<int>(Key::Digit1) + (c - '1'));
    if (c == ' ') return Key::Space;
    if (c == '\r') return Key::Enter;
    if (c == kEsc) return Key::Escape;
    return std::nullopt;
}

std::int32_t codeOfCharacter(std::uint32_t c) {
    if (c < 0x80) return static_cast<std::int32_t>(c);
    auto byte = cp850FromUnicode(c);
    return byte ? *byte : InputEvent::kNoCode;
}

InputEvent characterEvent(std::uint32_t c, Action action = Action::Press) {
    return keyEvent(keyOfCharacter(c), codeOfCharacter(c), action);
}

// A byte below 0x80 outside escape sequences.
InputEvent asciiEvent(std::uint8_t byte) {
    switch (byte) {
        case 0x7f:
        case 0x08:
            return keyEvent(std::nullopt, 8);  // Backspace, as the console reports it
        case 0x00:
            return keyEvent(std::nullopt, InputEvent::kNoCode);  // Ctrl+Space
        default:
            return characterEvent(byte);
    }
}

struct Sequence {
    char marker = 0;  // '<', '=', '>' or '?' before the parameters
    bool intermediates = false;
    // fields[i][j]: parameter i, sub-parameter j; -1 where left out.
    std::array<std::array<long, 3>, 3> fields{};
    int count = 0;

    long get(int field, int sub, long fallback) const {
        long v = fields[field][sub];
        return v < 0 ? fallback : v;
    }
};

Sequence splitParameters(std::string_view text) {
    Sequence seq;
    for (auto& field : seq.fields)
        field.fill(-1);
    if (!text.empty() && text.front() >= '<' && text.front() <= '?') {
        seq.marker = text.front();
        text.remove_prefix(1);
    }
    int field = 0;
    int sub = 0;
    for (char ch : text) {
        if (ch >= '0' && ch <= '9') {
            if (field < 3 && sub < 3) {
                long& v = seq.fields[field][sub];
                v = std::min<long>((v < 0 ? 0 : v) * 10 + (ch - '0'), 10'000'000);
            }
        } else if (ch == ';') {
            ++field;
            sub = 0;
        } else if (ch == ':') {
            ++sub;
        } else if (ch >= 0x20 && ch <= 0x2f) {
            seq.intermediates = true;
        }
    }
    seq.count = field + 1;
    return seq;
}

Action actionOf(long event) {
    if (event == 2) return Action::Repeat;
    if (event == 3) return Action::Release;
    return Action::Press;
}

// The key of a CSI number ~ sequence (VT220 style), or none.
std::optional<std::int32_t> tildeKeyCode(long number) {
    switch (number) {
        case 1:
        case 7:
            return keycode::kHome;
        case 2:
            return keycode::kInsert;
        case 3:
            return keycode::kDelete;
        case 4:
        case 8:
            return keycode::kEnd;
        case 5:
            return keycode::kPageUp;
        case 6:
            return keycode::kPageDown;
        case 11:
        case 12:
        case 13:
        case 14:
        case 15:
            return keycode::function(static_cast<int>(number) - 10);
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            return keycode::function(static_cast<int>(number) - 11);
        case 23:
            return ext::kF11;
        case 24:
            return ext::kF12;
        default:
            return std::nullopt;
    }
}

// A key of the kitty protocol's CSI ... u form.
void kittyKey(std::uint32_t c, int modifiers, Action action, std::vector<TerminalEvent>& out) {
    if ((c >= kitty::kCapsLock && c <= kitty::kMenu) || (c >= kitty::kF13 && c <= kitty::kF35) ||
        (c >= kitty::kMediaFirst && c <= kitty::kModifierLast)) {
        return;  // lock, modifier and media keys are no keys of the game
    }
    if (modifiers == kCtrl && (c == 'c' || c == 'z' || c == '\\')) {
        // With every key reported as an escape code these reach us instead of the signals.
        if (action == Action::Release) return;
        out.push_back(c == 'c'   ? TerminalControl::Interrupt
                      : c == 'z' ? TerminalControl::Suspend
                                 : TerminalControl::Quit);
        return;
    }
    if (c >= kitty::kKeypad0 && c <= kitty::kKeypad9) {
        int n = static_cast<int>(c - kitty::kKeypad0);
        out.push_back(keyEvent(keypadDigit(n), '0' + n, action));
        return;
    }
    if (c == kitty::kKeypadEnter) {
        out.push_back(keyEvent(Key::KeypadEnter, '\r', action));
        return;
    }
    if (c > kitty::kKeypad9 && c < kitty::kKeypadLeft) {
        static constexpr char kKeypadSigns[] = {'.', '/', '*', '-', '+', 0, '=', ','};
        char sign = kKeypadSigns[c - kitty::kKeypad9 - 1];
        out.push_back(keyEvent(std::nullopt, sign, action));
        return;
    }
    if (c >= kitty::kKeypadLeft && c <= kitty::kKeypadBegin) {
        // Keypad without NumLock: the arrows answer for the arrows, the rest for the keypad.
        struct Entry {
            std::optional<Key> key;
            std::int32_t code = 0;
        };
        static const Entry kEntries[] = {
            {Key::Left, keycode::kLeft},      {Key::Right, keycode::kRight},
            {Key::Up, keycode::kUp},          {Key::Down, keycode::kDown},
            {Key::Keypad9, keycode::kPageUp}, {Key::Keypad3, keycode::kPageDown},
            {Key::Keypad7, keycode::kHome},   {Key::Keypad1, keycode::kEnd},
            {Key::Keypad0, keycode::kInsert}, {std::nullopt, keycode::kDelete},
            {Key::Keypad5, ext::kKeypad5},
        };
        const Entry& entry = kEntries[c - kitty::kKeypadLeft];
        out.push_back(keyEvent(entry.key, entry.code, action));
        return;
    }
    if (c >= 0xE000 && c <= 0xF8FF) return;  // other private-use numbers: unknown keys
    if (c > 0x10FFFF) return;
    switch (c) {
        case 127:
            out.push_back(keyEvent(std::nullopt, 8, action));
            return;
        case 13:
        case 9:
        case 27:
            out.push_back(characterEvent(c, action));
            return;
        default:
            break;
    }
    if (c < 0x20) return;
    InputEvent event = characterEvent(c, action);
    // Without the alternate-key flag the code is the unshifted key; letters we can still fix.
    if (c >= 'a' && c <= 'z') {
        if (modifiers & kCtrl) {
            event.code = static_cast<std::int32_t>(c & 0x1f);
        } else if (modifiers & kShift) {
            event.code = static_cast<std::int32_t>(c - 'a' + 'A');
        }
    }
    out.push_back(event);
}

}  // namespace

void InputParser::feed(std::string_view bytes, std::vector<TerminalEvent>& out) {
    for (char ch : bytes) {
        const auto byte = static_cast<std::uint8_t>(ch);
        switch (state_) {
            case State::Ground:
                ground(byte, out);
                break;
            case State::Utf8:
                if ((byte & 0xC0) == 0x80) {
                    codePoint_ = (codePoint_ << 6) | (byte & 0x3F);
                    if (--utf8Remaining_ == 0) {
                        state_ = State::Ground;
                        const bool valid = codePoint_ >= utf8Minimum_ && codePoint_ <= 0x10FFFF &&
                                           (codePoint_ < 0xD800 || codePoint_ > 0xDFFF);
                        if (valid) out.push_back(characterEvent(codePoint_));
                    }
                } else {
                    state_ = State::Ground;  // a broken character is dropped
                    ground(byte, out);
                }
                break;
            case State::Escape:
                if (byte == '[') {
                    state_ = State::Csi;
                    sequence_.clear();
                } else if (byte == 'O') {
                    state_ = State::Ss3;
                } else if (paste_) {
                    state_ = State::Ground;  // a pasted Escape is no key
                    ground(byte, out);
                } else {
                    // Escape and then another key (or Alt+key): two key presses.
                    out.push_back(characterEvent(kEsc));
                    state_ = State::Ground;
                    ground(byte, out);
                }
                break;
            case State::Ss3:
                state_ = State::Ground;
                if (byte >= 0x40 && byte <= 0x7e) {
                    if (!paste_) finishSs3(byte, out);
                } else if (paste_) {
                    ground(byte, out);
                } else {
                    out.push_back(characterEvent(kEsc));
                    out.push_back(characterEvent('O'));
                    ground(byte, out);
                }
                break;
            case State::Csi:
                if (byte == '[' && sequence_.empty()) {
                    sequence_.push_back('[');  // the Linux console's F1..F5: ESC [ [ A..E
                } else if (byte >= 0x40 && byte <= 0x7e) {
                    state_ = State::Ground;
                    finishCsi(byte, out);
                } else if (byte >= 0x20 && byte <= 0x3f) {
                    if (sequence_.size() >= kMaxSequence) {
                        state_ = State::CsiSkip;
                    } else {
                        sequence_.push_back(static_cast<char>(byte));
                    }
                } else if (byte == kEsc) {
                    state_ = State::Escape;
                } else if (byte == 0x18 || byte == 0x1a) {
                    state_ = State::Ground;  // CAN and SUB cancel a sequence
                } else if (byte >= 0x80) {
                    state_ = State::Ground;
                    ground(byte, out);
                }
                // other control bytes inside a sequence are ignored
                break;
            case State::CsiSkip:
                if (byte >= 0x40 && byte <= 0x7e) {
                    state_ = State::Ground;
                } else if (byte == kEsc) {
                    state_ = State::Escape;
                }
                break;
        }
    }
}

void InputParser::expire(std::vector<TerminalEvent>& out) {
    if (paste_) {
        paste_ = false;
        if (state_ != State::Utf8) state_ = State::Ground;
        sequence_.clear();
        return;
    }
    if (state_ == State::Escape) {
        out.push_back(characterEvent(kEsc));
        state_ = State::Ground;
    } else if (state_ == State::Ss3) {
        out.push_back(characterEvent(kEsc));
        out.push_back(characterEvent('O'));
        state_ = State::Ground;
    } else if (state_ == State::Csi) {
        out.push_back(characterEvent(kEsc));
        out.push_back(characterEvent('['));
        state_ = State::Ground;
        for (char ch : sequence_)
            ground(static_cast<std::uint8_t>(ch), out);
        sequence_.clear();
    } else if (state_ == State::CsiSkip) {
        state_ = State::Ground;
    }
}

void InputParser::ground(std::uint8_t byte, std::vector<TerminalEvent>& out) {
    if (byte == kEsc) {
        state_ = State::Escape;
    } else if (byte < 0x80) {
        out.push_back(asciiEvent(byte));
    } else if (byte >= 0xC2 && byte <= 0xDF) {
        state_ = State::Utf8;
        codePoint_ = byte & 0x1F;
        utf8Remaining_ = 1;
        utf8Minimum_ = 0x80;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        state_ = State::Utf8;
        codePoint_ = byte & 0x0F;
        utf8Remaining_ = 2;
        utf8Minimum_ = 0x800;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        state_ = State::Utf8;
        codePoint_ = byte & 0x07;
        utf8Remaining_ = 3;
        utf8Minimum_ = 0x10000;
    }
    // stray continuation bytes and invalid lead bytes are dropped
}

void InputParser::finishSs3(std::uint8_t final, std::vector<TerminalEvent>& out) {
    switch (final) {
        case 'A':
            out.push_back(keyEvent(Key::Up, keycode::kUp));
            return;
        case 'B':
            out.push_back(keyEvent(Key::Down, keycode::kDown));
            return;
        case 'C':
            out.push_back(keyEvent(Key::Right, keycode::kRight));
            return;
        case 'D':
            out.push_back(keyEvent(Key::Left, keycode::kLeft));
            return;
        case 'H':
            out.push_back(keyEvent(std::nullopt, keycode::kHome));
            return;
        case 'F':
            out.push_back(keyEvent(std::nullopt, keycode::kEnd));
            return;
        case 'E':
            out.push_back(keyEvent(Key::Keypad5, ext::kKeypad5));
            return;
        case 'P':
        case 'Q':
        case 'R':
        case 'S':
            out.push_back(keyEvent(std::nullopt, keycode::function(final - 'P' + 1)));
            return;
        case 'M':
            out.push_back(keyEvent(Key::KeypadEnter, '\r'));
            return;
        default:
            break;
    }
    if (final >= 'p' && final <= 'y') {  // keypad digits in application keypad mode
        int n = final - 'p';
        out.push_back(keyEvent(keypadDigit(n), '0' + n));
    }
}

void InputParser::finishCsi(std::uint8_t final, std::vector<TerminalEvent>& out) {
    if (final == '~' && sequence_ == (paste_ ? "201" : "200")) {
        paste_ = !paste_;
        return;
    }
    if (paste_) return;
    if (sequence_ == "[") {
        if (final >= 'A' && final <= 'E') {
            out.push_back(keyEvent(std::nullopt, keycode::function(final - 'A' + 1)));
        }
        return;
    }
    const Sequence seq = splitParameters(sequence_);
    if (seq.marker == '?') {
        if (final == 'u') out.push_back(TerminalControl::KittyFlags);
        if (final == 'c') out.push_back(TerminalControl::DeviceAttributes);
        return;
    }
    if (seq.marker != 0 || seq.intermediates) return;  // answers we never asked for

    const bool noParameters = sequence_.empty();
    const long number = seq.get(0, 0, 1);
    const long reported = seq.get(1, 0, 1);
    const int modifiers = static_cast<int>(std::max(reported - 1, 0L) & ~kLockBits & 0xff);
    const Action action = actionOf(seq.get(1, 1, 1));
    auto emit = [&](std::optional<Key> key, std::int32_t code) {
        out.push_back(keyEvent(key, code, action));
    };

    switch (final) {
        case 'u':
            if (!noParameters) {
                kittyKey(static_cast<std::uint32_t>(number), modifiers, action, out);
            }
            return;
        case 'A':
            emit(Key::Up, keycode::kUp);
            return;
        case 'B':
            emit(Key::Down, keycode::kDown);
            return;
        case 'C':
            emit(Key::Right, keycode::kRight);
            return;
        case 'D':
            emit(Key::Left, keycode::kLeft);
            return;
        case 'H':
            emit(std::nullopt, keycode::kHome);
            return;
        case 'F':
            emit(std::nullopt, keycode::kEnd);
            return;
        case 'E':
            emit(Key::Keypad5, ext::kKeypad5);
            return;
        case 'Z':
            emit(std::nullopt, ext::kShiftTab);
            return;
        case 'P':
        case 'Q':
        case 'S':
            emit(std::nullopt, keycode::function(final - 'P' + 1));
            return;
        case 'R':
            // With parameters this is a cursor position report, which we never ask for.
            if (noParameters) emit(std::nullopt, keycode::function(3));
            return;
        case 'I':
            if (noParameters) out.push_back(plainEvent(Type::FocusIn));
            return;
        case 'O':
            if (noParameters) out.push_back(plainEvent(Type::FocusOut));
            return;
        case '~':
            break;
        default:
            return;
    }
    if (const auto code = tildeKeyCode(number)) emit(std::nullopt, *code);
}

}  // namespace numerion
