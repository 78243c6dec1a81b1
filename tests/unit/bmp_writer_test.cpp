#include "codecs/bmp_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace kresbon {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

std::uint32_t read16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t read32(const Bytes& b, std::size_t at) { return read16(b, at) | (read16(b, at + 2) << 16); }

Rgb paletteEntry(const Bytes& b, std::uint32_t index)
{
    const std::size_t at = 54 + 4 * index;
    EXPECT_EQ(b[at + 3], 0);
    return makeRgb(b[at + 2], b[at + 1], b[at]);
}

// Reads pixel (x, y) back from the file bytes alone.
Rgb decodePixel(const Bytes& b, int x, int y)
{
    const int width = static_cast<int>(read32(b, 18));
    const int height = static_cast<int>(read32(b, 22));
    const int depth = static_cast<int>(read16(b, 28));
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    const std::size_t row = read32(b, 10) + (height - 1 - y) * stride;
    const auto expand = [](std::uint32_t v) { return static_cast<int>((v << 3) | (v >> 2)); };
    switch (depth) {
    case 4:
        return paletteEntry(b, x % 2 == 0 ? b[row + x / 2] >> 4 : b[row + x / 2] & 0x0F);
    case 8:
        return paletteEntry(b, b[row + x]);
    case 16: {
        const std::uint32_t v = read16(b, row + 2 * x);
        EXPECT_EQ(v & 0x8000, 0u);
        return makeRgb(expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
    }
    case 24:
        return makeRgb(b[row + 3 * x + 2], b[row + 3 * x + 1], b[row + 3 * x]);
    default:
        EXPECT_EQ(b[row + 4 * x + 3], 0);
        return makeRgb(b[row + 4 * x + 2], b[row + 4 * x + 1], b[row + 4 * x]);
    }
}

Surface sample(int depth)
{
    Surface s(5, 3, depth);
    s.setPixel(0, 0, 0xFF0000);
    s.setPixel(4, 0, 0x0000FF);
    s.setPixel(2, 1, makeRgb(200, 100, 50));
    s.setPixel(3, 1, 0x808080);
    s.setPixel(0, 2, 0xFFFFFF);
    s.setPixel(1, 2, 0x00FF00);
    return s;
}

const int kDepths[] = {4, 8, 16, 24, 32};

TEST(BmpWriter, HeadersDescribeTheSurfaceInItsOwnDepth)
{
    for (const int depth : kDepths) {
        const Bytes b = EncodeBmp(sample(depth));
        const std::uint32_t entries = depth == 4 ? 16 : depth == 8 ? 256 : 0;
        const std::uint32_t stride = (5 * depth + 31) / 32 * 4;
        ASSERT_GE(b.size(), 54u) << depth;
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(read32(b, 2), b.size()) << depth;
        EXPECT_EQ(read32(b, 6), 0u);
        EXPECT_EQ(read32(b, 10), 54 + 4 * entries) << depth;
        EXPECT_EQ(read32(b, 14), 40u);
        EXPECT_EQ(read32(b, 18), 5u);
        EXPECT_EQ(read32(b, 22), 3u);
        EXPECT_EQ(read16(b, 26), 1u);
        EXPECT_EQ(read16(b, 28), static_cast<std::uint32_t>(depth));
        EXPECT_EQ(read32(b, 30), 0u);
        EXPECT_EQ(read32(b, 34), 3 * stride) << depth;
        EXPECT_EQ(read32(b, 38), 3780u);
        EXPECT_EQ(read32(b, 42), 3780u);
        EXPECT_EQ(read32(b, 46), entries);
        EXPECT_EQ(read32(b, 50), 0u);
        EXPECT_EQ(b.size(), 54 + 4 * entries + 3 * stride) << depth;
    }
    const Bytes four = EncodeBmp(Surface(1, 1, 4));
    EXPECT_EQ(paletteEntry(four, 9), 0xFF0000u);
    EXPECT_EQ(paletteEntry(four, 15), 0xFFFFFFu);
}

TEST(BmpWriter, PixelsRoundTripAtEveryDepthWithZeroPadding)
{
    for (const int depth : kDepths) {
        const Surface s = sample(depth);
        const Bytes b = EncodeBmp(s);
        for (int y = 0; y < s.height(); ++y) {
            for (int x = 0; x < s.width(); ++x) {
                EXPECT_EQ(decodePixel(b, x, y), s.pixel(x, y)) << "depth " << depth << " at " << x << "," << y;
            }
        }
        const std::size_t used = (5 * static_cast<std::size_t>(depth) + 7) / 8;
        const std::size_t stride = (5 * static_cast<std::size_t>(depth) + 31) / 32 * 4;
        for (std::size_t row = 0; row < 3; ++row) {
            for (std::size_t i = used; i < stride; ++i) EXPECT_EQ(b[read32(b, 10) + row * stride + i], 0) << depth;
        }
        if (depth == 4) {
            // The odd last pixel fills the high nibble; the low one stays zero.
            EXPECT_EQ(b[read32(b, 10) + 2 * stride + 2] & 0x0F, 0);
        }
    }
    // Rows are stored bottom-up.
    const Bytes b = EncodeBmp(sample(24));
    EXPECT_EQ(b[54 + 2 * 16 + 2], 0xFF);
    EXPECT_EQ(b[54 + 2 * 16 + 0], 0x00);
}

TEST(BmpWriter, ASideOfZeroIsRefusedAsTheReaderRefusesIt)
{
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{0, 3}, std::pair{3, 0}}) {
        EXPECT_THROW(EncodeBmp(Surface(width, height, 8)), std::runtime_error) << width << 'x' << height;
        EXPECT_THROW(EncodeBmp(Surface(width, height, 24)), std::runtime_error) << width << 'x' << height;
    }
}

class BmpFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("kresbon-bmp-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::vector<std::string> listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename());
        return names;
    }

    fs::path folder_;
};

TEST_F(BmpFileTest, WritesTheEncodedBytesOverAnOlderFile)
{
    const std::string path = (folder_ / "drawing.bmp").string();
    std::ofstream(path) << "older contents";
    const Surface s = sample(24);
    WriteBmpFile(s, path);
    std::ifstream in(path, std::ios::binary);
    const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, EncodeBmp(s));
    EXPECT_EQ(listing(), std::vector<std::string>{"drawing.bmp"});

    Surface big(1500, 900, 8);
    big.setPixel(1499, 0, 0xFF0000);
    WriteBmpFile(big, path);
    std::ifstream again(path, std::ios::binary);
    const Bytes bigWritten((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bigWritten, EncodeBmp(big));
}

TEST_F(BmpFileTest, FailuresNameTheFileAndLeaveNothingBehind)
{
    const std::string missing = (folder_ / "no-such-folder" / "drawing.bmp").string();
    try {
        WriteBmpFile(sample(8), missing);
        FAIL() << "no error for a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::generic_category().message(ENOENT)), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(listing().empty());

    // The final rename fails when the name is taken by a folder.
    const fs::path taken = folder_ / "taken.bmp";
    fs::create_directory(taken);
    EXPECT_THROW(WriteBmpFile(sample(8), taken.string()), std::runtime_error);
    EXPECT_EQ(listing(), std::vector<std::string>{"taken.bmp"});
    EXPECT_TRUE(fs::is_directory(taken));
}

}  // namespace
}  // namespace kresbon
