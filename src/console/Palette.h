#pragma once
// The 16 colours of the console, by attribute nibble (blue 1, green 2, red 4, bright 8), as
// 0xRRGGBB: the classic console's own table. Every build shows these shades, whatever the
// terminal's, the console profile's or the browser's own colours are, so mines and walls look
// the same everywhere.

#include <array>
#include <cstdint>

namespace numerion {

inline constexpr std::array<std::uint32_t, 16> kPalette = {
    0x000000,  // 0 black
    0x0000AA,  // 1 blue
    0x00AA00,  // 2 green
    0x00AAAA,  // 3 cyan
    0xAA0000,  // 4 red
    0xAA00AA,  // 5 magenta
    0xAA5500,  // 6 brown
    0xAAAAAA,  // 7 light grey
    0x555555,  // 8 dark grey
    0x5555FF,  // 9 light blue
    0x55FF55,  // 10 light green
    0x55FFFF,  // 11 light cyan
    0xFF5555,  // 12 light red
    0xFF55FF,  // 13 light magenta
    0xFFFF55,  // 14 yellow
    0xFFFFFF,  // 15 white
};

constexpr int paletteRed(int colour) {
    return static_cast<int>((kPalette[static_cast<std::size_t>(colour & 15)] >> 16) & 0xFF);
}
constexpr int paletteGreen(int colour) {
    return static_cast<int>((kPalette[static_cast<std::size_t>(colour & 15)] >> 8) & 0xFF);
}
constexpr int paletteBlue(int colour) {
    return static_cast<int>(kPalette[static_cast<std::size_t>(colour & 15)] & 0xFF);
}

}  // namespace numerion
