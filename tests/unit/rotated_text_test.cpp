#include "render/rotated_text.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fonts.h"
#include "platform/glyphs.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "render/shapes.h"

namespace kresbon {
namespace {

constexpr Rgb Ground = 0x0000FF;
constexpr Rgb Box = 0xFFFF00;
constexpr Rgb Ink = 0x000000;
constexpr const char* Sans = "Liberation Sans";

struct Bounds {
    int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);  // right, bottom exclusive
    void add(int x, int y)
    {
        left = std::min(left, x), top = std::min(top, y);
        right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
    }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

std::ostream& operator<<(std::ostream& out, const Bounds& b)
{
    return out << "[" << b.left << ", " << b.right << ") x [" << b.top << ", " << b.bottom << ")";
}

Surface Ground200()
{
    Surface s(200, 200, 24);
    s.setBrush(Ground, BrushStyle::Solid);
    s.fillRect(0, 0, 200, 200);
    return s;
}

template <typename Keep>
Bounds BoundsOf(const Surface& s, Keep keep)
{
    Bounds b;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (keep(s.pixel(x, y))) b.add(x, y);
    return b;
}

int Count(const Surface& s, Rgb colour)
{
    const std::vector<Rgb> all = s.colours();
    return static_cast<int>(std::count(all.begin(), all.end(), colour));
}

// Text drawn on a blue ground with a solid yellow brush, black ink.
Surface Drawn(PixelPoint at, int angle, int height, const char* text, TextStyle style = {},
              const char* font = Sans)
{
    Surface s = Ground200();
    s.setBrush(Box, BrushStyle::Solid);
    DrawRotatedText(s, at, angle, height, Ink, font, style, text, EnglishBase);
    return s;
}

TEST(RotatedText, CellsLieAtTheAnchorForEveryQuarterTurn)
{
    const Surface flat = Drawn({100, 100}, 0, 16, "Hg");
    const Bounds cell = BoundsOf(flat, [](Rgb c) { return c != Ground; });
    const int w = cell.width();
    EXPECT_EQ(cell, (Bounds{100, 100, 100 + w, 116}));
    EXPECT_GT(w, 10);

    const struct {
        int angle;
        Bounds expected;
    } turns[] = {
        {90, {100, 100 - w, 116, 100}},   // runs upwards, cells to the right of the anchor
        {180, {100 - w, 84, 100, 100}},   // upside down to the left
        {270, {84, 100, 100, 100 + w}},   // runs downwards, cells to the left
        {-90, {84, 100, 100, 100 + w}},
        {450, {100, 100 - w, 116, 100}},
    };
    for (const auto& t : turns) {
        const Surface s = Drawn({100, 100}, t.angle, 16, "Hg");
        EXPECT_EQ(BoundsOf(s, [](Rgb c) { return c != Ground; }), t.expected) << "angle " << t.angle;
        const Bounds ink = BoundsOf(s, [](Rgb c) { return c == Ink; });
        EXPECT_GT(Count(s, Ink), 20) << "angle " << t.angle;
        EXPECT_TRUE(ink.left >= t.expected.left && ink.right <= t.expected.right && ink.top >= t.expected.top &&
                    ink.bottom <= t.expected.bottom)
            << "angle " << t.angle << ": ink " << ink;
    }
}

TEST(RotatedText, OddAnglesTurnCounterClockwiseAboutTheAnchor)
{
    const int w = BoundsOf(Drawn({100, 100}, 0, 16, "Hello"), [](Rgb c) { return c != Ground; }).width();
    for (int angle : {30, -30, 135}) {
        const Surface s = Drawn({100, 100}, angle, 16, "Hello");
        const double a = angle * 3.14159265358979 / 180;
        int outside = 0;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (s.pixel(x, y) == Ground) continue;
                // Back into the text's own axes: u along the baseline, v down the cell.
                const double dx = x + 0.5 - 100, dy = y + 0.5 - 100;
                const double u = dx * std::cos(a) - dy * std::sin(a);
                const double v = dx * std::sin(a) + dy * std::cos(a);
                if (u < -1 || u > w + 1 || v < -1 || v > 17) ++outside;
            }
        }
        EXPECT_EQ(outside, 0) << "angle " << angle;
        EXPECT_NEAR(Count(s, Box) + Count(s, Ink), w * 16, w * 16 / 10) << "angle " << angle;
    }
}

