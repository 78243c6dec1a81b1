#pragma once

#include <string>

#include "platform/surface.h"

namespace kresbon {

// The values every command of a run reads: scale, size, colours, defaults,
// origin shift and the current layer. Texts are Windows-1250 bytes.
struct DrawingState {
    int pixelsPerUnit = 1;
    long double maximumX = 0;
    long double maximumY = 0;
    Rgb backgroundColor = 0xFFFFFF;
    std::string defaultColor = "Black";  // kept as the word the script wrote
    std::string defaultFontName = "Arial";
    long double defaultFontSize = 8;
    int defaultDimAngle = 10;
    long double defaultDimLength = 10;
    long double shiftX = 0;
    long double shiftY = 0;
    int layer = 1;
};

// Drawing units to pixels: the shift and the coordinate are floored
// separately, then added. Results are held within +-2^30 so that later pixel
// arithmetic cannot overflow; such points lie far off any drawing.
int ToPixelX(const DrawingState& state, long double x);
int ToPixelY(const DrawingState& state, long double y);
int ToPixels(const DrawingState& state, long double length);

}  // namespace kresbon
