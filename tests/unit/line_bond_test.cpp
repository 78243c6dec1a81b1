#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "codecs/bmp_writer.h"
#include "interpreter/line_bond.h"
#include "interpreter/script_text.h"
#include "platform/texts.h"

namespace kresbon {
namespace {

namespace fs = std::filesystem;

class BondHost : public Host {
public:
    std::array<bool, 10> shown{false, true, true, true, true, true, true, true, true, true};
    int depth = 24;
    int language = EnglishBase;
    std::string script;

    bool layerShown(int layer) const override { return layer >= 1 && layer <= 9 && shown[layer]; }
    int viewWidth() const override { return 130; }
    int viewHeight() const override { return 100; }
    int colourDepth() const override { return depth; }
    std::string programFolder() const override { return "/nonexistent"; }
    std::string currentScriptFile() const override { return script; }
    int languageBase() const override { return language; }
};

class LineBondTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("kresbon-bond-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        host.script = (folder / "main.krs").string();
        // Pictures in colours of their own, no named colour among them.
        for (int i = 0; i < 4; ++i) {
            Surface picture(4, 3, 24);
            picture.setBrush(0x123456 + 0x10 * i, BrushStyle::Solid);
            picture.fillRect(0, 0, 4, 3);
            picture.setPixel(1, 1, 0x654321 + 0x10 * i);
            WriteBmpFile(picture, (folder / ("pic" + std::to_string(i) + ".bmp")).string());
        }
    }
    void TearDown() override { fs::remove_all(folder); }

    void writeInclude(const std::string& text)
    {
        std::ofstream(folder / "part.krs") << text;
    }

    // The drawing after the first count lines of script, as a run of those
    // lines alone leaves it.
    std::vector<Rgb> prefixDrawing(const std::vector<std::string>& script, std::size_t count, int& width)
    {
        ScriptLines lines;
        for (std::size_t i = 0; i < count; ++i) lines.push_back(script[i]);
        Interpreter interpreter(host);
        interpreter.RunScript(lines);
        width = interpreter.canvas().width();
        return interpreter.canvas().colours();
    }

    Surface run(const ScriptLines& lines)
    {
        Interpreter interpreter(host);
        interpreter.RunScript(lines);
        return interpreter.canvas();
    }

    std::string describe(const std::string& script, int x, int y)
    {
        const ScriptLines lines = SplitLines(script);
        const Surface shown = run(lines);
        return DescribePixelSource(FindPixelSource(host, lines, shown, x, y), host.language);
    }