TEST(RotatedText, BackgroundFollowsTheBrush)
{
    // A red band across the cell shows whether the cell was filled.
    auto banded = [] {
        Surface s(120, 40, 24);
        s.setBrush(0xFFFFFF, BrushStyle::Solid);
        s.fillRect(0, 0, 120, 40);
        for (int x = 0; x < 120; ++x) s.setPixel(x, 15, 0xFF0000);
        return s;
    };
    auto drawText = [](Surface& s) { DrawRotatedText(s, {10, 8}, 0, 16, Ink, Sans, {}, "Hi", EnglishBase); };

    Surface fresh = banded();
    drawText(fresh);
    EXPECT_EQ(fresh.pixel(10, 15), 0xFFFFFFu) << "a fresh canvas's solid brush fills the cell";
    EXPECT_EQ(fresh.pixel(9, 15), 0xFF0000u);

    Surface afterThinRectangle = banded();
    DrawRectangle(afterThinRectangle, 100, 30, 110, 35, 0x00FF00, 1, PenStyle::Solid);
    drawText(afterThinRectangle);
    EXPECT_EQ(afterThinRectangle.pixel(10, 15), 0xFFFFFFu);

    Surface afterEllipse = banded();
    DrawEllipse(afterEllipse, 100, 30, 110, 35, 0x00FF00, 1, PenStyle::Solid);
    drawText(afterEllipse);
    EXPECT_EQ(afterEllipse.pixel(10, 15), 0xFF0000u) << "a clear brush leaves the cell as it was";
    Surface ellipseOnly = banded();
    DrawEllipse(ellipseOnly, 100, 30, 110, 35, 0x00FF00, 1, PenStyle::Solid);
    int inked = 0, changedOtherwise = 0;
    const std::vector<Rgb> both = afterEllipse.colours();
    const std::vector<Rgb> ellipse = ellipseOnly.colours();
    for (std::size_t i = 0; i < ellipse.size(); ++i) {
        if (both[i] == ellipse[i]) continue;
        ++(both[i] == Ink ? inked : changedOtherwise);
    }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(changedOtherwise, 0);
}

TEST(RotatedText, CellHeightFollowsTheWindowsMetrics)
{
    FontRasteriser fonts;
    const struct {
        int height, ascent, descent;
    } cases[] = {{12, 10, 2}, {16, 13, 3}, {20, 16, 4}, {0, 13, 3}};
    for (const auto& c : cases) {
        const FontMetrics m = fonts.select({Sans, c.height, false, false});
        EXPECT_EQ(m.ascent, c.ascent) << "height " << c.height;
        EXPECT_EQ(m.descent, c.descent) << "height " << c.height;
        EXPECT_TRUE(m.trueType);
    }
    const Bounds zero = BoundsOf(Drawn({20, 20}, 0, 0, "Hg"), [](Rgb c) { return c != Ground; });
    EXPECT_EQ(zero.height(), 16) << "height 0 draws at the default height";
}

TEST(RotatedText, UnderlineAndStrikeOutRunTheWholeWidth)
{
    // Liberation Sans at 16 pixels: baseline 13 rows down, the underline on
    // the baseline row, the strike-out 4 rows above it, both 1 pixel thick.
    const Surface plain = Drawn({20, 20}, 0, 16, "a b");
    const int w = BoundsOf(plain, [](Rgb c) { return c != Ground; }).width();
    auto fullRow = [w](const Surface& s, int y) {
        for (int x = 20; x < 20 + w; ++x)
            if (s.pixel(x, y) != Ink) return false;
        return true;
    };
    const Surface under = Drawn({20, 20}, 0, 16, "a b", {false, false, true, false});
    const Surface struck = Drawn({20, 20}, 0, 16, "a b", {false, false, false, true});
    EXPECT_TRUE(fullRow(under, 33));
    EXPECT_FALSE(fullRow(plain, 33));
    EXPECT_FALSE(fullRow(under, 29));
    EXPECT_TRUE(fullRow(struck, 29));
    EXPECT_FALSE(fullRow(plain, 29));

    // Turned upwards, the underline becomes the column 13 pixels right of
    // the anchor, as long as the text.
    const Surface upward = Drawn({20, 100}, 90, 16, "a b", {false, false, true, false});
    int column = 0;
    for (int y = 100 - w; y < 100; ++y) column += upward.pixel(20 + 13, y) == Ink;
    EXPECT_EQ(column, w);
}

