#include "codecs/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kresbon {
namespace {

struct MemorySource {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int wanted)
{
    auto* source = static_cast<MemorySource*>(gif->UserData);
    const std::size_t left = source->bytes.size() - source->at;
    const std::size_t n = std::min(left, static_cast<std::size_t>(std::max(wanted, 0)));
    if (n > 0) std::memcpy(out, source->bytes.data() + source->at, n);
    source->at += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void fail(const char* what, int error)
{
    const char* reason = GifErrorString(error);
    throw PictureError(std::string(what) + (reason ? std::string(": ") + reason : std::string()));
}

// Reads extension blocks and stops at the first image descriptor; returns
// the transparent colour index the last graphic control block named.
std::optional<int> skipToFirstImage(GifFileType* gif)
{
    std::optional<int> transparent;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) fail("GIF file is damaged", gif->Error);
        if (type == IMAGE_DESC_RECORD_TYPE) return transparent;
        if (type == TERMINATE_RECORD_TYPE) throw PictureError("GIF file holds no image");
        if (type != EXTENSION_RECORD_TYPE) throw PictureError("GIF file holds an unknown record");

        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) fail("GIF file is damaged", gif->Error);
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                transparent.reset();
                if (control.TransparentColor != NO_TRANSPARENT_COLOR)
                    transparent = control.TransparentColor;
            }
        }
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) fail("GIF file is damaged", gif->Error);
        }
    }
}

// The image rows in the order an interlaced image stores them.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int r = 0; r < height; ++r) rows.push_back(r);
        return rows;
    }
    constexpr int start[] = {0, 4, 2, 1};
    constexpr int step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int r = start[pass]; r < height; r += step[pass]) rows.push_back(r);
    return rows;
}

}  // namespace

Picture ReadGif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    MemorySource source{bytes};
    int error = 0;
    GifHandle gif(DGifOpen(&source, readFromMemory, &error));
    if (!gif) fail("not a GIF file", error);

    const std::optional<int> transparent = skipToFirstImage(gif.get());
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) fail("GIF image header is damaged", gif->Error);
    const GifImageDesc& frame = gif->Image;
    CheckPictureSize(frame.Width, frame.Height, limits);

    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr || map->ColorCount <= 0) throw PictureError("GIF image without a colour table");
    std::vector<Rgb> colours(256, 0);
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
        colours[i] = makeRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    if (transparent && *transparent >= 0 && *transparent < 256)
        colours[*transparent] = Picture::TransparentPixel;

    // A screen of no size is taken to be just large enough for the image.
    const long long screenWidth = gif->SWidth > 0 ? gif->SWidth : 0LL + frame.Left + frame.Width;
    const long long screenHeight = gif->SHeight > 0 ? gif->SHeight : 0LL + frame.Top + frame.Height;
    Picture p = AllocatePicture(screenWidth, screenHeight, limits);
    std::fill(p.pixels.begin(), p.pixels.end(), Picture::TransparentPixel);

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    const int firstColumn = std::clamp(frame.Left, 0, p.width);
    const int endColumn = static_cast<int>(std::clamp<long long>(0LL + frame.Left + frame.Width, 0, p.width));
    for (const int r : rowOrder(frame.Height, frame.Interlace)) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
            fail("GIF image data is damaged or cut short", gif->Error);
        const long long y = 0LL + frame.Top + r;
        if (y < 0 || y >= p.height) continue;
        Rgb* out = &p.pixels[static_cast<std::size_t>(y) * p.width];
        for (int x = firstColumn; x < endColumn; ++x) out[x] = colours[line[x - frame.Left]];
    }
    p.hasTransparency = std::find(p.pixels.begin(), p.pixels.end(), Picture::TransparentPixel) !=
                        p.pixels.end();
    return p;
}

}  // namespace kresbon