    fs::path folder;
    BondHost host;
};

// Scripts whose every drawing command (each call of a procedure and each
// command of the included file too) has a colour of its own, so that a line
// that wrote a pixel always changed it. The first ellipse clears the brush
// and fills never leave it solid, so no text cell or dash gap is painted in
// the background colour.
std::vector<std::string> randomScript(std::mt19937& random)
{
    // DarkGray and LightGray are the same colours as Gray and Silver.
    static const char* colours[] = {"Aqua",  "Black",  "Blue",     "Fuchsia",    "Gray",   "Green", "LimeGreen",
                                    "Maroon", "NavyBlue", "OliveGreen", "Purple", "Red",   "Silver", "Teal",
                                    "Yellow"};
    std::vector<std::string> pool(std::begin(colours), std::end(colours));
    std::shuffle(pool.begin(), pool.end(), random);
    // Aqua and Purple are the included file's own.
    std::erase(pool, std::string("Aqua"));
    std::erase(pool, std::string("Purple"));
    std::size_t next = 0;
    const auto colour = [&] { return pool[next++]; };
    const auto coord = [&](int limit) { return std::to_string(std::uniform_int_distribution<int>(0, limit)(random)); };
    static const char* types[] = {"Solid", "Dash", "Dot", "DashDot", "DashDotDot"};
    static const char* hatches[] = {"Horizontal", "Vertical", "FDiagonal", "BDiagonal", "Cross", "DiagCross"};
    const auto type = [&] { return std::string(types[random() % 5]); };
    bool included = false;
    int pictures = 0;

    std::vector<std::string> s = {"MaximumX = 120", "MaximumY = 90", "PixelsPerUnit = 1", "BackgroundColor = White",
                                  "Procedure Bolt #x, #y, #c", "Circle #x, #y, 6, Solid, 1, #c",
                                  "Line #x-9, #y, #x+9, #y, Dash, 1, #c", "End",
                                  "Ellipse 0, 0, 2, 2, Solid, 1, " + colour()};
    while (next + 1 < pool.size()) {
        switch (random() % 13) {
        case 0: s.push_back("Point " + coord(119) + ", " + coord(89) + ", " + colour()); break;
        case 1:
            s.push_back("Line " + coord(119) + ", " + coord(89) + ", " + coord(119) + ", " + coord(89) + ", " + type() +
                        ", " + std::to_string(1 + random() % 4) + ", " + colour());
            break;
        case 2:
            s.push_back("Rectangle " + coord(119) + ", " + coord(89) + ", " + coord(119) + ", " + coord(89) + ", " +
                        type() + ", " + std::to_string(1 + random() % 3) + ", " + colour());
            break;
        case 3:
            s.push_back("Ellipse " + coord(119) + ", " + coord(89) + ", " + coord(119) + ", " + coord(89) + ", Solid, " +
                        std::to_string(1 + random() % 3) + ", " + colour());
            break;
        case 4: s.push_back("Circle " + coord(119) + ", " + coord(89) + ", " + coord(40) + ", " + type() + ", 1, " + colour()); break;
        case 5:
            s.push_back("CirclePart " + coord(119) + ", " + coord(89) + ", " + coord(40) + ", " + coord(359) + ", " +
                        coord(359) + ", Solid, 2, " + colour());
            break;
        case 6:
            s.push_back("FillArea " + coord(119) + ", " + coord(89) + ", " + hatches[random() % 6] + ", " + colour());
            break;
        case 7:
            s.push_back("DimLine " + coord(100) + ", " + coord(80) + ", Inner, " + coord(119) + ", " + coord(89) +
                        ", Outer, Solid, 1, " + colour() + ", 20, 6");
            break;
        case 8:
            s.push_back("Text " + coord(100) + ", " + coord(80) + ", \"Ab\", 0, 0, 0, 0, \"Default\", " + colour() +
                        ", 12, " + std::to_string(90 * (random() % 2)));
            break;
        case 9:
            if (pictures < 4)
                s.push_back("Picture " + coord(100) + ", " + coord(80) + ", \"pic" + std::to_string(pictures++) +
                            ".bmp\", 12, 9");
            break;
        case 10: s.push_back("Bolt " + coord(119) + ", " + coord(89) + ", " + colour()); break;
        case 11: s.push_back(random() % 3 == 0 ? "Layer 2" : "Layer 1"); break;
        default: {
            // The included file's colours are its own only once.
            const bool include = !included && random() % 2 == 0;
            s.push_back(include ? "@include \"part.krs\"" : "% a comment");
            included = included || include;
            break;
        }
        }
    }
    return s;
}

TEST_F(LineBondTest, EveryPixelAndEveryLineAgreeWithRunningTheScriptLineByLine)
{
    host.shown[2] = false;
    writeInclude("Rectangle 30, 30, 70, 60, Solid, 1, Aqua\nBolt 50, 45, Purple\n");
    std::mt19937 random(1234);
    for (int round = 0; round < 12; ++round) {
        const std::vector<std::string> script = randomScript(random);
        ScriptLines lines;
        for (const std::string& line : script) lines.push_back(line);
        int width = 0;
        std::vector<std::vector<Rgb>> after;
        for (std::size_t k = 0; k <= script.size(); ++k) after.push_back(prefixDrawing(script, k, width));
        const Surface shown = run(lines);
        ASSERT_EQ(shown.colours(), after.back());

        // The last line whose run changed each pixel.
        std::vector<int> writer(after.back().size(), -1);
        for (std::size_t k = 1; k < after.size(); ++k) {
            if (after[k].size() != after[k - 1].size()) continue;
            for (std::size_t i = 0; i < writer.size(); ++i)
                if (after[k][i] != after[k - 1][i]) writer[i] = static_cast<int>(k) - 1;
        }
        std::vector<std::size_t> samples;
        for (std::size_t i = 0; i < writer.size(); i += 97) samples.push_back(i);
        for (std::size_t i = 0; i < writer.size(); i += 13)
            if (writer[i] >= 0) samples.push_back(i);
        for (const std::size_t i : samples) {
            const int x = static_cast<int>(i) % width;
            const int y = static_cast<int>(i) / width;
            const PixelSource source = FindPixelSource(host, lines, shown, x, y);
            ASSERT_EQ(source.status, BondStatus::Answered);
            ASSERT_EQ(source.background ? -1 : source.position.top.line, writer[i])
                    << "round " << round << " pixel " << x << "," << y << ": " << DescribePixelSource(source, EnglishBase);
        }

        for (std::size_t k = 8; k < script.size(); ++k) {
            const LineInk ink = FindLineInk(host, lines, shown, static_cast<int>(k));
            ASSERT_EQ(ink.status, BondStatus::Answered);
            for (std::size_t i = 0; i < writer.size(); ++i) {
                const bool changed = after[k + 1][i] != after[k][i];
                ASSERT_EQ(ink.contains(static_cast<int>(i) % width, static_cast<int>(i) / width), changed)
                        << "round " << round << " line " << k + 1 << " (" << script[k] << ")";
            }
        }
    }
}

TEST_F(LineBondTest, TheAnswerNamesTheCallChainTheIncludedFileAndTheLayer)
{
    writeInclude("% part\nCircle 20, 20, 5, Solid, 1, Red\nNut 40, 40\n");
    const std::string script =
            "MaximumX = 60\nMaximumY = 60\nPixelsPerUnit = 1\n"
            "Procedure Nut #x, #y\nPoint #x, #y, Blue\nEnd\n"
            "Procedure Bolt #x, #y\nNut #x, #y\nCircle #x, #y, 4, Solid, 1, Green\nEnd\n"
            "Layer 3\nBolt 10, 10\n@include \"part.krs\"\nNut 50, 50\n";
    EXPECT_EQ(describe(script, 6, 10), "Line 12: Circle \u2014 in Bolt (line 9), called from line 12; layer 3");
    EXPECT_EQ(describe(script, 10, 10),
              "Line 12: Point \u2014 in Bolt (line 8), in Nut (line 5), called from line 12; layer 3");
    EXPECT_EQ(describe(script, 15, 20), "Line 13: Circle \u2014 from file part.krs, line 2; layer 3");
    EXPECT_EQ(describe(script, 40, 40), "Line 13: Point \u2014 from file part.krs, line 3, in Nut (line 5); layer 3");
    EXPECT_EQ(describe(script, 50, 50), "Line 14: Point \u2014 in Nut (line 5), called from line 14; layer 3");
    host.language = CzechBase;
    EXPECT_EQ(describe(script, 6, 10), "Řádek 12: Circle \u2014 v Bolt (řádek 9), voláno z řádku 12; vrstva 3");
    EXPECT_EQ(describe(script, 30, 5), "Pozadí: nenakreslil ho žádný příkaz");
}

TEST_F(LineBondTest, AProcedureDeclaredInAnIncludedFileIsNamedWithItsFile)
{
    writeInclude("Procedure Dot #x\nPoint #x, 5, Red\nEnd\n");
    EXPECT_EQ(describe("MaximumX = 20\nMaximumY = 20\nPixelsPerUnit = 1\n@include \"part.krs\"\nDot 7\n", 7, 5),
              "Line 5: Point \u2014 in Dot (part.krs, line 2), called from line 5; layer 1");
}

TEST_F(LineBondTest, TheLastWriterOwnsThePixelEvenInTheSameColourAndHiddenLayersDoNotCount)
{
    const std::string head = "MaximumX = 30\nMaximumY = 30\nPixelsPerUnit = 1\n";
    // Line 5 writes the same red again.
    EXPECT_EQ(describe(head + "Line 0, 5, 20, 5, Solid, 1, Red\nLine 0, 5, 20, 5, Solid, 1, Red\n", 3, 5),
              "Line 5: Line; layer 1");
    host.shown[2] = false;
    EXPECT_EQ(describe(head + "Line 0, 5, 20, 5, Solid, 1, Red\nLayer 2\nLine 0, 5, 20, 5, Solid, 1, Blue\n", 3, 5),
              "Line 4: Line; layer 1");
    // Text drawn opaque paints its cell in the background colour.
    const std::string text = head + "Text 2, 2, \"W\", 0, 0, 0, 0, \"Default\", Black, 20\n";
    const ScriptLines lines = SplitLines(text);
    const Surface shown = run(lines);
    int cellOnly = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            if (shown.pixel(x, y) != 0xFFFFFF) continue;
            const PixelSource source = FindPixelSource(host, lines, shown, x, y);
            if (!source.background) ++cellOnly;
        }
    EXPECT_GT(cellOnly, 0);
}

