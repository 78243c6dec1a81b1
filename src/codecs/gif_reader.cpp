#include "codecs/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <limits>
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
    // Each code of at least two bits gives at most 4096 pixels, so a frame
    // larger than that from the bytes left is certainly cut short; it is
    // refused before its pixels take memory.
    const long long codesLeft = 4LL * static_cast<long long>(bytes.size() - source.at) + 2;
    if (frame.Width > codesLeft * 4096 / frame.Height)
        throw PictureError("GIF image data is too short for an image of " + std::to_string(frame.Width) +
                           " x " + std::to_string(frame.Height) + " pixels");

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
    // The part of the screen the frame covers; pixels beyond the screen are
    // decoded and dropped.
    const long long firstColumn = std::clamp<long long>(frame.Left, 0, screenWidth);
    const long long endColumn = std::clamp<long long>(0LL + frame.Left + frame.Width, 0, screenWidth);
    const long long firstRow = std::clamp<long long>(frame.Top, 0, screenHeight);
    const long long endRow = std::clamp<long long>(0LL + frame.Top + frame.Height, 0, screenHeight);
    const bool whole = !limits.frameOnly || (firstColumn == 0 && firstRow == 0 && endColumn == screenWidth &&
                                             endRow == screenHeight);
    Picture p;
    if (whole) {
        p = AllocatePicture(screenWidth, screenHeight, limits);
    } else {
        CheckPictureSize(screenWidth, screenHeight, DecodeLimits{std::numeric_limits<long long>::max()});
        // A frame wholly off its screen keeps one transparent pixel.
        p = AllocatePicture(std::max(endColumn - firstColumn, 1LL), std::max(endRow - firstRow, 1LL), limits);
        p.frame = Picture::Frame{static_cast<int>(screenWidth), static_cast<int>(screenHeight),
                                 static_cast<int>(firstColumn), static_cast<int>(firstRow)};
    }
    std::fill(p.pixels.begin(), p.pixels.end(), Picture::TransparentPixel);
    const long long originX = whole ? 0 : firstColumn;
    const long long originY = whole ? 0 : firstRow;

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    for (const int r : rowOrder(frame.Height, frame.Interlace)) {
        if (limits.stopped()) throw PictureError("stopped");
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
            fail("GIF image data is damaged or cut short", gif->Error);
        const long long y = 0LL + frame.Top + r;
        if (y < firstRow || y >= endRow) continue;
        Rgb* out = &p.pixels[static_cast<std::size_t>(y - originY) * p.width];
        for (long long x = firstColumn; x < endColumn; ++x) out[x - originX] = colours[line[x - frame.Left]];
    }
    p.hasTransparency = p.frame || std::find(p.pixels.begin(), p.pixels.end(), Picture::TransparentPixel) !=
                                       p.pixels.end();
    return p;
}

}  // namespace kresbon
