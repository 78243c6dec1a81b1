#pragma once

#include <vector>

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

// StretchDraw a row of the picture at a time: each row given is drawn
// wherever the box samples it, so a picture can be drawn as it is decoded,
// top to bottom, without being held.
class StretchRows {
public:
    StretchRows(Surface& surface, int pictureWidth, int pictureHeight, int x, int y, int w, int h);
    // The picture rows the visible part of the box samples lie in
    // [firstRow(), endRow()).
    int firstRow() const { return rows_.empty() ? 0 : rows_.front(); }
    int endRow() const { return rows_.empty() ? 0 : rows_.back() + 1; }
    bool wants(int sourceRow) const;
    // Draws picture row sourceRow (pictureWidth pixels).
    void row(int sourceRow, const Rgb* source);

private:
    Surface& surface_;
    int x_;
    bool sameWidth_;
    long long left_ = 0;
    long long right_ = 0;
    long long top_ = 0;
    std::vector<int> columns_;
    std::vector<int> rows_;
    std::vector<Rgb> line_;
};

}  // namespace kresbon