TEST_F(LineBondTest, TheBackgroundNamesTheLineThatSetIt)
{
    const std::string script = "MaximumX = 30\nBackgroundColor = Yellow\nMaximumY = 30\nPixelsPerUnit = 1\nPoint 1, 1, Red\n";
    EXPECT_EQ(describe(script, 5, 5), "Background: no command drew it; BackgroundColor on line 2 set it");
    // A pixel drawn before the drawing was cleared is background again.
    EXPECT_EQ(describe("MaximumX = 30\nMaximumY = 30\nPoint 1, 1, Red\nMaximumY = 31\n", 1, 1),
              "Background: no command drew it");
}

TEST_F(LineBondTest, ARunStoppedByAnErrorAnswersForWhatWasDrawnAndAnEditedScriptIsOutOfDate)
{
    const std::string script = "MaximumX = 30\nMaximumY = 30\nPixelsPerUnit = 1\nPoint 1, 1, Red\nLine 1, 1\n";
    EXPECT_EQ(describe(script, 1, 1), "Line 4: Point; layer 1");

    const ScriptLines old = SplitLines(script);
    const Surface shown = run(old);
    const ScriptLines edited = SplitLines("MaximumX = 30\nMaximumY = 30\nPixelsPerUnit = 1\nPoint 2, 1, Red\n");
    const PixelSource source = FindPixelSource(host, edited, shown, 1, 1);
    EXPECT_EQ(source.status, BondStatus::OutOfDate);
    EXPECT_EQ(DescribePixelSource(source, EnglishBase),
              "The drawing is out of date: run the script again to see which line drew what.");
    EXPECT_EQ(FindLineInk(host, edited, shown, 3).status, BondStatus::OutOfDate);
    EXPECT_EQ(FindPixelSource(host, old, shown, 30, 0).status, BondStatus::Outside);
}

