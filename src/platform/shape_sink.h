#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace kresbon {

struct Picture;

// A pen as a shape was drawn with it: colour, width in pixels, line type, and
// the colour its gaps were painted in (none while the gaps stay clear).
struct ShapePen {
    Rgb colour = 0;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    std::optional<Rgb> gapColour;
};

// One row of a flood fill's region: pixels x0 <= x < x1 of row y.
struct FillSpan {
    int y;
    int x0;
    int x1;
};

// A line of text as the screen draws it: the anchor is the top-left corner of
// the first character cell, the glyphs stand at the pen offsets along the
// turned baseline, and the cell (width x ascent + descent) is painted in
// the cell colour first when there is one.
struct TextShape {
    double anchorX = 0;
    double anchorY = 0;
    int angle = 0;
    std::string utf8;                 // the characters, one a glyph
    std::vector<int> penOffsets;      // pixels along the baseline, one a character
    int width = 0;                    // pixels, the sum of the advances
    std::string family;               // as fontconfig names it
    std::string fontFile;             // the file the screen drew with
    int fontIndex = 0;
    double pixelsPerEm = 0;
    int ascent = 0;
    int descent = 0;
    bool bold = false;
    bool italic = false;
    bool fakeBold = false;
    bool fakeItalic = false;
    Rgb colour = 0;
    std::optional<Rgb> cellColour;
    // Underline and strike-out as the screen paints them: thickness rows
    // whose top lies `top` pixels below the cell's top.
    struct Stroke {
        int top;
        int thickness;
    };
    std::vector<Stroke> strokes;
};

// A placed picture: the decoded pixels, the file it came from and its box.
struct PictureShape {
    std::shared_ptr<const Picture> picture;
    std::string file;  // UTF-8
    bool jpegFile = false;
    bool pngFile = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Hears the shapes of the drawing commands beside the pixels a surface gets,
// in the same pixel coordinates, so that vector output follows the screen.
// A surface without one records nothing.
class ShapeSink {
public:
    virtual ~ShapeSink() = default;
    virtual void point(int x, int y, Rgb colour) = 0;
    // From the centre of pixel (x1, y1) to the centre of pixel (x2, y2).
    virtual void line(int x1, int y1, int x2, int y2, const ShapePen& pen) = 0;
    // The outline through the centres of the corner pixels (x1, y1) and (x2, y2).
    virtual void rectangle(int x1, int y1, int x2, int y2, const ShapePen& pen) = 0;
    // The ellipse inscribed in the right/bottom exclusive box.
    virtual void ellipse(int x1, int y1, int x2, int y2, const ShapePen& pen) = 0;
    // The counter-clockwise part of that ellipse from the ray through (x3, y3)
    // to the ray through (x4, y4).
    virtual void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const ShapePen& pen) = 0;
    // The region a flood fill reached, with its brush.
    virtual void fill(std::vector<FillSpan> region, Rgb colour, BrushStyle style) = 0;
    virtual void text(TextShape text) = 0;
    virtual void picture(PictureShape picture) = 0;
};

}  // namespace kresbon
