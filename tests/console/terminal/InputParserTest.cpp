#include "console/terminal/InputParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace numerion {
namespace {

using Action = InputEvent::Action;
using Type = InputEvent::Type;

std::vector<TerminalEvent> parse(std::string_view bytes) {
    InputParser parser;
    std::vector<TerminalEvent> out;
    parser.feed(bytes, out);
    return out;
}

InputEvent press(std::optional<Key> key, std::int32_t code, Action action = Action::Press) {
    InputEvent event;
    event.key = key;
    event.code = code;
    event.action = action;
    return event;
}

InputEvent only(Type type) {
    InputEvent event;
    event.type = type;
    return event;
}

using Events = std::vector<TerminalEvent>;

TEST(InputParser, KittyArrowsReportPressRepeatAndRelease) {
    EXPECT_EQ(parse("\x1b[A"), Events{press(Key::Up, keycode::kUp)});
    EXPECT_EQ(parse("\x1b[1;1:2A"), Events{press(Key::Up, keycode::kUp, Action::Repeat)});
    EXPECT_EQ(parse("\x1b[1;1:3A"), Events{press(Key::Up, keycode::kUp, Action::Release)});
    EXPECT_EQ(parse("\x1b[B\x1b[1;1:3B"),
              (Events{press(Key::Down, keycode::kDown),
                      press(Key::Down, keycode::kDown, Action::Release)}));
    EXPECT_EQ(parse("\x1b[C"), Events{press(Key::Right, keycode::kRight)});
    EXPECT_EQ(parse("\x1b[1;1:3D"), Events{press(Key::Left, keycode::kLeft, Action::Release)});
}

TEST(InputParser, KittyMainRowDigitsAndKeypadDigitsAreDifferentKeys) {
    EXPECT_EQ(parse("\x1b[49u"), Events{press(Key::Digit1, '1')});
    EXPECT_EQ(parse("\x1b[53;1:2u"), Events{press(Key::Digit5, '5', Action::Repeat)});
    EXPECT_EQ(parse("\x1b[49;1:3u"), Events{press(Key::Digit1, '1', Action::Release)});
    // NumLock on: every key carries 129, the lock bit is no modifier.
    EXPECT_EQ(parse("\x1b[57400;129u"), Events{press(Key::Keypad1, '1')});
    EXPECT_EQ(parse("\x1b[57399;129u"), Events{press(Key::Keypad0, '0')});
    EXPECT_EQ(parse("\x1b[57408;129u"), Events{press(Key::Keypad9, '9')});
    EXPECT_EQ(parse("\x1b[57404;129:3u"), Events{press(Key::Keypad5, '5', Action::Release)});
    EXPECT_EQ(parse("\x1b[57414;129u"), Events{press(Key::KeypadEnter, '\r')});
}

TEST(InputParser, KittyKeypadWithoutNumLockGivesArrowsAndNavigationKeys) {
    EXPECT_EQ(parse("\x1b[57419u"), Events{press(Key::Up, keycode::kUp)});
    EXPECT_EQ(parse("\x1b[57420u"), Events{press(Key::Down, keycode::kDown)});
    EXPECT_EQ(parse("\x1b[57417u"), Events{press(Key::Left, keycode::kLeft)});
    EXPECT_EQ(parse("\x1b[57418;1:3u"),
              Events{press(Key::Right, keycode::kRight, Action::Release)});
    EXPECT_EQ(parse("\x1b[57424u"), Events{press(Key::Keypad1, keycode::kEnd)});
    EXPECT_EQ(parse("\x1b[57422u"), Events{press(Key::Keypad3, keycode::kPageDown)});
    EXPECT_EQ(parse("\x1b[57423u"), Events{press(Key::Keypad7, keycode::kHome)});
    EXPECT_EQ(parse("\x1b[57421;1:3u"),
              Events{press(Key::Keypad9, keycode::kPageUp, Action::Release)});
    EXPECT_EQ(std::get<InputEvent>(parse("\x1b[E").at(0)).key, Key::Keypad5);
    EXPECT_EQ(std::get<InputEvent>(parse("\x1b[1;1:3E").at(0)).action, Action::Release);
}

TEST(InputParser, KittyCtrlCAndCtrlZAreTheInterruptAndTheSuspendThemselves) {
    // As kitty sends it: the Ctrl key, C, and both releases.
    EXPECT_EQ(parse("\x1b[57442u\x1b[99;5u\x1b[99;5:3u\x1b[57442;5:3u"),
              Events{TerminalControl::Interrupt});
    EXPECT_EQ(parse("\x1b[99;133u"), Events{TerminalControl::Interrupt});  // NumLock on
    EXPECT_EQ(parse("\x1b[57442u\x1b[122;5u\x1b[122;5:3u\x1b[57442;5:3u"),
              Events{TerminalControl::Suspend});
    EXPECT_EQ(parse("\x1b[92;5u"), Events{TerminalControl::Quit});
    // C alone or with Shift is a letter.
    EXPECT_EQ(parse("\x1b[99u"), Events{press(std::nullopt, 'c')});
    EXPECT_EQ(parse("\x1b[99;2u"), Events{press(std::nullopt, 'C')});
}

TEST(InputParser, KittyModifierAndLockKeysThemselvesAreNoKeys) {
    EXPECT_TRUE(parse("\x1b[57441u\x1b[57441;2:3u\x1b[57442;5u\x1b[57443;3:2u"
                      "\x1b[57447u\x1b[57360u\x1b[57358;65:3u")
                    .empty());
}

TEST(InputParser, KittyPressWithOrWithoutEventTypeAndWithLockBitsIsThePlainPress) {
    const Events expected{press(Key::Digit1, '1')};
    EXPECT_EQ(parse("\x1b[49u"), expected);
    EXPECT_EQ(parse("\x1b[49;1:1u"), expected);  // foot writes the :1
    EXPECT_EQ(parse("\x1b[49;129u"), expected);  // num lock
    EXPECT_EQ(parse("\x1b[49;65u"), expected);   // caps lock
    EXPECT_EQ(parse("\x1b[49;193:1u"), expected);
    EXPECT_EQ(parse("\x1b[1;129:3A"), Events{press(Key::Up, keycode::kUp, Action::Release)});
}

TEST(InputParser, KittySpaceEnterEscapeAndText) {
    EXPECT_EQ(parse("\x1b[32u"), Events{press(Key::Space, ' ')});
    EXPECT_EQ(parse("\x1b[32;1:3u"), Events{press(Key::Space, ' ', Action::Release)});
    EXPECT_EQ(parse("\x1b[13u"), Events{press(Key::Enter, '\r')});
    EXPECT_EQ(parse("\x1b[27u"), Events{press(Key::Escape, 27)});
    EXPECT_EQ(parse("\x1b[127u"), Events{press(std::nullopt, 8)});
    EXPECT_EQ(parse("\x1b[9u"), Events{press(std::nullopt, 9)});
    EXPECT_EQ(parse("\x1b[97;2u"), Events{press(std::nullopt, 'A')});
    EXPECT_EQ(parse("\x1b[228u"), Events{press(std::nullopt, 0x84)});  // ä on a German layout
    EXPECT_EQ(parse("\x1b[8364u"), Events{press(std::nullopt, InputEvent::kNoCode)});  // €
}

TEST(InputParser, LegacyArrowsInBothCursorModesAndWithModifiers) {
    for (const char* up : {"\x1b[A", "\x1bOA", "\x1b[1;5A", "\x1b[1;2A"}) {
        EXPECT_EQ(parse(up), Events{press(Key::Up, keycode::kUp)}) << up + 1;
    }
    EXPECT_EQ(parse("\x1bOB"), Events{press(Key::Down, keycode::kDown)});
    EXPECT_EQ(parse("\x1bOC"), Events{press(Key::Right, keycode::kRight)});
    EXPECT_EQ(parse("\x1bOD"), Events{press(Key::Left, keycode::kLeft)});
    EXPECT_EQ(parse("\x1b[1;3D"), Events{press(Key::Left, keycode::kLeft)});
}

TEST(InputParser, LegacyEditingAndFunctionKeys) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"\x1b[H", keycode::kHome},          {"\x1b[1~", keycode::kHome},
        {"\x1bOH", keycode::kHome},          {"\x1b[F", keycode::kEnd},
        {"\x1b[4~", keycode::kEnd},          {"\x1bOF", keycode::kEnd},
        {"\x1b[2~", keycode::kInsert},       {"\x1b[3~", keycode::kDelete},
        {"\x1b[5~", keycode::kPageUp},       {"\x1b[6~", keycode::kPageDown},
        {"\x1b[3;5~", keycode::kDelete},     {"\x1bOP", keycode::function(1)},
        {"\x1bOQ", keycode::function(2)},    {"\x1bOR", keycode::function(3)},
        {"\x1bOS", keycode::function(4)},    {"\x1b[15~", keycode::function(5)},
        {"\x1b[17~", keycode::function(6)},  {"\x1b[18~", keycode::function(7)},
        {"\x1b[19~", keycode::function(8)},  {"\x1b[20~", keycode::function(9)},
        {"\x1b[21~", keycode::function(10)}, {"\x1b[[A", keycode::function(1)},
        {"\x1b[[E", keycode::function(5)},
    };
    for (const auto& [bytes, code] : cases) {
        EXPECT_EQ(parse(bytes), Events{press(std::nullopt, code)}) << bytes + 1;
    }
    EXPECT_EQ(keycode::function(1), 59 * 256 + 255);
    EXPECT_EQ(keycode::function(10), 68 * 256 + 255);
}

