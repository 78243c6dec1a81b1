#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <variant>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "vector/save_as.h"
#include "vector/vector_painter.h"

namespace kresbon {
namespace {

class RecordHost : public Host {
public:
    int language = EnglishBase;
    bool layerShown(int layer) const override { return layer != 9; }
    int viewWidth() const override { return 100; }
    int viewHeight() const override { return 100; }
    int colourDepth() const override { return 24; }
    std::string programFolder() const override { return "."; }
    std::string currentScriptFile() const override { return ""; }
    int languageBase() const override { return language; }
};

// Twice the signed area of the loops: a region's pixel count when the holes
// run the other way round.
double LoopArea(const std::vector<PixelLoop>& loops)
{
    double area = 0;
    for (const PixelLoop& loop : loops)
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const VectorPoint& a = loop[i];
            const VectorPoint& b = loop[(i + 1) % loop.size()];
            area += a.x * b.y - b.x * a.y;
        }
    return area / 2;
}

TEST(TraceRegion, FollowsPixelEdgesWithHolesAndCornerTouches)
{
    // A 3x3 ring around a hole.
    const std::vector<FillSpan> ring{{0, 0, 3}, {1, 0, 1}, {1, 2, 3}, {2, 0, 3}};
    const std::vector<PixelLoop> loops = TraceRegion(ring);
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(loops[0].size(), 4u);
    EXPECT_EQ(loops[1].size(), 4u);
    EXPECT_DOUBLE_EQ(LoopArea(loops), 8);

    // Two blocks meeting at one corner, and an L whose corner is concave.
    const std::vector<FillSpan> touching{{5, 0, 2}, {6, 0, 2}, {7, 2, 4}, {8, 2, 4}, {9, 2, 3}};
    EXPECT_DOUBLE_EQ(LoopArea(TraceRegion(touching)), 9);
    for (const PixelLoop& loop : TraceRegion(touching))
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const VectorPoint& a = loop[i];
            const VectorPoint& b = loop[(i + 1) % loop.size()];
            EXPECT_TRUE(a.x == b.x || a.y == b.y) << "an edge off the pixel grid";
        }
}

TEST(DrawingRecord, KeepsWhatTheFillReachedWhenItRanAndNothingWhenOff)
{
    RecordHost host;
    Interpreter interpreter(host);
    const std::string script = "MaximumX = 40\nMaximumY = 30\nRectangle 5, 5, 15, 15\n"
                               "FillArea 10, 10, Solid, Red\nLine 0, 10, 40, 10, Solid, 3, Blue\n";
    interpreter.RunScript(SplitLines(script));
    EXPECT_EQ(interpreter.shapeRecord(), nullptr);
    EXPECT_THROW(SaveDrawingAs(interpreter.canvas(), nullptr, "/tmp/never.svg", {}), std::invalid_argument);

    interpreter.setShapeRecording(true);
    interpreter.RunScript(SplitLines(script));
    const DrawingRecord* record = interpreter.shapeRecord();
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->layers().size(), 1u);
    const auto& shapes = record->layers()[0].shapes;
    ASSERT_EQ(shapes.size(), 3u);
    const auto& fill = std::get<std::unique_ptr<RecordedFill>>(shapes[1]);
    long pixels = 0;
    for (const FillSpan& s : fill->region) pixels += s.x1 - s.x0;
    // The inside of the outline through columns and rows 5 to 15, before
    // the later line crossed it.
    EXPECT_EQ(pixels, 9 * 9);
    EXPECT_EQ(fill->colour, 0xFF0000u);
}

