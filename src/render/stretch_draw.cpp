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

StretchRows::StretchRows(Surface& surface, int pictureWidth, int pictureHeight, int x, int y, int w, int h)
    : surface_(surface), x_(x), sameWidth_(w == pictureWidth)
{
    if (w <= 0 || h <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return;
    const VisibleBox visible = VisiblePart(surface, x, y, w, h);
    if (visible.left >= visible.right || visible.top >= visible.bottom) return;
    left_ = visible.left;
    right_ = visible.right;
    top_ = visible.top;
    columns_ = sampleMap(x, w, left_, right_, pictureWidth);
    rows_ = sampleMap(y, h, top_, visible.bottom, pictureHeight);
    line_.resize(static_cast<std::size_t>(right_ - left_));
}

bool StretchRows::wants(int sourceRow) const
{
    return std::binary_search(rows_.begin(), rows_.end(), sourceRow);
}

void StretchRows::row(int sourceRow, const Rgb* source)
{
    const auto [first, last] = std::equal_range(rows_.begin(), rows_.end(), sourceRow);
    if (first == last) return;
    const long long count = right_ - left_;
    if (surface_.depth() <= 8) {
        // The dither depends on the place, so each row is made anew.
        const PaletteDither& dither = ditherFor(surface_.depth());
        for (auto at = first; at != last && !surface_.stopped(); ++at) {
            const long long dy = top_ + (at - rows_.begin());
            for (long long dx = left_; dx < right_; ++dx) {
                const Rgb c = source[columns_[dx - left_]];
                line_[dx - left_] =
                    c == Picture::TransparentPixel ? c : dither(c, static_cast<int>(dx), static_cast<int>(dy));
            }
            placeRow(surface_, static_cast<int>(left_), static_cast<int>(dy), line_);
        }
        return;
    }
    // True colour needs no dither, so every destination row of a source row
    // is one run of picture pixels: the source row itself when the width is
    // kept, else its columns sampled once.
    std::span<const Rgb> line;
    if (sameWidth_) {
        line = std::span<const Rgb>(source + (left_ - x_), static_cast<std::size_t>(count));
    } else {
        for (std::size_t i = 0; i < line_.size(); ++i) line_[i] = source[columns_[i]];
        line = line_;
    }
    for (auto at = first; at != last && !surface_.stopped(); ++at)
        placeRow(surface_, static_cast<int>(left_), static_cast<int>(top_ + (at - rows_.begin())), line);
}

void StretchDraw(Surface& surface, const Picture& picture, int x, int y, int w, int h)
{
    StretchRows rows(surface, picture.width, picture.height, x, y, w, h);
    for (int r = rows.firstRow(); r < rows.endRow() && !surface.stopped(); ++r)
        if (rows.wants(r)) rows.row(r, &picture.pixels[static_cast<std::size_t>(r) * picture.width]);
}

}  // namespace kresbon
