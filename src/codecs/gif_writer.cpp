#include "codecs/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "codecs/atomic_file.h"
#include "codecs/colour_lookup.h"
#include "platform/palette.h"

namespace kresbon {
namespace {

constexpr int kLargestSide = 0xFFFF;

std::string decimal(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

int putBytes(GifFileType* gif, const GifByteType* bytes, int size)
{
    auto* file = static_cast<AtomicFile*>(gif->UserData);
    return file->write(bytes, static_cast<std::size_t>(size)) ? size : 0;
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

struct ColourMapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, ColourMapFreer>;

[[noreturn]] void failGif(const AtomicFile& file, int error)
{
    file.throwIfWriteFailed();
    const char* text = GifErrorString(error);
    file.fail(std::string("GIF encoder: ") + (text ? text : "unknown error"));
}

void check(const AtomicFile& file, GifFileType* gif, int result)
{
    if (result != GIF_OK) failGif(file, gif->Error);
}

ColourMap makeColourMap(std::span<const Rgb> palette)
{
    std::vector<GifColorType> colours;
    for (const Rgb c : palette) {
        colours.push_back(GifColorType{static_cast<GifByteType>(redOf(c)), static_cast<GifByteType>(greenOf(c)),
                                       static_cast<GifByteType>(blueOf(c))});
    }
    return ColourMap(GifMakeMapObject(static_cast<int>(colours.size()), colours.data()));
}

void checkSize(const Surface& surface, const std::string& path)
{
    const int width = surface.width();
    const int height = surface.height();
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
        ThrowFileWriteError(path, "a GIF file holds 1 to 65535 pixels a side, the drawing has " + decimal(width) +
                                      " x " + decimal(height));
    }
}

void putPixels(GifFileType* gif, const Surface& surface, const ColourLookup& lookup, const AtomicFile& file)
{
    const int width = surface.width();
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    const Rgb* pixel = surface.pixels().data();
    // Drawings are mostly long runs of one colour.
    Rgb last = 0xFFFFFFFFu;
    GifPixelType lastIndex = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < width; ++x, ++pixel) {
            if (*pixel != last) {
                last = *pixel;
                lastIndex = lookup(last);
            }
            line[static_cast<std::size_t>(x)] = lastIndex;
        }
        check(file, gif, EGifPutLine(gif, line.data(), width));
    }
}

}  // namespace

void WriteGifFile(const Surface& surface, const std::string& path)
{
    checkSize(surface, path);

    const bool ownPalette = !surface.palette().empty();
    const std::span<const Rgb> palette =
        ownPalette ? std::span<const Rgb>(surface.palette()) : std::span<const Rgb>(halftonePalette());
    std::optional<ColourLookup> ownLookup;
    const ColourLookup& lookup = std::ranges::equal(palette, halftonePalette()) ? halftoneLookup()
                                                                                : ownLookup.emplace(palette);
    const ColourMap map = makeColourMap(palette);
    if (!map) {
        ThrowFileWriteError(path,
                            "GIF encoder: no colour map of " + decimal(static_cast<int>(palette.size())) + " colours");
    }

    AtomicFile file(path);
    int error = 0;
    GifHandle gif(EGifOpen(&file, putBytes, &error));
    if (!gif) failGif(file, error);
    EGifSetGifVersion(gif.get(), true);
    check(file, gif.get(), EGifPutScreenDesc(gif.get(), surface.width(), surface.height(), 8, 0, map.get()));
    check(file, gif.get(), EGifPutImageDesc(gif.get(), 0, 0, surface.width(), surface.height(), false, nullptr));
    putPixels(gif.get(), surface, lookup, file);
    if (EGifCloseFile(gif.release(), &error) != GIF_OK) failGif(file, error);
    file.commit();
}

}  // namespace kresbon
