// Feeds arbitrary bytes to a picture reader and draws what it accepts: no
// input may crash, hang or exhaust memory. The first byte chooses the reader
// (0 BMP, 1 GIF, 2 JPEG, taken modulo 3) and the depth of the drawing.
#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/picture.h"
#include "platform/surface.h"
#include "render/stretch_draw.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kresbon;
    if (size == 0) return 0;
    constexpr PictureKind kinds[] = {PictureKind::Bmp, PictureKind::Gif, PictureKind::Jpeg};
    constexpr int depths[] = {4, 8, 16, 24};
    const PictureKind kind = kinds[data[0] % 3];
    const int depth = depths[(data[0] / 3) % 4];
    // Small pictures keep each input within milliseconds and megabytes.
    const DecodeLimits limits{4'000'000};
    try {
        const Picture p = DecodePicture(std::span(data + 1, size - 1), kind, limits);
        if (p.pixels.size() != static_cast<std::size_t>(p.width) * p.height) __builtin_trap();
        Surface s(40, 30, depth);
        StretchDraw(s, p, -3, -2, 1 + p.width % 50, 1 + p.height % 40);
    } catch (const PictureError&) {
    }
    return 0;
}
