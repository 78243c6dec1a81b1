#include "platform/surface.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/surface_detail.h"

namespace kresbon {
namespace {

using namespace surface_detail;

// Never a colour (colours keep the top byte zero), so it marks the pixels a
// hatched flood fill has taken before the hatch is laid over them.
constexpr Rgb kFillMark = 0xFF000000u;

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

}  // namespace

void Surface::fillPolygon(const Point* points, int count, Rgb colour)
{
    // Pixels are sampled at their integer coordinates; left and top edges
    // belong to the polygon, right and bottom edges do not.
    i64 top = points[0].y;
    i64 bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    top = std::max<i64>(top, 0);
    bottom = std::min<i64>(bottom, height_);
    std::array<i64, 8> crossings{};
    for (i64 y = top; y < bottom; ++y) {
        int found = 0;
        for (int i = 0; i < count && found < 8; ++i) {
            const Point& a = points[i];
            const Point& b = points[(i + 1) % count];
            if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
            const i128 numerator = i128{y - a.y} * (b.x - a.x);
            const i128 denominator = b.y - a.y;
            crossings[found++] = a.x + static_cast<i64>(denominator > 0 ? ceilDiv(numerator, denominator)
                                                                        : ceilDiv(-numerator, -denominator));
        }
        // Few crossings: an insertion sort (std::sort trips a false bounds
        // warning of the compiler on this small array).
        for (int i = 1; i < found; ++i) {
            for (int j = i; j > 0 && crossings[j - 1] > crossings[j]; --j) std::swap(crossings[j - 1], crossings[j]);
        }
        for (int i = 0; i + 1 < found; i += 2) paintSpan(y, crossings[i], crossings[i + 1], colour);
    }
}

void Surface::paintSpan(i64 y, i64 x0, i64 x1, Rgb colour)
{
    if (y < 0 || y >= height_) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, width_);
    if (x0 >= x1) return;
    Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
    std::fill(row + x0, row + x1, colour);
}

void Surface::paintBrushSpan(i64 y, i64 x0, i64 x1)
{
    if (brushStyle_ == BrushStyle::Clear) return;
    if (brushStyle_ == BrushStyle::Solid) {
        paintSpan(y, x0, x1, brushPixel_);
        return;
    }
    if (y < 0 || y >= height_) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, width_);
    const int hatch = hatchIndex(brushStyle_);
    Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
    for (i64 x = x0; x < x1; ++x) {
        if (hatchBit(hatch, x, y)) row[x] = brushPixel_;
    }
}

void Surface::floodFill(int x, int y, Rgb surfaceColour)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    if (brushStyle_ == BrushStyle::Clear) return;
    const Rgb target = quantise(surfaceColour);
    if (pixel(x, y) != target || brushPixel_ == target) return;

    if (brushStyle_ == BrushStyle::Solid) {
        scanFill(x, y, target, brushPixel_);
        return;
    }
    // A hatch leaves the area's colour between its lines, so the area is
    // first marked and then given its pattern.
    const Box area = scanFill(x, y, target, kFillMark);
    const int hatch = hatchIndex(brushStyle_);
    for (i64 row = area.top; row < area.bottom; ++row) {
        Rgb* line = pixels_.data() + static_cast<std::size_t>(row) * width_;
        for (i64 column = area.left; column < area.right; ++column) {
            if (line[column] == kFillMark) line[column] = hatchBit(hatch, column, row) ? brushPixel_ : target;
        }
    }
}

Surface::Box Surface::scanFill(int x, int y, Rgb target, Rgb mark)
{
    // Span filling with an explicit stack: each entry is a run of a row to
    // scan, with the direction it was reached from, so that the parent row
    // is only rescanned where the new span overhangs it.
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
    Rgb* const pixels = pixels_.data();
    const int width = width_;

    while (!stack.empty()) {
        const Run run = stack.back();
        stack.pop_back();
        if (run.y < 0 || run.y >= height_) continue;
        Rgb* const row = pixels + static_cast<std::size_t>(run.y) * width;
        int x1 = run.left;
        const int x2 = run.right;
        int start = x1;
        if (row[start] == target) {
            while (start > 0 && row[start - 1] == target) row[--start] = mark;
            if (start < x1) stack.push_back({start, x1 - 1, run.y - run.dy, -run.dy});
        }
        while (x1 <= x2) {
            while (x1 < width && row[x1] == target) row[x1++] = mark;
            if (x1 > start) {
                stack.push_back({start, x1 - 1, run.y + run.dy, run.dy});
                minX = std::min(minX, start);
                maxX = std::max(maxX, x1 - 1);
                minY = std::min(minY, run.y);
                maxY = std::max(maxY, run.y);
            }
            if (x1 - 1 > x2) stack.push_back({x2 + 1, x1 - 1, run.y - run.dy, -run.dy});
            ++x1;
            while (x1 < x2 && row[x1] != target) ++x1;
            start = x1;
        }
    }
    return Box{minX, minY, maxX + 1, maxY + 1};
}

}  // namespace kresbon
