#pragma once

#include <cstdint>
#include <span>

#include "codecs/picture.h"

namespace kresbon {

// Reads a PNG file of any colour type and bit depth (palette, grey, RGB,
// with or without alpha, interlaced or not). Fully transparent pixels are
// transparent; every other pixel is taken as opaque in its own colour, as
// the drawing has no partial transparency. Throws PictureError for a file
// that is not a PNG, is damaged or cut short, or is larger than the limits;
// a file too short to hold the pixels it declares is refused before any
// pixel memory is taken.
Picture ReadPng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits = {});

// Whether a PNG file's header, at its start, declares an interlaced image,
// and the pixels it declares (0 without a header).
bool IsInterlacedPng(std::span<const std::uint8_t> bytes);
long long PngDeclaredPixels(std::span<const std::uint8_t> bytes);

// Reads the same file as ReadPng, giving the rows to sink as they are
// decoded, so that only a few rows are held; an interlaced image is held
// whole (as ReadPng holds it) before its rows are given. Throws as ReadPng
// does, also after rows were given.
void ReadPngRows(std::span<const std::uint8_t> bytes, PictureRowSink& sink, const DecodeLimits& limits = {});

}  // namespace kresbon
