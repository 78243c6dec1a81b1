#include "codecs/bmp_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>
#include <vector>

namespace kresbon {
namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;

enum Compression : std::uint32_t {
    Uncompressed = 0,
    Rle8 = 1,
    Rle4 = 2,
    BitFields = 3,
    AlphaBitFields = 6,
};

// Bounds-checked little-endian reads from the file's bytes.
class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> b) : b_(b) {}

    std::size_t size() const { return b_.size(); }
    bool has(std::size_t at, std::size_t n) const { return at <= b_.size() && n <= b_.size() - at; }

    std::uint8_t u8(std::size_t at) const
    {
        need(at, 1);
        return b_[at];
    }
    std::uint16_t u16(std::size_t at) const
    {
        need(at, 2);
        return static_cast<std::uint16_t>(b_[at] | b_[at + 1] << 8);
    }
    std::uint32_t u32(std::size_t at) const
    {
        need(at, 4);
        return b_[at] | b_[at + 1] << 8 | b_[at + 2] << 16 | static_cast<std::uint32_t>(b_[at + 3]) << 24;
    }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    const std::uint8_t* data(std::size_t at) const { return b_.data() + at; }

    void need(std::size_t at, std::size_t n) const
    {
        if (!has(at, n)) throw PictureError("bitmap file is cut short");
    }

private:
    std::span<const std::uint8_t> b_;
};

// One colour channel of a 16- or 32-bit pixel, widened to 8 bits by
// repeating its bits (so 5-bit 31 gives 255, as the graphics device does).
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask) : mask_(mask)
    {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        bits_ = std::popcount(mask);
        if (std::countr_one(mask >> shift_) != bits_)
            throw PictureError("bitmap colour mask is not one run of bits");
    }

    int operator()(std::uint32_t pixel) const
    {
        if (bits_ == 0) return 0;
        const std::uint32_t v = (pixel & mask_) >> shift_;
        if (bits_ >= 8) return static_cast<int>(v >> (bits_ - 8));
        const std::uint32_t top = v << (8 - bits_);
        std::uint32_t wide = top;
        for (int s = bits_; s < 8; s += bits_) wide |= top >> s;
        return static_cast<int>(wide & 0xFF);
    }

private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
};

struct Layout {
    std::uint32_t headerSize = 0;
    long long width = 0;
    long long height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = Uncompressed;
    std::array<std::uint32_t, 3> masks{};
    std::vector<Rgb> palette;
    std::size_t dataOffset = 0;
};

std::string decimal(long long v) { return std::to_string(v); }

std::size_t readMasks(const Bytes& b, const std::size_t at, Layout& l)
{
    for (int i = 0; i < 3; ++i) l.masks[i] = b.u32(at + 4 * i);
    return l.compression == AlphaBitFields ? 16 : 12;
}

void defaultMasks(Layout& l)
{
    if (l.bitCount == 16)
        l.masks = {0x7C00, 0x03E0, 0x001F};
    else
        l.masks = {0xFF0000, 0x00FF00, 0x0000FF};
}

void readPalette(const Bytes& b, std::size_t at, std::size_t entrySize, std::size_t count,
                 std::size_t offBits, Layout& l)
{
    if (offBits >= at) count = std::min(count, (offBits - at) / entrySize);
    count = std::min(count, (b.size() - std::min(b.size(), at)) / entrySize);
    l.palette.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = at + i * entrySize;
        l.palette.push_back(makeRgb(b.u8(e + 2), b.u8(e + 1), b.u8(e)));
    }
}

