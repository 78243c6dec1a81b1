#include "platform/surface.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/shape_sink.h"
#include "platform/surface_detail.h"

namespace kresbon {
namespace {

using namespace surface_detail;

// 8x8 hatch patterns, one byte per row from the top, 0x80 = leftmost pixel;
// indexed by brush style - 2.
constexpr std::uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},
};

// Hatches line up with the image origin, so (x, y) are image coordinates.
bool hatchBit(int hatch, i64 x, i64 y)
{
    return (kHatches[hatch][y & 7] >> (7 - (x & 7))) & 1;
}

int hatchIndex(BrushStyle style) { return static_cast<int>(style) - 2; }

// One bit a pixel, zero at first; the pages of a large drawing are only
// taken where bits are set.
class PixelMask {
public:
    explicit PixelMask(std::size_t pixels)
        : bits_(static_cast<std::uint64_t*>(std::calloc(pixels / 64 + 1, sizeof(std::uint64_t))))
    {
        if (bits_ == nullptr) throw std::bad_alloc();
    }
    bool test(std::size_t i) const { return (bits_.get()[i >> 6] >> (i & 63)) & 1; }
    void set(std::size_t i) { bits_.get()[i >> 6] |= std::uint64_t{1} << (i & 63); }

private:
    struct Free {
        void operator()(std::uint64_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint64_t, Free> bits_;
};

// The 4-connected area around (x, y) of the pixels i for which open(i)
// holds, closing each one it takes; returns the area's bounding box. Pixel
// i of row r and column c is r * stride + c.
//
// Span filling with an explicit stack: each entry is a run of a row to
// scan, with the direction it was reached from, so that the parent row is
// only rescanned where the new span overhangs it.
template <typename Open, typename Close>
Box scanFill(int x, int y, int width, int height, std::size_t stride, const Surface& surface, Open open,
             Close close)
{
    struct Run {
        int left;
        int right;
        int y;
        int dy;
    };
    std::vector<Run> stack;
    stack.reserve(256);
    stack.push_back({x, x, y, 1});
    stack.push_back({x, x, y - 1, -1});
    int minX = x;
    int maxX = x;
    int minY = y;
    int maxY = y;

    while (!stack.empty() && !surface.stopped()) {
        const Run run = stack.back();
        stack.pop_back();
        if (run.y < 0 || run.y >= height) continue;
        const std::size_t row = static_cast<std::size_t>(run.y) * stride;
        int x1 = run.left;
        const int x2 = run.right;
        int start = x1;
        if (open(row + start)) {
            while (start > 0 && open(row + start - 1)) close(row + --start);
            if (start < x1) stack.push_back({start, x1 - 1, run.y - run.dy, -run.dy});
        }
        while (x1 <= x2) {
            while (x1 < width && open(row + x1)) close(row + x1++);
            if (x1 > start) {
                stack.push_back({start, x1 - 1, run.y + run.dy, run.dy});
                minX = std::min(minX, start);
                maxX = std::max(maxX, x1 - 1);
                minY = std::min(minY, run.y);
                maxY = std::max(maxY, run.y);
            }
            if (x1 - 1 > x2) stack.push_back({x2 + 1, x1 - 1, run.y - run.dy, -run.dy});
            ++x1;
            while (x1 < x2 && !open(row + x1)) ++x1;
            start = x1;
        }
    }
    return Box{minX, minY, maxX + 1, maxY + 1};
}

}  // namespace

bool HatchPixel(BrushStyle style, int x, int y)
{
    if (style == BrushStyle::Solid || style == BrushStyle::Clear) return false;
    return hatchBit(hatchIndex(style), x, y);
}

namespace surface_detail {

int polygonCrossings(const Point* points, int count, i64 y, std::array<i64, 8>& crossings)
{
    int found = 0;
    for (int i = 0; i < count && found < 8; ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % count];
        if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
        const i64 rise = y - a.y;
        const i64 run = b.x - a.x;
        i64 denominator = b.y - a.y;
        constexpr i64 Small = i64{1} << 31;
        if (rise > -Small && rise < Small && run > -Small && run < Small) {
            // The product fits in 64 bits, whose division is much quicker.
            i64 numerator = rise * run;
            if (denominator < 0) numerator = -numerator, denominator = -denominator;
            crossings[found++] = a.x + numerator / denominator + (numerator % denominator > 0 ? 1 : 0);
            continue;
        }
        const i128 numerator = i128{rise} * run;
        crossings[found++] = a.x + static_cast<i64>(denominator > 0 ? ceilDiv(numerator, denominator)
                                                                    : ceilDiv(-numerator, -denominator));
    }
    // Few crossings: an insertion sort (std::sort trips a false bounds
    // warning of the compiler on this small array).
    for (int i = 1; i < found; ++i) {
        for (int j = i; j > 0 && crossings[j - 1] > crossings[j]; --j) std::swap(crossings[j - 1], crossings[j]);
    }
    return found;
}

}  // namespace surface_detail

