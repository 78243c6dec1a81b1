#include "render/rotated_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/fonts.h"
#include "platform/glyphs.h"
#include "platform/shape_sink.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

namespace {

struct ScreenPoint {
    double x;
    double y;
};

// The unturned text's own axes placed on the screen: u runs along the
// baseline direction, v down the character cell, both from the anchor.
struct TextFrame {
    double x;
    double y;
    double cos;
    double sin;

    ScreenPoint at(double u, double v) const { return {x + u * cos + v * sin, y - u * sin + v * cos}; }
};

TextFrame FrameAt(PixelPoint anchor, int angle)
{
    const Turn t = TurnOf(angle);
    return {static_cast<double>(anchor.x), static_cast<double>(anchor.y), t.cos, t.sin};
}

// First pixel index whose centre lies at or after the position.
std::int64_t FirstCentreFrom(double position)
{
    return static_cast<std::int64_t>(std::ceil(position - 0.5));
}

// Calls paint(row, from, to) for the pixels whose centres lie inside the
// turned box [u0, u1) x [v0, v1) of the text's own axes, clipped to the
// surface. Unturned, that is exactly the pixels u0 <= x - anchor < u1 and
// v0 <= y - anchor < v1.
template <typename PaintSpan>
void ForTurnedBox(const Surface& s, const TextFrame& f, double u0, double v0, double u1, double v1,
                  PaintSpan paint)
{
    if (u0 >= u1 || v0 >= v1) return;
    const ScreenPoint corner[4] = {f.at(u0, v0), f.at(u1, v0), f.at(u1, v1), f.at(u0, v1)};
    double top = corner[0].y, bottom = corner[0].y;
    for (const ScreenPoint& p : corner) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    const std::int64_t firstRow = std::max<std::int64_t>(0, FirstCentreFrom(top));
    const std::int64_t endRow = std::min<std::int64_t>(s.height(), FirstCentreFrom(bottom));
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        const double centre = static_cast<double>(row) + 0.5;
        double left = std::numeric_limits<double>::infinity();
        double right = -left;
        for (int i = 0; i < 4; ++i) {
            const ScreenPoint& a = corner[i];
            const ScreenPoint& b = corner[(i + 1) % 4];
            const bool crosses = (a.y <= centre && centre < b.y) || (b.y <= centre && centre < a.y);
            if (!crosses) continue;
            const double x = a.x + (centre - a.y) * (b.x - a.x) / (b.y - a.y);
            left = std::min(left, x);
            right = std::max(right, x);
        }
        if (!(left < right)) continue;
        const std::int64_t from = std::max<std::int64_t>(0, FirstCentreFrom(left));
        const std::int64_t to = std::min<std::int64_t>(s.width(), FirstCentreFrom(right));
        if (from < to) paint(static_cast<int>(row), static_cast<int>(from), static_cast<int>(to));
    }
}

void FillTurnedBox(Surface& s, const TextFrame& f, double u0, double v0, double u1, double v1, Rgb colour)
{
    ForTurnedBox(s, f, u0, v0, u1, v1, [&s, colour](int row, int from, int to) {
        for (int col = from; col < to; ++col) s.setPixel(col, row, colour);
    });
}

// The cell background is the brush colour, which the surface paints fastest.
void FillCells(Surface& s, const TextFrame& f, double width, double height)
{
    ForTurnedBox(s, f, 0, 0, width, height, [&s](int row, int from, int to) { s.fillRect(from, row, to, row + 1); });
}

// The box of a glyph's ink relative to its pen position, right and bottom
// exclusive; empty (left >= right) for a glyph without ink.
struct InkBox {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
};

InkBox InkBoxOf(const GlyphImage& glyph)
{
    if (glyph.runs.empty()) return {};
    InkBox box{glyph.runs[0].x0, glyph.runs[0].y, glyph.runs[0].x1, glyph.runs[0].y + 1};
    for (const InkRun& run : glyph.runs) {
        box.left = std::min<std::int64_t>(box.left, run.x0);
        box.right = std::max<std::int64_t>(box.right, run.x1);
        box.top = std::min<std::int64_t>(box.top, run.y);
        box.bottom = std::max<std::int64_t>(box.bottom, run.y + 1);
    }
    return box;
}

void PaintGlyph(Surface& s, const GlyphImage& glyph, std::int64_t penX, std::int64_t penY, Rgb colour)
{
    for (const InkRun& run : glyph.runs) {
        const std::int64_t row = penY + run.y;
        if (row < 0 || row >= s.height()) continue;
        const std::int64_t from = std::max<std::int64_t>(0, penX + run.x0);
        const std::int64_t to = std::min<std::int64_t>(s.width(), penX + run.x1);
        for (std::int64_t col = from; col < to; ++col) s.setPixel(static_cast<int>(col), static_cast<int>(row), colour);
    }
}

// Where a stroke `position` pixels above the baseline begins below the
// cell's top.
int StrokeTop(int ascent, int position, int thickness) { return ascent - (position + thickness / 2); }

