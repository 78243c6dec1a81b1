#pragma once

// Helpers shared by the files that implement Surface, and by its tests;
// not for other code.

#include <cstdint>
#include <vector>

#include "platform/surface.h"

namespace kresbon::surface_detail {

using i64 = std::int64_t;
using i128 = __int128;
using Point = Surface::Point;
using Box = Surface::Box;

inline i128 floorDiv(i128 a, i128 b)
{
    i128 q = a / b;
    if (a % b != 0 && (a < 0) != (b < 0)) --q;
    return q;
}

inline i128 ceilDiv(i128 a, i128 b) { return -floorDiv(-a, b); }

// Row insets of the elliptic region that fills a width x height box
// (both >= 2): row i spans [left + inset[i], right - inset[i]).
void ellipseRegionInsets(i64 width, i64 height, std::vector<i64>& inset);

// Alois Zingl's integer ellipse for the pixel box [0, width-1] x
// [0, height-1]: calls visit(x, y) for the quarter from the middle of the
// right side to the middle column, in y-up order. Consecutive points are
// 8-neighbours.
template <typename Visit>
void walkEllipseQuadrant(i64 width, i64 height, Visit&& visit)
{
    const i64 a = width - 1;
    const i64 b = height - 1;
    const i64 asq = 8 * a * a;
    const i64 bsq = 8 * b * b;
    i64 dx = 4 * b * b * (1 - a);
    i64 dy = 4 * a * a * (1 + b % 2);
    i64 err = dx + dy + a * a * (b % 2);
    i64 x = a;
    i64 y = height / 2;
    i64 lastY = y - 1;
    while (x >= width / 2) {
        const i64 e2 = 2 * err;
        visit(x, y);
        lastY = y;
        if (e2 >= dx) {
            --x;
            dx += bsq;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += asq;
            err += dy;
        }
    }
    // Thin ellipses leave the loop before reaching the tip; Zingl finishes
    // them with a straight run in the middle column.
    if (lastY >= height / 2) {
        for (y = lastY + 1; y < height; ++y) visit(width / 2, y);
    }
}

void ellipseQuadrant(i64 width, i64 height, std::vector<Point>& quadrant);

// The closed outline of the ellipse in box, counter-clockwise from the
// middle of the right side, built from its first quadrant.
void ellipseOutline(const Box& box, const std::vector<Point>& quadrant, std::vector<Point>& out);

// An arc runs over the points [start, end) of the four mirrored quadrants
// counted as one counter-clockwise sequence; end may pass 4 * count once.
struct ArcSpan {
    i64 start;
    i64 end;
};

// The span of the counter-clockwise arc of box from the ray through
// (x3, y3) to the ray through (x4, y4).
ArcSpan arcSpan(const Box& box, const std::vector<Point>& quadrant, i64 x3, i64 y3, i64 x4, i64 y4);

// Point i of the sequence that arcSpan counts.
Point arcPoint(const Box& box, const std::vector<Point>& quadrant, i64 i);

}  // namespace kresbon::surface_detail