TEST(DrawingRecord, TellsLayersPensAndDimensionLinesAsTheScreenDrawsThem)
{
    RecordHost host;
    Interpreter interpreter(host);
    interpreter.setShapeRecording(true);
    interpreter.RunScript(SplitLines("MaximumX = 100\nMaximumY = 100\nLayer 3\nFillArea 1, 1, Solid, Yellow\n"
                                     "Line 0, 50, 100, 50, Dash, 1, Black\nLayer 9\nCircle 50, 50, 10\n"
                                     "Layer 2\nDimLine 10, 80, Inner, 90, 80, Outer\nLayer 3\nPoint 5, 5, Red\n"));
    const DrawingRecord& record = *interpreter.shapeRecord();
    ASSERT_EQ(record.layers().size(), 2u);
    EXPECT_EQ(record.layers()[0].number, 3);
    EXPECT_EQ(record.layers()[1].number, 2);
    // The hidden layer's circle is left out; the point joins its layer.
    EXPECT_EQ(record.layers()[0].shapes.size(), 3u);
    // The dashed line's gaps take the colour of the solid brush the fill left.
    const RecordedLine& dashed = std::get<RecordedLine>(record.layers()[0].shapes[1]);
    ASSERT_TRUE(dashed.pen.gapColour.has_value());
    EXPECT_EQ(*dashed.pen.gapColour, 0xFFFF00u);
    // One line and two strokes of the inner arrow, three of the outer one.
    EXPECT_EQ(record.layers()[1].shapes.size(), 6u);
}

TEST(SaveDrawingAs, WritesSvgAtTrueScaleWithNamedLayers)
{
    RecordHost host;
    host.language = CzechBase;
    Interpreter interpreter(host);
    interpreter.setShapeRecording(true);
    interpreter.RunScript(SplitLines("PixelsPerUnit = 4\nMaximumX = 50\nMaximumY = 25\nLayer 2\n"
                                     "Text 1, 1, \"a<b & \"\"c\"\"\", 0, 0, 0, 0, \"Arial\", Black, 5, 0\n"));
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "kresbon-record-test.svg";
    SaveDrawingAs(interpreter.canvas(), interpreter.shapeRecord(), path.string(), {2.5, CzechBase});
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::filesystem::remove(path);
    const std::string svg = text.str();
    EXPECT_NE(svg.find("width=\"125mm\" height=\"62.5mm\" viewBox=\"0 0 50 25\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("inkscape:label=\"Vrstva 2\""), std::string::npos);
    EXPECT_NE(svg.find(">a&lt;b &amp; &quot;c&quot;</text>"), std::string::npos) << svg;
}

// The many strokes of a long run go into the PDF as a form of their own,
// appended as a revision of cairo's file; a missing revision means the slow
// way through cairo was taken.
TEST(SaveDrawingAs, WritesALongRunOfLinesIntoThePdfAsOneForm)
{
    RecordHost host;
    Interpreter interpreter(host);
    interpreter.setShapeRecording(true);
    std::string script = "MaximumX = 100\nMaximumY = 100\nText 1, 1, \"first\", 0, 0, 0, 0, \"Arial\", Black, 5, 0\n";
    for (int i = 0; i < 100; ++i)
        script += "Line " + std::to_string(i) + ", 0, 99, " + std::to_string(i) + ", " + (i % 2 ? "Dash" : "Solid") +
                  ", 1, Black\n";
    interpreter.RunScript(SplitLines(script + "Text 1, 50, \"last\", 0, 0, 0, 0, \"Arial\", Black, 5, 0\n"));
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "kresbon-record-test.pdf";
    SaveDrawingAs(interpreter.canvas(), interpreter.shapeRecord(), path.string(), {1, EnglishBase});
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::filesystem::remove(path);
    const std::string pdf = bytes.str();
    const std::size_t form = pdf.find("/Subtype /Form");
    ASSERT_NE(form, std::string::npos);
    EXPECT_EQ(pdf.find("/Subtype /Form", form + 1), std::string::npos);
    EXPECT_NE(pdf.find("/Prev ", form), std::string::npos);
    EXPECT_TRUE(pdf.ends_with("%%EOF\n"));
}

}  // namespace
}  // namespace kresbon
