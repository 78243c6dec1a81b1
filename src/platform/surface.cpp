#include "platform/surface.h"

#include <sys/mman.h>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>
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

std::uint32_t toRgb555(Rgb c)
{
    return ((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 3) & 0x001F);
}

Rgb fromRgb555(std::uint32_t v)
{
    const auto eight = [](std::uint32_t five) { return static_cast<int>((five << 3) | (five >> 2)); };
    return makeRgb(eight((v >> 10) & 0x1F), eight((v >> 5) & 0x1F), eight(v & 0x1F));
}

// Large drawings are touched page by page as soon as they are painted;
// huge pages take them in a few hundred faults instead of hundreds of
// thousands. The whole mapping is advised, so that it stays one mapping,
// which can be grown later.
void adviseHugePages(void* data, std::size_t bytes) { ::madvise(data, bytes, MADV_HUGEPAGE); }

std::size_t strideOf(int width, int depth)
{
    return depth == 4 ? (static_cast<std::size_t>(width) + 1) & ~std::size_t{1} : static_cast<std::size_t>(width);
}

std::size_t wordCount(int width, int height, int depth)
{
    if (width < 0 || height < 0) {
        throw std::length_error("cannot create a drawing of " + decimal(width) + " x " +
                                decimal(height) + " pixels");
    }
    const std::size_t bytes = strideOf(width, depth) * static_cast<std::size_t>(height) * static_cast<std::size_t>(depth) / 8;
    return (bytes + 3) / 4;
}

std::uint32_t* mapWords(std::size_t count)
{
    if (count == 0) return nullptr;
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(std::uint32_t)) throw std::bad_alloc();
    void* block = ::mmap(nullptr, count * sizeof(std::uint32_t), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    adviseHugePages(block, count * sizeof(std::uint32_t));
    return static_cast<std::uint32_t*>(block);
}

void unmapWords(std::uint32_t* data, std::size_t count)
{
    if (data != nullptr) ::munmap(data, count * sizeof(std::uint32_t));
}

}  // namespace

PixelWords::PixelWords(std::size_t count) : data_(mapWords(count)), count_(count) {}

PixelWords::PixelWords(std::size_t count, PixelWords& previous)
{
    try {
        data_ = mapWords(count);
        count_ = count;
        return;
    } catch (const std::bad_alloc&) {
        if (previous.data_ == nullptr || count == 0) throw;
    }
    // Growing the old block asks the system only for the difference, and
    // leaves the old block as it was when even that is refused.
    const std::size_t oldBytes = previous.count_ * sizeof(std::uint32_t);
    const std::size_t newBytes = count * sizeof(std::uint32_t);
    void* block = ::mremap(previous.data_, oldBytes, newBytes, MREMAP_MAYMOVE);
    if (block == MAP_FAILED) throw std::bad_alloc();
    previous.data_ = nullptr;
    previous.count_ = 0;
    // Dropping the pages of a private mapping makes them read as zero again.
    ::madvise(block, std::min(oldBytes, newBytes), MADV_DONTNEED);
    adviseHugePages(block, newBytes);
    data_ = static_cast<std::uint32_t*>(block);
    count_ = count;
}

PixelWords::PixelWords(const PixelWords& other) : data_(mapWords(other.count_)), count_(other.count_)
{
    if (count_ != 0) std::copy_n(other.data_, count_, data_);
}

PixelWords::PixelWords(PixelWords&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0))
{
}

PixelWords& PixelWords::operator=(PixelWords other) noexcept
{
    std::swap(data_, other.data_);
    std::swap(count_, other.count_);
    return *this;
}

PixelWords::~PixelWords() { unmapWords(data_, count_); }

bool PixelWords::operator==(const PixelWords& other) const
{
    return count_ == other.count_ && (count_ == 0 || std::equal(data_, data_ + count_, other.data_));
}

Surface::Surface(int width, int height, int depth)
    : width_(width), height_(height), depth_(validDepth(depth)), stride_(strideOf(width, depth_)),
      words_(wordCount(width, height, depth_))
{
    startDrawing();
}

Surface::Surface(int width, int height, int depth, Surface& previous)
    : width_(width), height_(height), depth_(validDepth(depth)), stride_(strideOf(width, depth_)),
      words_(wordCount(width, height, depth_), previous.words_)
{
    startDrawing();
}

void Surface::startDrawing()
{
    nearestCache_.fill(CacheEntry{kNoKey, 0});
    penValue_ = encode(penColour_);
    brushValue_ = encode(brushColour_);
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

std::uint32_t Surface::encode(Rgb c) const
{
    c &= 0xFFFFFF;
    switch (depth_) {
    case 24:
    case 32:
        return c;
    case 16:
        return toRgb555(c);
    default:
        return nearestIndex(c);
    }
}

Rgb Surface::decode(std::uint32_t value) const
{
    switch (depth_) {
    case 24:
    case 32:
        return value;
    case 16:
        return fromRgb555(value);
    case 8:
        return halftonePalette()[value];
    default:
        return vgaPalette()[value];
    }
}

Rgb Surface::quantise(Rgb c) const { return decode(encode(c)); }

std::uint32_t Surface::nearestIndex(Rgb c) const
{
    CacheEntry& slot = nearestCache_[(c * 0x9E3779B1u) >> 24];
    if (slot.key != c) {
        const std::span<const Rgb> table = depth_ == 8 ? std::span<const Rgb>(halftonePalette())
                                                       : std::span<const Rgb>(vgaPalette());
        slot = CacheEntry{c, static_cast<std::uint32_t>(nearestPaletteIndex(table, c))};
    }
    return slot.index;
}

void Surface::setPen(Rgb colour, int width, PenStyle style)
{
    const int styleNumber = static_cast<int>(style);
    penColour_ = colour;
    penValue_ = encode(colour);
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
        penDiskWidest_ = static_cast<int>(std::min_element(inset.begin(), inset.end()) - inset.begin());
    }
}

