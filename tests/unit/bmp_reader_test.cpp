#include "codecs/bmp_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "codecs/bmp_writer.h"

namespace kresbon {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Rgb K = 0x000000, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;

void put16(Bytes& b, unsigned v)
{
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A bitmap file written field by field, so that tests can state exactly the
// header and pixel bytes a writer might produce.
struct BmpFile {
    std::int32_t width = 1;
    std::int32_t height = 1;
    unsigned bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::vector<Rgb> palette;
    std::vector<std::uint32_t> masks;  // after the header, before the palette
    Bytes data;

    Bytes bytes() const
    {
        const std::size_t entry = headerSize == 12 ? 3 : 4;
        const std::uint32_t offset = static_cast<std::uint32_t>(
            14 + headerSize + 4 * masks.size() + entry * palette.size());
        Bytes b{'B', 'M'};
        put32(b, offset + static_cast<std::uint32_t>(data.size()));
        put32(b, 0);
        put32(b, offset);
        put32(b, headerSize);
        if (headerSize == 12) {
            put16(b, width);
            put16(b, height);
            put16(b, 1);
            put16(b, bits);
        } else {
            put32(b, width);
            put32(b, height);
            put16(b, 1);
            put16(b, bits);
            put32(b, compression);
            put32(b, static_cast<std::uint32_t>(data.size()));
            put32(b, 2835);
            put32(b, 2835);
            put32(b, static_cast<std::uint32_t>(palette.size()));
            put32(b, 0);
            b.resize(14 + headerSize, 0);
        }
        for (std::uint32_t m : masks) put32(b, m);
        for (Rgb c : palette) {
            b.push_back(blueOf(c));
            b.push_back(greenOf(c));
            b.push_back(redOf(c));
            if (entry == 4) b.push_back(0);
        }
        b.insert(b.end(), data.begin(), data.end());
        return b;
    }
};

std::vector<Rgb> pixelsOf(const Bytes& file) { return ReadBmp(file).pixels; }

TEST(BmpReader, ReadsBackEveryDepthTheWriterProduces)
{
    for (int depth : {4, 8, 16, 24, 32}) {
        // An odd width exercises the row padding of every depth.
        Surface s(13, 7, depth);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) s.setPixel(x, y, makeRgb(x * 19, y * 37, (x * y * 11) & 0xFF));
        const Picture p = ReadBmp(EncodeBmp(s));
        ASSERT_EQ(p.width, 13) << depth;
        ASSERT_EQ(p.height, 7) << depth;
        EXPECT_EQ(p.pixels, s.colours()) << "depth " << depth;
        EXPECT_FALSE(p.hasTransparency);
    }
}

TEST(BmpReader, IndexedRowsBottomUpAndTopDown)
{
    BmpFile f;
    f.width = 10;
    f.height = 2;
    f.bits = 1;
    f.palette = {R, B};
    // Rows are 4 bytes: 10 pixels take 2 bytes and 2 bytes of padding.
    f.data = {0b1010'0000, 0b0100'0000, 0, 0, 0b1111'1111, 0b1100'0000, 0, 0};
    const std::vector<Rgb> bottomUp = pixelsOf(f.bytes());
    EXPECT_EQ(bottomUp, (std::vector<Rgb>{B, B, B, B, B, B, B, B, B, B,  //
                                          B, R, B, R, R, R, R, R, R, B}));
    f.height = -2;
    const std::vector<Rgb> topDown = pixelsOf(f.bytes());
    EXPECT_EQ(topDown, (std::vector<Rgb>{B, R, B, R, R, R, R, R, R, B,  //
                                         B, B, B, B, B, B, B, B, B, B}));
}

TEST(BmpReader, FourBitIndicesOutsideTheTableAreBlack)
{
    BmpFile f;
    f.width = 3;
    f.bits = 4;
    f.palette = {G, R};
    f.data = {0x01, 0x50, 0, 0};
    EXPECT_EQ(pixelsOf(f.bytes()), (std::vector<Rgb>{G, R, K}));
}

TEST(BmpReader, OldCoreHeaderWithThreeByteColours)
{
    BmpFile f;
    f.headerSize = 12;
    f.width = 2;
    f.bits = 8;
    f.palette = {R, G, B};
    f.data = {2, 1, 0, 0};
    EXPECT_EQ(pixelsOf(f.bytes()), (std::vector<Rgb>{B, G}));
}

TEST(BmpReader, ColourMasksOfSixteenAndThirtyTwoBits)
{
    BmpFile f;
    f.width = 2;
    f.bits = 16;
    f.compression = 3;
    f.masks = {0xF800, 0x07E0, 0x001F};  // 565
    f.data = {0x00, 0xF8, 0x1F, 0x04};
    // 0xF800 is full red; 0x041F is green 0x20 of 63 and full blue.
    EXPECT_EQ(pixelsOf(f.bytes()), (std::vector<Rgb>{R, makeRgb(0, 0x82, 0xFF)}));

    f.bits = 32;
    f.width = 1;
    f.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10 bits a channel
    f.data = {0xFF, 0x03, 0xF0, 0x3F};
    EXPECT_EQ(pixelsOf(f.bytes()), (std::vector<Rgb>{makeRgb(0xFF, 0, 0xFF)}));

    // Masks inside a larger header.
    f.headerSize = 56;
    f.masks.clear();
    BmpFile v3 = f;
    Bytes file = v3.bytes();
    const std::uint32_t masks[] = {0x000000FF, 0x0000FF00, 0x00FF0000};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k) file[14 + 40 + 4 * i + k] = (masks[i] >> (8 * k)) & 0xFF;
    file[file.size() - 4] = 0x11;
    file[file.size() - 3] = 0x22;
    file[file.size() - 2] = 0x33;
    EXPECT_EQ(pixelsOf(file), (std::vector<Rgb>{0x112233}));
}

