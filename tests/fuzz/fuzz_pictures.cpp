// Feeds arbitrary bytes to a picture reader and draws what it accepts: no
// input may crash, hang or exhaust memory. The first byte chooses the reader
// and the depth of the drawing: from 0xF0 up PNG, below it 0 BMP, 1 GIF,
// 2 JPEG, taken modulo 3.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <zlib.h>

#include "codecs/picture.h"
#include "codecs/png_reader.h"
#include "platform/surface.h"
#include "render/stretch_draw.h"

namespace {

// Mutations rarely keep a PNG chunk's checksum right; putting it right lets
// them reach the chunk's contents.
std::vector<std::uint8_t> withChunkChecksumsRight(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::size_t length = std::size_t{bytes[at]} << 24 | std::size_t{bytes[at + 1]} << 16 |
                                   std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12) break;
        const uLong crc = crc32(0, &bytes[at + 4], static_cast<uInt>(length + 4));
        for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += length + 12;
    }
    return bytes;
}

// Draws a PNG's rows as they are decoded.
class RowsInto : public kresbon::PictureRowSink {
public:
    explicit RowsInto(kresbon::Surface& s) : s_(s) {}
    void begin(int width, int height) override
    {
        rows_.emplace(s_, width, height, -3, -2, 1 + width % 50, 1 + height % 40);
    }
    bool wants(int y) const override { return rows_->wants(y); }
    void row(int y, const kresbon::Rgb* pixels) override { rows_->row(y, pixels); }

private:
    kresbon::Surface& s_;
    std::optional<kresbon::StretchRows> rows_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kresbon;
    if (size == 0) return 0;
    constexpr PictureKind kinds[] = {PictureKind::Bmp, PictureKind::Gif, PictureKind::Jpeg};
    constexpr int depths[] = {4, 8, 16, 24};
    const bool png = data[0] >= 0xF0;
    const PictureKind kind = png ? PictureKind::Png : kinds[data[0] % 3];
    const int depth = depths[png ? data[0] % 4 : (data[0] / 3) % 4];
    // Small pictures keep each input within milliseconds and megabytes.
    const DecodeLimits limits{4'000'000};
    try {
        const std::vector<std::uint8_t> bytes =
            png ? withChunkChecksumsRight(data + 1, size - 1) : std::vector<std::uint8_t>(data + 1, data + size);
        const Picture p = DecodePicture(bytes, kind, limits);
        if (p.pixels.size() != static_cast<std::size_t>(p.width) * p.height) __builtin_trap();
        Surface s(40, 30, depth);
        StretchDraw(s, p, -3, -2, 1 + p.width % 50, 1 + p.height % 40);
        if (png) {
            // Drawn as it is decoded, the same file must draw the same.
            Surface rows(40, 30, depth);
            RowsInto sink(rows);
            ReadPngRows(bytes, sink, limits);
            if (!rows.samePixels(s)) __builtin_trap();
        }
    } catch (const PictureError&) {
    }
    return 0;
}
