#include "render/thumbnail.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <ctime>
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

namespace kresbon {
namespace {

double processorSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST(ProcessorTimeWatch, SetsTheFlagOnceTheTimeIsUsed)
{
    std::atomic<bool> stop{false};
    const double start = processorSeconds();
    {
        ProcessorTimeWatch watch(stop, 0.2);
        volatile std::uint64_t work = 0;
        while (!stop && processorSeconds() - start < 5) work = work + 1;
        EXPECT_TRUE(watch.expired());
    }
    const double used = processorSeconds() - start;
    EXPECT_TRUE(stop);
    EXPECT_GE(used, 0.2);
    EXPECT_LT(used, 1.0);

    // A watch whose work ends in time leaves the flag alone.
    std::atomic<bool> untouched{false};
    {
        ProcessorTimeWatch watch(untouched, 60);
        EXPECT_FALSE(watch.expired());
    }
    EXPECT_FALSE(untouched);
}

}  // namespace
}  // namespace kresbon
