#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/ink_tap.h"

namespace kresbon {

class ShapeSink;

// The packed pixels of a surface: whole words, zero when made. They are
// mapped from the system, so that memory asked for is taken only when it
// is first written, and an old block can be grown into a new one.
class PixelWords {
public:
    PixelWords() = default;
    // Throws std::bad_alloc when the words cannot be had.
    explicit PixelWords(std::size_t count);
    // count words, taken from previous's block (grown or shrunk in place
    // where the system allows) when a fresh block cannot be had; previous
    // is then left empty. Throws std::bad_alloc, with previous untouched,
    // when neither works.
    PixelWords(std::size_t count, PixelWords& previous);
    PixelWords(const PixelWords& other);
    PixelWords(PixelWords&& other) noexcept;
    PixelWords& operator=(PixelWords other) noexcept;
    ~PixelWords();

    std::uint32_t* data() { return data_; }
    const std::uint32_t* data() const { return data_; }
    std::size_t size() const { return count_; }
    bool operator==(const PixelWords& other) const;

private:
    std::uint32_t* data_ = nullptr;
    std::size_t count_ = 0;
};

// A colour as 0x00RRGGBB.
using Rgb = std::uint32_t;

constexpr Rgb makeRgb(int r, int g, int b)
{
    return (static_cast<Rgb>(r & 0xFF) << 16) | (static_cast<Rgb>(g & 0xFF) << 8) |
           static_cast<Rgb>(b & 0xFF);
}
constexpr int redOf(Rgb c) { return (c >> 16) & 0xFF; }
constexpr int greenOf(Rgb c) { return (c >> 8) & 0xFF; }
constexpr int blueOf(Rgb c) { return c & 0xFF; }

// The five pen styles, numbered as the classic Windows pen styles.
enum class PenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4 };

// Brush styles, numbered as the classic brush-style enumeration.
enum class BrushStyle {
    Solid = 0,
    Clear = 1,
    Horizontal = 2,
    Vertical = 3,
    FDiagonal = 4,
    BDiagonal = 5,
    Cross = 6,
    DiagCross = 7
};

// The dash rhythm of a thin styled pen: pixel runs along the major axis,
// on first, then off, on, ...; empty for Solid.
std::span<const int> DashRuns(PenStyle style);

// Whether a hatch brush paints pixel (x, y) of the image (its 8x8 pattern
// lines up with the image origin); false for Solid and Clear.
bool HatchPixel(BrushStyle style, int x, int y);

// A raster drawing surface with the pixel rules of the classic Windows
// graphics interface: GIQ lines without their end pixel, standard dash
// patterns, hatch brushes aligned to the image origin, right/bottom
// exclusive boxes, counter-clockwise arcs and a 4-connected surface flood fill.
//
// Every colour that reaches the surface is first quantised to the surface's
// depth (4 bits: nearest of the 16 VGA colours; 8 bits: nearest of the fixed
// halftone palette; 16 bits: RGB555; 24 and 32 bits: exact), so reading a
// pixel gives what a real device of that depth would hold. The pixels are
// kept packed at that depth, as the rows of a bitmap file of the depth are:
// a 4-bit drawing takes half a byte a pixel, a 24-bit one three bytes.
class Surface {
public:
    // depth is 4, 8, 16, 24 or 32; any other value is taken as 4.
    // Throws std::bad_alloc when the pixels cannot be allocated and
    // std::length_error for a negative size.
    Surface(int width, int height, int depth);
    // The same, except that when fresh memory cannot be had the pixels of
    // previous are taken over (previous is then left without pixels, fit
    // only to be dropped); throws std::bad_alloc with previous untouched
    // when neither works. A drawing that replaces another thus never needs
    // both in memory, and the old one stays whole when the new cannot be
    // made.
    Surface(int width, int height, int depth, Surface& previous);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }

    // The colours of row y (0 <= y < height()), into out[0 .. width()).
    void readRow(int y, std::span<Rgb> out) const;
    // The palette indices of row y of a 4- or 8-bit surface, into
    // out[0 .. width()).
    void readIndices(int y, std::span<std::uint8_t> out) const;
    // Every pixel's colour, row by row: a copy for small drawings.
    std::vector<Rgb> colours() const;

    // The palette of a 4- or 8-bit surface (16 or 256 entries), empty otherwise.
    const std::vector<Rgb>& palette() const;

    // The colour a pixel of this surface holds when it is written with c.
    Rgb quantise(Rgb c) const;

    void setPen(Rgb colour, int width, PenStyle style);
    void setBrush(Rgb colour, BrushStyle style);
    Rgb brushColour() const { return brushColour_; }
    BrushStyle brushStyle() const { return brushStyle_; }
    // Opaque while the brush is solid: gaps of styled lines and hatch gaps
    // are then painted in the brush colour.
    bool opaqueBackground() const { return brushStyle_ == BrushStyle::Solid; }

    // Paints x1 <= x < x2, y1 <= y < y2 with the brush colour (always solid).
    void fillRect(int x1, int y1, int x2, int y2);
    // Writing outside the image does nothing; reading outside gives 0.
    void setPixel(int x, int y, Rgb colour);
    Rgb pixel(int x, int y) const;
    // Writes colours to the pixels from (x, y) rightwards, each as setPixel
    // would.
    void setPixels(int x, int y, std::span<const Rgb> colours);

    void moveTo(int x, int y);
    // Draws with the pen from the current position; the end pixel is left out.
    void lineTo(int x, int y);
    void rectangle(int x1, int y1, int x2, int y2);
    void ellipse(int x1, int y1, int x2, int y2);
    // The counter-clockwise part of the ellipse inscribed in the box, from the
    // ray through (x3, y3) to the ray through (x4, y4).
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Paints with the brush the 4-connected area around (x, y) whose pixels
    // hold exactly the colour surfaceColour (after quantisation).
    void floodFill(int x, int y, Rgb surfaceColour);

    // Every pixel written from now on is reported to tap; nullptr stops the
    // reports. Without a tap writing costs nothing extra. The tap belongs to
    // this surface object: a copy starts without one, and assigning pixels
    // keeps the tap of the surface assigned to.
    void setInkTap(InkTap* tap) { tap_.tap = tap; }
    // The index under which a tap hears of pixel (x, y) (inside the image).
    std::size_t pixelIndex(int x, int y) const
    {
        return static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x);
    }
    // Pixel indices run from 0 to this, exclusive.
    std::size_t pixelIndexCount() const { return stride_ * static_cast<std::size_t>(height_); }
    // Same size, depth and pixels.
    bool samePixels(const Surface& other) const;
    // The listener that hears the shapes drawn on this surface and the
    // regions its flood fills reach, for vector output; nullptr (the
    // default) for none. The surface does not own it.
    void setShapeSink(ShapeSink* sink) { shapeSink_ = sink; }
    ShapeSink* shapeSink() const { return shapeSink_; }
    // Once stop is set, long drawing operations (wide pens, fills, spans)
    // end part-way, keeping what they drew; nullptr for none. The caller
    // finds out from the flag itself.
    void setStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }
    const std::atomic<bool>* stopFlag() const { return stop_; }
    bool stopped() const { return stop_ != nullptr && stop_->load(std::memory_order_relaxed); }

    // Device coordinates widened so that shapes built from extreme int
    // arguments never overflow.
    struct Point {
        std::int64_t x;
        std::int64_t y;
        bool operator==(const Point&) const = default;
    };
    // An ordered box, right and bottom exclusive.
    struct Box {
        std::int64_t left;
        std::int64_t top;
        std::int64_t right;
        std::int64_t bottom;
        std::int64_t width() const { return right - left; }
        std::int64_t height() const { return bottom - top; }
    };

