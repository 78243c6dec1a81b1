#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "codecs/file_access.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "interpreter/vocabulary.h"
#include "platform/texts.h"

namespace kresbon {
namespace {

constexpr Rgb White = 0xFFFFFF;
constexpr Rgb Black = 0x000000;
constexpr Rgb Red = 0xFF0000;

class TestHost : public Host {
public:
    std::array<bool, 10> shown{false, true, true, true, true, true, true, true, true, true};
    int width = 110;
    int height = 60;
    int depth = 24;
    int language = EnglishBase;
    std::string folder = "/nonexistent";
    std::string script;

    bool layerShown(int layer) const override { return layer >= 1 && layer <= 9 && shown[layer]; }
    int viewWidth() const override { return width; }
    int viewHeight() const override { return height; }
    int colourDepth() const override { return depth; }
    std::string programFolder() const override { return folder; }
    std::string currentScriptFile() const override { return script; }
    int languageBase() const override { return language; }
};

class InterpreterTest : public ::testing::Test {
protected:
    TestHost host;
    Interpreter interp{host};

    RunReport run(const std::string& script) { return interp.RunScript(SplitLines(script)); }

    // The message of a script that must fail, in English.
    std::string error(const std::string& script)
    {
        const RunReport r = run(script);
        EXPECT_FALSE(r.valid) << script;
        return r.message;
    }

    void expectValid(const std::string& script)
    {
        const RunReport r = run(script);
        EXPECT_TRUE(r.valid) << script << "\n -> " << r.message;
    }

    Rgb px(int x, int y) const { return interp.canvas().pixel(x, y); }

