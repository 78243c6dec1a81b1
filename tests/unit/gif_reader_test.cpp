#include "codecs/gif_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "picture_encoders.h"

namespace kresbon {
namespace {

using namespace test_pictures;
constexpr Rgb K = 0x000000, W = 0xFFFFFF, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;
constexpr Rgb T = Picture::TransparentPixel;

TEST(GifReader, FirstImageWithItsColourTable)
{
    GifLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.colours = {K, W, R, G, B};
    layout.frames.push_back({0, 0, 3, 2, false, {}, -1, {2, 3, 4, 4, 1, 0}});
    Picture p = ReadGif(encodeGif(layout));
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{R, G, B, B, W, K}));
    EXPECT_FALSE(p.hasTransparency);

    // A local table wins over the global one; later images are ignored.
    layout.frames[0].colours = {G, B};
    layout.frames[0].indices = {0, 1, 0, 1, 0, 1};
    // (giflib's encoder loses a local table that a table-less image follows.)
    layout.frames.push_back({0, 0, 3, 2, false, {K, K, W}, -1, {2, 2, 2, 2, 2, 2}});
    p = ReadGif(encodeGif(layout));
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{G, B, G, B, G, B}));
}

TEST(GifReader, TransparentColourOfTheFirstImage)
{
    GifLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.colours = {R, G, B, W};
    layout.frames.push_back({0, 0, 2, 2, false, {}, 1, {0, 1, 1, 2}});
    // A control block before a later image does not change the first.
    layout.frames.push_back({0, 0, 2, 2, false, {}, 0, {0, 0, 0, 0}});
    const Picture p = ReadGif(encodeGif(layout));
    EXPECT_TRUE(p.hasTransparency);
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{R, T, T, B}));
}

TEST(GifReader, InterlacedRowsComeOutInOrder)
{
    GifLayout layout;
    layout.width = 2;
    layout.height = 11;
    std::vector<std::uint8_t> indices;
    std::vector<Rgb> expected;
    for (int r = 0; r < 11; ++r) {
        layout.colours.push_back(makeRgb(r * 20, 0, 0));
        indices.insert(indices.end(), {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r)});
        expected.insert(expected.end(), {makeRgb(r * 20, 0, 0), makeRgb(r * 20, 0, 0)});
    }
    layout.frames.push_back({0, 0, 2, 11, true, {}, -1, indices});
    EXPECT_EQ(ReadGif(encodeGif(layout)).pixels, expected);
}

TEST(GifReader, ImageIsPlacedOnItsScreenAndClipped)
{
    GifLayout layout;
    layout.width = 4;
    layout.height = 3;
    layout.colours = {R, G};
    layout.frames.push_back({1, 1, 2, 1, false, {}, -1, {0, 1}});
    Picture p = ReadGif(encodeGif(layout));
    EXPECT_TRUE(p.hasTransparency);
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{T, T, T, T, T, R, G, T, T, T, T, T}));

    // Reaching past the right and bottom edges of the screen.
    layout.frames[0] = {2, 1, 3, 3, false, {}, -1, {0, 1, 0, 1, 1, 1, 0, 0, 0}};
    p = ReadGif(encodeGif(layout));
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{T, T, T, T, T, T, R, G, T, T, G, G}));

    // A screen of no size takes the image's extent.
    layout.width = 0;
    layout.height = 0;
    layout.frames[0] = {1, 0, 1, 2, false, {}, -1, {1, 0}};
    p = ReadGif(encodeGif(layout));
    EXPECT_EQ(p.width, 2);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{T, G, T, R}));
}

TEST(GifReader, RefusesDamagedFiles)
{
    GifLayout layout;
    layout.width = 40;
    layout.height = 30;
    layout.colours = {R, G, B, W};
    std::vector<std::uint8_t> indices(1200);
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>((i * 7 / 3) % 4);
    layout.frames.push_back({0, 0, 40, 30, false, {}, -1, indices});
    const Bytes good = encodeGif(layout);
    ASSERT_NO_THROW(ReadGif(good));

    // Every cut before the last data block loses image rows.
    for (std::size_t n = 0; n + 3 < good.size(); ++n)
        EXPECT_THROW(ReadGif(Bytes(good.begin(), good.begin() + n)), PictureError) << n;
    Bytes magic = good;
    magic[0] = 'X';
    EXPECT_THROW(ReadGif(magic), PictureError);

    GifLayout noImage;
    noImage.colours = {R, G};
    EXPECT_THROW(ReadGif(encodeGif(noImage)), PictureError);

    // One pixel and neither a global nor a local colour table.
    const Bytes noColours = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0,
                             0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    EXPECT_THROW(ReadGif(noColours), PictureError);
    Bytes withColours(noColours.begin(), noColours.begin() + 13);
    withColours[10] = 0x80;
    withColours.insert(withColours.end(), {0xFF, 0, 0, 0, 0, 0});
    withColours.insert(withColours.end(), noColours.begin() + 13, noColours.end());
    EXPECT_EQ(ReadGif(withColours).pixels, std::vector<Rgb>{R});
}

TEST(GifReader, RefusesHugeScreensBeforeTakingMemory)
{
    GifLayout layout;
    layout.width = 65535;
    layout.height = 65535;
    layout.colours = {R, G};
    layout.frames.push_back({0, 0, 1, 1, false, {}, -1, {1}});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(ReadGif(encodeGif(layout)), PictureError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    layout.width = 100;
    layout.height = 100;
    EXPECT_THROW(ReadGif(encodeGif(layout), DecodeLimits{9999}), PictureError);
    EXPECT_NO_THROW(ReadGif(encodeGif(layout), DecodeLimits{10000}));
}

TEST(GifReader, AFrameOnALargeScreenKeepsOnlyTheFrame)
{
    GifLayout layout;
    layout.width = 20000;
    layout.height = 20000;
    layout.colours = {R, G};
    layout.frames.push_back({7, 5, 2, 1, false, {}, -1, {0, 1}});
    const Picture p = ReadGif(encodeGif(layout), DecodeLimits{.frameOnly = true});
    ASSERT_TRUE(p.frame);
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{R, G}));
    EXPECT_EQ(p.drawnWidth(), 20000);
    EXPECT_EQ(p.drawnHeight(), 20000);
    EXPECT_EQ(p.frame->left, 7);
    EXPECT_EQ(p.frame->top, 5);
    EXPECT_TRUE(p.hasTransparency);

    // A frame that fills its screen is a whole picture.
    layout.width = 2;
    layout.height = 1;
    layout.frames[0].left = layout.frames[0].top = 0;
    EXPECT_FALSE(ReadGif(encodeGif(layout), DecodeLimits{.frameOnly = true}).frame);
}

TEST(GifReader, AFrameLargerThanItsDataCanCodeIsRefusedBeforeTakingMemory)
{
    GifLayout layout;
    layout.width = 20000;
    layout.height = 20000;
    layout.colours = {R, G};
    layout.frames.push_back({0, 0, 1, 1, false, {}, -1, {1}});
    Bytes bytes = encodeGif(layout);
    // The image descriptor's size is at bytes 10 + 6 + 7 .. of this layout:
    // find it after the separator and widen the frame to the screen.
    const auto separator = std::find(bytes.begin() + 13, bytes.end(), 0x2C) - bytes.begin();
    for (const int at : {5, 7}) {
        bytes[separator + at] = 0x20;
        bytes[separator + at + 1] = 0x4E;
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(ReadGif(bytes, DecodeLimits{.frameOnly = true}), PictureError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace kresbon
