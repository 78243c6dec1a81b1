#include "codecs/gif_writer.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "interpreter/named_values.h"
#include "platform/palette.h"
#include "platform/texts.h"
#include "save_test_support.h"

namespace kresbon {
namespace {

using namespace kresbon::testing;

struct DecodedGif {
    std::string version;
    std::vector<Rgb> palette;
    int width = 0;
    int height = 0;
    int images = 0;
    bool interlaced = false;
    std::vector<Rgb> pixels;
};

// Reads a GIF file back with giflib's own decoder.
DecodedGif decodeGif(const std::string& path)
{
    DecodedGif result;
    const Bytes bytes = ReadBytes(path);
    result.version.assign(bytes.begin(), bytes.begin() + std::min<std::size_t>(6, bytes.size()));

    int error = 0;
    const auto close = [](GifFileType* gif) {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    };
    std::unique_ptr<GifFileType, decltype(close)> gif(DGifOpenFileName(path.c_str(), &error), close);
    if (!gif) {
        ADD_FAILURE() << "giflib cannot open " << path << ": " << GifErrorString(error);
        return result;
    }
    if (DGifSlurp(gif.get()) != GIF_OK) {
        ADD_FAILURE() << "giflib cannot decode " << path << ": " << GifErrorString(gif->Error);
        return result;
    }
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    result.images = gif->ImageCount;
    if (gif->SColorMap) {
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            result.palette.push_back(makeRgb(c.Red, c.Green, c.Blue));
        }
    }
    if (gif->ImageCount < 1) return result;
    const SavedImage& image = gif->SavedImages[0];
    result.interlaced = image.ImageDesc.Interlace;
    EXPECT_EQ(image.ImageDesc.Left, 0);
    EXPECT_EQ(image.ImageDesc.Top, 0);
    EXPECT_EQ(image.ImageDesc.Width, result.width);
    EXPECT_EQ(image.ImageDesc.Height, result.height);
    EXPECT_EQ(image.ImageDesc.ColorMap, nullptr);
    const std::size_t count = static_cast<std::size_t>(result.width) * result.height;
    for (std::size_t i = 0; i < count; ++i) {
        const int index = image.RasterBits[i];
        EXPECT_LT(index, static_cast<int>(result.palette.size()));
        result.pixels.push_back(index < static_cast<int>(result.palette.size()) ? result.palette[index] : 0xFFFFFFFF);
    }
    return result;
}

// Pixel by pixel, reporting only the first few differences.
void expectPixels(const std::vector<Rgb>& actual, const std::vector<Rgb>& expected, int width, int depth)
{
    ASSERT_EQ(actual.size(), expected.size()) << "depth " << depth;
    int shown = 0;
    for (std::size_t i = 0; i < actual.size() && shown < 5; ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << "depth " << depth << " at " << i % width << "," << i / width << std::hex << ": "
                          << actual[i] << " instead of " << expected[i];
            ++shown;
        }
    }
}

// What a strict decoder finds in the image data of a GIF file: every code
// read by the rules of the format, without the leniency of giflib, which
// stops once it has its pixels and never looks for the code that ends them.
struct LzwStream {
    long long pixels = 0;
    bool endCode = false;        // the stream ends with the end-of-information code
    bool invalidCode = false;    // a code not yet in the table
    std::size_t bytesAfterEnd = 0;  // whole bytes of image data after the end code
};

LzwStream decodeLzwStrictly(const Bytes& gif)
{
    LzwStream result;
    std::size_t at = 13;
    if (gif.size() < at) return result;
    if (gif[10] & 0x80) at += 3u << ((gif[10] & 7) + 1);
    while (at < gif.size() && gif[at] == 0x21) {  // extensions
        at += 2;
        while (at < gif.size() && gif[at] != 0) at += gif[at] + 1u;
        ++at;
    }
    if (at + 11 > gif.size() || gif[at] != 0x2C) return result;
    if (gif[at + 9] & 0x80) at += 3u << ((gif[at + 9] & 7) + 1);
    at += 10;
    const int minimum = gif[at++];
    Bytes data;
    while (at < gif.size() && gif[at] != 0) {
        data.insert(data.end(), gif.begin() + at + 1, gif.begin() + std::min(gif.size(), at + 1 + gif[at]));
        at += gif[at] + 1u;
    }

    const int clear = 1 << minimum;
    const int end = clear + 1;
    int size = minimum + 1;
    int next = end + 1;
    int previous = -1;
    std::vector<long long> lengths(4096, 1);
    std::size_t bit = 0;
    while (bit + size <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < size; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == clear) {
            size = minimum + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end) {
            result.endCode = true;
            result.bytesAfterEnd = data.size() - (bit + 7) / 8;
            return result;
        }
        if (code > next || (code == next && previous < 0)) {
            result.invalidCode = true;
            return result;
        }
        if (previous >= 0 && next < 4096) lengths[next++] = lengths[previous] + 1;
        result.pixels += lengths[code];
        previous = code;
        if (next == (1 << size) && size < 12) ++size;
    }
    return result;
}

using GifWriterTest = ScratchFolder;

