#pragma once

#include <string>

#include "platform/surface.h"

namespace kresbon {

// Writes the surface to path as a single-image GIF89a file. A 4- or 8-bit
// surface keeps its own palette (16 or 256 colours) and its pixels exactly;
// a deeper one is reduced to the fixed halftone palette, each pixel taking
// the nearest colour without dithering. Like WriteBmpFile, path never holds
// a half-written file. Throws std::runtime_error naming the file and the
// reason, also for a surface that a GIF file cannot hold (wider or higher
// than 65535 pixels, or empty).
// The widest and highest drawing a GIF file holds.
constexpr int LargestGifSide = 0xFFFF;

void WriteGifFile(const Surface& surface, const std::string& path);

}  // namespace kresbon
