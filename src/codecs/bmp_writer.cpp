#include "codecs/bmp_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "codecs/atomic_file.h"
#include "platform/palette.h"

namespace kresbon {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMeter = 3780;  // 96 dpi

void put16(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, std::uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// Maps the colours of a palette surface back to their palette indices.
// Pixels of such a surface always hold palette colours, and drawings use few
// of them, so a small cache in front of the search does nearly all the work.
class PaletteIndexer {
public:
    explicit PaletteIndexer(std::span<const Rgb> palette) : palette_(palette)
    {
        cache_.fill(Entry{0xFFFFFFFFu, 0});
    }

    unsigned char operator()(Rgb c)
    {
        if (c == last_.key) return last_.index;
        Entry& slot = cache_[(c * 0x9E3779B1u) >> 24];
        if (slot.key != c) {
            slot = Entry{c, static_cast<unsigned char>(nearestPaletteIndex(palette_, c))};
        }
        last_ = slot;
        return slot.index;
    }

private:
    struct Entry {
        Rgb key;
        unsigned char index;
    };
    std::span<const Rgb> palette_;
    std::array<Entry, 256> cache_;
    Entry last_{0xFFFFFFFFu, 0};
};

void encodeRow(const Rgb* pixels, int width, int depth, PaletteIndexer& indexer, unsigned char* out)
{
    switch (depth) {
    case 4:
        for (int x = 0; x < width; x += 2) {
            const unsigned high = indexer(pixels[x]);
            const unsigned low = x + 1 < width ? indexer(pixels[x + 1]) : 0;
            *out++ = static_cast<unsigned char>((high << 4) | low);
        }
        break;
    case 8:
        for (int x = 0; x < width; ++x) *out++ = indexer(pixels[x]);
        break;
    case 16:
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixels[x];
            put16(out, static_cast<std::uint32_t>(((redOf(c) >> 3) << 10) | ((greenOf(c) >> 3) << 5) |
                                                  (blueOf(c) >> 3)));
            out += 2;
        }
        break;
    case 24:
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixels[x];
            out[0] = static_cast<unsigned char>(c);
            out[1] = static_cast<unsigned char>(c >> 8);
            out[2] = static_cast<unsigned char>(c >> 16);
            out += 3;
        }
        break;
    default:
        for (int x = 0; x < width; ++x) {
            put32(out, pixels[x] & 0xFFFFFF);
            out += 4;
        }
        break;
    }
}

std::string decimal(std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Sizes and offsets of the file of one surface.
class BmpLayout {
public:
    explicit BmpLayout(const Surface& surface)
        : stride_((static_cast<std::uint64_t>(surface.width()) * surface.depth() + 31) / 32 * 4),
          offset_(kFileHeaderSize + kInfoHeaderSize + 4 * surface.palette().size())
    {
        // The reader refuses such a file, and a zero stride has no rows to
        // divide into chunks.
        if (surface.width() <= 0 || surface.height() <= 0) {
            throw std::runtime_error("A drawing of " + decimal(surface.width()) + " x " +
                                     decimal(surface.height()) + " pixels has no BMP file");
        }
        const std::uint64_t imageSize = stride_ * static_cast<std::uint64_t>(surface.height());
        if (offset_ + imageSize > 0xFFFFFFFFu) {
            throw std::runtime_error("A drawing of " + decimal(surface.width()) + " x " +
                                     decimal(surface.height()) + " pixels is too large for a BMP file");
        }
    }

    std::size_t stride() const { return static_cast<std::size_t>(stride_); }
    std::size_t offset() const { return static_cast<std::size_t>(offset_); }
    std::size_t fileSize(int height) const { return offset() + stride() * static_cast<std::size_t>(height); }

    // Writes the file header, the info header and the palette: offset() bytes.
    void writeHeaders(const Surface& surface, unsigned char* p) const
    {
        const std::size_t size = fileSize(surface.height());
        const std::vector<Rgb>& palette = surface.palette();
        std::fill(p, p + offset(), 0);
        p[0] = 'B';
        p[1] = 'M';
        put32(p + 2, static_cast<std::uint32_t>(size));
        put32(p + 10, static_cast<std::uint32_t>(offset_));
        p += kFileHeaderSize;
        put32(p, kInfoHeaderSize);
        put32(p + 4, static_cast<std::uint32_t>(surface.width()));
        put32(p + 8, static_cast<std::uint32_t>(surface.height()));
        put16(p + 12, 1);
        put16(p + 14, static_cast<std::uint32_t>(surface.depth()));
        put32(p + 16, 0);  // BI_RGB
        put32(p + 20, static_cast<std::uint32_t>(size - offset()));
        put32(p + 24, kPixelsPerMeter);
        put32(p + 28, kPixelsPerMeter);
        put32(p + 32, static_cast<std::uint32_t>(palette.size()));
        put32(p + 36, 0);
        p += kInfoHeaderSize;
        for (const Rgb c : palette) {
            put32(p, c & 0xFFFFFF);
            p += 4;
        }
    }

    // Encodes rowCount file rows from firstRow on (file rows run bottom-up),
    // padding included.
    void encodeRows(const Surface& surface, int firstRow, int rowCount, PaletteIndexer& indexer,
                    unsigned char* out) const
    {
        const int width = surface.width();
        std::vector<Rgb> pixels(static_cast<std::size_t>(width));
        for (int row = firstRow; row < firstRow + rowCount; ++row) {
            const int y = surface.height() - 1 - row;
            std::fill(out, out + stride(), 0);
            surface.readRow(y, pixels);
            encodeRow(pixels.data(), width, surface.depth(), indexer, out);
            out += stride();
        }
    }

private:
    std::uint64_t stride_;
    std::uint64_t offset_;
};

}  // namespace

std::vector<unsigned char> EncodeBmp(const Surface& surface)
{
    const BmpLayout layout(surface);
    std::vector<unsigned char> bytes(layout.fileSize(surface.height()));
    layout.writeHeaders(surface, bytes.data());
    PaletteIndexer indexer(surface.palette());
    layout.encodeRows(surface, 0, surface.height(), indexer, bytes.data() + layout.offset());
    return bytes;
}

void WriteBmpFile(const Surface& surface, const std::string& path)
{
    const BmpLayout layout(surface);
    AtomicFile file(path);
    // Rows go out in chunks of about a megabyte: a buffer for the whole
    // file would cost more in fresh memory than the encoding itself.
    const std::size_t rowsPerChunk = std::max<std::size_t>(1, (std::size_t{1} << 20) / layout.stride());
    std::vector<unsigned char> buffer(layout.offset() + rowsPerChunk * layout.stride());
    layout.writeHeaders(surface, buffer.data());
    file.write(buffer.data(), layout.offset());
    PaletteIndexer indexer(surface.palette());
    for (int row = 0; row < surface.height(); row += static_cast<int>(rowsPerChunk)) {
        const int rows = std::min(static_cast<int>(rowsPerChunk), surface.height() - row);
        layout.encodeRows(surface, row, rows, indexer, buffer.data());
        if (!file.write(buffer.data(), static_cast<std::size_t>(rows) * layout.stride())) break;
    }
    file.commit();
}

}  // namespace kresbon
