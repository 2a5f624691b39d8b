#pragma once
// The glyphs of the console's code page (850) for every byte of a cell. Bytes 1..31 and 127 are
// the code page's graphic characters, never control characters, so nothing a cell holds can act
// on the terminal.

#include <cstdint>
#include <optional>
#include <string_view>

namespace numerion {

// The Unicode character shown for a byte; always printable and one cell wide, and no two bytes
// alike but byte 0 and the blank (byte 0 and the soft hyphen, which terminals may draw
// zero-wide, show as a blank and a hyphen).
char32_t glyphCodePoint(std::uint8_t byte);
// The same character as UTF-8 (1 to 3 bytes).
std::string_view glyphUtf8(std::uint8_t byte);
// The byte of a Unicode character typed on a keyboard: itself below 0x80, else the byte of
// 0x80..0xFF whose glyph it is; nullopt when there is none.
std::optional<std::uint8_t> cp850FromUnicode(std::uint32_t codePoint);
// A printable ASCII look-alike for terminals whose locale is not UTF-8.
char glyphAscii(std::uint8_t byte);

}  // namespace numerion
