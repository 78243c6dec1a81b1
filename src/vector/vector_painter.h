#pragma once

#include <optional>
#include <vector>

#include "vector/drawing_record.h"

namespace kresbon {

// A point in pixel space: pixel (x, y) covers x .. x + 1, y .. y + 1.
struct VectorPoint {
    double x;
    double y;
};

// A stroke as every vector format draws it: pixel widths and dash runs
// (on, off, ...; empty for solid) along the path. Wide pens have round caps
// and joins, as on the screen; thin ones butt caps.
struct VectorStroke {
    Rgb colour = 0;
    double width = 1;
    std::vector<double> dashes;
    bool round = false;
    // The line type the dashes come from and how far they are stretched.
    PenStyle style = PenStyle::Solid;
    double dashStretch = 1;

    bool operator==(const VectorStroke&) const = default;
};

// An ellipse or its counter-clockwise part from parameter angle `from` to
// `to` (radians, y up, to > from), centred at (cx, cy) with radii rx, ry.
struct VectorEllipse {
    double cx;
    double cy;
    double rx;
    double ry;
    bool arc = false;
    double from = 0;
    double to = 0;

    // The point at parameter angle t, in pixel space (y down).
    VectorPoint at(double t) const;
};

// A closed outline along pixel edges, corners only.
using PixelLoop = std::vector<VectorPoint>;

// The outline of a flood fill's region along the pixel edges: outer loops
// clockwise on the screen, holes the other way round, so that both the
// non-zero and the even-odd rule fill exactly the region's pixels.
std::vector<PixelLoop> TraceRegion(const std::vector<FillSpan>& region);

// The lit pixels of one 8x8 tile of a hatch as few rectangles: runs of a
// row, joined with the same runs of the rows below. Renderers that smooth
// edges then leave no seams inside a hatch line.
struct TileRectangle {
    int x, y, width, height;
};
std::vector<TileRectangle> HatchTile(BrushStyle style);

// What each vector writer draws; the shapes of a record reach it through
// PaintRecord, which holds the one translation from the screen's shapes.
class VectorPainter {
public:
    virtual ~VectorPainter() = default;
    virtual void beginLayer(int number) = 0;
    virtual void endLayer() = 0;
    virtual void fillRectangle(double x, double y, double width, double height, Rgb colour) = 0;
    // An open polyline, or a closed polygon.
    virtual void strokePath(const std::vector<VectorPoint>& points, bool closed, const VectorStroke& stroke) = 0;
    virtual void strokeEllipse(const VectorEllipse& ellipse, const VectorStroke& stroke) = 0;
    // Loops filled with the colour, or with the colour's 8x8 hatch that lines
    // up with the drawing's top-left corner.
    virtual void fillRegion(const std::vector<PixelLoop>& loops, Rgb colour, BrushStyle style) = 0;
    virtual void text(const TextShape& text) = 0;
    virtual void picture(const PictureShape& picture) = 0;
};

// The drawing's background and then its layers, shape by shape.
void PaintRecord(const DrawingRecord& record, VectorPainter& painter);

}  // namespace kresbon