private:
    void startDrawing();

    struct CacheEntry {
        Rgb key;
        std::uint32_t index;
    };

    static Box orderedBox(int x1, int y1, int x2, int y2);
    // What a pixel of this surface stores for a colour, and back.
    std::uint32_t encode(Rgb c) const;
    Rgb decode(std::uint32_t value) const;
    std::uint32_t nearestIndex(Rgb c) const;
    bool intersectsImage(const Box& box, std::int64_t margin) const;
    // Calls f with the packing of this surface's depth, one that also tells
    // the ink tap of each write while a tap is attached.
    template <typename F>
    decltype(auto) writePacked(F&& f);

    void strokePolyline(const Point* points, std::size_t count, bool closed);
    void thinSegment(Point from, Point to);
    void wideSegment(Point from, Point to);
    void strokeWide(const Point* points, std::size_t count, bool closed);
    void stampPenDisk(Point centre);
    void fillPolygon(const Point* points, int count, std::uint32_t value);
    void paintSpan(std::int64_t y, std::int64_t x0, std::int64_t x1, std::uint32_t value);
    // Writes value to pixel indices first <= i < first + count.
    void fillPixels(std::size_t first, std::size_t count, std::uint32_t value);
    void paintBrushSpan(std::int64_t y, std::int64_t x0, std::int64_t x1);

    void plotThinEllipse(const Box& box);
    void plotThinArc(const Box& box, std::int64_t start, std::int64_t end);
    void fillEllipseInterior(const Box& box);
    void approximateEllipseArc(const Box& box, double fromAngle, double toAngle, bool closed);
    void fillApproximateEllipse(const Box& box);
    bool thinSolidPen() const { return penWidth_ == 1 && penStyle_ == PenStyle::Solid; }

    int width_;
    int height_;
    int depth_;
    // Pixels per row: the width, rounded up to whole bytes at 4 bits.
    std::size_t stride_;
    // The packed pixels; whole words so that 32-bit pixels are plain words.
    PixelWords words_;
    Rgb penColour_ = 0;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    Rgb brushColour_ = 0xFFFFFF;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    int curX_ = 0;
    int curY_ = 0;
    struct TapLink {
        InkTap* tap = nullptr;
        TapLink() = default;
        TapLink(const TapLink&) {}
        TapLink& operator=(const TapLink&) { return *this; }
    };
    TapLink tap_;
    ShapeSink* shapeSink_ = nullptr;

    // The stored values of the pen and brush colours.
    std::uint32_t penValue_ = 0;
    std::uint32_t brushValue_ = 0;
    // Position in the dash pattern of the pixel about to be drawn.
    int dashPos_ = 0;
    // Palette look-ups already made (colour to index); quantise() fills it,
    // so one surface must not be used from several threads at once, not even
    // for reading.
    mutable std::array<CacheEntry, 256> nearestCache_{};
    // The round cap of the current wide pen, as [start, end) column offsets
    // per row from its top row penDiskTop_ (relative to the vertex).
    std::vector<std::array<int, 2>> penDisk_;
    int penDiskTop_ = 0;
    // A row of the disk at least as wide as any other.
    int penDiskWidest_ = 0;
    std::vector<Point> quadrant_;
    std::vector<Point> outline_;
    const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace kresbon