TEST(InputParser, PlainBytesOfLegacyTerminals) {
    EXPECT_EQ(parse("\r"), Events{press(Key::Enter, '\r')});
    EXPECT_EQ(parse("\x7f"), Events{press(std::nullopt, 8)});
    EXPECT_EQ(parse("\t"), Events{press(std::nullopt, 9)});
    EXPECT_EQ(parse(" "), Events{press(Key::Space, ' ')});
    EXPECT_EQ(parse("15"), (Events{press(Key::Digit1, '1'), press(Key::Digit5, '5')}));
    EXPECT_EQ(parse("6a"), (Events{press(std::nullopt, '6'), press(std::nullopt, 'a')}));
}

TEST(InputParser, QueryAnswersAndFocusReportsAreNoKeys) {
    EXPECT_EQ(parse("\x1b[?1;2c"), Events{TerminalControl::DeviceAttributes});  // tmux
    EXPECT_EQ(parse("\x1b[?62;22c"), Events{TerminalControl::DeviceAttributes});
    EXPECT_EQ(parse("\x1b[?0u\x1b[?62;c"),
              (Events{TerminalControl::KittyFlags, TerminalControl::DeviceAttributes}));
    EXPECT_EQ(parse("\x1b[I"), Events{only(Type::FocusIn)});
    EXPECT_EQ(parse("\x1b[O"), Events{only(Type::FocusOut)});
    // Answers we never asked for are swallowed whole.
    EXPECT_TRUE(parse("\x1b[>1;4000;29c\x1b[?1004;1$y\x1b[12;40R").empty());
}

