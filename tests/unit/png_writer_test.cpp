#include "codecs/png_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "codecs/png_reader.h"
#include "save_test_support.h"

namespace kresbon {
namespace {

using namespace kresbon::testing;

std::uint32_t be32(const Bytes& b, std::size_t at)
{
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
           b[at + 3];
}

using PngWriterTest = ScratchFolder;

TEST_F(PngWriterTest, PaletteBelowSixteenBitsRgbAboveEveryPixelKept)
{
    for (const int depth : {4, 8, 16, 24, 32}) {
        const Surface s = VariedDrawing(depth, 61, 45, 5);
        const std::string path = file("d" + std::to_string(depth) + ".png");
        WritePngFile(s, path);
        const Bytes b = ReadBytes(path);
        ASSERT_GT(b.size(), 33u);
        EXPECT_EQ(be32(b, 16), 61u);
        EXPECT_EQ(be32(b, 20), 45u);
        EXPECT_EQ(b[24], 8) << "bit depth at depth " << depth;
        const bool palette = depth <= 8;
        EXPECT_EQ(b[25], palette ? 3 : 2) << "colour type at depth " << depth;
        if (palette) {
            // The palette follows the header, one entry for each colour of the surface.
            EXPECT_EQ(std::string(b.begin() + 37, b.begin() + 41), "PLTE");
            EXPECT_EQ(be32(b, 33), s.palette().size() * 3);
        }
        const Picture p = ReadPng(b);
        EXPECT_EQ(p.pixels, s.colours()) << "depth " << depth;
    }
}

TEST_F(PngWriterTest, AnEmptyDrawingIsRefusedAndNothingIsWritten)
{
    for (const auto [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
        const Surface s(width, height, 24);
        try {
            WritePngFile(s, file("empty.png"));
            FAIL() << "no error for " << width << " x " << height;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("empty.png"), std::string::npos) << e.what();
            const std::string size = std::to_string(width) + " x " + std::to_string(height);
            EXPECT_NE(std::string(e.what()).find(size), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(listing().empty());
}

TEST_F(PngWriterTest, AFailedWriteKeepsTheOlderFile)
{
    const std::string path = file("d.png");
    const Surface small = VariedDrawing(4, 10, 10);
    WritePngFile(small, path);
    const Bytes older = ReadBytes(path);
    {
        FileSizeLimit limit(older.size() + 100);
        EXPECT_THROW(WritePngFile(VariedDrawing(24, 300, 300), path), std::runtime_error);
    }
    EXPECT_EQ(ReadBytes(path), older);
    EXPECT_EQ(listing(), std::vector<std::string>{"d.png"});
}

}  // namespace
}  // namespace kresbon