TEST(BmpReader, ThirtyTwoBitsWithoutMasksIgnoreTheFourthByte)
{
    BmpFile f;
    f.bits = 32;
    f.data = {0x30, 0x20, 0x10, 0x80};
    const Picture p = ReadBmp(f.bytes());
    EXPECT_EQ(p.pixels, (std::vector<Rgb>{0x102030}));
    EXPECT_FALSE(p.hasTransparency);
}

TEST(BmpReader, RunLengthEightBits)
{
    BmpFile f;
    f.width = 6;
    f.height = 3;
    f.bits = 8;
    f.compression = 1;
    f.palette = {K, R, G, B};
    f.data = {
        3, 1, 0, 3, 2, 3, 2, 0, 0, 0,  // bottom: 3 red, literal G B G (padded)
        0, 2, 2, 0, 2, 3, 0, 0,        // middle: skip 2, 2 blue
        8, 1, 0, 1,                    // top: a run past the row end, end of picture
    };
    EXPECT_EQ(pixelsOf(f.bytes()), (std::vector<Rgb>{R, R, R, R, R, R,  //
                                                     K, K, B, B, K, K,  //
                                                     R, R, R, G, B, G}));
}

TEST(BmpReader, AStopEndsTheDecodingAtTheNextRow)
{
    BmpFile coded;
    coded.width = 2;
    coded.height = 1;
    coded.bits = 8;
    coded.compression = 1;
    coded.palette = {K, R};
    coded.data = {2, 1, 0, 1};
    std::atomic<bool> stop{true};
    for (const Bytes& file : {EncodeBmp(Surface(3, 2, 24)), coded.bytes()}) {
        stop = true;
        EXPECT_THROW(ReadBmp(file, DecodeLimits{.stop = &stop}), PictureError);
        stop = false;
        EXPECT_NO_THROW(ReadBmp(file, DecodeLimits{.stop = &stop}));
    }
}

TEST(BmpReader, RunLengthFourBits)
{
    BmpFile f;
    f.width = 8;
    f.height = 2;
    f.bits = 4;
    f.compression = 2;
    f.palette = {K, R, G, B};
    // A run alternates its two nibbles; five literal nibbles take three bytes
    // and one of padding. The top row is never written.
    f.data = {3, 0x12, 0, 5, 0x23, 0x12, 0x30, 0, 0, 0, 0, 1};
    EXPECT_EQ(pixelsOf(f.bytes()), (std::vector<Rgb>{K, K, K, K, K, K, K, K,  //
                                                     R, G, R, G, B, R, G, B}));
}

TEST(BmpReader, RunLengthDeltaMovesUp)
{
    BmpFile f;
    f.width = 3;
    f.height = 3;
    f.bits = 8;
    f.compression = 1;
    f.palette = {K, R};
    f.data = {1, 1, 0, 2, 1, 2, 1, 1, 0, 1};  // one red, then one up two rows
    EXPECT_EQ(pixelsOf(f.bytes()), (std::vector<Rgb>{K, K, R, K, K, K, R, K, K}));
}

