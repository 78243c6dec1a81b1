#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

#include "platform/surface.h"

namespace kresbon {

// A decoded picture: row-major pixels from the top-left, each 0x00RRGGBB, or
// TransparentPixel where the picture leaves the drawing untouched.
struct Picture {
    static constexpr Rgb TransparentPixel = 0xFF000000u;

    // Where the stored pixels lie in the picture as it is drawn: a GIF frame
    // may cover a small part of a large screen whose rest is transparent,
    // and only the frame is kept.
    struct Frame {
        int screenWidth = 0;
        int screenHeight = 0;
        int left = 0;
        int top = 0;
    };

    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    bool hasTransparency = false;
    // Set only when DecodeLimits::frameOnly asked for it.
    std::optional<Frame> frame;

    // The size of the picture as it is drawn.
    int drawnWidth() const { return frame ? frame->screenWidth : width; }
    int drawnHeight() const { return frame ? frame->screenHeight : height; }

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

enum class PictureKind { Bmp, Gif, Jpeg, Png };

// Takes a picture's rows, top to bottom, as a reader decodes them.
class PictureRowSink {
public:
    virtual ~PictureRowSink() = default;
    // Before any row: the size of the picture, within the limits.
    virtual void begin(int width, int height) = 0;
    // Whether row y is wanted; the others are decoded and dropped.
    virtual bool wants(int y) const = 0;
    // The width pixels of row y, as Picture::pixels would hold them.
    virtual void row(int y, const Rgb* pixels) = 0;
};

struct DecodeLimits {
    // Pictures with more pixels are refused before any pixel memory is taken.
    long long maxPixels = 400'000'000;
    // A GIF whose frame covers part of its screen keeps only the frame and
    // says where it lies (Picture::frame); its screen counts against no limit.
    bool frameOnly = false;
    // Once set, decoding ends with a PictureError at the next row.
    const std::atomic<bool>* stop = nullptr;

    bool stopped() const { return stop != nullptr && stop->load(std::memory_order_relaxed); }
};

// Why a picture could not be read; the message names the fault.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes a whole file's bytes with the reader of the given kind. Throws
// PictureError for anything that is not a readable picture of that kind.
Picture DecodePicture(std::span<const std::uint8_t> bytes, PictureKind kind,
                      const DecodeLimits& limits = {});

// Enough leading bytes of a file to tell its kind.
constexpr std::size_t PictureSignatureLength = 8;

// Throws PictureError unless the first bytes of a file (at least
// PictureSignatureLength of them, where the file has them) carry the
// signature of the given kind.
void CheckPictureSignature(std::span<const std::uint8_t> start, PictureKind kind);

// Throws PictureError unless both sides are positive and the pixel count is
// within the limits; readers check this before trusting any other size.
void CheckPictureSize(long long width, long long height, const DecodeLimits& limits);

// A picture of the given size with every pixel 0, after CheckPictureSize.
Picture AllocatePicture(long long width, long long height, const DecodeLimits& limits);

}  // namespace kresbon