TEST(InputParser, APasteIsTextOnlyItsSequencesFakeNoReportAndNoKittyEventAndItsEndEndsIt) {
    // Pasted: a focus loss, a kitty Ctrl+C, an answer, an arrow, an SS3 key, a lone Escape.
    EXPECT_EQ(parse("\x1b[200~a\x1b[O\x1b[99;5u\x1b[?0u\x1b[A\x1bOP\x1b"
                    "b4\x1b[201~\x1b[O"),
              (Events{press(std::nullopt, 'a'), press(std::nullopt, 'b'), press(Key::Digit4, '4'),
                      only(Type::FocusOut)}));
    // A paste whose end never comes is over at the Escape timeout, a piece of a sequence with it.
    InputParser parser;
    Events events;
    parser.feed("\x1b[200~x\x1b[", events);
    EXPECT_TRUE(parser.escapeAmbiguous());
    parser.expire(events);
    parser.feed("\x1b[I", events);
    EXPECT_EQ(events, (Events{press(std::nullopt, 'x'), only(Type::FocusIn)}));
}

TEST(InputParser, SequencesSplitAtEveryByteGiveTheSameEvents) {
    const std::string stream =
        "\x1b[A\x1b[1;1:2A\x1b[1;1:3A\x1b[57400;129u\x1b[49;1:3u\x1bOP\x1b[21~\x1b[?1;2c"
        "\x1b[I\x1b[O\xc3\xa4\xc3\x9f\x1b[99;5u\x1b[E\x1b[[B";
    const Events whole = parse(stream);
    ASSERT_EQ(whole.size(), 15u);
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        InputParser parser;
        Events events;
        parser.feed(std::string_view(stream).substr(0, cut), events);
        parser.feed(std::string_view(stream).substr(cut), events);
        EXPECT_EQ(events, whole) << "cut at " << cut;
    }
    InputParser parser;
    Events events;
    for (char ch : stream)
        parser.feed(std::string_view(&ch, 1), events);
    EXPECT_EQ(events, whole);
}

