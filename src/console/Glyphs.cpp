#include "console/Glyphs.h"

#include <array>
#include <string_view>

namespace numerion {

namespace {

// The glyph of every byte, 16 bytes to a line: code page 850, with the graphic characters
// that 437 and 850 share below 32 and at 127. Two bytes show a stand-in: byte 0 a blank, and
// 0xF0, the soft hyphen, which terminals and the browser may draw zero-wide or not at all, a
// hyphen (U+2010, not the hyphen-minus of byte 0x2D, so no two bytes look alike and a typed
// character finds its byte in this same table).
constexpr std::u32string_view kCodePage850 =
    U" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼"
    U"►◄↕‼¶§▬↨↑↓→←∟↔▲▼"
    U" !\"#$%&'()*+,-./"
    U"0123456789:;<=>?"
    U"@ABCDEFGHIJKLMNO"
    U"PQRSTUVWXYZ[\\]^_"
    U"`abcdefghijklmno"
    U"pqrstuvwxyz{|}~⌂"
    U"ÇüéâäàåçêëèïîìÄÅ"
    U"ÉæÆôöòûùÿÖÜø£Ø×ƒ"
    U"áíóúñÑªº¿®¬½¼¡«»"
    U"░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐"
    U"└┴┬├─┼ãÃ╚╔╩╦╠═╬¤"
    U"ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀"
    U"ÓßÔÒõÕµþÞÚÛÙýÝ¯´"
    U"\u2010±‗¾¶§÷¸°¨·¹³²■\u00A0";
static_assert(kCodePage850.size() == 256);

// Look-alikes for 0..31, 127 and 128..255, in the order of the code page.
constexpr std::string_view kAsciiLow = " @@++++oooomfdd*><|!PS_|^v><L-^v^";
constexpr std::string_view kAsciiHigh =
    "CueaaaaceeeiiiAA"
    "EaAooouuyOUoLOxf"
    "aiounNao?R-24!<>"
    ".:#||AAAc||++cY+"
    "++++-+aA++++|=+o"
    "dDEEEiIII++#_|I-"
    "OsOOoOupPUUUyY-'"
    "-+=3PS/,o\".132# ";

struct Utf8Glyph {
    char bytes[4] = {};
    std::uint8_t length = 0;
};

constexpr Utf8Glyph encode(char32_t cp) {
    Utf8Glyph g;
    if (cp < 0x80) {
        g.bytes[0] = static_cast<char>(cp);
        g.length = 1;
    } else if (cp < 0x800) {
        g.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
        g.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
        g.length = 2;
    } else {
        g.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
        g.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        g.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
        g.length = 3;
    }
    return g;
}

constexpr std::array<Utf8Glyph, 256> kUtf8 = [] {
    std::array<Utf8Glyph, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = encode(kCodePage850[i]);
    return table;
}();

static_assert(kAsciiLow.size() == 32 + 1 && kAsciiHigh.size() == 128);

}  // namespace

char32_t glyphCodePoint(std::uint8_t byte) {
    return kCodePage850[byte];
}

std::string_view glyphUtf8(std::uint8_t byte) {
    const Utf8Glyph& g = kUtf8[byte];
    return {g.bytes, g.length};
}

char glyphAscii(std::uint8_t byte) {
    if (byte < 32) return kAsciiLow[byte];
    if (byte == 127) return kAsciiLow[32];
    if (byte < 127) return static_cast<char>(byte);
    return kAsciiHigh[byte - 128];
}

std::optional<std::uint8_t> cp850FromUnicode(std::uint32_t codePoint) {
    if (codePoint < 0x80) return static_cast<std::uint8_t>(codePoint);
    // The upper half only: the glyphs below 32 stand for control bytes, which no typed
    // character may become.
    for (std::size_t byte = 0x80; byte < kCodePage850.size(); ++byte) {
        if (kCodePage850[byte] == codePoint) return static_cast<std::uint8_t>(byte);
    }
    return std::nullopt;
}

}  // namespace numerion