TEST_F(GifWriterTest, PaletteDrawingsKeepTheirPaletteAndEveryPixel)
{
    for (const int depth : {4, 8}) {
        // Odd sizes catch a row length or row order mistake.
        const Surface s = VariedDrawing(depth, 123, 77);
        const std::string path = file("d" + std::to_string(depth) + ".gif");
        WriteGifFile(s, path);
        const DecodedGif gif = decodeGif(path);
        EXPECT_EQ(gif.version, "GIF89a");
        EXPECT_EQ(gif.width, 123);
        EXPECT_EQ(gif.height, 77);
        EXPECT_EQ(gif.images, 1);
        EXPECT_FALSE(gif.interlaced);
        EXPECT_EQ(gif.palette, s.palette()) << "depth " << depth;
        expectPixels(gif.pixels, s.colours(), s.width(), depth);
    }
}

TEST_F(GifWriterTest, NoisyAndFlatDrawingsOutgrowTheStringTableAndComeBackWhole)
{
    // Noise fills the string table many times over and runs through every
    // code size; a flat drawing makes strings thousands of pixels long.
    for (const int depth : {4, 8}) {
        const Surface noisy = VariedDrawing(depth, 401, 300, 5);
        Surface flat(2500, 40, depth);
        flat.setBrush(0x008080, BrushStyle::Solid);
        flat.fillRect(0, 0, 2500, 40);
        flat.setPixel(2499, 39, 0xFF0000);
        for (const Surface* s : {&noisy, static_cast<const Surface*>(&flat)}) {
            const std::string path = file("big" + std::to_string(depth) + ".gif");
            WriteGifFile(*s, path);
            const DecodedGif gif = decodeGif(path);
            EXPECT_EQ(gif.palette, s->palette());
            expectPixels(gif.pixels, s->colours(), s->width(), depth);
        }
    }
}

TEST_F(GifWriterTest, DeeperDrawingsTakeTheNearestHalftoneColourWithoutDithering)
{
    const std::vector<Rgb> halftone(halftonePalette().begin(), halftonePalette().end());
    for (const int depth : {16, 24, 32}) {
        const Surface s = VariedDrawing(depth, 150, 64, 7);
        const std::string path = file("d" + std::to_string(depth) + ".gif");
        WriteGifFile(s, path);
        const DecodedGif gif = decodeGif(path);
        EXPECT_EQ(gif.version, "GIF89a");
        EXPECT_EQ(gif.palette, halftone) << "depth " << depth;
        std::vector<Rgb> expected;
        for (const Rgb c : s.colours()) expected.push_back(halftone[nearestPaletteIndex(halftone, c)]);
        expectPixels(gif.pixels, expected, s.width(), depth);
    }
}

TEST_F(GifWriterTest, NamedColoursSurviveTheReductionExactly)
{
    const char* const names[] = {"Aqua",  "Black",     "Blue",      "DarkGray",   "Fuchsia", "Gray",
                                 "Green", "LimeGreen", "LightGray", "Maroon",     "NavyBlue", "OliveGreen",
                                 "Purple", "Red",      "Silver",    "Teal",       "White",   "Yellow"};
    Surface s(18, 3, 24);
    for (int i = 0; i < 18; ++i) {
        s.setBrush(ColorByName(names[i], EnglishBase), BrushStyle::Solid);
        s.fillRect(i, 0, i + 1, 3);
    }
    WriteGifFile(s, file("named.gif"));
    expectPixels(decodeGif(file("named.gif")).pixels, s.colours(), s.width(), 24);
}

TEST_F(GifWriterTest, SizesAGifCannotHoldAreRefusedByName)
{
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{65536, 1}}) {
        const std::string path = file("too.gif");
        try {
            WriteGifFile(Surface(width, height, 4), path);
            FAIL() << width << " x " << height << " written";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(listing().empty());
    WriteGifFile(Surface(1, 1, 24), file("one.gif"));
    EXPECT_EQ(decodeGif(file("one.gif")).pixels, std::vector<Rgb>{0});
}

TEST_F(GifWriterTest, AFailedWriteLeavesTheOlderFileAlone)
{
    const std::string path = file("drawing.gif");
    { std::ofstream(path) << "older contents"; }
    // Arbitrary colours compress badly, so the file outgrows the limit.
    const Surface s = VariedDrawing(24, 400, 400);
    try {
        const FileSizeLimit limit(4096);
        WriteGifFile(s, path);
        FAIL() << "no error past the size limit";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::generic_category().message(EFBIG)), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(listing(), std::vector<std::string>{"drawing.gif"});
    const Bytes old = ReadBytes(path);
    EXPECT_EQ(std::string(old.begin(), old.end()), "older contents");
}

TEST_F(GifWriterTest, TheImageDataEndsWithTheEndCodeAfterTheLastPixel)
{
    Surface flat(2500, 40, 8);
    flat.setBrush(0x008080, BrushStyle::Solid);
    flat.fillRect(0, 0, 2500, 40);
    const Surface drawings[] = {VariedDrawing(4, 123, 77), VariedDrawing(8, 401, 300, 5), VariedDrawing(24, 150, 64),
                                std::move(flat), Surface(1, 1, 4)};
    for (const Surface& s : drawings) {
        const std::string path = file("end.gif");
        WriteGifFile(s, path);
        const LzwStream stream = decodeLzwStrictly(ReadBytes(path));
        EXPECT_FALSE(stream.invalidCode) << s.width() << " x " << s.height();
        EXPECT_TRUE(stream.endCode) << s.width() << " x " << s.height();
        EXPECT_EQ(stream.pixels, static_cast<long long>(s.width()) * s.height());
        EXPECT_EQ(stream.bytesAfterEnd, 0u);
    }
}

}  // namespace
}  // namespace kresbon
