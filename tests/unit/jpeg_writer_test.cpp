#include "codecs/jpeg_writer.h"

#include <cstddef>
#include <cstdio>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "save_test_support.h"

namespace kresbon {
namespace {

using namespace kresbon::testing;

struct DecodedJpeg {
    bool ok = false;
    bool jfif = false;
    bool progressive = false;
    bool allQuantisersOne = true;
    int components = 0;
    int lumaSampling[2] = {0, 0};
    int chromaSampling[2] = {0, 0};
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

struct TestErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jumpOut(j_common_ptr info) { std::longjmp(reinterpret_cast<TestErrors*>(info->err)->jump, 1); }

// Reads a JPEG file back with libjpeg's decoder. Chroma is upsampled by
// plain repetition so that colours constant over 2x2 cells come back as
// they went in. Kept free of objects with destructors between setjmp and
// the end, which the error jump would skip.
bool decodeJpegInto(std::FILE* in, jpeg_decompress_struct& info, DecodedJpeg& out)
{
    if (setjmp(reinterpret_cast<TestErrors*>(info.err)->jump) != 0) return false;
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, in);
    jpeg_read_header(&info, TRUE);
    out.jfif = info.saw_JFIF_marker;
    out.progressive = info.progressive_mode;
    out.components = info.num_components;
    out.lumaSampling[0] = info.comp_info[0].h_samp_factor;
    out.lumaSampling[1] = info.comp_info[0].v_samp_factor;
    out.chromaSampling[0] = info.comp_info[1].h_samp_factor;
    out.chromaSampling[1] = info.comp_info[1].v_samp_factor;
    for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
        if (!info.quant_tbl_ptrs[t]) continue;
        for (int i = 0; i < DCTSIZE2; ++i) out.allQuantisersOne &= info.quant_tbl_ptrs[t]->quantval[i] == 1;
    }
    info.out_color_space = JCS_RGB;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    JSAMPLE row[3 * 4096];
    while (info.output_scanline < info.output_height) {
        const std::size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < out.width; ++x) {
            out.pixels[y * out.width + x] = makeRgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

DecodedJpeg decodeJpeg(const std::string& path)
{
    DecodedJpeg result;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        ADD_FAILURE() << "cannot open " << path;
        return result;
    }
    TestErrors errors{};
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOut;
    result.ok = decodeJpegInto(in, info, result);
    jpeg_destroy_decompress(&info);
    std::fclose(in);
    EXPECT_TRUE(result.ok) << "libjpeg cannot decode " << path;
    return result;
}

int largestChannelError(Rgb a, Rgb b)
{
    return std::max({std::abs(redOf(a) - redOf(b)), std::abs(greenOf(a) - greenOf(b)),
                     std::abs(blueOf(a) - blueOf(b))});
}

// Blocks of one colour on even coordinates, so that the 4:2:0 chroma cells
// never mix two colours; the grey blocks carry a pixel-sized ripple of greys
// that every depth holds, which only the full-resolution luma can keep.
Surface chromaSafeDrawing(int depth, int width, int height)
{
    Surface s(width, height, depth);
    const Rgb colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x808080, 0x000000,
                           0xFFFFFF, 0xC0DCC0, 0x800080, 0x008080, 0x7F3F1F, 0x00C0FF};
    const Rgb greys[] = {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb block = colours[(x / 6 + 5 * (y / 4)) % 12];
            s.setPixel(x, y, block == 0x808080 ? greys[(3 * x + y) % 4] : block);
        }
    }
    return s;
}

using JpegWriterTest = ScratchFolder;

TEST_F(JpegWriterTest, BaselineJfifAtQualityHundredWithDefaultSubsampling)
{
    const std::string path = file("drawing.jpg");
    WriteJpegFile(chromaSafeDrawing(24, 40, 24), path);
    const Bytes bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    const DecodedJpeg jpeg = decodeJpeg(path);
    EXPECT_TRUE(jpeg.jfif);
    EXPECT_FALSE(jpeg.progressive);
    EXPECT_TRUE(jpeg.allQuantisersOne);
    EXPECT_EQ(jpeg.components, 3);
    EXPECT_EQ(jpeg.lumaSampling[0], 2);
    EXPECT_EQ(jpeg.lumaSampling[1], 2);
    EXPECT_EQ(jpeg.chromaSampling[0], 1);
    EXPECT_EQ(jpeg.chromaSampling[1], 1);
    // A baseline frame (SOF0) and no other kind.
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\xFF\xC0"), std::string::npos);
    EXPECT_EQ(text.find("\xFF\xC2"), std::string::npos);
}

TEST_F(JpegWriterTest, PixelsComeBackCloseAtEveryDepth)
{
    for (const int depth : {4, 8, 16, 24, 32}) {
        // Sizes off the 16-pixel grid, with an odd last column and row.
        const Surface s = chromaSafeDrawing(depth, 37, 23);
        const std::string path = file("d" + std::to_string(depth) + ".jpeg");
        WriteJpegFile(s, path);
        const DecodedJpeg jpeg = decodeJpeg(path);
        ASSERT_EQ(jpeg.width, 37);
        ASSERT_EQ(jpeg.height, 23);
        int worst = 0;
        std::size_t worstAt = 0;
        const std::vector<Rgb> drawn = s.colours();
        for (std::size_t i = 0; i < jpeg.pixels.size(); ++i) {
            const int error = largestChannelError(jpeg.pixels[i], drawn[i]);
            if (error > worst) worst = error, worstAt = i;
        }
        EXPECT_LE(worst, 4) << "depth " << depth << " at " << worstAt % 37 << "," << worstAt / 37 << std::hex
                            << ": " << jpeg.pixels[worstAt] << " for " << drawn[worstAt];
    }
}

TEST_F(JpegWriterTest, SizesAJpegCannotHoldAreRefusedByName)
{
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{0, 9}, std::pair{65501, 1}}) {
        const std::string path = file("too.jpg");
        try {
            WriteJpegFile(Surface(width, height, 24), path);
            FAIL() << width << " x " << height << " written";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(listing().empty());
}

TEST_F(JpegWriterTest, AFailedWriteLeavesTheOlderFileAlone)
{
    const std::string path = file("drawing.jpg");
    { std::ofstream(path) << "older contents"; }
    const Surface s = VariedDrawing(24, 600, 600);
    try {
        const FileSizeLimit limit(100000);
        WriteJpegFile(s, path);
        FAIL() << "no error past the size limit";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::generic_category().message(EFBIG)), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(listing(), std::vector<std::string>{"drawing.jpg"});
    const Bytes old = ReadBytes(path);
    EXPECT_EQ(std::string(old.begin(), old.end()), "older contents");
}

}  // namespace
}  // namespace kresbon
