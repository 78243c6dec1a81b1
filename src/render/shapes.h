#pragma once

#include "platform/surface.h"

// The shape primitives of the drawing commands. All take pixel coordinates;
// the pen and brush they set stay on the surface for later commands (the
// text background follows the brush).
namespace kresbon {

struct PixelPoint {
    int x;
    int y;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// The shapes are told to the surface's shape sink, when it has one, as well.
void DrawPoint(Surface& s, int x, int y, Rgb colour);
void DrawLine(Surface& s, int x1, int y1, int x2, int y2, Rgb colour, int thickness,
              PenStyle style);
void DrawRectangle(Surface& s, int x1, int y1, int x2, int y2, Rgb colour, int thickness,
                   PenStyle style);
void DrawEllipse(Surface& s, int x1, int y1, int x2, int y2, Rgb colour, int thickness,
                 PenStyle style);
void DrawCircle(Surface& s, int x, int y, int r, Rgb colour, int thickness, PenStyle style);

// A point on the ray from (x, y) at angle a degrees, counter-clockwise from
// +x as seen on the screen. Raises the angle-range script error outside 0..360.
PixelPoint AnglePoint(int x, int y, int r, int a, int languageBase);

void DrawCirclePart(Surface& s, int x, int y, int r, int a1, int a2, Rgb colour,
                    int thickness, PenStyle style, int languageBase);
void FloodFillAt(Surface& s, int x, int y, BrushStyle fill, Rgb colour);

}  // namespace kresbon
