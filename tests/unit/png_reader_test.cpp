#include "codecs/png_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>

#include "codecs/png_writer.h"
#include "picture_encoders.h"
#include "platform/surface.h"

namespace kresbon {
namespace {

using namespace test_pictures;
constexpr Rgb K = 0x000000, W = 0xFFFFFF, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;
constexpr Rgb T = Picture::TransparentPixel;

std::string failureOf(const Bytes& bytes, const DecodeLimits& limits = {})
{
    try {
        ReadPng(bytes, limits);
    } catch (const PictureError& e) {
        return e.what();
    }
    return "";
}

// The file with another size in its header, the header's checksum put right.
Bytes withSize(Bytes bytes, std::uint32_t width, std::uint32_t height)
{
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        bytes[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    const auto crc = static_cast<std::uint32_t>(crc32(0, bytes.data() + 12, 17));
    for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    return bytes;
}

TEST(PngReader, EveryColourTypeComesOutAsOpaqueOrTransparentPixels)
{
    // Two-bit palette indices, packed four to a byte; entry 1 fully
    // transparent, entry 2 half transparent and so drawn opaque.
    PngLayout palette{5, 1, PNG_COLOR_TYPE_PALETTE, 2, false, {R, G, B, W}, {255, 0, 128}, {0b00011011, 0b00000000}};
    Picture p = ReadPng(encodePng(palette));
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{R, T, B, W, R}));
    EXPECT_TRUE(p.hasTransparency);

    PngLayout grey{10, 1, PNG_COLOR_TYPE_GRAY, 1, false, {}, {}, {0b10100000, 0b01000000}};
    p = ReadPng(encodePng(grey));
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{W, K, W, K, K, K, K, K, K, W}));
    EXPECT_FALSE(p.hasTransparency);

    // Sixteen-bit samples keep their high byte.
    PngLayout greyAlpha{2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, {}, {}, {0x80, 0x7F, 0, 0, 0x40, 0, 0, 1}};
    EXPECT_EQ(ReadPng(encodePng(greyAlpha)).pixels, (std::vector<Rgb>{T, 0x404040}));

    PngLayout rgba{3, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, {}, {},
                   {0x12, 0x34, 0x56, 255, 0xFF, 0, 0, 0, 0xAB, 0xCD, 0xEF, 1}};
    EXPECT_EQ(ReadPng(encodePng(rgba)).pixels, (std::vector<Rgb>{0x123456, T, 0xABCDEF}));
}

TEST(PngReader, InterlacedRowsAndColumnsComeOutInOrder)
{
    // Alpha 1 of 65535 is not transparent; the last pixel is.
    PngLayout layout{11, 9, PNG_COLOR_TYPE_RGB_ALPHA, 16, true, {}, {}, {}};
    std::vector<Rgb> expected;
    for (int y = 0; y < layout.height; ++y) {
        for (int x = 0; x < layout.width; ++x) {
            const std::uint8_t r = static_cast<std::uint8_t>(x * 20), g = static_cast<std::uint8_t>(y * 25);
            const bool last = x == 10 && y == 8;
            const std::uint8_t alpha = last ? 0 : 1;
            layout.samples.insert(layout.samples.end(), {r, 0x11, g, 0x22, 0x77, 0x33, 0, alpha});
            expected.push_back(last ? T : makeRgb(r, g, 0x77));
        }
    }
    const Picture p = ReadPng(encodePng(layout));
    EXPECT_EQ(p.width, 11);
    EXPECT_EQ(p.height, 9);
    EXPECT_EQ(p.pixels, expected);
}

TEST(PngReader, AStopEndsTheDecodingAtTheNextRow)
{
    for (const int depth : {8, 16}) {
        PngLayout layout{4, 4, PNG_COLOR_TYPE_RGB, depth, true, {}, {},
                         std::vector<std::uint8_t>(static_cast<std::size_t>(4 * 4 * 3 * depth / 8), 0x40)};
        const Bytes file = encodePng(layout);
        std::atomic<bool> stop{true};
        EXPECT_THROW(ReadPng(file, DecodeLimits{.stop = &stop}), PictureError) << depth;
        stop = false;
        EXPECT_EQ(ReadPng(file, DecodeLimits{.stop = &stop}).pixels, std::vector<Rgb>(16, 0x404040)) << depth;
    }
    // Taking a large picture's memory, which an interlaced file needs first,
    // ends at a stop too.
    std::atomic<bool> stop{true};
    EXPECT_THROW(AllocatePicture(6000, 6000, DecodeLimits{.stop = &stop}), PictureError);
}

TEST(PngReader, DamagedFilesAreRefused)
{
    PngLayout layout{64, 64, PNG_COLOR_TYPE_RGB, 8, false, {}, {}, {}};
    for (int i = 0; i < 64 * 64 * 3; ++i) layout.samples.push_back(static_cast<std::uint8_t>(i * 7919 >> 5));
    const Bytes sound = encodePng(layout);
    ASSERT_EQ(failureOf(sound), "");

    EXPECT_NE(failureOf(Bytes(sound.begin(), sound.begin() + 7)), "");
    EXPECT_NE(failureOf(Bytes(sound.begin(), sound.end() - 40)), "");  // cut in the image data
    Bytes flipped = sound;
    flipped[sound.size() / 2] ^= 0x10;  // the image data's checksum fails
    EXPECT_NE(failureOf(flipped), "");
    EXPECT_NE(failureOf(Bytes(sound.begin(), sound.begin() + 33)), "");  // the header alone

    // Sizes are checked before any pixel memory is taken, the library's
    // own row memory included.
    EXPECT_NE(failureOf(sound, DecodeLimits{64 * 64 - 1}).find("exceeds the limit"), std::string::npos);
    const std::string widest = failureOf(withSize(encodePng({1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {}, {},
                                                             std::vector<std::uint8_t>(8)}),
                                                  0x7FFFFFFF, 1));
    EXPECT_NE(widest.find("exceeds the limit"), std::string::npos) << widest;
}

TEST(PngReader, TooLittleDataForTheDeclaredSizeIsRefusedAtOnce)
{
    // 30000 x 10000 pixels of 8 bytes would be 2.4 GB unpacked and 1.2 GB
    // as pixels; a few hundred bytes of data cannot fill even a corner.
    PngLayout layout{30000, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {}, {},
                     std::vector<std::uint8_t>(240000, 7)};
    const Bytes bytes = withSize(encodePng(layout), 30000, 10000);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf(bytes), "PNG image data is cut short");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

// Kresbon's own blank drawings compress about a thousandfold, close to
// the most deflate can: the reader's bound on expansion must let them in.
TEST(PngReader, ALargeBlankDrawingSavedByKresbonLoads)
{
    const auto folder = std::filesystem::temp_directory_path();
    for (const int depth : {4, 24}) {
        Surface blank(3000, 3000, depth);
        const std::string path = (folder / ("kresbon-blank-" + std::to_string(::getpid()) + ".png")).string();
        WritePngFile(blank, path);
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::filesystem::remove(path);
        const std::size_t rowBytes = depth == 4 ? 3000 : 9000;
        ASSERT_LT(bytes.size() * 500, 3000 * (rowBytes + 1)) << "no longer highly compressible";
        const Picture p = ReadPng(bytes);
        EXPECT_EQ(p.width, 3000);
        EXPECT_EQ(p.height, 3000);
        EXPECT_EQ(p.pixels, blank.colours()) << "depth " << depth;
    }
}

}  // namespace
}  // namespace kresbon