void Surface::setBrush(Rgb colour, BrushStyle style)
{
    const int styleNumber = static_cast<int>(style);
    brushColour_ = colour;
    brushValue_ = encode(colour);
    brushStyle_ = styleNumber >= 0 && styleNumber <= 7 ? style : BrushStyle::Solid;
}

void Surface::fillRect(int x1, int y1, int x2, int y2)
{
    const int top = std::max(y1, 0);
    const int bottom = std::min(y2, height_);
    for (int y = top; y < bottom && !stopped(); ++y) paintSpan(y, x1, x2, brushValue_);
}

void Surface::setPixel(int x, int y, Rgb colour)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const std::uint32_t value = encode(colour);
    const std::size_t i = static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x);
    writePacked([&](auto packing) { packing.set(words_.data(), i, value); });
}

void Surface::setPixels(int x, int y, std::span<const Rgb> colours)
{
    if (y < 0 || y >= height_) return;
    const i64 first = std::max<i64>(x, 0);
    const i64 last = std::min<i64>(i64{x} + static_cast<i64>(colours.size()), width_);
    if (first >= last) return;
    const Rgb* from = colours.data() + (first - x);
    const std::size_t to = static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(first);
    const i64 count = last - first;
    std::uint32_t* const words = words_.data();
    switch (depth_) {
    case 32:
        for (i64 i = 0; i < count; ++i) Quads::set(words, to + i, from[i] & 0xFFFFFF);
        break;
    case 24:
        for (i64 i = 0; i < count; ++i) Triples::set(words, to + i, from[i] & 0xFFFFFF);
        break;
    case 16:
        for (i64 i = 0; i < count; ++i) Words::set(words, to + i, toRgb555(from[i]));
        break;
    case 8:
        for (i64 i = 0; i < count; ++i) Bytes::set(words, to + i, nearestIndex(from[i] & 0xFFFFFF));
        break;
    default:
        for (i64 i = 0; i < count; ++i) Nibbles::set(words, to + i, nearestIndex(from[i] & 0xFFFFFF));
        break;
    }
    if (tap_.tap != nullptr) tap_.tap->noteRun(to, static_cast<std::size_t>(count));
}

Rgb Surface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const std::size_t i = static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x);
    return decode(withPacking(depth_, [&](auto packing) { return packing.get(words_.data(), i); }));
}

void Surface::readRow(int y, std::span<Rgb> out) const
{
    const std::size_t row = static_cast<std::size_t>(y) * stride_;
    const std::size_t count = static_cast<std::size_t>(width_);
    const std::uint32_t* const words = words_.data();
    switch (depth_) {
    case 32:
        std::copy_n(words + row, count, out.data());
        break;
    case 24:
        for (std::size_t x = 0; x < count; ++x) out[x] = Triples::get(words, row + x);
        break;
    case 16:
        for (std::size_t x = 0; x < count; ++x) out[x] = fromRgb555(Words::get(words, row + x));
        break;
    case 8: {
        const auto& palette = halftonePalette();
        for (std::size_t x = 0; x < count; ++x) out[x] = palette[Bytes::get(words, row + x)];
        break;
    }
    default: {
        const auto& palette = vgaPalette();
        for (std::size_t x = 0; x < count; ++x) out[x] = palette[Nibbles::get(words, row + x)];
        break;
    }
    }
}

void Surface::readIndices(int y, std::span<std::uint8_t> out) const
{
    const std::size_t row = static_cast<std::size_t>(y) * stride_;
    const std::uint32_t* const words = words_.data();
    if (depth_ == 8) {
        std::copy_n(bytesOf(words) + row, width_, out.data());
    } else {
        for (int x = 0; x < width_; ++x) out[x] = static_cast<std::uint8_t>(Nibbles::get(words, row + x));
    }
}

std::vector<Rgb> Surface::colours() const
{
    std::vector<Rgb> all(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y) {
        readRow(y, std::span<Rgb>(all).subspan(static_cast<std::size_t>(y) * width_, width_));
    }
    return all;
}

bool Surface::samePixels(const Surface& other) const
{
    return width_ == other.width_ && height_ == other.height_ && depth_ == other.depth_ && words_ == other.words_;
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
        for (i64 y = box.top + inset; y < bottom && !stopped(); ++y) paintBrushSpan(y, box.left + inset, right);
    }
    const Point corners[4] = {{right, box.top}, {box.left, box.top}, {box.left, bottom}, {right, bottom}};
    dashPos_ = 0;
    strokePolyline(corners, 4, true);
}

}  // namespace kresbon
