#pragma once

#include <string_view>

#include "platform/surface.h"
#include "render/shapes.h"

namespace kresbon {

// A direction as a pair whose larger component has magnitude 100000.
// Components of nearly vertical directions exceed 32 bits, so they are wide.
struct DirectionVec {
    long long dx;
    long long dy;
    friend bool operator==(const DirectionVec&, const DirectionVec&) = default;
};

// Screen angle in degrees: 0 right, 90 down, growing clockwise on screen.
// Raises the invalid-direction script error outside -360..720.
DirectionVec DirectionVector(long double angle, int languageBase);

PixelPoint OffsetPoint(PixelPoint base, DirectionVec v, int length);

struct DimLineStyle {
    PenStyle lineType = PenStyle::Solid;
    int thickness = 1;
    Rgb colour = 0;
    int arrowAngle = 10;   // degrees, 1 to 45
    int arrowLength = 10;  // pixels
};

// A line between two points with an arrowhead (Inner, Outer) or nothing
// (None) at each end; the kinds are matched without regard to case.
void DrawDimLine(Surface& s, PixelPoint from, std::string_view startKind, PixelPoint to,
                 std::string_view endKind, const DimLineStyle& style, int languageBase);

}  // namespace kresbon
