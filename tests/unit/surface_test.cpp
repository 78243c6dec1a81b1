#include "platform/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/palette.h"
#include "platform/surface_detail.h"

namespace kresbon {
namespace {

constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kBlack = 0x000000;
constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kYellow = 0xFFFF00;

Surface blank(int width, int height, Rgb background = kWhite, int depth = 24)
{
    Surface s(width, height, depth);
    s.setBrush(background, BrushStyle::Solid);
    s.fillRect(0, 0, width, height);
    return s;
}

// One character per pixel: '#' black, '.' white, 'r' red, 'y' yellow.
std::string row(const Surface& s, int y, int from = 0, int to = -1)
{
    std::string text;
    for (int x = from; x < (to < 0 ? s.width() : to); ++x) {
        const Rgb c = s.pixel(x, y);
        text += c == kBlack ? '#' : c == kWhite ? '.' : c == kRed ? 'r' : c == kYellow ? 'y' : '?';
    }
    return text;
}

std::string column(const Surface& s, int x, int from, int to)
{
    std::string text;
    for (int y = from; y < to; ++y) text += s.pixel(x, y) == kBlack ? '#' : '.';
    return text;
}

void line(Surface& s, int x1, int y1, int x2, int y2)
{
    s.moveTo(x1, y1);
    s.lineTo(x2, y2);
}

int countColour(const Surface& s, Rgb c)
{
    int n = 0;
    for (const Rgb p : s.colours()) n += p == c;
    return n;
}

// The pixels of a one-pixel line by the biased Bresenham rule, drawn pixel
// by pixel without clipping.
void referenceLine(Surface& s, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    const std::int64_t dx = x1 - x0, dy = y1 - y0;
    const std::int64_t adx = std::llabs(dx), ady = std::llabs(dy);
    const bool xMajor = adx > ady;
    int octant;
    if (dy > 0) octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    else octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
    const int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    const std::int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    std::int64_t err = 2 * minor - major, x = x0, y = y0;
    for (std::int64_t i = 0; i < major; ++i) {
        s.setPixel(static_cast<int>(std::clamp<std::int64_t>(x, -1, s.width())),
                   static_cast<int>(std::clamp<std::int64_t>(y, -1, s.height())), kBlack);
        if (err + bias > 0) {
            (xMajor ? y : x) += (xMajor ? dy : dx) > 0 ? 1 : -1;
            err += 2 * minor - 2 * major;
        } else {
            err += 2 * minor;
        }
        (xMajor ? x : y) += (xMajor ? dx : dy) > 0 ? 1 : -1;
    }
}

TEST(SurfaceLine, LeavesOutTheEndPixel)
{
    Surface s = blank(12, 12);
    line(s, 2, 3, 7, 3);
    EXPECT_EQ(row(s, 3), "..#####.....");
    line(s, 0, 5, 5, 10);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.pixel(i, 5 + i), kBlack) << i;
    EXPECT_EQ(s.pixel(5, 10), kWhite);
}

TEST(SurfaceLine, AxisSpansIncludeStartAndExcludeEndInEitherDirection)
{
    Surface s = blank(12, 12);
    line(s, 10, 1, 5, 1);
    EXPECT_EQ(row(s, 1), "......#####.");
    line(s, 3, 10, 3, 5);
    EXPECT_EQ(column(s, 3, 0, 12), "......#####.");
}

TEST(SurfaceLine, TiesGoUpOnFlatLinesAndLeftOnSteepLines)
{
    struct Case {
        int x0, y0, x1, y1;
        const char* rows[2];
    };
    // Each line passes exactly between two pixels at its middle.
    const Case cases[] = {
        {0, 0, 4, 1, {"###.", "...#"}},
        {4, 1, 0, 0, {".##..", "...##"}},
        {0, 1, 4, 0, {"..##", "##.."}},
    };
    for (const Case& c : cases) {
        Surface s = blank(5, 2);
        line(s, c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(row(s, 0, 0, static_cast<int>(std::string(c.rows[0]).size())), c.rows[0]) << c.x0 << "," << c.y0;
        EXPECT_EQ(row(s, 1, 0, static_cast<int>(std::string(c.rows[1]).size())), c.rows[1]) << c.x0 << "," << c.y0;
    }
    Surface down = blank(2, 5);
    line(down, 0, 0, 1, 4);
    EXPECT_EQ(column(down, 0, 0, 5), "###..");
    Surface up = blank(2, 5);
    line(up, 1, 4, 0, 0);
    EXPECT_EQ(column(up, 0, 0, 5), ".##..");
    Surface downLeft = blank(2, 5);
    line(downLeft, 1, 0, 0, 4);
    EXPECT_EQ(column(downLeft, 0, 0, 5), "..##.");
}

TEST(SurfaceLine, ClippingKeepsExactlyTheUnclippedPixels)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> near(-60, 110), far(-3000, 3000), pick(0, 9);
    const auto coordinate = [&] { return pick(rng) < 7 ? near(rng) : far(rng); };
    for (int i = 0; i < 3000; ++i) {
        const int x0 = coordinate(), y0 = coordinate(), x1 = coordinate(), y1 = coordinate();
        Surface drawn = blank(50, 40);
        Surface expected = blank(50, 40);
        line(drawn, x0, y0, x1, y1);
        referenceLine(expected, x0, y0, x1, y1);
        ASSERT_EQ(drawn.colours(), expected.colours()) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(SurfaceLine, ClippingIsExactForEverySmallLine)
{
    // Every line between points of a grid around a tiny image, so that
    // clipping meets the ties at each edge.
    for (int x0 = -3; x0 < 9; ++x0) {
        for (int y0 = -3; y0 < 8; ++y0) {
            for (int x1 = -3; x1 < 9; ++x1) {
                for (int y1 = -3; y1 < 8; ++y1) {
                    Surface drawn = blank(5, 4);
                    Surface expected = blank(5, 4);
                    line(drawn, x0, y0, x1, y1);
                    referenceLine(expected, x0, y0, x1, y1);
                    ASSERT_EQ(drawn.colours(), expected.colours()) << x0 << "," << y0 << " -> " << x1 << "," << y1;
                }
            }
        }
    }
}

TEST(SurfaceLine, LinesFarOutsideTheImageFinishAndStayExact)
{
    Surface s = blank(40, 30);
    line(s, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    line(s, INT_MAX, INT_MIN, INT_MIN, INT_MAX);
    line(s, INT_MIN, 5, INT_MAX, 5);
    line(s, 7, INT_MAX, 7, INT_MIN);
    EXPECT_EQ(s.pixel(20, 20), kBlack);
    EXPECT_EQ(s.pixel(30, 5), kBlack);
    EXPECT_EQ(s.pixel(7, 29), kBlack);

    Surface diagonal = blank(40, 30);
    line(diagonal, -1000000000, -1000000000, 1000000000, 1000000000);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(diagonal.pixel(i, i), kBlack) << i;
    EXPECT_EQ(countColour(diagonal, kBlack), 30);

    Surface far = blank(40, 30);
    line(far, -2000000000, -2000000000, -2000000000, 2000000000);
    line(far, 2000000000, 2000000000, 1500000000, -100);
    EXPECT_EQ(countColour(far, kBlack), 0);
}

TEST(SurfaceDash, HorizontalDashWithTransparentAndOpaqueGaps)
{
    Surface s = blank(45, 4);
    s.setPen(kBlack, 1, PenStyle::Dash);
    s.setBrush(kRed, BrushStyle::Clear);
    line(s, 0, 0, 40, 0);
    EXPECT_EQ(row(s, 0), std::string(18, '#') + std::string(6, '.') + std::string(16, '#') + ".....");
    s.setBrush(kRed, BrushStyle::Solid);
    line(s, 0, 1, 40, 1);
    EXPECT_EQ(row(s, 1), std::string(18, '#') + std::string(6, 'r') + std::string(16, '#') + ".....");
    // Right to left the pattern starts at the right end.
    s.setBrush(kRed, BrushStyle::Horizontal);
    line(s, 40, 2, 0, 2);
    EXPECT_EQ(row(s, 2), "." + std::string(16, '#') + std::string(6, '.') + std::string(18, '#') + "....");
}

TEST(SurfaceDash, PatternRestartsAtEveryLineButRunsOnRoundARectangle)
{
    Surface s = blank(32, 12);
    s.setPen(kBlack, 1, PenStyle::Dash);
    s.setBrush(kWhite, BrushStyle::Clear);
    s.moveTo(0, 0);
    s.lineTo(10, 0);
    s.lineTo(31, 0);
    EXPECT_EQ(row(s, 0), std::string(28, '#') + "....");

    Surface r = blank(32, 12);
    r.setPen(kBlack, 1, PenStyle::Dot);
    r.setBrush(kWhite, BrushStyle::Clear);
    r.rectangle(0, 2, 30, 10);
    // The outline starts at the top right corner and runs counter-clockwise.
    std::string top;
    for (int x = 0; x < 30; ++x) top += (29 - x) % 6 < 3 ? '#' : '.';
    EXPECT_EQ(row(r, 2, 0, 30), top);
    std::string left;
    for (int y = 2; y < 10; ++y) left += (29 + y - 2) % 6 < 3 ? '#' : '.';
    EXPECT_EQ(column(r, 0, 2, 10), left);
}

TEST(SurfaceDash, StyledWidePenDrawsSolid)
{
    Surface s = blank(60, 10);
    s.setPen(kBlack, 3, PenStyle::Dot);
    s.setBrush(kRed, BrushStyle::Solid);
    line(s, 5, 5, 50, 5);
    for (int y = 4; y <= 6; ++y) EXPECT_EQ(row(s, y, 5, 50), std::string(45, '#')) << y;
    EXPECT_EQ(countColour(s, kRed), 0);
}

TEST(SurfaceWidePen, BandRowsAndRoundCaps)
{
    Surface s = blank(30, 20);
    s.setPen(kBlack, 4, PenStyle::Solid);
    line(s, 10, 10, 20, 10);
    for (int y = 8; y <= 11; ++y) EXPECT_EQ(row(s, y, 10, 20), std::string(10, '#')) << y;
    EXPECT_EQ(row(s, 7, 10, 20), std::string(10, '.'));
    EXPECT_EQ(row(s, 12, 10, 20), std::string(10, '.'));
    // The caps reach beyond both ends on the middle rows only.
    EXPECT_EQ(s.pixel(8, 10), kBlack);
    EXPECT_EQ(s.pixel(21, 10), kBlack);
    EXPECT_EQ(s.pixel(8, 8), kWhite);

    Surface dot = blank(10, 10);
    dot.setPen(kBlack, 3, PenStyle::Solid);
    line(dot, 5, 5, 5, 5);
    EXPECT_EQ(row(dot, 4, 3, 8), "..#..");
    EXPECT_EQ(row(dot, 5, 3, 8), ".###.");
    EXPECT_EQ(row(dot, 6, 3, 8), "..#..");
    EXPECT_EQ(countColour(dot, kBlack), 5);
}

TEST(SurfaceRectangle, BoxLeavesOutRightAndBottomEdges)
{
    for (const bool swapped : {false, true}) {
        Surface s = blank(10, 8);
        s.setBrush(kRed, BrushStyle::Solid);
        if (swapped) {
            s.rectangle(8, 6, 2, 2);
        } else {
            s.rectangle(2, 2, 8, 6);
        }
        EXPECT_EQ(row(s, 1), "..........");
        EXPECT_EQ(row(s, 2), "..######..");
        EXPECT_EQ(row(s, 3), "..#rrrr#..");
        EXPECT_EQ(row(s, 4), "..#rrrr#..");
        EXPECT_EQ(row(s, 5), "..######..");
        EXPECT_EQ(row(s, 6), "..........");
    }
    Surface clear = blank(10, 8);
    clear.setBrush(kRed, BrushStyle::Clear);
    clear.rectangle(2, 2, 8, 6);
    EXPECT_EQ(row(clear, 3), "..#....#..");
    clear.rectangle(1, 1, 1, 7);
    EXPECT_EQ(row(clear, 3), "..#....#..");
}

TEST(SurfaceRectangle, HatchFillLeavesGapsAndWidePenFillsUpToTheOutline)
{
    Surface s = blank(16, 16, kYellow);
    s.setPen(kBlack, 1, PenStyle::Solid);
    s.setBrush(kRed, BrushStyle::Horizontal);
    s.rectangle(0, 0, 16, 16);
    EXPECT_EQ(row(s, 3), "#rrrrrrrrrrrrrr#");
    EXPECT_EQ(row(s, 4), "#yyyyyyyyyyyyyy#");

    Surface wide = blank(20, 20);
    wide.setPen(kBlack, 3, PenStyle::Solid);
    wide.setBrush(kRed, BrushStyle::Solid);
    wide.rectangle(4, 4, 16, 16);
    EXPECT_EQ(row(wide, 10, 2, 18), ".###rrrrrrrr###.");
}

TEST(SurfaceFlood, EachHatchIsAlignedToTheImageOrigin)
{
    struct Hatch {
        BrushStyle style;
        bool (*lit)(int x, int y);
    };
    const Hatch hatches[] = {
        {BrushStyle::Horizontal, [](int, int y) { return y % 8 == 3; }},
        {BrushStyle::Vertical, [](int x, int) { return x % 8 == 4; }},
        {BrushStyle::FDiagonal, [](int x, int y) { return x % 8 == y % 8; }},
        {BrushStyle::BDiagonal, [](int x, int y) { return (x + y) % 8 == 7; }},
        {BrushStyle::Cross, [](int x, int y) { return y % 8 == 3 || x % 8 == 4; }},
        {BrushStyle::DiagCross, [](int x, int y) { return x % 8 == y % 8 || (x + y) % 8 == 7; }},
    };
    for (const Hatch& hatch : hatches) {
        Surface s = blank(29, 21, kYellow);
        s.setPen(kBlack, 1, PenStyle::Solid);
        s.setBrush(kWhite, BrushStyle::Clear);
        s.rectangle(3, 5, 26, 19);
        s.setBrush(kRed, hatch.style);
        s.floodFill(10, 10, kYellow);
        for (int y = 6; y < 17; ++y) {
            for (int x = 4; x < 24; ++x) {
                ASSERT_EQ(s.pixel(x, y), hatch.lit(x, y) ? kRed : kYellow)
                    << "style " << static_cast<int>(hatch.style) << " at " << x << "," << y;
            }
        }
        EXPECT_EQ(s.pixel(1, 3), kYellow);
        EXPECT_EQ(s.pixel(3, 5), kBlack);
    }
}

TEST(SurfaceFlood, FourConnectedOnlyAndOnlyTheExactColour)
{
    Surface s = blank(6, 6, kBlack);
    for (int i = 1; i < 5; ++i) s.setPixel(i, i, kWhite);
    s.setPixel(2, 1, 0xFEFEFE);
    s.setBrush(kRed, BrushStyle::Solid);
    s.floodFill(1, 1, kWhite);
    EXPECT_EQ(countColour(s, kRed), 1);
    EXPECT_EQ(s.pixel(2, 2), kWhite);

    s.floodFill(-1, 3, kBlack);
    s.floodFill(6, 3, kBlack);
    s.floodFill(2, 2, kBlack);
    EXPECT_EQ(countColour(s, kRed), 1);
    s.setBrush(kRed, BrushStyle::Clear);
    s.floodFill(0, 0, kBlack);
    EXPECT_EQ(countColour(s, kRed), 1);
    s.setBrush(kRed, BrushStyle::Solid);
    s.floodFill(0, 0, kBlack);
    EXPECT_EQ(countColour(s, kRed), 36 - 4);
}

TEST(SurfaceFlood, QuantisesTheSurfaceColourAndFillsLargeMazes)
{
    Surface s = blank(8, 8, kBlack, 16);
    s.setBrush(kRed, BrushStyle::Solid);
    s.floodFill(3, 3, makeRgb(1, 2, 3));
    EXPECT_EQ(countColour(s, kRed), 64);

    // A serpentine corridor: every column is its own run joined to the next
    // at alternate ends, so the fill has to follow one long path.
    const int size = 1000;
    Surface maze = blank(size, size);
    maze.setPen(kBlack, 1, PenStyle::Solid);
    for (int x = 1; x < size; x += 2) line(maze, x, (x / 2) % 2 ? 0 : 1, x, (x / 2) % 2 ? size - 1 : size);
    const int walls = countColour(maze, kBlack);
    Surface solid = maze;
    solid.setBrush(kYellow, BrushStyle::Solid);
    solid.floodFill(size - 2, size - 2, kWhite);
    EXPECT_EQ(countColour(solid, kYellow), size * size - walls);

    maze.setBrush(kRed, BrushStyle::DiagCross);
    maze.floodFill(0, 0, kWhite);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; x += 2) {
            const bool lit = x % 8 == y % 8 || (x + y) % 8 == 7;
            ASSERT_EQ(maze.pixel(x, y), lit ? kRed : kWhite) << x << "," << y;
        }
    }
    EXPECT_EQ(countColour(maze, kBlack), walls);
}

TEST(SurfaceColour, EveryWriteIsQuantisedToTheDepth)
{
    const Rgb orange = makeRgb(255, 165, 0);
    EXPECT_EQ(Surface(1, 1, 4).quantise(kRed), kRed);
    EXPECT_EQ(Surface(1, 1, 4).quantise(orange), kYellow);
    EXPECT_EQ(Surface(1, 1, 7).quantise(orange), kYellow);
    EXPECT_EQ(Surface(1, 1, 16).quantise(makeRgb(1, 2, 3)), kBlack);
    EXPECT_EQ(Surface(1, 1, 16).quantise(makeRgb(200, 100, 50)), makeRgb(206, 99, 49));
    EXPECT_EQ(Surface(1, 1, 24).quantise(makeRgb(1, 2, 3)), makeRgb(1, 2, 3));
    EXPECT_EQ(Surface(1, 1, 32).quantise(0xAB123456), 0x123456u);
    EXPECT_EQ(Surface(1, 1, 8).quantise(makeRgb(250, 250, 250)), kWhite);
    EXPECT_EQ(Surface(1, 1, 8).quantise(makeRgb(0x40, 0x20, 0x00)), makeRgb(0x40, 0x20, 0x00));

    const Rgb named[] = {0x00FFFF, 0x000000, 0x0000FF, 0x808080, 0xFF00FF, 0x008000, 0x00FF00, 0xC0C0C0, 0x800000,
                         0x000080, 0x808000, 0x800080, 0xFF0000, 0x008080, 0xFFFFFF, 0xFFFF00};
    const Surface eight(1, 1, 8);
    const Surface four(1, 1, 4);
    for (const Rgb c : named) {
        EXPECT_EQ(eight.quantise(c), c) << std::hex << c;
        EXPECT_EQ(four.quantise(c), c) << std::hex << c;
    }
    EXPECT_EQ(four.palette().size(), 16u);
    EXPECT_EQ(eight.palette().size(), 256u);
    EXPECT_TRUE(Surface(1, 1, 24).palette().empty());

    Surface s = blank(4, 2, kWhite, 4);
    s.setPixel(0, 0, orange);
    s.setPen(orange, 1, PenStyle::Solid);
    line(s, 1, 1, 3, 1);
    EXPECT_EQ(s.pixel(0, 0), kYellow);
    EXPECT_EQ(s.pixel(2, 1), kYellow);
}

TEST(SurfaceColour, NearestPaletteEntryPrefersTheLowestIndexOnTies)
{
    const Rgb table[] = {0x000000, 0x020000, 0x000002};
    EXPECT_EQ(nearestPaletteIndex(table, 0x010000), 0);
    EXPECT_EQ(nearestPaletteIndex(table, 0x000001), 0);
    EXPECT_EQ(nearestPaletteIndex(table, 0x000002), 2);
    EXPECT_EQ(halftonePalette()[10], makeRgb(0x40, 0x20, 0x00));
    EXPECT_EQ(halftonePalette()[255], kWhite);
}

TEST(SurfaceBasics, SizesPixelsAndRectangleFills)
{
    EXPECT_THROW(Surface(-1, 5, 24), std::length_error);
    const Surface empty(0, 0, 24);
    EXPECT_TRUE(empty.colours().empty());
    Surface s(3, 2, 24);
    EXPECT_EQ(s.pixel(1, 1), kBlack);
    EXPECT_EQ(s.pixel(-1, 0), kBlack);
    s.setPixel(3, 0, kWhite);
    s.setPixel(0, -1, kWhite);
    EXPECT_EQ(countColour(s, kWhite), 0);
    s.setBrush(kRed, BrushStyle::DiagCross);
    s.fillRect(-5, 1, 2, 9);
    EXPECT_EQ(row(s, 0), "###");
    EXPECT_EQ(row(s, 1), "rr#");
}

// The outline pixels of an ellipse drawn alone on a white surface.
Surface ellipseAlone(int left, int top, int right, int bottom)
{
    Surface s = blank(right + 3, bottom + 3);
    s.setBrush(kWhite, BrushStyle::Clear);
    s.ellipse(left, top, right, bottom);
    return s;
}

TEST(SurfaceEllipse, SymmetricClosedAndTouchingTheBoxFromInside)
{
    const int sizes[][2] = {{3, 3}, {4, 7}, {10, 10}, {11, 11}, {40, 9}, {9, 40}, {101, 64}, {7, 300}};
    for (const auto& size : sizes) {
        const int left = 2, top = 1, right = 2 + size[0], bottom = 1 + size[1];
        Surface s = ellipseAlone(left, top, right, bottom);
        const std::string label = std::to_string(size[0]) + "x" + std::to_string(size[1]);
        for (int y = 0; y < s.height(); ++y) {
            for (int x = 0; x < s.width(); ++x) {
                if (s.pixel(x, y) != kBlack) continue;
                ASSERT_TRUE(x >= left && x < right && y >= top && y < bottom) << label;
                ASSERT_EQ(s.pixel(left + right - 1 - x, y), kBlack) << label << " at " << x << "," << y;
                ASSERT_EQ(s.pixel(x, top + bottom - 1 - y), kBlack) << label << " at " << x << "," << y;
            }
        }
        EXPECT_NE(row(s, top).find('#'), std::string::npos) << label;
        EXPECT_NE(row(s, bottom - 1).find('#'), std::string::npos) << label;
        EXPECT_NE(column(s, left, 0, s.height()).find('#'), std::string::npos) << label;
        EXPECT_NE(column(s, right - 1, 0, s.height()).find('#'), std::string::npos) << label;

        // No gaps: a fill from the centre stays inside.
        s.setBrush(kRed, BrushStyle::Solid);
        s.floodFill((left + right) / 2, (top + bottom) / 2, kWhite);
        EXPECT_GT(countColour(s, kRed), 0) << label;
        EXPECT_EQ(s.pixel(0, 0), kWhite) << label;
    }
}

TEST(SurfaceEllipse, FillsInsideAndDegeneratesToARectangle)
{
    Surface s = blank(30, 20);
    s.setBrush(kRed, BrushStyle::Solid);
    s.ellipse(2, 2, 28, 18);
    EXPECT_EQ(s.pixel(15, 10), kRed);
    EXPECT_EQ(s.pixel(2, 10), kBlack);
    EXPECT_EQ(s.pixel(2, 2), kWhite);

    Surface flat = blank(12, 6);
    flat.setBrush(kRed, BrushStyle::Solid);
    flat.ellipse(1, 1, 11, 3);
    Surface box = blank(12, 6);
    box.setBrush(kRed, BrushStyle::Solid);
    box.rectangle(1, 1, 11, 3);
    EXPECT_EQ(flat.colours(), box.colours());

    Surface point = blank(5, 5);
    point.ellipse(2, 2, 2, 2);
    EXPECT_EQ(countColour(point, kBlack), 0);
}

TEST(SurfaceArc, QuarterFromRightToUpStaysInTheUpperRightQuadrant)
{
    Surface s = blank(50, 50);
    s.setBrush(kWhite, BrushStyle::Clear);
    s.arc(5, 5, 45, 45, 45, 25, 25, 5);
    EXPECT_GT(countColour(s, kBlack), 20);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 50; ++x) {
            if (s.pixel(x, y) == kBlack) {
                ASSERT_TRUE(x >= 25 && y <= 25) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(s.pixel(44, 24), kBlack);

    Surface rest = blank(50, 50);
    rest.setBrush(kWhite, BrushStyle::Clear);
    rest.arc(5, 5, 45, 45, 25, 5, 45, 25);
    for (int y = 5; y < 45; ++y) {
        for (int x = 5; x < 45; ++x) {
            ASSERT_FALSE(s.pixel(x, y) == kBlack && rest.pixel(x, y) == kBlack && x > 27 && y < 23);
        }
    }
    EXPECT_EQ(rest.pixel(5, 25), kBlack);
    EXPECT_EQ(rest.pixel(25, 44), kBlack);
}

TEST(SurfaceArc, EqualRadialsGiveTheWholeEllipseBarItsLastPixel)
{
    Surface full = ellipseAlone(3, 3, 33, 23);
    Surface arc = blank(full.width(), full.height());
    arc.setBrush(kWhite, BrushStyle::Clear);
    arc.arc(3, 3, 33, 23, 0, 13, 0, 13);
    const int outline = countColour(full, kBlack);
    EXPECT_EQ(countColour(arc, kBlack), outline - 1);
    for (int y = 0; y < full.height(); ++y) {
        for (int x = 0; x < full.width(); ++x) {
            if (arc.pixel(x, y) == kBlack) {
                ASSERT_EQ(full.pixel(x, y), kBlack) << x << "," << y;
            }
        }
    }

    // A box with swapped corners, as a negative radius gives, draws as the
    // ordered box.
    Surface swapped = blank(full.width(), full.height());
    swapped.setBrush(kWhite, BrushStyle::Clear);
    swapped.arc(33, 23, 3, 3, 0, 13, 0, 13);
    EXPECT_EQ(swapped.colours(), arc.colours());
}

// A thin solid outline must paint exactly what stroking its point sequence
// segment by segment paints; the reference strokes the sequence with lineTo.
void strokeThrough(Surface& s, const std::vector<Surface::Point>& points, bool closed)
{
    if (points.size() < 2) return;
    s.moveTo(static_cast<int>(points[0].x), static_cast<int>(points[0].y));
    for (std::size_t i = 1; i < points.size(); ++i) s.lineTo(static_cast<int>(points[i].x), static_cast<int>(points[i].y));
    if (closed) s.lineTo(static_cast<int>(points[0].x), static_cast<int>(points[0].y));
}

TEST(SurfaceEllipse, ThinSolidOutlinesPaintWhatTheirStrokedOutlinePaints)
{
    std::mt19937 random(9);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<Surface::Point> quadrant, outline;
    for (int n = 0; n < 4000; ++n) {
        // Boxes inside the image, across its edges and around it.
        const int x1 = between(-60, 110), y1 = between(-60, 80);
        const bool small = n % 4 == 0;
        const int x2 = x1 + (small ? between(1, 6) : between(1, 170)) * (n % 3 == 0 ? -1 : 1);
        const int y2 = y1 + (small ? between(1, 6) : between(1, 150)) * (n % 5 == 0 ? -1 : 1);
        const Surface::Box box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
        surface_detail::ellipseQuadrant(box.width(), box.height(), quadrant);
        const std::string label = std::to_string(x1) + "," + std::to_string(y1) + "," + std::to_string(x2) + "," +
                                  std::to_string(y2);

        Surface direct = blank(110, 80);
        Surface stroked = blank(110, 80);
        direct.setBrush(kWhite, BrushStyle::Clear);
        if (box.width() > 2 && box.height() > 2) {
            direct.ellipse(x1, y1, x2, y2);
            surface_detail::ellipseOutline(box, quadrant, outline);
            strokeThrough(stroked, outline, true);
            ASSERT_EQ(direct.colours(), stroked.colours()) << "ellipse " << label;
        }

        // Arcs between random rays, rays along the axes and equal rays.
        const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
        int x3 = between(-80, 190), y3 = between(-80, 160), x4 = between(-80, 190), y4 = between(-80, 160);
        if (n % 7 == 0) x3 = cx, x4 = cx + 1;
        if (n % 11 == 0) y3 = cy, y4 = cy;
        if (n % 13 == 0) x4 = x3, y4 = y3;
        Surface arc = blank(110, 80);
        Surface arcStroked = blank(110, 80);
        arc.setBrush(kWhite, BrushStyle::Clear);
        arc.arc(x1, y1, x2, y2, x3, y3, x4, y4);
        const surface_detail::ArcSpan span = surface_detail::arcSpan(box, quadrant, x3, y3, x4, y4);
        outline.clear();
        for (std::int64_t i = span.start; i < span.end; ++i) outline.push_back(surface_detail::arcPoint(box, quadrant, i));
        strokeThrough(arcStroked, outline, false);
        ASSERT_EQ(arc.colours(), arcStroked.colours())
            << "arc " << label << " from " << x3 << "," << y3 << " to " << x4 << "," << y4;
    }
}

// A wide outline is filled row by row; it must paint exactly the disks and
// bands that stroking its points one segment at a time paints, also where
// it leaves the image or covers whole rows of it. kind picks an ellipse, an
// arc or a rectangle; ellipses too large for the exact outline are drawn
// through chords, so they are compared with their chords only for pixels
// the chords can be told from.
void expectWideOutlineAsSegments(int kind, int pen, int x1, int y1, int x2, int y2, std::mt19937& random)
{
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const Surface::Box box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    const std::string label = std::to_string(x1) + "," + std::to_string(y1) + "," + std::to_string(x2) + "," +
                              std::to_string(y2) + " pen " + std::to_string(pen);
    std::vector<Surface::Point> quadrant, outline;
    Surface filled = blank(110, 80);
    Surface stroked = blank(110, 80);
    filled.setPen(kBlack, pen, PenStyle::Solid);
    stroked.setPen(kBlack, pen, PenStyle::Solid);
    filled.setBrush(kWhite, BrushStyle::Clear);
    if (kind == 0 && box.width() > 2 && box.height() > 2) {
        filled.ellipse(x1, y1, x2, y2);
        surface_detail::ellipseQuadrant(box.width(), box.height(), quadrant);
        surface_detail::ellipseOutline(box, quadrant, outline);
        strokeThrough(stroked, outline, true);
    } else if (kind == 1 && box.width() > 2 && box.height() > 2) {
        const int x3 = between(-80, 190), y3 = between(-80, 160), x4 = between(-80, 190), y4 = between(-80, 160);
        filled.arc(x1, y1, x2, y2, x3, y3, x4, y4);
        surface_detail::ellipseQuadrant(box.width(), box.height(), quadrant);
        const surface_detail::ArcSpan span = surface_detail::arcSpan(box, quadrant, x3, y3, x4, y4);
        outline.clear();
        for (std::int64_t i = span.start; i < span.end; ++i) outline.push_back(surface_detail::arcPoint(box, quadrant, i));
        strokeThrough(stroked, outline, false);
    } else {
        filled.rectangle(x1, y1, x2, y2);
        outline = {{box.right - 1, box.top}, {box.left, box.top}, {box.left, box.bottom - 1}, {box.right - 1, box.bottom - 1}};
        strokeThrough(stroked, outline, true);
    }
    ASSERT_EQ(filled.colours(), stroked.colours()) << label;
}

TEST(SurfaceWidePen, OutlinesPaintWhatTheirSegmentsPaintOneByOne)
{
    std::mt19937 random(21);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int n = 0; n < 1500; ++n) {
        const int pen = n % 10 == 0 ? between(100, 300) : n % 3 == 0 ? between(2, 5) : between(2, 60);
        const int x1 = between(-60, 110), y1 = between(-60, 80);
        const int x2 = x1 + between(1, n % 4 == 0 ? 8 : 170) * (n % 3 == 0 ? -1 : 1);
        const int y2 = y1 + between(1, n % 5 == 0 ? 8 : 150) * (n % 7 == 0 ? -1 : 1);
        const int kind = n % 2 == 0 ? 0 : n % 4 == 1 ? 1 : 2;
        expectWideOutlineAsSegments(kind, pen, x1, y1, x2, y2, random);
        if (HasFatalFailure()) return;
    }
}

// Rings whose pen is wider than the drawing: the hole covers all of the
// drawing, some of it, or none; the ring's edge runs through it or just
// outside; the centre lies inside or far outside.
TEST(SurfaceWidePen, RingsWiderThanTheDrawingPaintWhatTheirSegmentsPaint)
{
    std::mt19937 random(22);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int n = 0; n < 400; ++n) {
        const int pen = between(110, 1200);
        const int cx = n % 3 == 0 ? between(-400, 500) : between(0, 110);
        const int cy = n % 3 == 0 ? between(-400, 500) : between(0, 80);
        // Radii around where the hole's edge meets the drawing's corners.
        const int hole = between(0, 160) + (n % 5 == 0 ? between(0, 400) : 0);
        const int rx = pen / 2 + hole;
        const int ry = n % 4 == 0 ? rx + between(-hole, 60) : rx;
        const int kind = n % 4 == 3 ? 1 : n % 8 == 1 ? 2 : 0;
        expectWideOutlineAsSegments(kind, pen, cx - rx, cy - ry, cx + rx + 1, cy + ry + 1, random);
        if (HasFatalFailure()) return;
    }
}

TEST(SurfaceShapes, HugeBoxesAndPensFinish)
{
    Surface s = blank(200, 100);
    s.setBrush(kRed, BrushStyle::Clear);
    s.ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    s.ellipse(10, -1000000, 2000000010, 1000000);
    EXPECT_EQ(s.pixel(0, 0), kWhite);
    EXPECT_GE(countColour(s, kBlack), 100);
    s.arc(INT_MAX, INT_MAX, INT_MIN, INT_MIN, 0, 0, 5, 5);
    s.setPen(kBlack, INT_MAX, PenStyle::Solid);
    s.arc(-1000000000, -1000000000, 1000000000, 1000000000, 1, 0, 0, 1);
    line(s, INT_MIN, 50, INT_MAX, 50);
    EXPECT_EQ(countColour(s, kBlack), 200 * 100);
    s.setBrush(kRed, BrushStyle::Solid);
    s.setPen(kBlack, 1, PenStyle::Solid);
    s.ellipse(-1000000000, -1000000000, 1000000000, 1000000000);
    EXPECT_EQ(countColour(s, kRed), 200 * 100);
}

}  // namespace
}  // namespace kresbon

