#include "codecs/jpeg_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "picture_encoders.h"

namespace kresbon {
namespace {

using namespace test_pictures;

// Four solid 8x8 quadrants of the given samples (one set per quadrant).
std::vector<std::uint8_t> quadrants(const std::vector<std::vector<std::uint8_t>>& colours)
{
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const auto& c = colours[(y / 8) * 2 + x / 8];
            samples.insert(samples.end(), c.begin(), c.end());
        }
    return samples;
}

void expectQuadrants(const Picture& p, const std::vector<Rgb>& expected)
{
    ASSERT_EQ(p.width, 16);
    ASSERT_EQ(p.height, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const Rgb want = expected[(y / 8) * 2 + x / 8];
            const Rgb got = p.at(x, y);
            EXPECT_NEAR(redOf(got), redOf(want), 2) << x << "," << y;
            EXPECT_NEAR(greenOf(got), greenOf(want), 2) << x << "," << y;
            EXPECT_NEAR(blueOf(got), blueOf(want), 2) << x << "," << y;
            if (::testing::Test::HasFailure()) return;
        }
}

TEST(JpegReader, ColourAndGreyscale)
{
    JpegLayout layout;
    layout.samples = quadrants({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 150, 100}});
    const std::vector<Rgb> expected{0xFF0000, 0x00FF00, 0x0000FF, 0xC89664};
    expectQuadrants(ReadJpeg(encodeJpeg(layout)), expected);
    layout.stored = JCS_RGB;  // RGB kept without the YCbCr transform
    expectQuadrants(ReadJpeg(encodeJpeg(layout)), expected);
    layout.stored = JCS_YCbCr;
    layout.progressive = true;
    expectQuadrants(ReadJpeg(encodeJpeg(layout)), expected);

    JpegLayout grey;
    grey.input = grey.stored = JCS_GRAYSCALE;
    grey.samples = quadrants({{0}, {255}, {128}, {30}});
    const Picture p = ReadJpeg(encodeJpeg(grey));
    expectQuadrants(p, {0x000000, 0xFFFFFF, 0x808080, 0x1E1E1E});
    EXPECT_FALSE(p.hasTransparency);
    for (Rgb c : p.pixels) EXPECT_EQ(c & 0xFF000000u, 0u);
}

TEST(JpegReader, CmykPlainAndAdobeInverted)
{
    // Ink amounts: red is full magenta and yellow; grey is half black.
    const std::vector<Rgb> expected{0xFF0000, 0x0000FF, 0x7F7F7F, 0xFFFFFF};
    const std::vector<std::vector<std::uint8_t>> ink{
        {0, 255, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 128}, {0, 0, 0, 0}};
    std::vector<std::vector<std::uint8_t>> inverted;
    for (auto c : ink) {
        for (auto& v : c) v = static_cast<std::uint8_t>(255 - v);
        inverted.push_back(c);
    }

    JpegLayout plain;
    plain.input = plain.stored = JCS_CMYK;
    plain.adobeMarker = false;
    plain.samples = quadrants(ink);
    expectQuadrants(ReadJpeg(encodeJpeg(plain)), expected);

    JpegLayout adobe = plain;
    adobe.adobeMarker = true;
    adobe.samples = quadrants(inverted);
    expectQuadrants(ReadJpeg(encodeJpeg(adobe)), expected);
    adobe.stored = JCS_YCCK;
    expectQuadrants(ReadJpeg(encodeJpeg(adobe)), expected);
}

JpegLayout smallPicture()
{
    JpegLayout layout;
    layout.width = 24;
    layout.height = 20;
    for (int i = 0; i < 24 * 20; ++i)
        layout.samples.insert(layout.samples.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3),
                                                 static_cast<std::uint8_t>(i * 7)});
    return layout;
}

TEST(JpegReader, RefusesDamagedFiles)
{
    const Bytes good = encodeJpeg(smallPicture());
    ASSERT_NO_THROW(ReadJpeg(good));
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(ReadJpeg(Bytes(good.begin(), good.begin() + n)), PictureError) << n;

    const Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    EXPECT_THROW(ReadJpeg(png), PictureError);
    Bytes noFrame = good;
    noFrame.resize(4);
    noFrame.insert(noFrame.end(), {0xFF, 0xD9});
    EXPECT_THROW(ReadJpeg(noFrame), PictureError);
}

// The frame header's height and width, found by its marker.
void setFrameSize(Bytes& jpeg, int width, int height)
{
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            return;
        }
    }
    FAIL() << "no frame header";
}

TEST(JpegReader, RefusesHugeOrEmptyFramesBeforeTakingMemory)
{
    const Bytes good = encodeJpeg(smallPicture());
    const auto start = std::chrono::steady_clock::now();
    Bytes huge = good;
    setFrameSize(huge, 65000, 65000);
    EXPECT_THROW(ReadJpeg(huge), PictureError);
    // Within the budget, but the data runs out long before the last row.
    setFrameSize(huge, 16000, 16000);
    EXPECT_THROW(ReadJpeg(huge), PictureError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_THROW(ReadJpeg(good, DecodeLimits{24 * 20 - 1}), PictureError);

    Bytes empty = good;
    setFrameSize(empty, 24, 0);
    EXPECT_THROW(ReadJpeg(empty), PictureError);
}

TEST(JpegReader, RefusesEndlessProgressiveScans)
{
    JpegLayout layout;
    layout.input = layout.stored = JCS_GRAYSCALE;
    layout.samples.assign(16 * 16, 77);
    layout.scans.push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k <= 63; ++k) layout.scans.push_back({1, {0}, k, k, 0, 0});
    EXPECT_NO_THROW(ReadJpeg(encodeJpeg(layout)));

    // Each coefficient refined bit by bit: 631 scans.
    layout.scans.resize(1);
    for (int k = 1; k <= 63; ++k) {
        layout.scans.push_back({1, {0}, k, k, 0, 9});
        for (int a = 9; a > 0; --a) layout.scans.push_back({1, {0}, k, k, a, a - 1});
    }
    EXPECT_THROW(ReadJpeg(encodeJpeg(layout)), PictureError);
}

}  // namespace
}  // namespace kresbon
