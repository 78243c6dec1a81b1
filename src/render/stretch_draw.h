#pragma once

#include "codecs/picture.h"
#include "platform/surface.h"

namespace kresbon {

// The part of the box left x, top y, width w, height h (right and bottom
// exclusive) that lies on the surface; it has no pixels when left >= right
// or top >= bottom.
struct VisibleBox {
    long long left, top, right, bottom;
};
VisibleBox VisiblePart(const Surface& surface, int x, int y, int w, int h);

// Draws the picture scaled into the box left x, top y, width w, height h
// (right and bottom exclusive) by nearest-pixel sampling: on surfaces of 16
// bits and more whole rows and columns repeat or drop; on 4- and 8-bit
// surfaces colours that the palette lacks are spread over its colours with
// an ordered 8x8 dither anchored to the surface origin. Transparent picture
// pixels leave the surface as it was. Nothing is drawn when w or h is not
// positive.
void StretchDraw(Surface& surface, const Picture& picture, int x, int y, int w, int h);

}  // namespace kresbon