// A line along the whole text, thickness rows high, whose middle lies
// `position` pixels above the baseline.
void FillStroke(Surface& s, const TextFrame& f, int ascent, double width, int position, int thickness, Rgb colour)
{
    const double top = StrokeTop(ascent, position, thickness);
    FillTurnedBox(s, f, 0, top, width, top + thickness, colour);
}

TextShape DescribeText(const Surface& s, const TextFrame& f, int angle, const FontRequest& request,
                       const FontMetrics& metrics,
                       const std::vector<const GlyphImage*>& glyphs, Rgb colour, TextStyle style,
                       std::string_view text)
{
    TextShape shape;
    shape.anchorX = f.x;
    shape.anchorY = f.y;
    shape.angle = (angle % 360 + 360) % 360;
    shape.family = request.family;
    shape.utf8 = Cp1250ToUtf8(text);
    int advance = 0;
    for (const GlyphImage* glyph : glyphs) {
        shape.penOffsets.push_back(advance);
        advance += glyph->advance;
    }
    shape.width = advance;
    shape.fontFile = metrics.file;
    shape.fontIndex = metrics.faceIndex;
    shape.pixelsPerEm = metrics.pixelsPerEm > 0 ? metrics.pixelsPerEm : metrics.cellHeight();
    shape.ascent = metrics.ascent;
    shape.descent = metrics.descent;
    shape.bold = style.bold;
    shape.italic = style.italic;
    shape.fakeBold = metrics.fakeBold;
    shape.fakeItalic = metrics.fakeItalic;
    shape.colour = s.quantise(colour);
    if (s.opaqueBackground()) shape.cellColour = s.quantise(s.brushColour());
    if (style.underline)
        shape.strokes.push_back({StrokeTop(metrics.ascent, metrics.underlinePosition, metrics.underlineThickness),
                                 metrics.underlineThickness});
    if (style.strikeOut)
        shape.strokes.push_back({StrokeTop(metrics.ascent, metrics.strikeoutPosition, metrics.strikeoutThickness),
                                 metrics.strikeoutThickness});
    return shape;
}

}  // namespace

void DrawRotatedText(Surface& s, PixelPoint anchor, int angle, int height, Rgb colour,
                     std::string_view fontName, TextStyle style, std::string_view text,
                     int languageBase)
{
    const SharedRasteriserHandle fonts = SharedFontRasteriser();
    const FontRequest request{Cp1250ToUtf8(ResolveFontFamily(fontName)), height, style.bold, style.italic};
    const FontMetrics metrics = fonts->select(request);
    if (angle != 0 && !metrics.trueType) {
        throw vyjimka(Text(languageBase, TextId::FontIsNotAbleRotationOfTextHead) + '"' + std::string(fontName) + '"' +
                      Text(languageBase, TextId::FontIsNotAbleRotationOfTextTail));
    }

    // A glyph and its ink box for each of the 256 bytes, made on first use,
    // so that a long text costs its distinct characters and its length.
    struct Character {
        const GlyphImage* glyph = nullptr;
        InkBox ink;
    };
    std::array<Character, 256> characters{};
    const auto character = [&](char byte) -> const Character& {
        Character& c = characters[static_cast<unsigned char>(byte)];
        if (c.glyph == nullptr) {
            c.glyph = &fonts->glyph(Cp1250ToUnicode(static_cast<unsigned char>(byte)), angle);
            c.ink = InkBoxOf(*c.glyph);
        }
        return c;
    };
    std::int64_t width = 0;
    for (const char byte : text) {
        // Each new glyph of a large size takes a while to make.
        if (s.stopped()) return;
        width += character(byte).glyph->advance;
    }

    const TextFrame frame = FrameAt(anchor, angle);
    if (s.opaqueBackground()) FillCells(s, frame, static_cast<double>(width), metrics.cellHeight());
    const ScreenPoint baseline = frame.at(0, metrics.ascent);
    std::int64_t advance = 0;
    for (const char byte : text) {
        if (s.stopped()) return;
        const Character& c = character(byte);
        const std::int64_t penX = std::llround(baseline.x + static_cast<double>(advance) * frame.cos);
        const std::int64_t penY = std::llround(baseline.y - static_cast<double>(advance) * frame.sin);
        // A glyph wholly outside the drawing costs nothing.
        if (penX + c.ink.right > 0 && penX + c.ink.left < s.width() && penY + c.ink.bottom > 0 &&
            penY + c.ink.top < s.height())
            PaintGlyph(s, *c.glyph, penX, penY, colour);
        advance += c.glyph->advance;
    }
    const auto w = static_cast<double>(width);
    if (ShapeSink* sink = s.shapeSink()) {
        std::vector<const GlyphImage*> glyphs;
        glyphs.reserve(text.size());
        for (const char byte : text) glyphs.push_back(character(byte).glyph);
        sink->text(DescribeText(s, frame, angle, request, metrics, glyphs, colour, style, text));
    }
    if (style.underline) {
        FillStroke(s, frame, metrics.ascent, w, metrics.underlinePosition, metrics.underlineThickness, colour);
    }
    if (style.strikeOut) {
        FillStroke(s, frame, metrics.ascent, w, metrics.strikeoutPosition, metrics.strikeoutThickness, colour);
    }
}

}  // namespace kresbon