TEST(InputParser, LoneEscapeIsAKeyOnlyAfterTheTimeout) {
    InputParser parser;
    Events events;
    parser.feed("\x1b", events);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(parser.escapeAmbiguous());
    parser.expire(events);
    EXPECT_EQ(events, Events{press(Key::Escape, 27)});
    EXPECT_FALSE(parser.escapeAmbiguous());

    // The rest of a sequence arriving before the timeout completes it.
    events.clear();
    parser.feed("\x1b", events);
    parser.feed("[B", events);
    EXPECT_EQ(events, Events{press(Key::Down, keycode::kDown)});

    // Escape pressed twice, and Escape followed by a key.
    events.clear();
    parser.feed("\x1b\x1b", events);
    parser.expire(events);
    EXPECT_EQ(events, (Events{press(Key::Escape, 27), press(Key::Escape, 27)}));
    events.clear();
    parser.feed(
        "\x1b"
        "1",
        events);
    EXPECT_EQ(events, (Events{press(Key::Escape, 27), press(Key::Digit1, '1')}));

    // Escape then O typed quickly is both keys.
    events.clear();
    parser.feed("\x1bO", events);
    EXPECT_TRUE(parser.escapeAmbiguous());
    parser.expire(events);
    EXPECT_EQ(events, (Events{press(Key::Escape, 27), press(std::nullopt, 'O')}));

    // A started CSI sequence that stops for the timeout is over (Alt+[, or Escape and "["
    // typed quickly): what it held and every byte after it are keys.
    events.clear();
    parser.feed("\x1b[", events);
    EXPECT_TRUE(parser.escapeAmbiguous());
    parser.expire(events);
    parser.feed("4", events);
    EXPECT_EQ(events,
              (Events{press(Key::Escape, 27), press(std::nullopt, '['), press(Key::Digit4, '4')}));
    events.clear();
    parser.feed("\x1b[1 ", events);
    parser.expire(events);
    parser.feed("\r", events);
    EXPECT_EQ(events,
              (Events{press(Key::Escape, 27), press(std::nullopt, '['), press(Key::Digit1, '1'),
                      press(Key::Space, ' '), press(Key::Enter, '\r')}));
    events.clear();
    parser.feed("\x1b[" + std::string(100, '1'), events);
    EXPECT_TRUE(parser.escapeAmbiguous());
    parser.expire(events);
    parser.feed("5", events);
    EXPECT_EQ(events, Events{press(Key::Digit5, '5')});
}

TEST(InputParser, Utf8CharactersBecomeCodePage850Bytes) {
    EXPECT_EQ(parse("\xc3\xa4"), Events{press(std::nullopt, 0x84)});  // ä
    EXPECT_EQ(parse("\xc3\x9f"), Events{press(std::nullopt, 0xE1)});  // ß
    EXPECT_EQ(parse("\xc3\x84\xc3\xb6\xc3\x9c"),
              (Events{press(std::nullopt, 0x8E), press(std::nullopt, 0x94),
                      press(std::nullopt, 0x9A)}));                       // Ä ö Ü
    EXPECT_EQ(parse("\xe2\x96\x91"), Events{press(std::nullopt, 0xB0)});  // light shade
    // Unmappable characters are key presses without a code.
    EXPECT_EQ(parse("\xe2\x82\xac"), Events{press(std::nullopt, InputEvent::kNoCode)});  // €
    EXPECT_EQ(parse("\xf0\x9f\x98\x80"), Events{press(std::nullopt, InputEvent::kNoCode)});
    // Broken encodings are dropped, and what follows survives.
    EXPECT_EQ(parse("\xff\xc3("), Events{press(std::nullopt, '(')});
    EXPECT_EQ(parse("\xc0\xaf"
                    "a"),
              Events{press(std::nullopt, 'a')});  // overlong '/'
    EXPECT_EQ(parse("\xed\xa0\x80"
                    "a"),
              Events{press(std::nullopt, 'a')});  // surrogate
}

TEST(InputParser, OverlongAndBrokenSequencesAreSkippedWithoutLosingWhatFollows) {
    EXPECT_EQ(parse("\x1b[" + std::string(500, '1') + "A" + "x"), Events{press(std::nullopt, 'x')});
    EXPECT_EQ(parse("\x1b[99999999999999999999u"
                    "x"),
              Events{press(std::nullopt, 'x')});  // a number beyond any key
    EXPECT_EQ(parse("\x1b[1;\x1b[B"), Events{press(Key::Down, keycode::kDown)});
    EXPECT_EQ(parse("\x1b[12\x18"
                    "x"),
              Events{press(std::nullopt, 'x')});
    EXPECT_EQ(parse("\x1b[u\x1b[;;;;;;::::u\x1b[1;1:9A").size(), 1u);
}

}  // namespace
}  // namespace numerion