void Surface::fillPolygon(const Point* points, int count, std::uint32_t value)
{
    i64 top = points[0].y;
    i64 bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    top = std::max<i64>(top, 0);
    bottom = std::min<i64>(bottom, height_);
    std::array<i64, 8> crossings{};
    for (i64 y = top; y < bottom && !stopped(); ++y) {
        const int found = polygonCrossings(points, count, y, crossings);
        for (int i = 0; i + 1 < found; i += 2) paintSpan(y, crossings[i], crossings[i + 1], value);
    }
}

void Surface::paintSpan(i64 y, i64 x0, i64 x1, std::uint32_t value)
{
    if (y < 0 || y >= height_) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, width_);
    if (x0 >= x1) return;
    fillPixels(static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x0), static_cast<std::size_t>(x1 - x0),
               value);
}

void Surface::fillPixels(std::size_t first, std::size_t count, std::uint32_t value)
{
    writePacked([&](auto packing) {
        const std::size_t step = static_cast<std::size_t>(kStopStep);
        for (std::size_t done = 0; done < count; done += step) {
            if (done > 0 && stopped()) return;
            packing.fill(words_.data(), first + done, std::min(step, count - done), value);
        }
    });
}

void Surface::paintBrushSpan(i64 y, i64 x0, i64 x1)
{
    if (brushStyle_ == BrushStyle::Clear) return;
    if (brushStyle_ == BrushStyle::Solid) {
        paintSpan(y, x0, x1, brushValue_);
        return;
    }
    if (y < 0 || y >= height_) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, width_);
    const int hatch = hatchIndex(brushStyle_);
    const std::size_t row = static_cast<std::size_t>(y) * stride_;
    writePacked([&](auto packing) {
        for (i64 x = x0; x < x1;) {
            if (x > x0 && stopped()) return;
            for (const i64 end = std::min(x1, x + kStopStep); x < end; ++x) {
                if (hatchBit(hatch, x, y)) packing.set(words_.data(), row + static_cast<std::size_t>(x), brushValue_);
            }
        }
    });
}

void Surface::floodFill(int x, int y, Rgb surfaceColour)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    if (brushStyle_ == BrushStyle::Clear) return;
    const std::uint32_t target = encode(surfaceColour);
    if (brushValue_ == target) return;
    std::uint32_t* const words = words_.data();
    const std::uint32_t brush = brushValue_;
    writePacked([&](auto packing) {
        if (packing.get(words, static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x)) != target) return;
        // Captured by value: the writes go through bytes, which could alias
        // anything a reference points to, and would force a reload per pixel.
        const auto isTarget = [packing, words, target](std::size_t i) { return packing.get(words, i) == target; };
        if (brushStyle_ == BrushStyle::Solid && shapeSink_ == nullptr) {
            scanFill(x, y, width_, height_, stride_, *this, isTarget,
                     [packing, words, brush](std::size_t i) { packing.set(words, i, brush); });
            return;
        }
        // A hatch leaves the area's colour between its lines, and vector
        // output needs the region itself, so the area is first taken into a
        // mask and then painted.
        PixelMask taken(stride_ * static_cast<std::size_t>(height_));
        const Box area = scanFill(
            x, y, width_, height_, stride_, *this, [&](std::size_t i) { return isTarget(i) && !taken.test(i); },
            [&](std::size_t i) { taken.set(i); });
        const bool solid = brushStyle_ == BrushStyle::Solid;
        const int hatch = solid ? 0 : hatchIndex(brushStyle_);
        std::vector<FillSpan> region;
        for (i64 row = area.top; row < area.bottom && !stopped(); ++row) {
            const std::size_t line = static_cast<std::size_t>(row) * stride_;
            i64 runStart = -1;
            for (i64 column = area.left; column <= area.right; ++column) {
                const std::size_t i = line + static_cast<std::size_t>(column);
                const bool in = column < area.right && taken.test(i);
                if (in && (solid || hatchBit(hatch, column, row))) packing.set(words, i, brush);
                if (shapeSink_ == nullptr) continue;
                if (in && runStart < 0) runStart = column;
                if (!in && runStart >= 0) {
                    region.push_back({static_cast<int>(row), static_cast<int>(runStart), static_cast<int>(column)});
                    runStart = -1;
                }
            }
        }
        if (shapeSink_ != nullptr) shapeSink_->fill(std::move(region), decode(brush), brushStyle_);
    });
}

}  // namespace kresbon
