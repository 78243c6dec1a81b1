#include "render/thumbnail.h"

#include <gtest/gtest.h>

#include <vector>

namespace kresbon {
namespace {

Surface numbered(int width, int height, int depth)
{
    Surface s(width, height, depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) s.setPixel(x, y, makeRgb(x * 40, y * 40, 0));
    return s;
}

TEST(ScaleToFit, LongerSideTakesTheSizeEachPixelTheNearest)
{
    // Down: the centres of the two scaled pixels lie on drawing pixels 1 and 3 of row 1.
    Surface small = ScaleToFit(numbered(4, 2, 24), 2);
    ASSERT_EQ(small.width(), 2);
    ASSERT_EQ(small.height(), 1);
    EXPECT_EQ(small.colours(), (std::vector<Rgb>{makeRgb(40, 40, 0), makeRgb(120, 40, 0)}));

    // Up: every pixel repeated, tall drawings keep their proportion too.
    const Surface tall = ScaleToFit(numbered(1, 2, 24), 4);
    ASSERT_EQ(tall.width(), 2);
    ASSERT_EQ(tall.height(), 4);
    EXPECT_EQ(tall.colours(), (std::vector<Rgb>{0, 0, 0, 0, makeRgb(0, 40, 0), makeRgb(0, 40, 0),
                                               makeRgb(0, 40, 0), makeRgb(0, 40, 0)}));

    // A very long drawing keeps at least one row; the depth and palette stay.
    const Surface line = ScaleToFit(numbered(1000, 3, 4), 100);
    EXPECT_EQ(line.width(), 100);
    EXPECT_EQ(line.height(), 1);
    EXPECT_EQ(line.depth(), 4);
    EXPECT_EQ(ScaleToFit(Surface(0, 5, 24), 100).width(), 0);
}

}  // namespace
}  // namespace kresbon
