#include "render/shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/shape_sink.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

namespace {

void setOutlinePen(Surface& s, Rgb colour, int thickness, PenStyle style)
{
    s.setPen(colour, thickness, style);
    s.setBrush(colour, BrushStyle::Clear);
}

// Pixel coordinates come from script values and may lie far outside the
// surface; the surface clips, but sums such as x + r must not overflow.
int clampCoord(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, -(1LL << 30), 1LL << 30));
}

// The pen as vector output is told it, in the colours the surface holds.
// Gaps show only on thin styled lines drawn while the brush is solid; wide
// pens always draw solid.
ShapePen sinkPen(const Surface& s, Rgb colour, int thickness, PenStyle style)
{
    ShapePen pen{s.quantise(colour), std::max(thickness, 1), thickness > 1 ? PenStyle::Solid : style, std::nullopt};
    if (pen.style != PenStyle::Solid && s.opaqueBackground()) pen.gapColour = s.quantise(s.brushColour());
    return pen;
}

void rasterLine(Surface& s, int x1, int y1, int x2, int y2, Rgb colour, int thickness, PenStyle style)
{
    if (thickness == 1 && style == PenStyle::Solid && (x1 == x2 || y1 == y2)) {
        // Thin axis-parallel solid lines include both end pixels.
        if (x1 == x2) {
            long long from = std::max(std::min(y1, y2), -1);
            long long to = std::min<long long>(std::max(y1, y2), s.height());
            for (long long y = from; y <= to; ++y) s.setPixel(x1, static_cast<int>(y), colour);
        }
        if (y1 == y2) {
            long long from = std::max(std::min(x1, x2), -1);
            long long to = std::min<long long>(std::max(x1, x2), s.width());
            for (long long x = from; x <= to; ++x) s.setPixel(static_cast<int>(x), y1, colour);
        }
        return;
    }
    s.setPen(colour, thickness, style);
    s.moveTo(x1, y1);
    s.lineTo(x2, y2);
}

}  // namespace

void DrawPoint(Surface& s, int x, int y, Rgb colour)
{
    s.setPixel(x, y, colour);
    if (ShapeSink* sink = s.shapeSink()) sink->point(x, y, s.quantise(colour));
}

void DrawLine(Surface& s, int x1, int y1, int x2, int y2, Rgb colour, int thickness,
              PenStyle style)
{
    if (ShapeSink* sink = s.shapeSink()) sink->line(x1, y1, x2, y2, sinkPen(s, colour, thickness, style));
    rasterLine(s, x1, y1, x2, y2, colour, thickness, style);
}

void DrawRectangle(Surface& s, int x1, int y1, int x2, int y2, Rgb colour, int thickness,
                   PenStyle style)
{
    ShapeSink* const sink = s.shapeSink();
    if (thickness == 1 && style == PenStyle::Solid) {
        // Four lines on screen, one closed outline in vector output.
        if (sink) sink->rectangle(x1, y1, x2, y2, sinkPen(s, colour, 1, style));
        rasterLine(s, x1, y1, x1, y2, colour, 1, PenStyle::Solid);
        rasterLine(s, x2, y1, x2, y2, colour, 1, PenStyle::Solid);
        rasterLine(s, x1, y1, x2, y1, colour, 1, PenStyle::Solid);
        rasterLine(s, x1, y2, x2, y2, colour, 1, PenStyle::Solid);
        return;
    }
    setOutlinePen(s, colour, thickness, style);
    // The outline runs through the last column and row inside the box, and
    // a box without width or height draws nothing.
    if (sink && x1 != x2 && y1 != y2)
        sink->rectangle(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) - 1, std::max(y1, y2) - 1,
                        sinkPen(s, colour, thickness, style));
    s.rectangle(x1, y1, x2, y2);
}

void DrawEllipse(Surface& s, int x1, int y1, int x2, int y2, Rgb colour, int thickness,
                 PenStyle style)
{
    setOutlinePen(s, colour, thickness, style);
    if (ShapeSink* sink = s.shapeSink()) sink->ellipse(x1, y1, x2, y2, sinkPen(s, colour, thickness, style));
    s.ellipse(x1, y1, x2, y2);
}

void DrawCircle(Surface& s, int x, int y, int r, Rgb colour, int thickness, PenStyle style)
{
    long long lx = x, ly = y, lr = r;
    DrawEllipse(s, clampCoord(lx - lr), clampCoord(ly - lr), clampCoord(lx + lr),
                clampCoord(ly + lr), colour, thickness, style);
}

PixelPoint AnglePoint(int x, int y, int r, int a, int languageBase)
{
    if (a < 0 || a > 360) throw vyjimka(Text(languageBase, TextId::AngleMustBeFrom0To360));
    long long lx = x, ly = y, lr = r;
    switch (a) {
    case 0:
    case 360: return {clampCoord(lx + lr), y};
    case 90: return {x, clampCoord(ly - lr)};
    case 180: return {clampCoord(lx - lr), y};
    case 270: return {x, clampCoord(ly + lr)};
    default: break;
    }
    const long double t = std::tan(static_cast<long double>(a) * 2 * std::numbers::pi_v<long double> / 360);
    if (a < 90 || a > 270)
        return {clampCoord(lx + lr), clampCoord(static_cast<long long>(std::floor(ly - t * lr)))};
    return {clampCoord(lx - lr), clampCoord(static_cast<long long>(std::floor(ly + t * lr)))};
}

void DrawCirclePart(Surface& s, int x, int y, int r, int a1, int a2, Rgb colour,
                    int thickness, PenStyle style, int languageBase)
{
    setOutlinePen(s, colour, thickness, style);
    const PixelPoint p1 = AnglePoint(x, y, r, a1, languageBase);
    const PixelPoint p2 = AnglePoint(x, y, r, a2, languageBase);
    long long lx = x, ly = y, lr = r;
    if (ShapeSink* sink = s.shapeSink())
        sink->arc(clampCoord(lx - lr), clampCoord(ly - lr), clampCoord(lx + lr), clampCoord(ly + lr), p1.x, p1.y,
                  p2.x, p2.y, sinkPen(s, colour, thickness, style));
    s.arc(clampCoord(lx - lr), clampCoord(ly - lr), clampCoord(lx + lr), clampCoord(ly + lr),
          p1.x, p1.y, p2.x, p2.y);
    // The arc leaves out its last pixel; at these two end angles it is put back.
    if (a2 == 180) s.setPixel(clampCoord(lx - lr), clampCoord(ly - 1), colour);
    if (a2 == 270) s.setPixel(clampCoord(lx - 1), clampCoord(ly + lr), colour);
}

void FloodFillAt(Surface& s, int x, int y, BrushStyle fill, Rgb colour)
{
    s.setBrush(colour, fill);
    s.floodFill(x, y, s.pixel(x, y));
}

}  // namespace kresbon
