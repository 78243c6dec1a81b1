#include "codecs/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
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

// The rows of a PNG file as libpng decodes them, with its limits raised to
// what the format allows; empty when it refuses the file.
std::vector<Bytes> DecodeRowsWithoutLimits(const Bytes& file, png_uint_32& width)
{
    struct Source {
        const Bytes* bytes;
        std::size_t at;
    } source{&file, 0};
    std::vector<Bytes> rows;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_read_fn(png, &source, [](png_structp p, png_bytep out, png_size_t size) {
        auto* from = static_cast<Source*>(png_get_io_ptr(p));
        if (from->at + size > from->bytes->size()) png_error(p, "short file");
        std::copy_n(from->bytes->begin() + static_cast<std::ptrdiff_t>(from->at), size, out);
        from->at += size;
    });
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows.emplace_back(png_get_rowbytes(png, info));
        png_read_row(png, rows.back().data(), nullptr);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return rows;
}

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

TEST_F(PngWriterTest, DrawingsOverAMillionPixelsASideAreWritten)
{
    // libpng's own default stops at a million pixels a side; the format
    // allows 2^31 - 1.
    constexpr int Wide = 1'000'001;
    for (const int depth : {4, 24}) {
        Surface s(Wide, 2, depth);
        s.setPixel(Wide - 1, 1, 0xFF0000);
        const std::string path = file("wide.png");
        WritePngFile(s, path);
        const Bytes b = ReadBytes(path);
        ASSERT_GT(b.size(), 24u);
        EXPECT_EQ(be32(b, 16), static_cast<std::uint32_t>(Wide));
        png_uint_32 width = 0;
        const std::vector<Bytes> rows = DecodeRowsWithoutLimits(b, width);
        ASSERT_EQ(rows.size(), 2u) << "depth " << depth;
        EXPECT_EQ(width, static_cast<png_uint_32>(Wide));
        const Bytes& last = rows[1];
        for (const int x : {Wide - 2, Wide - 1}) {
            const Rgb colour = depth == 24 ? makeRgb(last[3 * x], last[3 * x + 1], last[3 * x + 2])
                                           : s.palette()[last[x]];
            EXPECT_EQ(colour, s.pixel(x, 1)) << "depth " << depth << ", x " << x;
        }
        EXPECT_EQ(s.pixel(Wide - 1, 1), Rgb{0xFF0000});
    }
}

}  // namespace
}  // namespace kresbon
