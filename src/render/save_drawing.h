#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace kresbon {

enum class DrawingFileFormat { Bmp, Gif, Jpeg, Png };

// The format that the extension of path names: .bmp, .gif, .jpg, .jpeg or .png in
// any case; nothing for any other name.
std::optional<DrawingFileFormat> DrawingFileFormatOf(std::string_view path);

// Writes the drawing as it stands to path (UTF-8) in the format its
// extension names: BMP in the drawing's own depth and palette, GIF with the
// drawing's palette or reduced to the halftone palette, JPEG at quality 100,
// PNG with the drawing's palette or as RGB.
// A name with any other extension raises a script error in the given
// language and writes nothing, as does a drawing with a side of 0 pixels,
// which no format holds. A failed write throws std::runtime_error
// naming the file; path then still holds what it held before.
void SaveDrawingToFile(const Surface& drawing, const std::string& path, int languageBase);

}  // namespace kresbon
