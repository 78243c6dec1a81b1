#pragma once

#include <string>
#include <vector>

#include "platform/surface.h"

namespace kresbon {

// The surface as a Windows BMP file in the surface's own depth: 4 and 8 bits
// with the surface's palette, 16 bits as RGB555, 24 bits as BGR and 32 bits
// as BGRX; bottom-up rows, 96 dpi. Throws std::runtime_error when the image
// is too large for the format's 32-bit sizes.
std::vector<unsigned char> EncodeBmp(const Surface& surface);

// Writes EncodeBmp(surface) to path. The bytes go to a temporary file in the
// same folder that then replaces path, so path never holds a half-written
// file. Throws std::runtime_error naming the file and the reason.
void WriteBmpFile(const Surface& surface, const std::string& path);

}  // namespace kresbon
