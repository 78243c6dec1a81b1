#include "render/shapes.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/texts.h"

namespace kresbon {
namespace {

constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kBlack = 0x000000;

Surface blank(int width, int height)
{
    Surface s(width, height, 24);
    s.setBrush(kWhite, BrushStyle::Solid);
    s.fillRect(0, 0, width, height);
    return s;
}

std::string inked(const Surface& s)
{
    std::string text;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) == kBlack) text += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
    }
    return text;
}

TEST(ShapeLine, ThinVerticalLinesKeepBothEndsInEitherDirection)
{
    for (const bool downwards : {true, false}) {
        Surface s = blank(8, 12);
        if (downwards) DrawLine(s, 5, 2, 5, 9, kBlack, 1, PenStyle::Solid);
        else DrawLine(s, 5, 9, 5, 2, kBlack, 1, PenStyle::Solid);
        EXPECT_EQ(inked(s), "(5,2)(5,3)(5,4)(5,5)(5,6)(5,7)(5,8)(5,9)") << downwards;
    }
}

// Every inked pixel of a CirclePart with centre (50, 50) lies on one side of
// the centre row, and the arc reaches both sides of the centre column.
void expectArcOnOneSide(int a1, int a2, bool above)
{
    Surface s = blank(101, 101);
    DrawCirclePart(s, 50, 50, 30, a1, a2, kBlack, 1, PenStyle::Solid, EnglishBase);
    bool left = false, right = false;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != kBlack) continue;
            ASSERT_TRUE(above ? y < 50 : y > 50) << a1 << " to " << a2 << " at " << x << "," << y;
            left = left || x < 40;
            right = right || x > 60;
        }
    }
    EXPECT_TRUE(left && right) << a1 << " to " << a2;
}

TEST(ShapeCirclePart, SlantedEndAnglesPointAlongTheirTangentRays)
{
    expectArcOnOneSide(45, 135, true);
    expectArcOnOneSide(60, 120, true);
    expectArcOnOneSide(225, 315, false);
    expectArcOnOneSide(240, 300, false);
}

TEST(ShapeCirclePart, EndAngles180And270PutBackTheLastPixel)
{
    Surface upper = blank(101, 101);
    DrawCirclePart(upper, 50, 50, 30, 90, 180, kBlack, 1, PenStyle::Solid, EnglishBase);
    EXPECT_EQ(upper.pixel(20, 49), kBlack);
    EXPECT_EQ(upper.pixel(20, 50), kWhite);

    Surface lower = blank(101, 101);
    DrawCirclePart(lower, 50, 50, 30, 180, 270, kBlack, 1, PenStyle::Solid, EnglishBase);
    EXPECT_EQ(lower.pixel(49, 80), kBlack);
    EXPECT_EQ(lower.pixel(50, 80), kWhite);

    // Other end angles get no extra pixel: the arc alone ends there.
    Surface right = blank(101, 101);
    DrawCirclePart(right, 50, 50, 30, 270, 360, kBlack, 1, PenStyle::Solid, EnglishBase);
    Surface stroked = blank(101, 101);
    stroked.setPen(kBlack, 1, PenStyle::Solid);
    stroked.setBrush(kBlack, BrushStyle::Clear);
    stroked.arc(20, 20, 80, 80, 50, 80, 80, 50);
    EXPECT_EQ(inked(right), inked(stroked));
}

}  // namespace
}  // namespace kresbon
