#include "platform/surface.h"

#include <sys/mman.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/palette.h"
#include "platform/surface_detail.h"

namespace kresbon {
namespace {

using namespace surface_detail;

constexpr Rgb kNoKey = 0xFFFFFFFFu;
// Wider pens are drawn at this width; it already covers any drawing that
// can be held in memory several times over.
constexpr int kWidestPen = 1 << 16;

int validDepth(int depth)
{
    switch (depth) {
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return depth;
    default:
        return 4;
    }
}

std::string decimal(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

Rgb toRgb555(Rgb c)
{
    const auto five = [](int v) {
        v >>= 3;
        return (v << 3) | (v >> 2);
    };
    return makeRgb(five(redOf(c)), five(greenOf(c)), five(blueOf(c)));
}

// Large drawings are touched page by page as soon as they are made; huge
// pages take them in a few hundred faults instead of hundreds of thousands.
void adviseHugePages(void* data, std::size_t bytes)
{
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHugePage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

Surface::Surface(int width, int height, int depth)
    : width_(width), height_(height), depth_(validDepth(depth))
{
    if (width < 0 || height < 0) {
        throw std::length_error("cannot create a drawing of " + decimal(width) + " x " +
                                decimal(height) + " pixels");
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels_.reserve(count);
    adviseHugePages(pixels_.data(), count * sizeof(Rgb));
    pixels_.assign(count, 0);
    nearestCache_.fill(CacheEntry{kNoKey, 0});
    penPixel_ = quantise(penColour_);
    brushPixel_ = quantise(brushColour_);
}

const std::vector<Rgb>& Surface::palette() const
{
    static const std::vector<Rgb> vga(vgaPalette().begin(), vgaPalette().end());
    static const std::vector<Rgb> halftone(halftonePalette().begin(), halftonePalette().end());
    static const std::vector<Rgb> none;
    switch (depth_) {
    case 4:
        return vga;
    case 8:
        return halftone;
    default:
        return none;
    }
}

Rgb Surface::quantise(Rgb c) const
{
    c &= 0xFFFFFF;
    switch (depth_) {
    case 24:
    case 32:
        return c;
    case 16:
        return toRgb555(c);
    default:
        return nearestColour(c);
    }
}

Rgb Surface::nearestColour(Rgb c) const
{
    CacheEntry& slot = nearestCache_[(c * 0x9E3779B1u) >> 24];
    if (slot.key != c) {
        const std::span<const Rgb> table = depth_ == 8 ? std::span<const Rgb>(halftonePalette())
                                                       : std::span<const Rgb>(vgaPalette());
        slot = CacheEntry{c, table[nearestPaletteIndex(table, c)]};
    }
    return slot.value;
}

void Surface::setPen(Rgb colour, int width, PenStyle style)
{
    const int styleNumber = static_cast<int>(style);
    penColour_ = colour;
    penPixel_ = quantise(colour);
    penWidth_ = std::clamp(width, 1, kWidestPen);
    penStyle_ = styleNumber >= 0 && styleNumber <= 4 ? style : PenStyle::Solid;

    penDisk_.clear();
    if (penWidth_ > 1) {
        std::vector<i64> inset;
        ellipseRegionInsets(penWidth_, penWidth_, inset);
        const int left = -(penWidth_ / 2);
        penDiskTop_ = left;
        for (const i64 in : inset) {
            penDisk_.push_back({left + static_cast<int>(in), left + penWidth_ - static_cast<int>(in)});
        }
    }
}

void Surface::setBrush(Rgb colour, BrushStyle style)
{
    const int styleNumber = static_cast<int>(style);
    brushColour_ = colour;
    brushPixel_ = quantise(colour);
    brushStyle_ = styleNumber >= 0 && styleNumber <= 7 ? style : BrushStyle::Solid;
}

void Surface::fillRect(int x1, int y1, int x2, int y2)
{
    const int left = std::max(x1, 0);
    const int right = std::min(x2, width_);
    const int top = std::max(y1, 0);
    const int bottom = std::min(y2, height_);
    if (left >= right) return;
    for (int y = top; y < bottom; ++y) {
        Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
        std::fill(row + left, row + right, brushPixel_);
    }
}

void Surface::setPixel(int x, int y, Rgb colour)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = quantise(colour);
}

void Surface::setPixels(int x, int y, std::span<const Rgb> colours)
{
    if (y < 0 || y >= height_) return;
    const i64 first = std::max<i64>(x, 0);
    const i64 last = std::min<i64>(i64{x} + static_cast<i64>(colours.size()), width_);
    if (first >= last) return;
    const Rgb* from = colours.data() + (first - x);
    Rgb* to = pixels_.data() + static_cast<std::size_t>(y) * width_ + first;
    const i64 count = last - first;
    switch (depth_) {
    case 24:
    case 32:
        for (i64 i = 0; i < count; ++i) to[i] = from[i] & 0xFFFFFF;
        break;
    case 16:
        for (i64 i = 0; i < count; ++i) to[i] = toRgb555(from[i]);
        break;
    default:
        for (i64 i = 0; i < count; ++i) to[i] = nearestColour(from[i] & 0xFFFFFF);
        break;
    }
}

Rgb Surface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Surface::moveTo(int x, int y)
{
    curX_ = x;
    curY_ = y;
}

Surface::Box Surface::orderedBox(int x1, int y1, int x2, int y2)
{
    return Box{std::min<i64>(x1, x2), std::min<i64>(y1, y2), std::max<i64>(x1, x2),
               std::max<i64>(y1, y2)};
}

bool Surface::intersectsImage(const Box& box, i64 margin) const
{
    return box.left - margin < width_ && box.right + margin > 0 && box.top - margin < height_ &&
           box.bottom + margin > 0;
}

void Surface::rectangle(int x1, int y1, int x2, int y2)
{
    const Box box = orderedBox(x1, y1, x2, y2);
    if (box.width() == 0 || box.height() == 0 || !intersectsImage(box, penWidth_)) return;

    // The outline runs through the last column and row inside the box.
    const i64 right = box.right - 1;
    const i64 bottom = box.bottom - 1;
    if (brushStyle_ != BrushStyle::Clear) {
        const i64 inset = penWidth_ > 1 ? 0 : 1;
        for (i64 y = box.top + inset; y < bottom; ++y) paintBrushSpan(y, box.left + inset, right);
    }
    const Point corners[4] = {{right, box.top}, {box.left, box.top}, {box.left, bottom}, {right, bottom}};
    dashPos_ = 0;
    strokePolyline(corners, 4, true);
}

}  // namespace kresbon