TEST_F(LineBondTest, TheInkOfABodyLineIsWhatItDrewInEveryCall)
{
    const std::string script = "MaximumX = 30\nMaximumY = 30\nPixelsPerUnit = 1\n"
                               "Procedure P #x\nPoint #x, 1, Red\nPoint #x, 2, Blue\nEnd\nP 3\nP 7\nPoint 9, 9, Red\n";
    const ScriptLines lines = SplitLines(script);
    const Surface shown = run(lines);
    const LineInk body = FindLineInk(host, lines, shown, 4);
    EXPECT_EQ(body.count(), 2u);
    EXPECT_TRUE(body.contains(3, 1));
    EXPECT_TRUE(body.contains(7, 1));
    const LineInk call = FindLineInk(host, lines, shown, 8);
    EXPECT_EQ(call.count(), 2u);
    EXPECT_TRUE(call.contains(7, 1) && call.contains(7, 2));
    EXPECT_EQ(FindLineInk(host, lines, shown, 2).count(), 0u);
}

TEST_F(LineBondTest, StepsShowTheDrawingAfterEachLineForwardAndBack)
{
    writeInclude("Rectangle 30, 30, 70, 60, Solid, 1, Aqua\nBolt 50, 45, Purple\n");
    std::mt19937 random(99);
    const std::vector<std::string> script = randomScript(random);
    ScriptLines lines;
    for (const std::string& line : script) lines.push_back(line);
    int width = 0;
    std::vector<std::vector<Rgb>> after;
    for (std::size_t k = 0; k <= script.size(); ++k) after.push_back(prefixDrawing(script, k, width));

    DrawingStepper stepper(host, lines);
    std::vector<int> visited;
    while (stepper.next()) {
        visited.push_back(stepper.line());
        ASSERT_EQ(stepper.drawing().colours(), after[stepper.line() + 1]) << "line " << stepper.line() + 1;
    }
    EXPECT_TRUE(stepper.atEnd());
    EXPECT_EQ(stepper.drawing().colours(), after.back());
    ASSERT_GT(visited.size(), 3u);
    // Back over every step, then through the middle of the script again.
    for (std::size_t k = visited.size() - 1; k-- > 0;) {
        ASSERT_TRUE(stepper.previous());
        ASSERT_EQ(stepper.line(), visited[k]);
        ASSERT_EQ(stepper.drawing().colours(), after[visited[k] + 1]) << "back to line " << visited[k] + 1;
    }
    for (const std::size_t n : {script.size() / 2, std::size_t{3}, script.size() - 1}) {
        stepper.runThrough(static_cast<int>(n));
        ASSERT_EQ(stepper.drawing().colours(), after[n + 1]) << "through line " << n + 1;
    }
}

