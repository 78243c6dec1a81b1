#include "codecs/picture.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "codecs/bmp_reader.h"
#include "codecs/gif_reader.h"
#include "codecs/jpeg_reader.h"
#include "codecs/png_reader.h"

namespace kresbon {

Picture DecodePicture(std::span<const std::uint8_t> bytes, PictureKind kind,
                      const DecodeLimits& limits)
{
    switch (kind) {
    case PictureKind::Bmp: return ReadBmp(bytes, limits);
    case PictureKind::Gif: return ReadGif(bytes, limits);
    case PictureKind::Jpeg: return ReadJpeg(bytes, limits);
    case PictureKind::Png: return ReadPng(bytes, limits);
    }
    throw PictureError("unknown picture kind");
}

void CheckPictureSignature(std::span<const std::uint8_t> start, PictureKind kind)
{
    const auto startsWith = [&](std::initializer_list<std::uint8_t> signature) {
        return start.size() >= signature.size() && std::equal(signature.begin(), signature.end(), start.begin());
    };
    switch (kind) {
    case PictureKind::Bmp:
        if (!startsWith({'B', 'M'})) throw PictureError("not a bitmap file (no BM signature)");
        return;
    case PictureKind::Gif:
        if (!startsWith({'G', 'I', 'F'})) throw PictureError("not a GIF file (no GIF signature)");
        return;
    case PictureKind::Jpeg:
        if (!startsWith({0xFF, 0xD8})) throw PictureError("not a JPEG file (no start-of-image marker)");
        return;
    case PictureKind::Png:
        if (!startsWith({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) throw PictureError("not a PNG file (no PNG signature)");
        return;
    }
}

void CheckPictureSize(long long width, long long height, const DecodeLimits& limits)
{
    if (width <= 0 || height <= 0)
        throw PictureError("picture size " + std::to_string(width) + " x " +
                           std::to_string(height) + " is empty");
    // Compared by division so that no product can overflow.
    if (width > limits.maxPixels || height > limits.maxPixels / width)
        throw PictureError("picture size " + std::to_string(width) + " x " +
                           std::to_string(height) + " exceeds the limit of " +
                           std::to_string(limits.maxPixels) + " pixels");
}

Picture AllocatePicture(long long width, long long height, const DecodeLimits& limits)
{
    CheckPictureSize(width, height, limits);
    Picture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    // A large picture's memory is taken in steps, so that a stop is seen
    // while the system hands it over.
    const auto count = static_cast<std::size_t>(width * height);
    picture.pixels.reserve(count);
    constexpr std::size_t Step = std::size_t{1} << 20;
    while (picture.pixels.size() < count) {
        if (limits.stopped()) throw PictureError("stopped");
        picture.pixels.resize(std::min(count, picture.pixels.size() + Step));
    }
    return picture;
}

}  // namespace kresbon