TEST(RotatedText, StyleFlagsChangeTheGlyphs)
{
    const Surface plain = Drawn({10, 10}, 0, 20, "Kresba");
    const Surface bold = Drawn({10, 10}, 0, 20, "Kresba", {true, false, false, false});
    const Surface italic = Drawn({10, 10}, 0, 20, "Kresba", {false, true, false, false});
    EXPECT_GT(Count(bold, Ink), Count(plain, Ink) * 5 / 4);
    EXPECT_NE(plain.colours(), italic.colours());
}

TEST(RotatedText, CzechLettersAreRealGlyphs)
{
    FontRasteriser fonts;
    fonts.select({Sans, 20, false, false});
    auto runs = [&fonts](char32_t c) {
        std::vector<std::tuple<int, int, int>> out;
        for (const InkRun& r : fonts.glyph(c, 0).runs) out.emplace_back(r.y, r.x0, r.x1);
        return out;
    };
    const auto missing = runs(0x0378);  // unassigned: the font's missing-glyph box
    ASSERT_FALSE(missing.empty());
    for (char32_t c : std::u32string(U"ěščřžýáíéůúĚŠČŘŽÝÁÍÉŮÚ")) {
        EXPECT_NE(runs(c), missing) << "U+" << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_NE(runs(U'Č'), runs(U'C'));

    // Through the drawing, the byte of Windows-1250 'Č' draws the caron.
    const Surface c = Drawn({10, 10}, 0, 20, "C");
    const Surface caron = Drawn({10, 10}, 0, 20, "\xC8");
    EXPECT_GT(Count(caron, Ink), Count(c, Ink));
    EXPECT_LT(BoundsOf(caron, [](Rgb p) { return p == Ink; }).top, BoundsOf(c, [](Rgb p) { return p == Ink; }).top);
}

TEST(RotatedText, ExtremePlacesAndHeightsStayCheap)
{
    const auto start = std::chrono::steady_clock::now();
    Surface s = Ground200();
    DrawRotatedText(s, {1 << 30, 1 << 30}, 45, 200, Ink, Sans, {true, true, true, true}, "far away", EnglishBase);
    DrawRotatedText(s, {-(1 << 30), 0}, 0, 16, Ink, Sans, {}, "far left", EnglishBase);
    EXPECT_EQ(Count(s, Ground), 200 * 200);
    // The stem of a capital H drawn as tall as the program allows covers the
    // whole surface.
    DrawRotatedText(s, {-300, -1500}, 0, 1 << 30, Ink, Sans, {}, "H", EnglishBase);
    EXPECT_GT(Count(s, Ink), 200 * 190);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// Fonts of this test's own, known to fontconfig while a test runs: a small
// raster font, and a copy of Liberation Sans Regular under a family name of
// its own, so that the family has no bold or italic face.
class RotatedTextOwnFonts : public ::testing::Test {
protected:
    static constexpr const char* Raster = "Kresbon Raster Probe";
    static constexpr const char* SingleFace = "Kresbon Single Face";

    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() / ("kresbon_text_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        const std::filesystem::path bdf = folder_ / "probe.bdf";
        std::ofstream(bdf) << "STARTFONT 2.1\nFONT -misc-probe-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
                              "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 3\n"
                              "FAMILY_NAME \""
                           << Raster
                           << "\"\nFONT_ASCENT 7\nFONT_DESCENT 1\nENDPROPERTIES\nCHARS 1\n"
                              "STARTCHAR A\nENCODING 65\nSWIDTH 1000 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n"
                              "FF\n81\n81\n81\n81\n81\n81\nFF\nENDCHAR\nENDFONT\n";
        const std::filesystem::path copy = folder_ / "single.ttf";
        std::filesystem::copy_file(LiberationSansRegular(), copy, std::filesystem::copy_options::overwrite_existing);
        const std::string rename = "<fontconfig><match target=\"scan\"><test name=\"file\"><string>" +
                                   copy.string() + "</string></test><edit name=\"family\" mode=\"assign\" "
                                   "binding=\"same\"><string>" + SingleFace + "</string></edit></match></fontconfig>";
        ASSERT_TRUE(FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(rename.c_str()), FcTrue));
        for (const auto& file : {bdf, copy}) {
            ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()))) << file;
        }
        ForgetInstalledFonts();
        ASSERT_TRUE(IsFontInstalled(Raster));
        ASSERT_TRUE(IsFontInstalled(SingleFace));
    }

    void TearDown() override
    {
        FcConfigAppFontClear(nullptr);
        ForgetInstalledFonts();
        std::filesystem::remove_all(folder_);
    }

    static std::string LiberationSansRegular()
    {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Liberation Sans:style=Regular"));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcChar8* file = nullptr;
        std::string path;
        if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) path = reinterpret_cast<char*>(file);
        if (match) FcPatternDestroy(match);
        FcPatternDestroy(pattern);
        return path;
    }

    std::filesystem::path folder_;
};

