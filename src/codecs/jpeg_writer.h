#pragma once

#include <string>

#include "platform/surface.h"

namespace kresbon {

// Writes the surface to path as a baseline JFIF JPEG file from its 24-bit
// colours at quality 100 (every quantiser step 1), with the library's other
// defaults: YCbCr with 4:2:0 chroma subsampling, standard Huffman tables.
// Like WriteBmpFile, path never holds a half-written file. Throws
// std::runtime_error naming the file and the reason, also for a surface that
// a JPEG file cannot hold (empty, or more than 65500 pixels a side).
// The widest and highest drawing a JPEG file holds (the library's own limit).
constexpr int LargestJpegSide = 65500;

void WriteJpegFile(const Surface& surface, const std::string& path);

}  // namespace kresbon