    int count(Rgb colour) const
    {
        int n = 0;
        for (Rgb p : interp.canvas().colours()) n += p == colour;
        return n;
    }
};

std::string T(int n) { return Text(EnglishBase, n); }

using Words = std::vector<std::string>;

TEST_F(InterpreterTest, DefaultDrawingFillsTheViewLessMargin)
{
    expectValid("");
    EXPECT_EQ(interp.canvas().width(), 100);
    EXPECT_EQ(interp.canvas().height(), 50);
    EXPECT_EQ(count(White), 100 * 50);
}

TEST_F(InterpreterTest, CanvasShapingAssignments)
{
    expectValid("PixelsPerUnit = 2\nMaximumX = 100\nMaximumY = 50");
    EXPECT_EQ(interp.canvas().width(), 200);
    EXPECT_EQ(interp.canvas().height(), 100);
    EXPECT_EQ(count(White), 200 * 100);

    expectValid("MaximumX = 100.7");
    EXPECT_EQ(interp.canvas().width(), 100);

    expectValid("PixelsPerUnit = 007");
    EXPECT_EQ(interp.state().pixelsPerUnit, 7);

    // A later canvas-shaping assignment erases what was drawn before it.
    expectValid("Point 1, 1, Black\nBackgroundColor = Red");
    EXPECT_EQ(count(Red), 100 * 50);
}

TEST_F(InterpreterTest, RejectedGlobalValues)
{
    for (const char* v : {"0", "1.5", "+2", "-1", ""})
        EXPECT_EQ(error(std::string("PixelsPerUnit = ") + v), T(262)) << v;
    for (const char* v : {"0", "-5", "2*50", "abc"})
        EXPECT_EQ(error(std::string("MaximumX = ") + v), T(263)) << v;
    EXPECT_EQ(error("MaximumY = 0"), T(264));
    EXPECT_EQ(error("DefaultDimAngle = 46"), T(268));
    EXPECT_EQ(error("DefaultDimAngle = 0"), T(268));
    expectValid("DefaultDimAngle = 45\nDefaultDimAngle = 1");
    EXPECT_EQ(error("ShiftX = 1,5"), T(271));
    EXPECT_EQ(error("ShiftX 1, 5"), T(270));
    EXPECT_EQ(error("ShiftY = a"), T(272));
    EXPECT_EQ(error("Layer = 10"), T(323));
    EXPECT_EQ(error("Layer = 0"), T(323));
    EXPECT_EQ(error("Layer 3, 4"), T(270));
    EXPECT_EQ(error("DefaultFontSize = 0"), T(267));
    EXPECT_EQ(error("DefaultDimLength = -1"), T(269));
    EXPECT_EQ(error("DefaultColor = grey"), T(256) + "\"grey\"" + T(257));
    EXPECT_EQ(error("BackgroundColor ="), T(256) + "\"\"" + T(257));
    EXPECT_EQ(error("DefaultFontName = Arial"), T(265) + "\"\"" + T(266));
    EXPECT_EQ(error("DefaultFontName = \"No Such Font 77\""), T(265) + "\"No Such Font 77\"" + T(266));
}

TEST_F(InterpreterTest, ExpressionsInGlobals)
{
    expectValid("DefaultFontSize = 2*5\nDefaultDimLength = 3+4");
    EXPECT_EQ(interp.state().defaultFontSize, 10);
    EXPECT_EQ(interp.state().defaultDimLength, 7);
    expectValid("DefaultFontName = \"Arial\"");
    EXPECT_EQ(interp.state().defaultFontName, "Arial");
}

TEST_F(InterpreterTest, ValuesTooLargeForTheDrawingAreScriptErrors)
{
    EXPECT_EQ(error("PixelsPerUnit = 99999999999"), T(359));
    EXPECT_EQ(error("Layer = 99999999999"), T(323));
    const std::string huge = error("PixelsPerUnit = 3\nPoint 1, 1, Red\nPixelsPerUnit = 100000");
    EXPECT_TRUE(huge.starts_with(T(357))) << huge;
    // The drawing of the last good scale stays, and so does that scale.
    EXPECT_EQ(interp.state().pixelsPerUnit, 3);
    EXPECT_EQ(interp.canvas().width(), 300);
    EXPECT_EQ(px(3, 3), Red);
    EXPECT_TRUE(error("MaximumX = 1E300").starts_with(T(357)));
}

TEST_F(InterpreterTest, UnitConversionFloorsShiftAndCoordinateSeparately)
{
    DrawingState s;
    s.shiftX = 0.5;
    EXPECT_EQ(ToPixelX(s, 0.5), 0);
    s.shiftX = 0;
    EXPECT_EQ(ToPixelX(s, -0.5), -1);
    s.pixelsPerUnit = 3;
    s.shiftY = 1.5;
    EXPECT_EQ(ToPixelY(s, 2.5), 4 + 7);
    EXPECT_EQ(ToPixels(s, 2.5), 7);
    // Whole numbers stay, negative fractions go down, however small or large.
    s.pixelsPerUnit = 1;
    for (long double v : {-3.0L, 3.0L, -1e-20L, -2.0000000001L, 1e15L + 0.5L, -1e15L - 0.5L,
                          0x1p62L - 1, -0x1p62L + 1, 1e30L, -1e30L, 0.0L, -0.0L})
        EXPECT_EQ(ToPixels(s, v),
                  static_cast<int>(std::clamp(std::floor(v), -0x1p30L, 0x1p30L))) << (double)v;
    EXPECT_EQ(ToPixels(s, std::numeric_limits<long double>::quiet_NaN()), 0);
}

TEST_F(InterpreterTest, ThinLinesAndRectanglesIncludeBothEnds)
{
    expectValid("Line 0, 0, 10, 0");
    for (int x = 0; x <= 10; ++x) EXPECT_EQ(px(x, 0), Black) << x;
    EXPECT_EQ(px(11, 0), White);
    EXPECT_EQ(count(Black), 11);

    expectValid("Line 0, 0, 10, 0, Dash");
    EXPECT_EQ(px(10, 0), White);  // the platform line leaves out its end pixel

    expectValid("Rectangle 0, 0, 10, 10");
    EXPECT_EQ(count(Black), 40);
    EXPECT_EQ(px(10, 10), Black);
    EXPECT_EQ(px(5, 5), White);

    expectValid("Rectangle 0, 0, 10, 10, Solid, 2");
    EXPECT_NE(count(Black), 40);
}

TEST_F(InterpreterTest, PointParametersAndColours)
{
    expectValid("Point 2*5, (3+4)/7, Red");
    EXPECT_EQ(px(10, 1), Red);
    EXPECT_EQ(error("Point 10, 20, Red, 5"), T(270));
    expectValid("Point 10, 20, Red,, 5");
    EXPECT_EQ(error("Point 10"), T(274));
    EXPECT_EQ(error("Point"), T(273));
    EXPECT_EQ(error("Point = 5"), T(274));
    EXPECT_EQ(error("Point a, 5"), T(273));
    EXPECT_EQ(error("Point 1, 1, orange"), T(256) + "\"orange\"" + T(257));

    expectValid("DefaultColor = rEd\nPoint 1, 1\nPoint 2, 2, defaultcolor\nPoint 3, 3, DEFAULTCOLOR");
    EXPECT_EQ(px(1, 1), Red);
    EXPECT_EQ(px(2, 2), Red);
    EXPECT_EQ(px(3, 3), Red);
    EXPECT_EQ(interp.state().defaultColor, "rEd");
}

TEST_F(InterpreterTest, ThicknessAndLineTypeChecks)
{
    for (const char* t : {"1.5", "0", "2*2", "-1"})
        EXPECT_EQ(error(std::string("Line 0, 0, 10, 0, Solid, ") + t), T(279)) << t;
    EXPECT_EQ(error("Line 0, 0, 10, 0, Wavy"), T(254) + "\"Wavy\"" + T(255));
    EXPECT_EQ(error("Line 0, 0, x, 0"), T(277));
    EXPECT_EQ(error("Rectangle 0, 0, 1, y"), T(278));
    EXPECT_EQ(error("Ellipse 0, 0, 1, 1, Solid, 1, Red, 9"), T(270));
}

TEST_F(InterpreterTest, CirclePartAngles)
{
    expectValid("CirclePart 50, 25, 20, 0, 90");
    EXPECT_EQ(error("CirclePart 50, 25, 20, 0, 400"), T(259));
    EXPECT_EQ(error("CirclePart 50, 25, 20, 45.5, 90"), T(283));
    EXPECT_EQ(error("CirclePart 50, 25, 20, 0, x"), T(284));
    EXPECT_EQ(error("CirclePart 50, 25, 20, -10, 90"), T(259));
    // A bad range is found only after every other parameter has passed.
    EXPECT_EQ(error("CirclePart 50, 25, 20, 0, 400, Solid, 1, orange"), T(256) + "\"orange\"" + T(257));
    expectValid("Circle 50, 25, 0");
    EXPECT_LE(count(Black), 1);
    expectValid("Circle 50, 25, -5");
}

TEST_F(InterpreterTest, FillAreaFillsInsideAClosedShape)
{
    expectValid("Rectangle 10, 10, 20, 20\nFillArea 15, 15, Solid, Red");
    EXPECT_EQ(count(Red), 9 * 9);
    EXPECT_EQ(error("FillArea 15, 15, Clear"), T(252) + "\"Clear\"" + T(253));
    expectValid("FillArea 1, 1, , Red");
    EXPECT_EQ(count(Red), 100 * 50);
}

TEST_F(InterpreterTest, DimLineChecksInOrder)
{
    EXPECT_EQ(error("DimLine 0, 0, Inner, 0, 0, Inner"), T(281));
    EXPECT_EQ(error("DimLine 0, 0, Both, 10, 0, Inner"), "\"Both\"" + T(280));
    EXPECT_EQ(error("DimLine 0, 0, Inner, 10, 0, inner, Solid, 1, Red, 46"), T(268));
    EXPECT_EQ(error("DimLine 0, 0, Inner, 10, 0, inner, Solid, 1, Red, 10, 0"), T(269));
    EXPECT_EQ(error("DimLine 0, 0, Inner, 0, 0, Both"), T(281));
    expectValid("DimLine 0, 0, none, 10, 0, OUTER, Solid, 1, Red, DefaultDimAngle, DefaultDimLength");
}

TEST_F(InterpreterTest, DimLineArrowheadPixels)
{
    host.width = 140;
    host.height = 100;
    expectValid("DimLine 10, 50, Inner, 110, 50, Inner, Solid, 1, Red, 10, 10");
    // Stroke ends one pixel short of (19, 51), (19, 48), (100, 48), (100, 51).
    EXPECT_EQ(px(18, 51), Red);
    EXPECT_EQ(px(18, 48), Red);
    EXPECT_EQ(px(101, 48), Red);
    EXPECT_EQ(px(101, 51), Red);
    for (int x = 10; x <= 110; ++x) EXPECT_EQ(px(x, 50), Red) << x;

    expectValid("DimLine 10, 40, Outer, 110, 40, Outer, Solid, 1, Red, 10, 10");
    for (int x = 0; x <= 120; ++x) EXPECT_EQ(px(x, 40), Red) << x;
    EXPECT_EQ(px(121, 40), White);
}

TEST_F(InterpreterTest, TextAndPictureChecks)
{
    const std::string tail = ", 0,0,0,0, DefaultFontName, DefaultColor, DefaultFontSize, 0";
    expectValid("Text 10, 20, \"Hello, 100%\"" + tail);
    EXPECT_EQ(error("Text 10, 20, \"\"" + tail), T(285));
    EXPECT_EQ(error("Text 10, 20, Hello" + tail), T(350));
    EXPECT_EQ(error("Text 10, 20, \"a\", 2"), T(286));
    EXPECT_EQ(error("Text 10, 20, \"a\", true"), T(286));
    EXPECT_EQ(error("Text 10, 20, \"a\", 0, 0, 0, 5"), T(289));
    EXPECT_EQ(error("Text 10, 20, \"a\", 0, 0, 0, 0, \"Nope Font\""), T(265) + "\"Nope Font\"" + T(266));
    EXPECT_EQ(error("Text 10, 20, \"a\", 0, 0, 0, 0, , , 0"), T(267));
    EXPECT_EQ(error("Text 10, 20, \"a\", 0, 0, 0, 0, , , -3"), T(267));
    EXPECT_EQ(error("Text 10, 20, \"a\", 0, 0, 0, 0, , , , 12.5"), T(290));
    EXPECT_EQ(error("Text 10, 20, \"a\"" + tail + ", 1"), T(270));
    EXPECT_EQ(error("Picture 10, 10, \"example.gif\""), T(328) + "\"/nonexistent/example.gif\"" + T(329));
    EXPECT_EQ(error("Picture 10, 10, \"a.gif\", 1, 2, 3"), T(270));
}

TEST_F(InterpreterTest, HiddenLayersSkipCommandsAndTheirChecks)
{
    host.shown[2] = false;
    expectValid("Layer = 2\nPoint a, b\nLayer 1\nPoint 1, 1, Red");
    EXPECT_EQ(px(1, 1), Red);
    host.shown[2] = true;
    EXPECT_EQ(error("Layer = 2\nPoint a, b"), T(273));

    host.shown.fill(false);
    const RunReport r = run("Point 1, 1, Red");
    EXPECT_TRUE(r.valid);
    EXPECT_TRUE(r.noLayerShown);
    EXPECT_EQ(count(Red), 0);

    host.shown[9] = true;
    EXPECT_FALSE(run("Point 1, 1, Red").noLayerShown);
}

TEST_F(InterpreterTest, ErrorReportNamesTheEditorLine)
{
    const RunReport r = run("Point 1, 1, Red\n  Foo 1, 2 % note  \nPoint 2, 2, Red");
    ASSERT_FALSE(r.valid);
    EXPECT_EQ(r.lineNumber, 2);
    EXPECT_EQ(r.message, T(291) + "\"Foo\"" + T(292));
    EXPECT_EQ(r.lineText, "Foo 1, 2 % note");
    EXPECT_EQ(r.Text(EnglishBase), "Line 2: \r" + r.message + "\r(Foo 1, 2 % note)");
    EXPECT_EQ(px(1, 1), Red);
    EXPECT_EQ(px(2, 2), White);
    EXPECT_FALSE(interp.drawingValid());

    // The next run starts clean.
    expectValid("Point 3, 3");
    EXPECT_EQ(interp.state().layer, 1);
    EXPECT_TRUE(interp.drawingValid());
}

TEST_F(InterpreterTest, DispatcherEdgeCases)
{
    EXPECT_EQ(error("Foo = 5"), T(291) + "\"Foo\"" + T(292));
    EXPECT_EQ(error("Text\t10, 20, \"a\""), T(291) + "\"Text\t10,\"" + T(292));
    expectValid("% only a comment\n   \n\t");
    EXPECT_EQ(error("Text 10, 20, \"a\" = 5"), T(291) + "\"Text 10, 20, \"a\"\"" + T(292));
    expectValid("End");
    EXPECT_EQ(interp.procedureLines().size(), 1u);
    EXPECT_EQ(error("@include\"x.krs\""), T(291) + "\"@include\"x.krs\"\"" + T(292));
    EXPECT_EQ(error("@include x.krs"), T(354));
}

TEST_F(InterpreterTest, ProceduresSubstituteTextually)
{
    expectValid(
        "Procedure MyProc #x, #y, #z\n"
        "Line #x, #y, #z, #y, Solid, 1, Red\n"
        "End\n"
        "myproc 10, 20, 30");
    for (int x = 10; x <= 30; ++x) EXPECT_EQ(px(x, 20), Red) << x;

    // Arguments go in verbatim: 1+2 replaces #x in #x*2, giving 1+2*2 = 5.
    expectValid("Procedure P #x\nPoint #x*2, 1, Red\nEnd\nP 1+2");
    EXPECT_EQ(px(5, 1), Red);

    // Longer names first: #ab takes its own argument, #abc is #ab then c.
    expectValid("Procedure Q #a, #ab\nPoint #ab, #a, Red\nEnd\nQ 3, 7");
    EXPECT_EQ(px(7, 3), Red);

    // Parameter names are case-sensitive.
    EXPECT_EQ(error("Procedure R #x\nPoint #X, 1\nEnd\nR 5"), T(273));
}

TEST_F(InterpreterTest, ProcedureErrors)
{
    EXPECT_EQ(error("Procedure P #x\nEnd\nP 1, 2"), T(341) + "\"P\"" + T(342));
    expectValid("Procedure P #x\nEnd\np 1,, 3");  // the empty field ends the arguments
    expectValid("Procedure P #x\nEnd\nP 1,");
}

TEST_F(InterpreterTest, ProcedureDeclarationErrors)
{
    EXPECT_EQ(error("Procedure Line"), T(336) + "\"Line\"" + T(337));
    EXPECT_EQ(error("Procedure"), T(338));
    EXPECT_EQ(error("Procedure MyProc\nEnd\nProcedure MYPROC\nEnd"), T(352) + "\"MYPROC\"" + T(353));
    EXPECT_EQ(error("Procedure P x\nEnd\nP 1"), T(339) + "\"P\"" + T(340));
    EXPECT_EQ(error("Procedure P #x, #x\nEnd\nP 1, 2"), T(343) + "\"P\"" + T(344) + "\"#x\"" + T(345));
    EXPECT_EQ(error("Procedure P\n#x 1\nEnd\nP"), T(346) + "\"#x\"" + T(347));
    EXPECT_EQ(error("P 1\nProcedure P #x\nEnd"), T(291) + "\"P\"" + T(292));
    // A bad parameter list is found only when the procedure is called.
    expectValid("Procedure P x\nEnd");
    // A header without End stores everything after it and draws nothing.
    expectValid("Procedure P\nPoint 1, 1, Red");
    EXPECT_EQ(count(Red), 0);
}

// Long parameter lists are checked through a set: a repeated name is still
// found wherever it stands, and distinct names are all accepted.
TEST_F(InterpreterTest, LongParameterListsFindRepeatedNames)
{
    std::string header = "Procedure P";
    std::string call = "P";
    for (int i = 0; i < 50000; ++i) {
        header += (i ? ", #p" : " #p") + std::to_string(i);
        call += (i ? ", " : " ") + std::to_string(i);
    }
    expectValid(header + "\nEnd\n" + call);
    EXPECT_EQ(error(header + ", #p49998\nEnd\n" + call + ", 1"),
              T(343) + "\"P\"" + T(344) + "\"#p49998\"" + T(345));
    EXPECT_EQ(error("Procedure P #a, #b, #c, #d, #e, #f, #g, #h, #i, #j, #k, #l, #m, #n, #o, #p, "
                    "#q, #r, #s, #b\nEnd\nP 1"),
              T(343) + "\"P\"" + T(344) + "\"#b\"" + T(345));
}

TEST_F(InterpreterTest, NestedDeclarationsAndForwardCalls)
{
    expectValid("Procedure A\nB\nEnd\nProcedure B\nPoint 4, 4, Red\nEnd\nA");
    EXPECT_EQ(px(4, 4), Red);

    const std::string nested = "Procedure Outer\nProcedure Inner\nPoint 1, 1, Red\nEnd\nEnd\n";
    expectValid(nested + "Inner");
    EXPECT_EQ(px(1, 1), Red);
    EXPECT_EQ(error(nested + "Outer"), T(346) + "\"Procedure\"" + T(347));
}

TEST_F(InterpreterTest, ProcedureStateChangesOutliveTheCall)
{
    expectValid("Procedure P\nDefaultColor = Red\nLayer 3\nEnd\nP\nPoint 1, 1");
    EXPECT_EQ(px(1, 1), Red);
    EXPECT_EQ(interp.state().layer, 3);
}

TEST_F(InterpreterTest, HeaderWithSeveralSpacesBeforeTheNameIsFound)
{
    expectValid("Procedure    Wide #x\nPoint #x, 1, Red\nEnd\nWide 6");
    EXPECT_EQ(px(6, 1), Red);
}

TEST_F(InterpreterTest, SelfCallingProceduresStopWithAMessage)
{
    const std::string m = error("Procedure Loop\nLoop\nEnd\nLoop");
    EXPECT_EQ(m, T(355) + "\"Loop\"" + T(356));
    EXPECT_EQ(error("Procedure A\nB\nEnd\nProcedure B\nA\nEnd\nA"), T(355) + "\"A\"" + T(356));
    // Arguments that double at every level are stopped before memory runs out.
    const std::string grow = error("Procedure G #x\nG #x#x#x#x\nEnd\nG 1234567890");
    EXPECT_FALSE(grow.empty());
    // Long arguments held by many calls in progress are stopped by their
    // sum, long before the depth limit multiplies them into a gigabyte.
    const std::string deep = "Procedure D #a\nD #a\nEnd\nD ";
    EXPECT_EQ(error(deep + std::string(80000, 'x')), T(381) + "\"D\"" + T(382));
    EXPECT_EQ(error(deep + std::string(60000, 'x')), T(355) + "\"D\"" + T(356));
}

// Stop reaches into a long drawing command, which ends part-way and keeps
// what it drew.
// A stop in the middle of a long command is timed in the stop tests; the
// ring that once took seconds here now costs what its rows on the drawing
// cost.
TEST_F(InterpreterTest, ARingWiderThanTheDrawingCostsWhatItsRowsCost)
{
    host.width = 12010;
    host.height = 12010;
    host.depth = 4;
    const auto start = std::chrono::steady_clock::now();
    // A ring whose hole takes the middle of the drawing: every row meets
    // the disks of most of its 160,000 outline points.
    expectValid("Circle 6000, 6000, 34000, Solid, 65536, Red");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(4));
    EXPECT_EQ(px(6000, 6000), White);
    EXPECT_EQ(px(6000, 4800), White);
    EXPECT_EQ(px(6000, 4700), Red);
    EXPECT_EQ(px(0, 0), Red);
    EXPECT_EQ(px(11999, 11999), Red);
}

TEST_F(InterpreterTest, ManyArgumentsAndParameters)
{
    std::string params, args;
    for (int i = 1; i <= 150; ++i) {
        params += (i > 1 ? ", #p" : "#p") + std::to_string(i);
        args += (i > 1 ? ", " : "") + std::to_string(i % 40);
    }
    expectValid("Procedure Many " + params + "\nPoint #p150, #p149, Red\nEnd\nMany " + args);
    EXPECT_EQ(px(150 % 40, 149 % 40), Red);
}

class IncludeTest : public InterpreterTest {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("kresbon_include_" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(dir / "sub"); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
};

TEST_F(IncludeTest, IncludesResolveAgainstTheScriptFolder)
{
    write("part.krs", "Point 1, 1, Red\r\nPoint 2, 2, Red\n");
    write("sub/inner.krs", "Point 3, 3, Red");
    host.script = (dir / "main.krs").string();
    expectValid("@INCLUDE \"part.krs\" % with a comment\n@include \"sub\\inner.krs\"");
    EXPECT_EQ(px(1, 1), Red);
    EXPECT_EQ(px(2, 2), Red);
    EXPECT_EQ(px(3, 3), Red);

    host.script.clear();
    host.folder = dir.string();
    expectValid("@include \"part.krs\"");
    EXPECT_EQ(px(1, 1), Red);
}

TEST_F(IncludeTest, IncludeErrorsAreReportedAtTheIncludeLine)
{
    host.script = (dir / "main.krs").string();
    write("bad.krs", "Point 1, 1\nFoo\n");
    const RunReport r = run("Point 0, 0\n@include \"bad.krs\"");
    ASSERT_FALSE(r.valid);
    EXPECT_EQ(r.lineNumber, 2);
    EXPECT_EQ(r.message, T(291) + "\"Foo\"" + T(292));
    // The line inside the included file comes with the report, after the
    // text of the @include line.
    const std::string bad = (dir / "bad.krs").string();
    ASSERT_EQ(r.includeChain.size(), 1u);
    EXPECT_EQ(r.includeChain[0].file, bad);
    EXPECT_EQ(r.includeChain[0].line, 2);
    EXPECT_EQ(r.Text(EnglishBase), "Line 2: \r" + r.message + "\r(@include \"bad.krs\")\rIn file \"" + bad + "\", line 2");
    // An error of the script's own line after an include names no file.
    write("good.krs", "Point 1, 1\n");
    const RunReport own = run("@include \"good.krs\"\nFoo");
    EXPECT_EQ(own.lineNumber, 2);
    EXPECT_TRUE(own.includeChain.empty());
    EXPECT_TRUE(run("@include \"missing.krs\"").includeChain.empty());

    EXPECT_EQ(error("@include \"missing.krs\""), T(328) + "\"" + (dir / "missing.krs").string() + "\"" + T(329));
    EXPECT_EQ(error("@include \"\""), T(354));
    EXPECT_EQ(error("@include \"/proc/self/mem\""), T(360) + "\"/proc/self/mem\"" + T(361));
    write("nest.krs", "@include \"part.krs\"");
    EXPECT_EQ(error("@include \"nest.krs\""), T(291) + "\"@include\"" + T(292));
}

TEST_F(IncludeTest, MissingIncludesSuggestTheNearestFilesOfTheFolder)
{
    host.script = (dir / "main.krs").string();
    write("sub/parts.krs", "");
    write("sub/Party.KRS", "");
    write("sub/parts.gif", "");
    write("sub/other.krs", "");
    const RunReport r = run("@include \"sub\\partz.krs\"");
    EXPECT_EQ(r.message, T(328) + "\"" + (dir / "sub/partz.krs").string() + "\"" + T(329));
    EXPECT_EQ(r.suggestions, (Words{"sub\\Party.KRS", "sub\\parts.krs"}));
    // A unknown word in an included file keeps its hint.
    write("bad.krs", "Elipse 1, 1, 5, 5");
    EXPECT_EQ(run("@include \"bad.krs\"").suggestions, Words{"Ellipse"});
    // The files a run included or tried to are known afterwards.
    EXPECT_EQ(interp.filesNamed(), std::set<std::string>{(dir / "bad.krs").string()});
}

TEST_F(InterpreterTest, UnknownWordsComeWithTheNearestKnownOnes)
{
    // The message stays as it was; the hint comes beside it.
    RunReport r = run("Procedure Square x\nRectangle x, x, 5, 5\nEnd\nsqaure 1");
    EXPECT_EQ(r.message, T(291) + "\"sqaure\"" + T(292));
    EXPECT_EQ(r.suggestions, Words{"Square"});
    EXPECT_EQ(r.HintText(EnglishBase), "Did you mean Square?");
    EXPECT_EQ(run("CIRCEL 5, 5, 2").suggestions, Words{"Circle"});
    EXPECT_EQ(run("Line 1, 1, 5, 5, Dahs").suggestions, Words{"Dash"});
    EXPECT_EQ(run("FillArea 1, 1, diagcros").suggestions, Words{"DiagCross"});
    EXPECT_EQ(run("Point 1, 1, Gren").suggestions, (Words{"Green"}));
    EXPECT_EQ(run("DefaultColor = Whit").suggestions, Words{"White"});
    EXPECT_EQ(run("DimLine 1, 1, Iner, 9, 9, None").suggestions, Words{"Inner"});
    // Inside a procedure the call's line reports the body's unknown word.
    EXPECT_EQ(run("Procedure P\nPiont 1, 1\nEnd\nP").suggestions, Words{"Point"});
    // Nothing plausible, nothing suggested.
    r = run("Zzzzzz 1");
    EXPECT_TRUE(r.suggestions.empty());
    EXPECT_EQ(r.HintText(EnglishBase), "");
    EXPECT_TRUE(run("Point 1, 1, Xy").suggestions.empty());
    // The run after it starts without the old hint.
    expectValid("Point 1, 1");
    EXPECT_TRUE(run("Point 1, 1").suggestions.empty());
}

TEST(NearestWords, AtMostThreePlausibleOnesNearestFirst)
{
    const std::vector<std::string_view> words{"Dash", "DashDot", "DashDotDot", "Dot", "Solid", "dash"};
    EXPECT_EQ(NearestWords("dsah", words), Words{"Dash"});  // swapped letters, case folded, given once
    EXPECT_EQ(NearestWords("DashDo", words), (Words{"DashDot", "Dash"}));
    EXPECT_EQ(NearestWords("x", words), Words{});
    EXPECT_EQ(NearestWords("", words), Words{});
    EXPECT_EQ(NearestWords(std::string(100, 'a'), words), Words{});
    const std::vector<std::string_view> three{"Red", "Rod", "Rid", "Rud"};
    EXPECT_EQ(NearestWords("Rxd", three).size(), 3u);
    EXPECT_EQ(SuggestionText({"A", "B", "C"}, CzechBase), "Mysleli jste A, B nebo C?");
}

TEST_F(IncludeTest, TheRunListsTheFilesItAskedForOnceEachAlsoMissingOnes)
{
    host.script = (dir / "main.krs").string();
    write("part.krs", "Point 1, 1");
    const std::string part = (dir / "part.krs").string();
    const std::string picture = (dir / "logo.png").string();
    const std::string missing = (dir / "gone.krs").string();
    const std::string script = "Procedure P\nPicture 1, 1, \"logo.png\"\nEnd\n@include \"part.krs\"\n"
                               "P\nP\n@include \"part.krs\"\n@include \"gone.krs\"";
    using Files = std::set<std::string>;
    // The picture is missing too: the run stops at the first call, having
    // asked for it.
    run(script);
    EXPECT_EQ(interp.filesNamed(), (Files{part, picture}));
    write("logo.png", "not a picture");
    run(script);
    EXPECT_EQ(interp.filesNamed(), (Files{part, picture}));
    run("@include \"part.krs\"\n@include \"gone.krs\"");
    EXPECT_EQ(interp.filesNamed(), (Files{part, missing}));
    // Each run starts a new list.
    expectValid("Point 1, 1");
    EXPECT_TRUE(interp.filesNamed().empty());
}

TEST_F(InterpreterTest, PrintRunSkipsCanvasShapingAssignments)
{
    expectValid("Point 1, 1");
    Surface paper(20, 20, 24);
    paper.setBrush(White, BrushStyle::Solid);
    paper.fillRect(0, 0, 20, 20);
    interp.RunPrintLines(paper, SplitLines("PixelsPerUnit = 0\nMaximumX = -1\nBackgroundColor = nope\nPoint 5, 5, Red"));
    EXPECT_EQ(paper.pixel(5, 5), Red);
    EXPECT_THROW(interp.RunPrintLines(paper, SplitLines("Point a, 1")), std::exception);
    EXPECT_EQ(interp.canvas().width(), 100);  // the screen drawing is untouched
}

TEST_F(InterpreterTest, CzechMessages)
{
    host.language = CzechBase;
    const RunReport r = run("Foo");
    EXPECT_EQ(r.Text(CzechBase).substr(0, 7), Text(CzechBase, 293) + "1");
    EXPECT_EQ(r.message, Text(CzechBase, 291) + "\"Foo\"" + Text(CzechBase, 292));
}

}  // namespace
}  // namespace kresbon

