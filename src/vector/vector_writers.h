#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/picture.h"
#include "vector/drawing_record.h"

namespace kresbon {

// What every vector file needs besides the record.
struct VectorFileSettings {
    // Millimetres one drawing unit measures.
    double millimetresPerUnit = 1;
    // "Layer " or "Vrstva ": layers are named this and their number (UTF-8).
    std::string layerName = "Layer ";
};

// Each writes the whole file's bytes; the caller puts them in place.
std::string SvgDocument(const DrawingRecord& record, const VectorFileSettings& settings);
std::string PdfDocument(const DrawingRecord& record, const VectorFileSettings& settings);
std::string DxfDocument(const DrawingRecord& record, const VectorFileSettings& settings);

// A placed picture as a PNG file of its decoded pixels, transparent where
// the picture leaves the drawing; and the picture's own file when it is a
// JPEG, which vector files embed as it is.
std::vector<std::uint8_t> PictureAsPng(const Picture& picture);
std::vector<std::uint8_t> EmbeddedJpeg(const PictureShape& shape);

// The box a picture's stored pixels fill inside its placed box: all of it,
// or the part a GIF frame covers of its screen.
struct PictureBox {
    double x, y, width, height;
};
PictureBox StoredPixelsBox(const PictureShape& shape);

}  // namespace kresbon
