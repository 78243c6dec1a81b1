#pragma once

#include <cstdint>
#include <span>

#include "codecs/picture.h"

namespace kresbon {

// Reads a Windows or OS/2 bitmap file: 1, 4 and 8 bits with a colour table,
// 16 and 32 bits as RGB555/BGRX or with colour masks, 24 bits as BGR;
// uncompressed, RLE8 or RLE4; bottom-up or top-down rows. Pixels that an RLE
// picture skips take colour 0 of its table. Throws PictureError for a file
// that is not such a bitmap, is cut short, or is larger than the limits.
Picture ReadBmp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits = {});

}  // namespace kresbon
