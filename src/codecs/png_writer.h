#pragma once

#include <string>

#include "platform/surface.h"

namespace kresbon {

// Writes the surface to path as a lossless PNG file: a 4- or 8-bit surface
// as 8-bit palette indices with its own palette (16 or 256 colours), a
// deeper one as 8-bit RGB. Like WriteBmpFile, path never holds a
// half-written file. Throws std::runtime_error naming the file and the
// reason, also for an empty surface, which a PNG file cannot hold.
void WritePngFile(const Surface& surface, const std::string& path);

}  // namespace kresbon
