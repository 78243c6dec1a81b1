#pragma once

#include <cstdint>
#include <span>

#include "codecs/picture.h"

namespace kresbon {

// Reads a baseline or progressive JPEG file in greyscale, YCbCr, RGB, CMYK
// or YCCK (CMYK inverted as Adobe applications write it when the file holds
// an Adobe marker). Throws PictureError for a file that is not a JPEG, is
// damaged or cut short, or is larger than the limits; a broken file never
// ends the program.
Picture ReadJpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits = {});

}  // namespace kresbon
