#include "render/stretch_draw.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/palette.h"

namespace kresbon {
namespace {

constexpr std::uint8_t Bayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21},
};

// Ordered dithering onto a fixed palette: each channel is moved by up to
// half the palette's step in that channel, by the threshold of the pixel's
// place in the Bayer matrix, and the nearest palette colour of the result is
// taken from a table of 5-bit cells. Colours the palette holds exactly are
// kept as they are, so flat areas and line art stay clean.
class PaletteDither {
public:
    PaletteDither(std::span<const Rgb> palette, std::array<int, 3> step)
        : palette_(palette.begin(), palette.end()), exact_(kExactSlots, kNoColour), step_(step)
    {
        for (const Rgb c : palette_) {
            std::size_t slot = exactSlot(c);
            while (exact_[slot] != kNoColour && exact_[slot] != c) slot = (slot + 1) % kExactSlots;
            exact_[slot] = c;
        }
        nearest_.resize(32 * 32 * 32);
        for (int cell = 0; cell < 32 * 32 * 32; ++cell) {
            const Rgb centre = makeRgb((cell >> 10) << 3 | 4, ((cell >> 5) & 31) << 3 | 4, (cell & 31) << 3 | 4);
            nearest_[cell] = palette_[nearestPaletteIndex(palette_, centre)];
        }
    }

    Rgb operator()(Rgb c, int x, int y) const
    {
        if (holds(c)) return c;
        const int t = 2 * Bayer[y & 7][x & 7] + 1 - 64;  // -63 .. 63, odd
        const auto moved = [&](int v, int step) { return std::clamp(v + t * step / 128, 0, 255) >> 3; };
        const int r = moved(redOf(c), step_[0]);
        const int g = moved(greenOf(c), step_[1]);
        const int b = moved(blueOf(c), step_[2]);
        return nearest_[r << 10 | g << 5 | b];
    }

private:
    // The palette's colours in an open hash table a quarter full, so that
    // most colours are found or missed at the first slot.
    static constexpr std::size_t kExactSlots = 1024;
    static constexpr Rgb kNoColour = 0xFFFFFFFFu;
    static std::size_t exactSlot(Rgb c) { return (c * 0x9E3779B1u) >> 22; }

    bool holds(Rgb c) const
    {
        for (std::size_t slot = exactSlot(c);; slot = (slot + 1) % kExactSlots) {
            if (exact_[slot] == c) return true;
            if (exact_[slot] == kNoColour) return false;
        }
    }

    std::vector<Rgb> palette_;
    std::vector<Rgb> exact_;
    std::array<int, 3> step_;
    std::vector<Rgb> nearest_;
};

// Built once per depth and never changed afterwards.
const PaletteDither& ditherFor(int depth)
{
    if (depth == 8) {
        // The halftone cube steps by 32 in red and green and by 64 in blue.
        static const PaletteDither halftone(halftonePalette(), {32, 32, 64});
        return halftone;
    }
    static const PaletteDither vga(vgaPalette(), {128, 128, 128});
    return vga;
}

// Source index of every destination position in [first, end) of a box that
// starts at origin and is size long, for a picture side of length source:
// the source pixel under the centre of the destination pixel.
std::vector<int> sampleMap(long long origin, long long size, long long first, long long end,
                           long long source)
{
    std::vector<int> map;
    map.reserve(static_cast<std::size_t>(std::max(end - first, 0LL)));
    for (long long d = first; d < end; ++d)
        map.push_back(static_cast<int>((2 * (d - origin) + 1) * source / (2 * size)));
    return map;
}

// Writes the picture pixels of one destination row, leaving the surface as
// it is under transparent ones.
void placeRow(Surface& surface, int x, int y, std::span<const Rgb> line)
{
    auto run = line.begin();
    while (run != line.end()) {
        const auto stop = std::find(run, line.end(), Picture::TransparentPixel);
        if (stop != run) surface.setPixels(x + static_cast<int>(run - line.begin()), y, std::span<const Rgb>(run, stop));
        run = stop == line.end() ? stop : stop + 1;
    }
}

}  // namespace

VisibleBox VisiblePart(const Surface& surface, int x, int y, int w, int h)
{
    return {std::max<long long>(x, 0), std::max<long long>(y, 0),
            std::min<long long>(0LL + x + w, surface.width()), std::min<long long>(0LL + y + h, surface.height())};
}

void StretchDraw(Surface& surface, const Picture& picture, int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0 || picture.width <= 0 || picture.height <= 0) return;
    const auto [left, top, right, bottom] = VisiblePart(surface, x, y, w, h);
    if (left >= right || top >= bottom) return;

    const std::vector<int> columns = sampleMap(x, w, left, right, picture.width);
    const std::vector<int> rows = sampleMap(y, h, top, bottom, picture.height);
    if (surface.depth() <= 8) {
        const PaletteDither& dither = ditherFor(surface.depth());
        std::vector<Rgb> dithered(static_cast<std::size_t>(right - left));
        for (long long dy = top; dy < bottom && !surface.stopped(); ++dy) {
            const Rgb* source = &picture.pixels[static_cast<std::size_t>(rows[dy - top]) * picture.width];
            for (long long dx = left; dx < right; ++dx) {
                const Rgb c = source[columns[dx - left]];
                dithered[dx - left] =
                    c == Picture::TransparentPixel ? c : dither(c, static_cast<int>(dx), static_cast<int>(dy));
            }
            placeRow(surface, static_cast<int>(left), static_cast<int>(dy), dithered);
        }
        return;
    }

    // True colour needs no dither, so each destination row is one run of
    // picture pixels: the source row itself when the width is kept, else
    // its columns sampled once and reused while the source row repeats.
    const bool sameWidth = w == picture.width;
    const std::size_t count = static_cast<std::size_t>(right - left);
    std::vector<Rgb> sampled(sameWidth ? 0 : count);
    int sampledRow = -1;
    for (long long dy = top; dy < bottom && !surface.stopped(); ++dy) {
        const int sourceRow = rows[dy - top];
        const Rgb* source = &picture.pixels[static_cast<std::size_t>(sourceRow) * picture.width];
        std::span<const Rgb> line;
        if (sameWidth) {
            line = std::span<const Rgb>(source + (left - x), count);
        } else {
            if (sourceRow != sampledRow) {
                for (std::size_t i = 0; i < count; ++i) sampled[i] = source[columns[i]];
                sampledRow = sourceRow;
            }
            line = sampled;
        }
        placeRow(surface, static_cast<int>(left), static_cast<int>(dy), line);
    }
}

}  // namespace kresbon