Layout readLayout(const Bytes& b)
{
    if (!b.has(0, FileHeaderSize) || b.u8(0) != 'B' || b.u8(1) != 'M')
        throw PictureError("not a bitmap file (no BM signature)");
    const std::size_t offBits = b.u32(10);
    Layout l;
    l.headerSize = b.u32(FileHeaderSize);
    const std::size_t h = FileHeaderSize;
    std::size_t paletteEntrySize = 4;
    if (l.headerSize == CoreHeaderSize) {
        l.width = b.u16(h + 4);
        l.height = b.u16(h + 6);
        l.bitCount = b.u16(h + 10);
        paletteEntrySize = 3;
    } else if (l.headerSize >= 40 && l.headerSize <= 4096) {
        b.need(h, l.headerSize);
        l.width = b.i32(h + 4);
        const long long height = b.i32(h + 8);
        l.topDown = height < 0;
        l.height = height < 0 ? -height : height;
        l.bitCount = b.u16(h + 14);
        l.compression = b.u32(h + 16);
    } else {
        throw PictureError("unknown bitmap header size " + decimal(l.headerSize));
    }

    std::size_t paletteAt = h + l.headerSize;
    if (l.compression == BitFields || l.compression == AlphaBitFields) {
        if (l.bitCount != 16 && l.bitCount != 32)
            throw PictureError("colour masks on a " + decimal(l.bitCount) + "-bit bitmap");
        if (l.headerSize >= 52)
            readMasks(b, h + 40, l);
        else
            paletteAt += readMasks(b, paletteAt, l);
    } else if (l.bitCount == 16 || l.bitCount == 32) {
        defaultMasks(l);
    }

    switch (l.compression) {
    case Uncompressed:
        if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 16 &&
            l.bitCount != 24 && l.bitCount != 32)
            throw PictureError("unsupported bitmap depth of " + decimal(l.bitCount) + " bits");
        break;
    case Rle8:
    case Rle4:
        if (l.bitCount != (l.compression == Rle8 ? 8 : 4))
            throw PictureError("run-length coding does not fit a " + decimal(l.bitCount) +
                               "-bit bitmap");
        if (l.topDown) throw PictureError("run-length coded bitmap stored top-down");
        break;
    case BitFields:
    case AlphaBitFields:
        break;
    default:
        throw PictureError("unsupported bitmap compression " + decimal(l.compression));
    }

    if (l.bitCount <= 8) {
        std::size_t count = std::size_t{1} << l.bitCount;
        if (l.headerSize != CoreHeaderSize) {
            const std::uint32_t used = b.u32(h + 32);
            if (used != 0 && used < count) count = used;
        }
        readPalette(b, paletteAt, paletteEntrySize, count, offBits, l);
        if (l.palette.empty()) throw PictureError("bitmap without its colour table");
        paletteAt += l.palette.size() * paletteEntrySize;
    }
    // Some writers leave the data offset at 0; the pixels then follow the
    // colour table.
    l.dataOffset = offBits >= h + l.headerSize ? offBits : paletteAt;
    return l;
}

Rgb paletteColour(const Layout& l, unsigned index)
{
    return index < l.palette.size() ? l.palette[index] : 0;
}

// Row r of the file as a row of the picture.
int pictureRow(const Layout& l, long long r)
{
    return static_cast<int>(l.topDown ? r : l.height - 1 - r);
}

long long rowStride(const Layout& l) { return (l.width * l.bitCount + 31) / 32 * 4; }

// Sizes have passed CheckPictureSize, so none of these products overflows.
void checkRowsPresent(const Bytes& b, const Layout& l)
{
    const long long rowBytes = (l.width * l.bitCount + 7) / 8;
    // The last row may lack its padding.
    const long long needed = rowStride(l) * (l.height - 1) + rowBytes;
    if (static_cast<long long>(b.size()) < needed ||
        l.dataOffset > b.size() - static_cast<std::size_t>(needed))
        throw PictureError("bitmap pixel data is cut short");
}

// Run-length coding may skip most of a picture with a few escapes, so no
// size is certain from the data; but real files code at most a few hundred
// pixels per byte, and a picture that claims far more than that is a few
// bytes asking for gigabytes. Small pictures pass whatever their data.
constexpr long long RunLengthPixelsPerByte = 1024;
constexpr long long RunLengthFreePixels = 4LL << 20;

