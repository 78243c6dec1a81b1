#include "platform/palette.h"

namespace kresbon {
namespace {

constexpr std::array<Rgb, 16> kVga = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
    0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

constexpr std::array<Rgb, 10> kStaticLow = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
    0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
};

constexpr std::array<Rgb, 10> kStaticHigh = {
    0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
    0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

constexpr std::array<Rgb, 256> makeHalftone()
{
    std::array<Rgb, 256> table{};
    for (int i = 0; i < 256; ++i) {
        if (i < 10) {
            table[i] = kStaticLow[i];
        } else if (i >= 246) {
            table[i] = kStaticHigh[i - 246];
        } else {
            table[i] = makeRgb((i & 7) * 0x20, ((i >> 3) & 7) * 0x20, (i >> 6) * 0x40);
        }
    }
    return table;
}

constexpr std::array<Rgb, 256> kHalftone = makeHalftone();

}  // namespace

const std::array<Rgb, 16>& vgaPalette() { return kVga; }

const std::array<Rgb, 256>& halftonePalette() { return kHalftone; }

int nearestPaletteIndex(std::span<const Rgb> palette, Rgb c)
{
    const int r = redOf(c);
    const int g = greenOf(c);
    const int b = blueOf(c);
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = redOf(palette[i]) - r;
        const int dg = greenOf(palette[i]) - g;
        const int db = blueOf(palette[i]) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    return best;
}

}  // namespace kresbon
