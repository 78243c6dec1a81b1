#include <gtest/gtest.h>

#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "render/dimension_line.h"

namespace kresbon {
namespace {

TEST(DirectionVector, LargerComponentIsOneHundredThousand)
{
    EXPECT_EQ(DirectionVector(10, EnglishBase), (DirectionVec{100000, 17633}));
    EXPECT_EQ(DirectionVector(350, EnglishBase), (DirectionVec{100000, -17633}));
    EXPECT_EQ(DirectionVector(190, EnglishBase), (DirectionVec{-100000, -17633}));
    EXPECT_EQ(DirectionVector(170, EnglishBase), (DirectionVec{-100000, 17633}));
    EXPECT_EQ(DirectionVector(90, EnglishBase), (DirectionVec{0, 100000}));
    EXPECT_EQ(DirectionVector(270, EnglishBase), (DirectionVec{0, -100000}));
    EXPECT_EQ(DirectionVector(0, EnglishBase), (DirectionVec{100000, 0}));
    EXPECT_EQ(DirectionVector(360, EnglishBase), (DirectionVec{100000, 0}));
}

TEST(DirectionVector, NormalisesOnceAndRejectsTheRest)
{
    EXPECT_EQ(DirectionVector(-45, EnglishBase), (DirectionVec{100000, -100000}));
    EXPECT_EQ(DirectionVector(585, EnglishBase), (DirectionVec{-100000, -100000}));
    EXPECT_THROW(DirectionVector(721, EnglishBase), vyjimka);
    EXPECT_THROW(DirectionVector(-361, EnglishBase), vyjimka);
    try {
        DirectionVector(800, EnglishBase);
    } catch (const vyjimka& e) {
        EXPECT_EQ(e.message(), Text(EnglishBase, 258));
    }
}

TEST(DirectionVector, NearlyVerticalDirectionsDoNotOverflow)
{
    const DirectionVec v = DirectionVector(89.9999, EnglishBase);
    EXPECT_EQ(v.dx, 100000);
    EXPECT_GT(v.dy, 1LL << 31);
    const PixelPoint p = OffsetPoint({0, 0}, v, 10);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 9);
}

TEST(OffsetPoint, FloorsEachComponent)
{
    EXPECT_EQ(OffsetPoint({10, 50}, {100000, 17633}, 10), (PixelPoint{19, 51}));
    EXPECT_EQ(OffsetPoint({10, 50}, {100000, -17633}, 10), (PixelPoint{19, 48}));
    EXPECT_EQ(OffsetPoint({110, 50}, {-100000, -17633}, 10), (PixelPoint{100, 48}));
    EXPECT_EQ(OffsetPoint({110, 50}, {-100000, 17633}, 10), (PixelPoint{100, 51}));
}

class DimLineDrawing : public ::testing::Test {
protected:
    Surface s{140, 100, 24};
    void SetUp() override
    {
        s.setBrush(0xFFFFFF, BrushStyle::Solid);
        s.fillRect(0, 0, 140, 100);
    }
    int count(Rgb c) const
    {
        int n = 0;
        for (Rgb p : s.colours()) n += p == c;
        return n;
    }
    DimLineStyle red() const
    {
        DimLineStyle st;
        st.colour = 0xFF0000;
        return st;
    }
};

TEST_F(DimLineDrawing, NoneDrawsOnlyTheLine)
{
    DrawDimLine(s, {10, 50}, "none", {110, 50}, "NONE", red(), EnglishBase);
    EXPECT_EQ(count(0xFF0000), 101);
}

TEST_F(DimLineDrawing, VerticalArrowheadsOpenToBothSides)
{
    // Downwards, r = 90: the start strokes run at 100 and 80 degrees to
    // (58, 19) and (61, 19); the end strokes mirror them upwards.
    DrawDimLine(s, {60, 10}, "Inner", {60, 90}, "Inner", red(), EnglishBase);
    for (int y : {16, 17, 83, 84}) {
        bool left = false, right = false;
        for (int x = 55; x < 60; ++x) left = left || s.pixel(x, y) == 0xFF0000;
        for (int x = 61; x < 66; ++x) right = right || s.pixel(x, y) == 0xFF0000;
        EXPECT_TRUE(left && right) << "row " << y;
    }
    EXPECT_EQ(s.pixel(58, 18), 0xFF0000);
    EXPECT_EQ(s.pixel(58, 19), 0xFFFFFF);  // the stroke leaves out its end pixel
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 140; ++x)
            if (x < 57 || x > 63) ASSERT_EQ(s.pixel(x, y), 0xFFFFFFu) << x << "," << y;
}

TEST_F(DimLineDrawing, SamePixelDrawsArrowsAsForZeroDegrees)
{
    DrawDimLine(s, {50, 50}, "Outer", {50, 50}, "None", red(), EnglishBase);
    EXPECT_EQ(s.pixel(40, 50), 0xFF0000);  // the prolonging stroke runs left
    EXPECT_EQ(s.pixel(60, 50), 0xFFFFFF);
}

}  // namespace
}  // namespace kresbon
