#include <dxflib/dl_dxf.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>
#include <tuple>

#include "platform/encoding.h"
#include "vector/vector_painter.h"
#include "vector/vector_writers.h"

namespace kresbon {

namespace {

// Lineweights are hundredths of a millimetre from a fixed list; a pen gets
// the nearest, and a one-pixel line at a small scale the thinnest.
int Lineweight(double millimetres)
{
    static constexpr int weights[] = {0,  5,  9,  13, 15, 18, 20,  25,  30,  35,  40,  50,
                                      53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
    const double wanted = millimetres * 100;
    int best = 0;
    for (int w : weights)
        if (std::abs(w - wanted) < std::abs(best - wanted)) best = w;
    return best;
}

// Texts are written in the drawing's own code page, which the header names.
std::string DxfText(std::string_view utf8)
{
    std::string text = Utf8ToCp1250(utf8);
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return text;
}

int TrueColour(Rgb c) { return static_cast<int>(c & 0xFFFFFF); }

// The dash runs of each line type as DXF line types, in millimetres.
struct LineTypeName {
    PenStyle style;
    const char* name;
};
constexpr LineTypeName LineTypes[] = {{PenStyle::Dash, "KRESBON_DASH"},
                                      {PenStyle::Dot, "KRESBON_DOT"},
                                      {PenStyle::DashDot, "KRESBON_DASHDOT"},
                                      {PenStyle::DashDotDot, "KRESBON_DASHDOTDOT"}};

// DXF in millimetres with y upwards: layers of the same names as the
// screen's, true colours, lineweights, and the dash rhythm as line types
// whose scale stretches them along slanted lines as the screen does.
class DxfPainter : public VectorPainter {
public:
    DxfPainter(const DrawingRecord& record, const VectorFileSettings& settings, DL_Dxf& dxf, DL_WriterA& w)
        : mm_(settings.millimetresPerUnit / record.pixelsPerUnit()), height_(record.height()), dxf_(dxf), w_(w)
    {
        for (const DrawingRecord::Layer& layer : record.layers())
            layerNames_[layer.number] = settings.layerName + std::to_string(layer.number);
    }

    void writeTables()
    {
        dxf_.writeHeader(w_);
        w_.dxfString(9, "$DWGCODEPAGE");
        w_.dxfString(3, "ANSI_1250");
        w_.dxfString(9, "$INSUNITS");
        w_.dxfInt(70, 4);  // millimetres
        w_.dxfString(9, "$MEASUREMENT");
        w_.dxfInt(70, 1);  // metric
        w_.dxfString(9, "$LWDISPLAY");
        w_.dxfInt(290, 1);
        w_.sectionEnd();
        w_.sectionTables();
        dxf_.writeVPort(w_);
        w_.tableLinetypes(3 + static_cast<int>(std::size(LineTypes)));
        dxf_.writeLinetype(w_, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
        dxf_.writeLinetype(w_, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
        dxf_.writeLinetype(w_, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
        for (const LineTypeName& type : LineTypes) {
            std::vector<double> pattern;
            double length = 0;
            bool on = true;
            for (int run : DashRuns(type.style)) {
                pattern.push_back((on ? 1 : -1) * run * mm_);
                length += run * mm_;
                on = !on;
            }
            dxf_.writeLinetype(w_, DL_LinetypeData(type.name, type.name, 0, static_cast<int>(pattern.size()), length,
                                                   pattern.data()));
        }
        w_.tableEnd();
        w_.tableLayers(1 + static_cast<int>(layerNames_.size()));
        dxf_.writeLayer(w_, DL_LayerData("0", 0), DL_Attributes("", 7, -1, -1, "CONTINUOUS"));
        for (const auto& [number, name] : layerNames_)
            dxf_.writeLayer(w_, DL_LayerData(name, 0), DL_Attributes("", 7, -1, -1, "CONTINUOUS"));
        w_.tableEnd();
        w_.tableStyle(1);
        dxf_.writeStyle(w_, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, 2.5, "arial.ttf", ""));
        w_.tableEnd();
        dxf_.writeView(w_);
        dxf_.writeUcs(w_);
        w_.tableAppid(1);
        dxf_.writeAppid(w_, "ACAD");
        w_.tableEnd();
        dxf_.writeDimStyle(w_, 1, 1, 1, 1, 1);
        // The block records of model and paper space only: a third paper
        // space would need a layout object of its own.
        w_.dxfString(0, "TABLE");
        w_.dxfString(2, "BLOCK_RECORD");
        w_.dxfHex(5, 1);
        w_.dxfString(100, "AcDbSymbolTable");
        w_.dxfInt(70, 2);
        for (const auto& [handle, name, layout] : {std::tuple{0x1F, "*Model_Space", 0x22},
                                                   std::tuple{0x1B, "*Paper_Space", 0x1E}}) {
            w_.dxfString(0, "BLOCK_RECORD");
            w_.dxfHex(5, handle);
            w_.dxfString(100, "AcDbSymbolTableRecord");
            w_.dxfString(100, "AcDbBlockTableRecord");
            w_.dxfString(2, name);
            w_.dxfHex(340, layout);
        }
        w_.tableEnd();
        w_.sectionEnd();
        w_.sectionBlocks();
        dxf_.writeBlock(w_, DL_BlockData("*Model_Space", 0, 0.0, 0.0, 0.0));
        dxf_.writeEndBlock(w_, "*Model_Space");
        dxf_.writeBlock(w_, DL_BlockData("*Paper_Space", 0, 0.0, 0.0, 0.0));
        dxf_.writeEndBlock(w_, "*Paper_Space");
        w_.sectionEnd();
        w_.sectionEntities();
    }

    void finish()
    {
        w_.sectionEnd();
        // The smallest objects section: the root dictionary, owned by
        // nothing, holding the empty group dictionary.
        w_.dxfString(0, "SECTION");
        w_.dxfString(2, "OBJECTS");
        w_.dxfString(0, "DICTIONARY");
        w_.dxfHex(5, 0xC);
        w_.dxfHex(330, 0);
        w_.dxfString(100, "AcDbDictionary");
        w_.dxfInt(281, 1);
        w_.dxfString(3, "ACAD_GROUP");
        w_.dxfHex(350, 0xD);
        w_.dxfString(0, "DICTIONARY");
        w_.dxfHex(5, 0xD);
        w_.dxfHex(330, 0xC);
        w_.dxfString(100, "AcDbDictionary");
        w_.dxfInt(281, 1);
        w_.sectionEnd();
        w_.dxfString(0, "EOF");
    }

    void beginLayer(int number) override { layer_ = layerNames_[number]; }
    void endLayer() override { layer_ = "0"; }

    // The background is the CAD program's own; the drawing's shapes are all.
    void fillRectangle(double x, double y, double width, double height, Rgb colour) override
    {
        if (layer_ == "0") return;
        solidBox(x, y, width, height, colour);
    }

    void strokePath(const std::vector<VectorPoint>& points, bool closed, const VectorStroke& stroke) override
    {
        const DL_Attributes a = attributes(stroke);
        if (points.size() == 2) {
            dxf_.writeLine(w_, DL_LineData(x(points[0].x), y(points[0].y), 0, x(points[1].x), y(points[1].y), 0), a);
            return;
        }
        dxf_.writePolyline(w_, DL_PolylineData(static_cast<int>(points.size()), 0, 0, closed ? 1 : 0), a);
        for (const VectorPoint& p : points) dxf_.writeVertex(w_, DL_VertexData(x(p.x), y(p.y), 0, 0));
        dxf_.writePolylineEnd(w_);
    }

    void strokeEllipse(const VectorEllipse& e, const VectorStroke& stroke) override
    {
        const DL_Attributes a = attributes(stroke);
        const double cx = x(e.cx), cy = y(e.cy), rx = e.rx * mm_, ry = e.ry * mm_;
        if (rx == ry) {
            if (e.arc)
                dxf_.writeArc(w_, DL_ArcData(cx, cy, 0, rx, e.from * 180 / std::numbers::pi, e.to * 180 / std::numbers::pi),
                              a);
            else
                dxf_.writeCircle(w_, DL_CircleData(cx, cy, 0, rx), a);
            return;
        }
        // An ellipse's major axis and the ratio of the minor one; its
        // parameter angles count from the major axis.
        const bool wide = rx >= ry;
        const double ratio = wide ? (rx > 0 ? ry / rx : 0) : rx / ry;
        const double shift = wide ? 0 : std::numbers::pi / 2;
        const double from = e.arc ? e.from - shift : 0, to = e.arc ? e.to - shift : 2 * std::numbers::pi;
        dxf_.writeEllipse(w_,
                          DL_EllipseData(cx, cy, 0, wide ? rx : 0, wide ? 0 : ry, 0, std::max(ratio, 1e-6), from, to),
                          a);
    }

    void fillRegion(const std::vector<PixelLoop>& loops, Rgb colour, BrushStyle style) override
    {
        // Hatches take the CAD program's ANSI31 (lines at 45 degrees) and
        // ANSI37 (crossed) patterns turned and scaled to the screen's 8-pixel
        // rhythm.
        double angle = 0, spacing = 8;
        std::string pattern = "SOLID";
        switch (style) {
        case BrushStyle::Horizontal: pattern = "ANSI31", angle = -45; break;
        case BrushStyle::Vertical: pattern = "ANSI31", angle = 45; break;
        case BrushStyle::FDiagonal: pattern = "ANSI31", angle = 90, spacing = 8 / std::numbers::sqrt2; break;
        case BrushStyle::BDiagonal: pattern = "ANSI31", spacing = 8 / std::numbers::sqrt2; break;
        case BrushStyle::Cross: pattern = "ANSI37", angle = 45; break;
        case BrushStyle::DiagCross: pattern = "ANSI37", spacing = 8 / std::numbers::sqrt2; break;
        default: break;
        }
        const bool solid = pattern == "SOLID";
        DL_Attributes a(layer_, 7, TrueColour(colour), 0, "CONTINUOUS");
        dxf_.writeHatch1(w_, DL_HatchData(static_cast<int>(loops.size()), solid, spacing * mm_ / 3.175, angle, pattern),
                         a);
        for (const PixelLoop& loop : loops) {
            dxf_.writeHatchLoop1(w_, DL_HatchLoopData(static_cast<int>(loop.size())));
            for (std::size_t i = 0; i < loop.size(); ++i) {
                const VectorPoint& p = loop[i];
                const VectorPoint& q = loop[(i + 1) % loop.size()];
                dxf_.writeHatchEdge(w_, DL_HatchEdgeData(x(p.x), y(p.y), x(q.x), y(q.y)));
            }
            dxf_.writeHatchLoop2(w_, DL_HatchLoopData(static_cast<int>(loop.size())));
        }
        dxf_.writeHatch2(w_, DL_HatchData(static_cast<int>(loops.size()), solid, spacing * mm_ / 3.175, angle, pattern),
                         a);
    }

    void text(const TextShape& t) override
    {
        const double c = std::cos(t.angle * std::numbers::pi / 180), s = std::sin(t.angle * std::numbers::pi / 180);
        // A point of the text's own frame (u along the baseline, v down the
        // cell) on the screen.
        auto at = [&](double u, double v) { return VectorPoint{t.anchorX + u * c + v * s, t.anchorY - u * s + v * c}; };
        if (t.cellColour) turnedBox(at, 0, 0, t.width, t.ascent + t.descent, *t.cellColour);
        const VectorPoint base = at(0, t.ascent);
        // A DXF text's height is that of its capitals, about 0.7 of the em.
        DL_Attributes a(layer_, 7, TrueColour(t.colour), 0, "CONTINUOUS");
        dxf_.writeText(w_,
                       DL_TextData(x(base.x), y(base.y), 0, x(base.x), y(base.y), 0, t.pixelsPerEm * 0.7 * mm_, 1.0, 0,
                                   0, 0, DxfText(t.utf8), "Standard", t.angle),
                       a);
        for (const TextShape::Stroke& stroke : t.strokes) turnedBox(at, 0, stroke.top, t.width, stroke.thickness, t.colour);
    }

    // DXF keeps pictures only as links to files beside it; the drawing's
    // file stands alone, so pictures are left out.
    void picture(const PictureShape&) override {}

private:
    double x(double px) const { return px * mm_; }
    double y(double py) const { return (height_ - py) * mm_; }

    DL_Attributes attributes(const VectorStroke& s) const
    {
        const char* type = "CONTINUOUS";
        for (const LineTypeName& t : LineTypes)
            if (!s.dashes.empty() && t.style == s.style) type = t.name;
        DL_Attributes a(layer_, 7, Lineweight(s.width * mm_), type, s.dashStretch);
        a.setColor24(TrueColour(s.colour));
        return a;
    }

    template <typename At>
    void turnedBox(At at, double u0, double v0, double w, double h, Rgb colour)
    {
        const VectorPoint corners[4] = {at(u0, v0), at(u0 + w, v0), at(u0 + w, v0 + h), at(u0, v0 + h)};
        fillRegion({PixelLoop(std::begin(corners), std::end(corners))}, colour, BrushStyle::Solid);
    }

    void solidBox(double px, double py, double w, double h, Rgb colour)
    {
        fillRegion({PixelLoop{{px, py}, {px + w, py}, {px + w, py + h}, {px, py + h}}}, colour, BrushStyle::Solid);
    }

    double mm_;
    int height_;
    DL_Dxf& dxf_;
    DL_WriterA& w_;
    std::map<int, std::string> layerNames_;
    std::string layer_ = "0";
};

// dxflib's own writer flushes its file at every line; this one gathers the
// text in memory, numbers written without the C locale. Its file stays
// closed: an empty name opens nothing.
class DxfBuffer : public DL_WriterA {
public:
    DxfBuffer() : DL_WriterA("", DL_Codes::AC1015) {}

    void dxfReal(int gc, double value) const override
    {
        code(gc);
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 12);
        std::string_view number(digits, result.ptr - digits);
        text += number;
        if (number.find_first_of(".e") == std::string_view::npos) text += ".0";
        text += '\n';
    }
    void dxfInt(int gc, int value) const override
    {
        code(gc);
        char digits[16];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        text += '\n';
    }
    void dxfHex(int gc, int value) const override
    {
        code(gc);
        char digits[16];
        const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(value), 16);
        for (char* c = digits; c != result.ptr; ++c) text += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        text += '\n';
    }
    void dxfString(int gc, const char* value) const override
    {
        code(gc);
        text += value;
        text += '\n';
    }
    void dxfString(int gc, const std::string& value) const override { dxfString(gc, value.c_str()); }

    mutable std::string text;

private:
    // Group codes stand right-aligned in three places, as dxflib writes them.
    void code(int gc) const
    {
        char digits[16] = {' ', ' ', ' '};
        char* end = std::to_chars(digits + 3, digits + sizeof digits, gc).ptr;
        const std::ptrdiff_t length = end - (digits + 3);
        text.append(digits + std::min<std::ptrdiff_t>(length, 3), end);
        text += '\n';
    }
};

}  // namespace

std::string DxfDocument(const DrawingRecord& record, const VectorFileSettings& settings)
{
    DxfBuffer buffer;
    // A line takes about 160 bytes; growing the text step by step would
    // copy it again and again.
    buffer.text.reserve(16384 + record.shapeCount() * 192);
    DL_Dxf dxf;
    DxfPainter painter(record, settings, dxf, buffer);
    painter.writeTables();
    PaintRecord(record, painter);
    painter.finish();
    return std::move(buffer.text);
}

}  // namespace kresbon