TEST_F(LineBondTest, SteppingIntoACallShowsEachOfItsCommandsWithTheChain)
{
    const std::string script = "MaximumX = 30\nMaximumY = 30\nPixelsPerUnit = 1\n"
                               "Procedure P #x\nPoint #x, 1, Red\nPoint #x, 2, Blue\nEnd\nPoint 0, 0, Green\nP 3\n";
    DrawingStepper stepper(host, SplitLines(script));
    ASSERT_TRUE(stepper.stepInto());
    EXPECT_EQ(stepper.line(), 7);
    ASSERT_TRUE(stepper.stepInto());
    EXPECT_EQ(stepper.line(), 8);
    ASSERT_EQ(stepper.position().calls.size(), 1u);
    EXPECT_EQ(stepper.position().calls[0].origin.line, 4);
    EXPECT_EQ(stepper.drawing().pixel(3, 1), 0xFF0000u);
    EXPECT_EQ(stepper.drawing().pixel(3, 2), 0xFFFFFFu);
    ASSERT_TRUE(stepper.stepInto());
    EXPECT_EQ(stepper.position().calls[0].origin.line, 5);
    EXPECT_EQ(stepper.drawing().pixel(3, 2), 0x0000FFu);
    EXPECT_EQ(DescribePixelSource(stepper.shownCommand(), EnglishBase),
              "Line 9: Point \u2014 in P (line 6), called from line 9; layer 1");
    EXPECT_FALSE(stepper.stepInto());
    ASSERT_TRUE(stepper.previous());
    EXPECT_EQ(stepper.line(), 7);
    EXPECT_EQ(stepper.drawing().pixel(3, 1), 0xFFFFFFu);
    EXPECT_EQ(DescribePixelSource(stepper.shownCommand(), EnglishBase), "Line 8: Point; layer 1");
    // Back before the first drawing line: nothing drawn, no command told,
    // on the drawing the lines before it made.
    ASSERT_TRUE(stepper.previous());
    EXPECT_EQ(stepper.line(), -1);
    EXPECT_TRUE(stepper.shownCommand().background);
    EXPECT_EQ(stepper.drawing().width(), 30);
    EXPECT_EQ(stepper.drawing().pixel(0, 0), 0xFFFFFFu);
}

}  // namespace
}  // namespace kresbon

namespace kresbon {
namespace {

TEST(InkTapTest, TheTapHearsEveryWriteOfItsOwnSurfaceOnly)
{
    Surface s(8, 8, 4);
    InkTap tap;
    tap.probe = s.pixelIndex(2, 3);
    s.setInkTap(&tap);
    Surface copy = s;
    copy.setPixel(2, 3, 0xFF0000);
    EXPECT_FALSE(tap.probeWritten);
    // A run that stops just before the pixel, then one that starts on it.
    s.setBrush(0xFF0000, BrushStyle::Solid);
    s.fillRect(0, 3, 2, 4);
    EXPECT_FALSE(tap.probeWritten);
    s.fillRect(2, 3, 5, 4);
    EXPECT_TRUE(tap.probeWritten);
    // Writing the colour the pixel already holds is a write all the same.
    tap.probeWritten = false;
    const Rgb same[] = {0xFF0000};
    s.setPixels(2, 3, same);
    EXPECT_TRUE(tap.probeWritten);
    s.setInkTap(nullptr);
    tap.probeWritten = false;
    s.setPixel(2, 3, 0x0000FF);
    EXPECT_FALSE(tap.probeWritten);
}

}  // namespace
}  // namespace kresbon
