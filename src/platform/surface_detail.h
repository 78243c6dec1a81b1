#pragma once

// Helpers shared by the files that implement Surface, and by its tests;
// not for other code.

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/surface.h"

namespace kresbon::surface_detail {

using i64 = std::int64_t;
using i128 = __int128;
using Point = Surface::Point;
using Box = Surface::Box;

// Long runs of pixels (a row of a very wide drawing, a very long line) are
// written in steps of this many pixels, a stop looked at between them.
constexpr i64 kStopStep = i64{1} << 20;

inline i128 floorDiv(i128 a, i128 b)
{
    i128 q = a / b;
    if (a % b != 0 && (a < 0) != (b < 0)) --q;
    return q;
}

inline i128 ceilDiv(i128 a, i128 b) { return -floorDiv(-a, b); }

// How the pixels of each depth are packed into the surface's words. Pixel i
// counts along the rows, stride pixels a row; each row is laid out as a row
// of a bitmap file of that depth: 4 bits high half-byte first, 16 bits as
// little-endian RGB555, 24 bits as blue, green, red, 32 bits as 0x00RRGGBB
// words. A value is what a pixel stores: a palette index, an RGB555 word or
// 0x00RRGGBB.
inline unsigned char* bytesOf(std::uint32_t* words) { return reinterpret_cast<unsigned char*>(words); }
inline const unsigned char* bytesOf(const std::uint32_t* words)
{
    return reinterpret_cast<const unsigned char*>(words);
}

struct Nibbles {
    static std::uint32_t get(const std::uint32_t* words, std::size_t i)
    {
        return (bytesOf(words)[i >> 1] >> ((i & 1) != 0 ? 0 : 4)) & 0xF;
    }
    static void set(std::uint32_t* words, std::size_t i, std::uint32_t value)
    {
        unsigned char& b = bytesOf(words)[i >> 1];
        b = (i & 1) != 0 ? static_cast<unsigned char>((b & 0xF0) | value)
                         : static_cast<unsigned char>((b & 0x0F) | (value << 4));
    }
    static void fill(std::uint32_t* words, std::size_t i, std::size_t count, std::uint32_t value)
    {
        if (count == 0) return;
        if ((i & 1) != 0) {
            set(words, i++, value);
            --count;
        }
        std::memset(bytesOf(words) + (i >> 1), static_cast<int>(value * 0x11), count >> 1);
        if ((count & 1) != 0) set(words, i + count - 1, value);
    }
};

struct Bytes {
    static std::uint32_t get(const std::uint32_t* words, std::size_t i) { return bytesOf(words)[i]; }
    static void set(std::uint32_t* words, std::size_t i, std::uint32_t value)
    {
        bytesOf(words)[i] = static_cast<unsigned char>(value);
    }
    static void fill(std::uint32_t* words, std::size_t i, std::size_t count, std::uint32_t value)
    {
        std::memset(bytesOf(words) + i, static_cast<int>(value), count);
    }
};

struct Words {
    static std::uint32_t get(const std::uint32_t* words, std::size_t i)
    {
        const unsigned char* p = bytesOf(words) + 2 * i;
        return p[0] | (std::uint32_t{p[1]} << 8);
    }
    static void set(std::uint32_t* words, std::size_t i, std::uint32_t value)
    {
        unsigned char* p = bytesOf(words) + 2 * i;
        p[0] = static_cast<unsigned char>(value);
        p[1] = static_cast<unsigned char>(value >> 8);
    }
    static void fill(std::uint32_t* words, std::size_t i, std::size_t count, std::uint32_t value)
    {
        for (std::size_t k = 0; k < count; ++k) set(words, i + k, value);
    }
};

struct Triples {
    static std::uint32_t get(const std::uint32_t* words, std::size_t i)
    {
        const unsigned char* p = bytesOf(words) + 3 * i;
        return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
    static void set(std::uint32_t* words, std::size_t i, std::uint32_t value)
    {
        unsigned char* p = bytesOf(words) + 3 * i;
        p[0] = static_cast<unsigned char>(value);
        p[1] = static_cast<unsigned char>(value >> 8);
        p[2] = static_cast<unsigned char>(value >> 16);
    }
    static void fill(std::uint32_t* words, std::size_t i, std::size_t count, std::uint32_t value)
    {
        for (std::size_t k = 0; k < count; ++k) set(words, i + k, value);
    }
};

struct Quads {
    static std::uint32_t get(const std::uint32_t* words, std::size_t i) { return words[i]; }
    static void set(std::uint32_t* words, std::size_t i, std::uint32_t value) { words[i] = value; }
    static void fill(std::uint32_t* words, std::size_t i, std::size_t count, std::uint32_t value)
    {
        std::fill_n(words + i, count, value);
    }
};

// Calls f with the packing of a surface of depth (4, 8, 16, 24 or 32).
template <typename F>
decltype(auto) withPacking(int depth, F&& f)
{
    switch (depth) {
    case 8:
        return f(Bytes{});
    case 16:
        return f(Words{});
    case 24:
        return f(Triples{});
    case 32:
        return f(Quads{});
    default:
        return f(Nibbles{});
    }
}

// A packing that also reports each write to an ink tap.
template <typename Packing>
struct Tapped : Packing {
    InkTap* tap;
    void set(std::uint32_t* words, std::size_t i, std::uint32_t value) const
    {
        Packing::set(words, i, value);
        tap->note(i);
    }
    void fill(std::uint32_t* words, std::size_t i, std::size_t count, std::uint32_t value) const
    {
        Packing::fill(words, i, count, value);
        tap->noteRun(i, count);
    }
};

// The columns where the edges of a polygon cross row y, sorted, at most
// 8 of them: the pixels from each even-numbered crossing up to the next are
// inside. Pixels are sampled at their integer coordinates; left and top
// edges belong to the polygon, right and bottom edges do not.
int polygonCrossings(const Point* points, int count, i64 y, std::array<i64, 8>& crossings);

// The corners of the band a wide pen of width w paints along a segment
// that is neither horizontal nor vertical.
void penBand(Point from, Point to, i64 w, Point band[4]);

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

namespace kresbon {

template <typename F>
decltype(auto) Surface::writePacked(F&& f)
{
    if (tap_.tap != nullptr) {
        return surface_detail::withPacking(depth_, [&](auto packing) {
            return f(surface_detail::Tapped<decltype(packing)>{{}, tap_.tap});
        });
    }
    return surface_detail::withPacking(depth_, f);
}

}  // namespace kresbon