namespace kresbon {
namespace {

// Draws the same random scene, in VGA colours only, on a surface of every
// depth: each must hold what the 32-bit one holds, quantised. Odd widths put
// shapes on both halves of the bytes of a 4-bit row and on its padding.
TEST(SurfaceDepths, EveryDepthHoldsWhatThe32BitSurfaceHolds)
{
    const auto& vga = vgaPalette();
    for (const auto [width, height] : {std::pair{37, 23}, std::pair{64, 41}, std::pair{1, 9}}) {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            std::vector<Surface> surfaces;
            for (const int depth : {32, 4, 8, 16, 24}) surfaces.emplace_back(width, height, depth);
            std::mt19937 random(seed);
            const auto coordinate = [&](int side) {
                return std::uniform_int_distribution<int>(-side / 2, side + side / 2)(random);
            };
            const auto colour = [&] { return vga[random() % 16]; };
            for (int step = 0; step < 60; ++step) {
                const int op = static_cast<int>(random() % 8);
                const int c[8] = {coordinate(width),  coordinate(height), coordinate(width),  coordinate(height),
                                  coordinate(width),  coordinate(height), coordinate(width),  coordinate(height)};
                const Rgb pen = colour();
                const Rgb brush = colour();
                const int penWidth = random() % 4 == 0 ? 3 : 1;
                const auto penStyle = static_cast<PenStyle>(random() % 5);
                const auto brushStyle = static_cast<BrushStyle>(random() % 8);
                const int fillX = std::abs(c[0]) % width;
                const int fillY = std::abs(c[1]) % height;
                const Rgb fillTarget = surfaces.front().pixel(fillX, fillY);
                std::vector<Rgb> run(static_cast<std::size_t>(random() % (width + 3)));
                for (Rgb& r : run) r = colour();
                for (Surface& s : surfaces) {
                    s.setPen(pen, penWidth, penStyle);
                    s.setBrush(brush, brushStyle);
                    switch (op) {
                    case 0:
                        line(s, c[0], c[1], c[2], c[3]);
                        break;
                    case 1:
                        s.rectangle(c[0], c[1], c[2], c[3]);
                        break;
                    case 2:
                        s.ellipse(c[0], c[1], c[2], c[3]);
                        break;
                    case 3:
                        s.arc(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
                        break;
                    case 4:
                        s.floodFill(fillX, fillY, fillTarget);
                        break;
                    case 5:
                        s.setPixel(c[0], c[1], pen);
                        break;
                    case 6:
                        s.setPixels(c[0], std::abs(c[1]) % height, run);
                        break;
                    default:
                        s.fillRect(c[0], c[1], c[2], c[3]);
                        break;
                    }
                }
                const std::vector<Rgb> widest = surfaces.front().colours();
                for (std::size_t k = 1; k < surfaces.size(); ++k) {
                    std::vector<Rgb> expected = widest;
                    for (Rgb& e : expected) e = surfaces[k].quantise(e);
                    ASSERT_EQ(surfaces[k].colours(), expected)
                        << "depth " << surfaces[k].depth() << ", " << width << " x " << height << ", seed " << seed
                        << ", step " << step << ", operation " << op;
                }
            }
            for (std::size_t k = 1; k < surfaces.size(); ++k) {
                const Surface& s = surfaces[k];
                std::vector<Rgb> row(static_cast<std::size_t>(width));
                for (int y = 0; y < height; ++y) {
                    s.readRow(y, row);
                    for (int x = 0; x < width; ++x) ASSERT_EQ(row[x], s.pixel(x, y));
                }
                if (s.depth() <= 8) {
                    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
                    for (int y = 0; y < height; ++y) {
                        s.readIndices(y, indices);
                        for (int x = 0; x < width; ++x) ASSERT_EQ(s.palette()[indices[x]], s.pixel(x, y));
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace kresbon

namespace kresbon {
namespace {

TEST(SurfacePixels, ARowClippedOnTheLeftIsWrittenAsSetPixelWouldWriteIt)
{
    // Colours that stay apart at every depth, so that a shifted row shows.
    const std::vector<Rgb> row = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080,
                                  0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF};
    for (const int depth : {4, 8, 16, 24, 32}) {
        for (const int x : {-1, -5, -13, -14, -100, 3}) {
            Surface together(10, 2, depth);
            Surface oneByOne(10, 2, depth);
            together.setPixels(x, 1, row);
            for (std::size_t i = 0; i < row.size(); ++i)
                oneByOne.setPixel(x + static_cast<int>(i), 1, row[i]);
            EXPECT_EQ(together.colours(), oneByOne.colours()) << "depth " << depth << ", from x = " << x;
        }
    }
}

}  // namespace
}  // namespace kresbon
