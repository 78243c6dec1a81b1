#pragma once

#include <cstdint>
#include <span>

#include "codecs/picture.h"

namespace kresbon {

// Reads the first image of a GIF87a/GIF89a file onto its logical screen,
// with the image's own colour table or else the global one. Pixels of the
// transparent colour named by the image's graphic control block, and any
// part of the screen the image does not cover, are transparent; parts of the
// image outside the screen are dropped. Throws PictureError for a file that
// is not such a GIF, is cut short, or is larger than the limits.
Picture ReadGif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits = {});

}  // namespace kresbon