namespace kresbon {
namespace {

TEST(ScriptText, ReadingAFolderFailsWithItsName)
{
    const std::string folder = std::filesystem::temp_directory_path().string();
    try {
        ReadFileBytes(folder);
        FAIL() << "a folder was read as a script";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(folder), std::string::npos) << e.what();
    }
}

TEST(ScriptText, OnlyAWholeRegularFileIsEverRead)
{
    const auto fails = [](const std::string& path, std::uint64_t limit = LargestTextFile) {
        try {
            ReadWholeFile(path, limit);
        } catch (const FileError& e) {
            return std::string(e.what()).find('"' + path + '"') != std::string::npos;
        }
        return false;
    };
    // A read error part-way is no end of the file.
    EXPECT_TRUE(fails("/proc/self/mem"));
    // A named pipe is refused at once instead of waited on.
    const std::string pipe = (std::filesystem::temp_directory_path() /
                              ("kresbon-pipe-" + std::to_string(::getpid()) + ".krs")).string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_TRUE(fails(pipe));
    EXPECT_FALSE(IsReadableRegularFile(pipe));
    std::filesystem::remove(pipe);
    // The size the system reports is no limit to what is read...
    EXPECT_NE(ReadWholeFile("/proc/self/status").find("VmRSS"), std::string::npos);
    // ...but the limit is, whatever the reported size.
    EXPECT_TRUE(fails("/proc/self/status", 16));
    EXPECT_TRUE(fails("/proc/self/exe", 16));
    // A system file that reports no size and never ends is refused after the
    // allowance, not read on towards the limit.
    try {
        ReadWholeFile("/proc/self/pagemap");
        FAIL() << "the page map was read whole";
    } catch (const FileError& e) {
        EXPECT_EQ(e.message(EnglishBase).substr(e.message(EnglishBase).size() - Text(EnglishBase, 380).size()),
                  Text(EnglishBase, 380));
    }
}

TEST(ScriptText, EncodingIsDetectedPerFile)
{
    const ScriptText utf8 = DecodeScript("Text 1, 1, \"\xC4\x8C\"\r\nPoint 1, 1\n");
    EXPECT_EQ(utf8.encoding, ScriptEncoding::Utf8);
    ASSERT_EQ(utf8.lines.size(), 2u);
    EXPECT_EQ(utf8.lines[0], "Text 1, 1, \"\xC8\"");  // Č in Windows-1250
    const ScriptText cp1250 = DecodeScript("Text 1, 1, \"\xC8\"");
    EXPECT_EQ(cp1250.encoding, ScriptEncoding::Cp1250);
    EXPECT_EQ(cp1250.lines[0], "Text 1, 1, \"\xC8\"");
    EXPECT_EQ(DecodeScript("\xEF\xBB\xBFPoint 1, 1").lines[0], "Point 1, 1");
    EXPECT_EQ(SplitLines("a\rb\r\n\nc").size(), 4u);
}

// Every line, empty ones too, with or without a last line end, whichever
// line ends the text uses.
TEST(ScriptText, LinesKeepTheirTextWhateverTheLineEnds)
{
    auto texts = [](const ScriptLines& lines) {
        std::vector<std::string> all;
        for (std::size_t i = 0; i < lines.size(); ++i) all.emplace_back(lines[i]);
        return all;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(texts(SplitLines("ab\n\ncd\n")), (Lines{"ab", "", "cd"}));
    EXPECT_EQ(texts(SplitLines("ab\n\ncd")), (Lines{"ab", "", "cd"}));
    EXPECT_EQ(texts(SplitLines("\n")), (Lines{""}));
    EXPECT_EQ(texts(SplitLines("")), Lines{});
    EXPECT_EQ(texts(SplitLines("ab\r\n\r\rcd\ref\r\n")), (Lines{"ab", "", "", "cd", "ef"}));
    EXPECT_EQ(texts(SplitLines("ab\r\ncd\nef")), (Lines{"ab", "cd", "ef"}));
    EXPECT_EQ(texts(SplitLines("\r")), (Lines{""}));
    ScriptLines built;
    built.push_back("x");
    built.push_back("");
    built.push_back("yz");
    EXPECT_EQ(texts(built), (Lines{"x", "", "yz"}));

    // Lines on both sides of the places where the index keeps a start.
    Lines many;
    std::string joined;
    for (int i = 0; i < 200; ++i) {
        many.push_back(i % 7 == 0 ? std::string() : std::string(static_cast<std::size_t>(i % 5) + 1, 'a' + i % 26));
        joined += many.back() + (i % 3 == 0 ? "\r\n" : "\n");
        built.push_back(many.back());
    }
    EXPECT_EQ(texts(SplitLines(joined)), many);
    many.insert(many.begin(), {"x", "", "yz"});
    EXPECT_EQ(texts(built), many);
}

}  // namespace
}  // namespace kresbon