void checkRunLengthSize(const Bytes& b, const Layout& l)
{
    const long long coded = static_cast<long long>(b.size() - std::min(b.size(), l.dataOffset));
    const long long allowed = std::max(RunLengthFreePixels, coded * RunLengthPixelsPerByte);
    if (l.width > allowed / l.height)
        throw PictureError("run-length coded bitmap of " + decimal(l.width) + " x " + decimal(l.height) +
                           " pixels holds too little data for its size");
}

void decodeRows(const Bytes& b, const Layout& l, Picture& p, const DecodeLimits& limits)
{
    const long long stride = rowStride(l);
    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    for (long long r = 0; r < l.height; ++r) {
        if (limits.stopped()) throw PictureError("stopped");
        const std::uint8_t* s = b.data(l.dataOffset + static_cast<std::size_t>(r * stride));
        Rgb* out = &p.pixels[static_cast<std::size_t>(pictureRow(l, r)) * p.width];
        for (int x = 0; x < p.width; ++x) {
            switch (l.bitCount) {
            case 1: out[x] = paletteColour(l, (s[x >> 3] >> (7 - (x & 7))) & 1); break;
            case 4: out[x] = paletteColour(l, (s[x >> 1] >> (x & 1 ? 0 : 4)) & 0xF); break;
            case 8: out[x] = paletteColour(l, s[x]); break;
            case 24: out[x] = makeRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]); break;
            case 16: {
                const std::uint32_t v = s[2 * x] | s[2 * x + 1] << 8;
                out[x] = makeRgb(red(v), green(v), blue(v));
                break;
            }
            default: {
                const std::uint8_t* q = s + 4 * x;
                const std::uint32_t v =
                    q[0] | q[1] << 8 | q[2] << 16 | static_cast<std::uint32_t>(q[3]) << 24;
                out[x] = makeRgb(red(v), green(v), blue(v));
                break;
            }
            }
        }
    }
}

// Run-length coded pixels: pairs (count, colour), and escapes after a zero
// count: 0 end of row, 1 end of picture, 2 move by (dx, dy), n >= 3 a run of
// n literal pixels padded to a whole word.
void decodeRle(const Bytes& b, const Layout& l, Picture& p, const DecodeLimits& limits)
{
    const bool four = l.compression == Rle4;
    std::size_t at = l.dataOffset;
    long long x = 0;
    long long y = 0;
    const auto put = [&](unsigned index) {
        if (x < l.width && y < l.height)
            p.pixels[static_cast<std::size_t>(pictureRow(l, y)) * p.width + x] = paletteColour(l, index);
        ++x;
    };
    while (y < l.height) {
        if (limits.stopped()) throw PictureError("stopped");
        if (!b.has(at, 2)) {
            if (y == l.height - 1 && x >= l.width) return;
            throw PictureError("run-length coded bitmap ends before its last row");
        }
        const unsigned count = b.u8(at);
        const unsigned value = b.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(four ? (i & 1 ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            x += b.u8(at);
            y += b.u8(at + 1);
            at += 2;
        } else {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            b.need(at, bytes);
            for (unsigned i = 0; i < value; ++i) {
                const unsigned byte = b.u8(at + (four ? i / 2 : i));
                put(four ? (i & 1 ? byte & 0xF : byte >> 4) : byte);
            }
            at += (bytes + 1) & ~std::size_t{1};
        }
    }
}

}  // namespace

Picture ReadBmp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    const Bytes b(bytes);
    const Layout l = readLayout(b);
    const bool runLength = l.compression == Rle8 || l.compression == Rle4;
    CheckPictureSize(l.width, l.height, limits);
    if (!runLength) checkRowsPresent(b, l);
    if (runLength) checkRunLengthSize(b, l);
    Picture p = AllocatePicture(l.width, l.height, limits);
    if (runLength) {
        std::fill(p.pixels.begin(), p.pixels.end(), l.palette.front());
        decodeRle(b, l, p, limits);
    } else {
        decodeRows(b, l, p, limits);
    }
    return p;
}

}  // namespace kresbon