TEST(BmpReader, RefusesDamagedFiles)
{
    BmpFile good;
    good.width = 4;
    good.height = 4;
    good.data.assign(4 * 12, 0x7F);
    ASSERT_NO_THROW(ReadBmp(good.bytes()));

    const auto refused = [](const Bytes& b) {
        EXPECT_THROW(ReadBmp(b), PictureError);
    };
    Bytes magic = good.bytes();
    magic[1] = 'A';
    refused(magic);
    Bytes cut = good.bytes();
    cut.resize(cut.size() - 5);
    refused(cut);
    const Bytes whole = good.bytes();
    for (std::size_t n = 0; n < 60; ++n) refused(Bytes(whole.begin(), whole.begin() + n));
    refused({});

    for (auto [w, h] : std::initializer_list<std::pair<int, int>>{{0, 4}, {4, 0}, {-4, 4}}) {
        BmpFile f = good;
        f.width = w;
        f.height = h;
        refused(f.bytes());
    }
    BmpFile unknown = good;
    unknown.bits = 7;
    refused(unknown.bytes());
    unknown = good;
    unknown.compression = 4;  // JPEG inside a bitmap
    refused(unknown.bytes());
    unknown.compression = 3;  // masks need 16 or 32 bits
    unknown.masks = {0xFF0000, 0xFF00, 0xFF};
    refused(unknown.bytes());
    unknown = good;
    unknown.headerSize = 20;
    refused(unknown.bytes());

    BmpFile gaps = good;
    gaps.bits = 32;
    gaps.compression = 3;
    gaps.masks = {0xF0F000, 0xFF00, 0xFF};
    gaps.data.assign(4 * 16, 0);
    refused(gaps.bytes());

    BmpFile noTable = good;
    noTable.bits = 8;
    refused(noTable.bytes());
}

TEST(BmpReader, RefusesDamagedRunLengthData)
{
    BmpFile f;
    f.width = 4;
    f.height = 2;
    f.bits = 8;
    f.compression = 1;
    f.palette = {K, R};
    f.data = {4, 1, 0, 0};  // one row only, no end of picture
    EXPECT_THROW(ReadBmp(f.bytes()), PictureError);
    f.data = {4, 1, 0, 0, 0, 6, 1, 1};  // literal run cut short
    EXPECT_THROW(ReadBmp(f.bytes()), PictureError);
    f.data = {4, 1, 0, 0, 4, 1, 0, 1};
    EXPECT_NO_THROW(ReadBmp(f.bytes()));
    f.height = -2;  // run-length pictures are always stored bottom-up
    EXPECT_THROW(ReadBmp(f.bytes()), PictureError);
    f.height = 2;
    f.bits = 4;  // RLE8 on a 4-bit picture
    EXPECT_THROW(ReadBmp(f.bytes()), PictureError);
}

TEST(BmpReader, RefusesHugeSizesBeforeTakingMemory)
{
    BmpFile f;
    f.width = 100000;
    f.height = 100000;
    f.data.assign(64, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(ReadBmp(f.bytes()), PictureError);
    // Within the budget but far more rows than the file holds.
    f.width = 10000;
    f.height = -10000;
    EXPECT_THROW(ReadBmp(f.bytes()), PictureError);
    f.width = 0x7FFFFFFF;
    f.height = static_cast<std::int32_t>(0x80000000u);
    EXPECT_THROW(ReadBmp(f.bytes()), PictureError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));

    BmpFile rle;
    rle.width = 64;
    rle.height = 64;
    rle.bits = 8;
    rle.compression = 1;
    rle.palette = {K};
    rle.data = {0, 1};
    EXPECT_THROW(ReadBmp(rle.bytes(), DecodeLimits{1000}), PictureError);
    EXPECT_NO_THROW(ReadBmp(rle.bytes(), DecodeLimits{64 * 64}));
    // A kilobyte that declares 20000 x 20000 run-length pixels is refused
    // before it takes memory; the same data at a size it can code is read.
    rle.width = 20000;
    rle.height = 20000;
    rle.data.assign(1000, 0);
    rle.data.insert(rle.data.end(), {0, 1});
    EXPECT_THROW(ReadBmp(rle.bytes()), PictureError);
    rle.width = 1000;
    rle.height = 1000;
    EXPECT_NO_THROW(ReadBmp(rle.bytes()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
}

}  // namespace
}  // namespace kresbon
