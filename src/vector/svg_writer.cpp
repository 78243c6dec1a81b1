#include <array>
#include <charconv>
#include <initializer_list>
#include <cmath>
#include <map>
#include <numbers>
#include <string>

#include "vector/vector_painter.h"
#include "vector/vector_writers.h"

namespace kresbon {

namespace {

// Drawing units with at most four decimals: a hundredth of a pixel at
// 100 pixels a unit, and short files.
void AppendNumber(std::string& out, double value)
{
    double rounded = std::round(value * 10000) / 10000;
    if (rounded == 0) rounded = 0;  // no "-0"
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 4);
    char* end = result.ptr;
    while (end > buffer && end[-1] == '0') --end;
    if (end > buffer && end[-1] == '.') --end;
    out.append(buffer, end);
}

std::string ColourText(Rgb c)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string s = "#";
    for (int shift = 20; shift >= 0; shift -= 4) s += digits[(c >> shift) & 0xF];
    return s;
}

void AppendEscaped(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Control characters have no place in XML 1.0.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
            break;
        }
    }
}

std::string Base64(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                                (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += table[n >> 18 & 63];
        out += table[n >> 12 & 63];
        out += i + 1 < bytes.size() ? table[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? table[n & 63] : '=';
    }
    return out;
}

// SVG in drawing units: the viewBox is the drawing in units, its width and
// height in millimetres. Layers are groups Inkscape takes for layers.
class SvgPainter : public VectorPainter {
public:
    SvgPainter(const DrawingRecord& record, const VectorFileSettings& settings)
        : unitsPerPixel_(1.0 / record.pixelsPerUnit()), layerName_(settings.layerName)
    {
        out_.reserve(4096 + record.shapeCount() * 32);
        const double w = record.width() * unitsPerPixel_, h = record.height() * unitsPerPixel_;
        out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
               "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" width=\"";
        AppendNumber(out_, w * settings.millimetresPerUnit);
        out_ += "mm\" height=\"";
        AppendNumber(out_, h * settings.millimetresPerUnit);
        out_ += "mm\" viewBox=\"0 0 ";
        AppendNumber(out_, w);
        out_ += ' ';
        AppendNumber(out_, h);
        out_ += "\">\n";
    }

    std::string finish()
    {
        flushPath();
        out_ += "</svg>\n";
        return std::move(out_);
    }

    void beginLayer(int number) override
    {
        flushPath();
        const std::string n = std::to_string(number);
        out_ += "<g inkscape:groupmode=\"layer\" id=\"layer" + n + "\" inkscape:label=\"";
        AppendEscaped(out_, layerName_ + n);
        out_ += "\">\n";
    }

    void endLayer() override
    {
        flushPath();
        out_ += "</g>\n";
    }

    void fillRectangle(double x, double y, double width, double height, Rgb colour) override
    {
        flushPath();
        out_ += "<rect";
        boxAttributes(x, y, width, height);
        out_ += " fill=\"" + ColourText(colour) + "\"/>\n";
    }

    void strokePath(const std::vector<VectorPoint>& points, bool closed, const VectorStroke& stroke) override
    {
        // Consecutive strokes of one style share a path element.
        const std::string attributes = strokeAttributes(stroke);
        if (attributes != pathAttributes_) {
            flushPath();
            pathAttributes_ = attributes;
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            pathData_ += i == 0 ? 'M' : 'L';
            pair(points[i].x, points[i].y, pathData_);
        }
        if (closed) pathData_ += 'Z';
    }

    void strokeEllipse(const VectorEllipse& e, const VectorStroke& stroke) override
    {
        flushPath();
        if (!e.arc && stroke.dashes.empty()) {
            out_ += "<ellipse";
            attributes({{"cx", e.cx}, {"cy", e.cy}, {"rx", e.rx}, {"ry", e.ry}});
            out_ += ' ' + strokeAttributes(stroke) + "/>\n";
            return;
        }
        // Counter-clockwise on the screen is SVG's negative sweep; a part
        // of more than half a turn takes the large arc, a whole turn two.
        // The screen's dashes run that way round from the right too.
        std::string d;
        const double from = e.arc ? e.from : 0, to = e.arc ? e.to : 2 * std::numbers::pi;
        const VectorPoint start = e.at(from);
        d += 'M';
        pair(start.x, start.y, d);
        const double turn = to - from;
        const int pieces = turn > 6.283 ? 2 : 1;
        for (int i = 1; i <= pieces; ++i) {
            const VectorPoint end = e.at(from + turn * i / pieces);
            d += 'A';
            pair(e.rx, e.ry, d);
            d += turn / pieces > 3.14159265358979 ? " 0 1 0 " : " 0 0 0 ";
            pair(end.x, end.y, d);
        }
        out_ += "<path d=\"" + d + "\" " + strokeAttributes(stroke) + "/>\n";
    }

    void fillRegion(const std::vector<PixelLoop>& loops, Rgb colour, BrushStyle style) override
    {
        flushPath();
        std::string d;
        for (const PixelLoop& loop : loops) {
            for (std::size_t i = 0; i < loop.size(); ++i) {
                if (i == 0) {
                    d += 'M';
                    pair(loop[i].x, loop[i].y, d);
                } else if (loop[i].y == loop[i - 1].y) {
                    d += 'H';
                    number(loop[i].x, d);
                } else {
                    d += 'V';
                    number(loop[i].y, d);
                }
            }
            d += 'Z';
        }
        const std::string paint = style == BrushStyle::Solid ? ColourText(colour) : "url(#" + hatch(colour, style) + ")";
        out_ += "<path d=\"" + d + "\" fill=\"" + paint + "\" fill-rule=\"evenodd\"/>\n";
    }

    void text(const TextShape& t) override
    {
        flushPath();
        out_ += "<g transform=\"translate(";
        pair(t.anchorX, t.anchorY, out_);
        out_ += ")";
        if (t.angle != 0) out_ += " rotate(" + std::to_string(-t.angle) + ")";
        out_ += "\">\n";
        if (t.cellColour) fillRectangle(0, 0, t.width, t.ascent + t.descent, *t.cellColour);
        // Each character stands where the screen put it, and stays text.
        out_ += "<text xml:space=\"preserve\" font-family=\"";
        AppendEscaped(out_, t.family);
        out_ += "\" font-size=\"";
        number(t.pixelsPerEm);
        out_ += '"';
        if (t.bold) out_ += " font-weight=\"bold\"";
        if (t.italic) out_ += " font-style=\"italic\"";
        out_ += " fill=\"" + ColourText(t.colour) + "\" x=\"";
        for (std::size_t i = 0; i < t.penOffsets.size(); ++i) {
            if (i > 0) out_ += ' ';
            number(t.penOffsets[i]);
        }
        out_ += "\" y=\"";
        number(t.ascent);
        out_ += "\">";
        AppendEscaped(out_, t.utf8);
        out_ += "</text>\n";
        for (const TextShape::Stroke& s : t.strokes) fillRectangle(0, s.top, t.width, s.thickness, t.colour);
        out_ += "</g>\n";
    }

    void picture(const PictureShape& p) override
    {
        flushPath();
        const std::vector<std::uint8_t> jpeg = EmbeddedJpeg(p);
        const bool isJpeg = !jpeg.empty();
        const PictureBox box = StoredPixelsBox(p);
        out_ += "<image";
        boxAttributes(box.x, box.y, box.width, box.height);
        out_ += " preserveAspectRatio=\"none\" style=\"image-rendering:optimizeSpeed;image-rendering:pixelated\" xlink:href=\"data:image/";
        out_ += isJpeg ? "jpeg" : "png";
        out_ += ";base64,";
        out_ += Base64(isJpeg ? jpeg : PictureAsPng(*p.picture));
        out_ += "\"/>\n";
    }

private:
    void number(double pixels) { number(pixels, out_); }

    void number(double pixels, std::string& to) const { AppendNumber(to, pixels * unitsPerPixel_); }
    // Two numbers apart by a space, as path data and transforms write them.
    void pair(double x, double y, std::string& to) const
    {
        number(x, to);
        to += ' ';
        number(y, to);
    }
    // Attributes name="number" in drawing units, each after a space.
    void attributes(std::initializer_list<std::pair<const char*, double>> values)
    {
        for (const auto& [name, pixels] : values) {
            out_ += ' ';
            out_ += name;
            out_ += "=\"";
            number(pixels);
            out_ += '"';
        }
    }
    void boxAttributes(double x, double y, double width, double height)
    {
        attributes({{"x", x}, {"y", y}, {"width", width}, {"height", height}});
    }

    std::string strokeAttributes(const VectorStroke& s)
    {
        std::string a = "fill=\"none\" stroke=\"" + ColourText(s.colour) + "\" stroke-width=\"";
        number(s.width, a);
        a += '"';
        if (s.round) a += " stroke-linecap=\"round\" stroke-linejoin=\"round\"";
        if (!s.dashes.empty()) {
            a += " stroke-dasharray=\"";
            for (std::size_t i = 0; i < s.dashes.size(); ++i) {
                if (i > 0) a += ' ';
                number(s.dashes[i], a);
            }
            a += '"';
        }
        return a;
    }

    void flushPath()
    {
        if (pathData_.empty()) return;
        out_ += "<path d=\"" + pathData_ + "\" " + pathAttributes_ + "/>\n";
        pathData_.clear();
        pathAttributes_.clear();
    }

    // The 8x8 pattern of a hatch, defined where first used; its tiles line
    // up with the drawing's top-left corner as the screen's do.
    std::string hatch(Rgb colour, BrushStyle style)
    {
        const auto key = std::pair{colour, static_cast<int>(style)};
        if (auto it = hatches_.find(key); it != hatches_.end()) return it->second;
        const std::string id = "hatch" + std::to_string(hatches_.size() + 1);
        out_ += "<defs><pattern id=\"" + id + "\" patternUnits=\"userSpaceOnUse\" x=\"0\" y=\"0\"";
        attributes({{"width", 8}, {"height", 8}});
        out_ += "><path shape-rendering=\"crispEdges\" fill=\"" + ColourText(colour) + "\" d=\"";
        for (const TileRectangle& r : HatchTile(style)) {
            out_ += 'M';
            pair(r.x, r.y, out_);
            out_ += 'h';
            number(r.width);
            out_ += 'v';
            number(r.height);
            out_ += 'h';
            number(-r.width);
            out_ += 'Z';
        }
        out_ += "\"/></pattern></defs>\n";
        hatches_.emplace(key, id);
        return id;
    }

    double unitsPerPixel_;
    std::string layerName_;
    std::string out_;
    std::string pathData_;
    std::string pathAttributes_;
    std::map<std::pair<Rgb, int>, std::string> hatches_;
};

}  // namespace

std::string SvgDocument(const DrawingRecord& record, const VectorFileSettings& settings)
{
    SvgPainter painter(record, settings);
    PaintRecord(record, painter);
    return painter.finish();
}

}  // namespace kresbon
