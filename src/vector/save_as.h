#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/surface.h"
#include "platform/texts.h"
#include "vector/drawing_record.h"

namespace kresbon {

// How "Save drawing as" and kresbon-render write a drawing.
struct SaveOptions {
    // Millimetres one drawing unit measures in vector files ([Export]
    // MillimetresPerUnit); raster files ignore it.
    double millimetresPerUnit = 1;
    int languageBase = EnglishBase;
};

// The largest millimetres per unit a vector file is written at.
constexpr double LargestMillimetresPerUnit = 1e6;

// Millimetres per unit as --unit-mm and [Export] MillimetresPerUnit give it:
// a plain decimal number above 0 and at most LargestMillimetresPerUnit, else
// nothing.
std::optional<double> ParseMillimetresPerUnit(std::string_view text);
// The shortest text ParseMillimetresPerUnit reads back as the same value.
std::string MillimetresPerUnitText(double millimetres);

// Whether the path's extension names a vector format: .svg, .pdf or .dxf in
// any case.
bool IsVectorFileName(std::string_view path);
// Whether the path's extension names any format the drawing can be saved in.
bool IsDrawingFileName(std::string_view path);

// Writes the drawing to path (UTF-8) in the format its extension names: the
// raster formats from the pixels, SVG, PDF and DXF from the shapes the run
// recorded (Interpreter::setShapeRecording), at true scale. Raises the same
// script errors as SaveDrawingToFile for a name of another kind or an empty
// drawing; a failed write throws std::runtime_error naming the file, and
// path then still holds what it held before. A vector name without a record
// throws std::invalid_argument.
void SaveDrawingAs(const Surface& drawing, const DrawingRecord* record, const std::string& path,
                   const SaveOptions& options);

}  // namespace kresbon