TEST_F(RotatedTextOwnFonts, RasterFontDrawsUnturnedButRefusesEveryOtherAngle)
{
    const Surface flat = Drawn({10, 10}, 0, 8, "AA", {}, Raster);
    EXPECT_EQ(BoundsOf(flat, [](Rgb c) { return c != Ground; }), (Bounds{10, 10, 26, 18}));
    EXPECT_EQ(Count(flat, Ink), 2 * 28);

    for (int angle : {1, 90, 360, -360}) {
        for (int lang : {EnglishBase, CzechBase}) {
            Surface s = Ground200();
            s.setBrush(Box, BrushStyle::Solid);
            try {
                DrawRotatedText(s, {50, 50}, angle, 8, Ink, Raster, {}, "AA", lang);
                ADD_FAILURE() << "angle " << angle << " drew with a raster font";
            } catch (const vyjimka& e) {
                EXPECT_EQ(e.message(), Text(lang, 260) + "\"" + Raster + "\"" + Text(lang, 261));
            }
            EXPECT_EQ(Count(s, Ground), 200 * 200) << "angle " << angle;
        }
    }
}

TEST_F(RotatedTextOwnFonts, RasterBoldIsStruckTwice)
{
    const Surface bold = Drawn({10, 10}, 0, 8, "A", {true, false, false, false}, Raster);
    EXPECT_EQ(BoundsOf(bold, [](Rgb c) { return c != Ground; }), (Bounds{10, 10, 19, 18}));
    EXPECT_EQ(Count(bold, Ink), 9 * 2 + 6 * 4);
}

TEST_F(RotatedTextOwnFonts, MissingFacesAreEmboldenedAndSlanted)
{
    // One more pixel of advance per character, more ink, and the ink moved
    // right at the top.
    const Surface regular = Drawn({10, 10}, 0, 20, "IIII", {}, SingleFace);
    const Surface bold = Drawn({10, 10}, 0, 20, "IIII", {true, false, false, false}, SingleFace);
    const Surface italic = Drawn({10, 10}, 0, 20, "IIII", {false, true, false, false}, SingleFace);
    auto cell = [](const Surface& s) { return BoundsOf(s, [](Rgb c) { return c != Ground; }); };
    EXPECT_EQ(cell(bold).width(), cell(regular).width() + 4);
    EXPECT_GT(Count(bold, Ink), Count(regular, Ink) * 5 / 4);
    auto leftInk = [](const Surface& s, int y) {
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) == Ink) return x;
        return -1;
    };
    const Bounds ink = BoundsOf(regular, [](Rgb c) { return c == Ink; });
    EXPECT_EQ(leftInk(regular, ink.top), leftInk(regular, ink.bottom - 1));
    EXPECT_GE(leftInk(italic, ink.top) - leftInk(italic, ink.bottom - 1), 3);
}

}  // namespace
}  // namespace kresbon
