// Reads an X window dump (xwd, ZPixmap, true colour) and prints how much of it is bright and
// how much is the walls' yellow, as shares of all pixels:
//
//   xwd_share <file.xwd>   ->   "bright 0.0312 yellow 0.0104 pixels 222156"
//
// Bright: luminance above half. Yellow: red and green strong, blue weak (xterm's colour 3).

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::uint32_t bigEndian(const std::vector<unsigned char>& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

// The mask's bits of a pixel, scaled to 0..255.
int channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1U) == 0)
        ++shift;
    const std::uint32_t top = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255U / top);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xwd_share <file.xwd>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.size() < 100) {
        std::fprintf(stderr, "xwd_share: no window dump\n");
        return 1;
    }
    auto field = [&](int index) { return bigEndian(bytes, static_cast<std::size_t>(index) * 4); };
    const std::uint32_t headerSize = field(0);
    const std::uint32_t format = field(2);
    const std::uint32_t width = field(4);
    const std::uint32_t height = field(5);
    const std::uint32_t byteOrder = field(7);  // 0: least significant byte first
    const std::uint32_t bitsPerPixel = field(11);
    const std::uint32_t bytesPerLine = field(12);
    const std::uint32_t red = field(14);
    const std::uint32_t green = field(15);
    const std::uint32_t blue = field(16);
    const std::uint32_t colours = field(19);
    const std::size_t data = std::size_t{headerSize} + std::size_t{colours} * 12;
    if (format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) ||
        bytes.size() < data + std::size_t{bytesPerLine} * height) {
        std::fprintf(stderr, "xwd_share: not a true-colour ZPixmap dump\n");
        return 1;
    }
    const std::size_t step = bitsPerPixel / 8;
    std::size_t bright = 0;
    std::size_t yellow = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t at = data + std::size_t{y} * bytesPerLine + x * step;
            std::uint32_t pixel = 0;
            for (std::size_t k = 0; k < step; ++k) {
                const std::size_t shift = byteOrder == 0 ? k : step - 1 - k;
                pixel |= std::uint32_t{bytes[at + k]} << (8 * shift);
            }
            const int r = channel(pixel, red);
            const int g = channel(pixel, green);
            const int b = channel(pixel, blue);
            if (r * 299 + g * 587 + b * 114 > 128 * 1000) ++bright;
            if (r > 128 && g > 128 && b < 80) ++yellow;
        }
    }
    const double all = static_cast<double>(width) * height;
    std::printf("bright %.4f yellow %.4f pixels %.0f\n", static_cast<double>(bright) / all,
                static_cast<double>(yellow) / all, all);
    return 0;
}
