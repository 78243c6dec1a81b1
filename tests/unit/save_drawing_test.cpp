#include "render/save_drawing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "codecs/bmp_writer.h"
#include "platform/encoding.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "save_test_support.h"

namespace kresbon {
namespace {

using namespace kresbon::testing;

std::uint32_t le16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t le32(const Bytes& b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

// The pixels of a BI_RGB bitmap file of any depth, top row first.
std::vector<Rgb> bmpPixels(const Bytes& b)
{
    const int width = static_cast<int>(le32(b, 18));
    const int height = static_cast<int>(le32(b, 22));
    const int depth = static_cast<int>(le16(b, 28));
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    const auto entry = [&](unsigned i) { return makeRgb(b[56 + 4 * i], b[55 + 4 * i], b[54 + 4 * i]); };
    const auto expand = [](std::uint32_t v) { return static_cast<int>((v << 3) | (v >> 2)); };
    std::vector<Rgb> pixels;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = le32(b, 10) + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            switch (depth) {
            case 4:
                pixels.push_back(entry(x % 2 == 0 ? b[row + x / 2] >> 4 : b[row + x / 2] & 0x0F));
                break;
            case 8:
                pixels.push_back(entry(b[row + x]));
                break;
            case 16: {
                const std::uint32_t v = le16(b, row + 2 * x);
                pixels.push_back(makeRgb(expand(v >> 10 & 31), expand(v >> 5 & 31), expand(v & 31)));
                break;
            }
            default: {
                const std::size_t at = row + static_cast<std::size_t>(x) * depth / 8;
                pixels.push_back(makeRgb(b[at + 2], b[at + 1], b[at]));
            }
            }
        }
    }
    return pixels;
}

std::string startOf(const Bytes& b, std::size_t n) { return std::string(b.begin(), b.begin() + std::min(n, b.size())); }

TEST(DrawingFileFormat, TheLastExtensionInAnyCaseChoosesTheFormat)
{
    using F = DrawingFileFormat;
    const std::pair<const char*, std::optional<F>> cases[] = {
        {"drawing.bmp", F::Bmp},          {"DRAWING.BMP", F::Bmp},       {"a.png.bmp", F::Bmp},
        {"/tmp/plan.gif", F::Gif},        {"plan.Gif", F::Gif},          {"x.jpg", F::Jpeg},
        {"x.JPG", F::Jpeg},               {"x.Jpeg", F::Jpeg},           {"x.jpeg", F::Jpeg},
        {"x.png", F::Png},               {"x.tif", std::nullopt},       {"x.bmp.PNG", F::Png},
        {"drawing", std::nullopt},        {"drawing.", std::nullopt},    {"old.bmp/drawing", std::nullopt},
        {"x.jpe", std::nullopt},          {"x.bmpx", std::nullopt},      {"", std::nullopt},
    };
    for (const auto& [path, format] : cases) EXPECT_EQ(DrawingFileFormatOf(path), format) << path;
}

using SaveDrawingTest = ScratchFolder;

TEST_F(SaveDrawingTest, BmpKeepsEveryPixelAtEveryDepth)
{
    for (const int depth : {4, 8, 16, 24, 32}) {
        const Surface s = VariedDrawing(depth, 61, 45, 3);
        const std::string path = file("d" + std::to_string(depth) + ".BMP");
        SaveDrawingToFile(s, path, EnglishBase);
        const Bytes b = ReadBytes(path);
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(le16(b, 28), static_cast<std::uint32_t>(depth));
        EXPECT_EQ(bmpPixels(b), s.colours()) << "depth " << depth;
    }
}

TEST_F(SaveDrawingTest, EachExtensionWritesItsOwnFormat)
{
    const Surface s = VariedDrawing(24, 40, 30);
    SaveDrawingToFile(s, file("a.bmp"), EnglishBase);
    SaveDrawingToFile(s, file("b.Gif"), EnglishBase);
    SaveDrawingToFile(s, file("c.JPG"), EnglishBase);
    SaveDrawingToFile(s, file("d.jpeg"), EnglishBase);
    SaveDrawingToFile(s, file("e.PNG"), EnglishBase);
    EXPECT_EQ(ReadBytes(file("a.bmp")), EncodeBmp(s));
    EXPECT_EQ(startOf(ReadBytes(file("e.PNG")), 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(startOf(ReadBytes(file("b.Gif")), 6), "GIF89a");
    for (const char* name : {"c.JPG", "d.jpeg"}) {
        const Bytes b = ReadBytes(file(name));
        EXPECT_EQ(startOf(b, 3), "\xFF\xD8\xFF") << name;
        EXPECT_EQ(startOf(b, 11).substr(6), std::string("JFIF\0", 5)) << name;
    }
    EXPECT_EQ(listing(), (std::vector<std::string>{"a.bmp", "b.Gif", "c.JPG", "d.jpeg", "e.PNG"}));
}

TEST_F(SaveDrawingTest, AnyOtherExtensionIsAScriptErrorAndWritesNothing)
{
    const Surface s(10, 10, 4);
    const std::string path = file("plán.tif");
    try {
        SaveDrawingToFile(s, path, EnglishBase);
        FAIL() << "no error for .tif";
    } catch (const vyjimka& e) {
        EXPECT_EQ(e.message(), "Cannot save the drawing as \"" + Utf8ToCp1250(path) +
                                   "\": use the extension .bmp, .gif, .jpg, .jpeg, .png, .svg, .pdf or .dxf.");
    }
    try {
        SaveDrawingToFile(s, file("drawing"), CzechBase);
        FAIL() << "no error without an extension";
    } catch (const vyjimka& e) {
        EXPECT_EQ(Cp1250ToUtf8(e.message()), "Výkres nelze uložit jako \"" + file("drawing") +
                                                 "\": použijte příponu .bmp, .gif, .jpg, .jpeg, .png, .svg, .pdf nebo .dxf.");
    }
    EXPECT_TRUE(listing().empty());
}

TEST_F(SaveDrawingTest, ADrawingWithASideOfZeroIsRefusedInEveryFormat)
{
    for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
        const Surface s(width, height, 24);
        for (const char* name : {"z.bmp", "z.gif", "z.jpg", "z.png"}) {
            const std::string path = file(name);
            try {
                SaveDrawingToFile(s, path, EnglishBase);
                ADD_FAILURE() << "no error for " << name << ' ' << width << 'x' << height;
            } catch (const vyjimka& e) {
                EXPECT_NE(e.message().find(std::to_string(width) + " x " + std::to_string(height)),
                          std::string::npos)
                    << e.message();
            }
        }
    }
    EXPECT_TRUE(listing().empty());
    try {
        SaveDrawingToFile(Surface(0, 3, 4), file("z.bmp"), EnglishBase);
    } catch (const vyjimka& e) {
        EXPECT_EQ(e.message(), "Cannot save the drawing as \"" + file("z.bmp") +
                                   "\": a BMP file cannot hold a drawing of 0 x 3 pixels.");
    }
}

TEST_F(SaveDrawingTest, ADrawingWiderThanTheFormatHoldsIsRefusedInTheUsersLanguage)
{
    const Surface wide(65536, 1, 24);
    try {
        SaveDrawingToFile(wide, file("w.gif"), CzechBase);
        ADD_FAILURE() << "no error for a GIF 65536 pixels wide";
    } catch (const vyjimka& e) {
        EXPECT_EQ(Cp1250ToUtf8(e.message()), "Výkres nelze uložit jako \"" + file("w.gif") +
                                                 "\": soubor GIF nepojme výkres o rozměrech 65536 x 1 pixelů.");
    }
    EXPECT_THROW(SaveDrawingToFile(Surface(1, 65501, 24), file("h.jpg"), EnglishBase), vyjimka);
    EXPECT_TRUE(listing().empty());
    // The largest sides each format holds, and BMP and PNG beyond them.
    EXPECT_NO_THROW(SaveDrawingToFile(Surface(65535, 1, 24), file("w.gif"), EnglishBase));
    EXPECT_NO_THROW(SaveDrawingToFile(Surface(1, 65500, 24), file("h.jpg"), EnglishBase));
    EXPECT_NO_THROW(SaveDrawingToFile(wide, file("w.bmp"), EnglishBase));
    EXPECT_NO_THROW(SaveDrawingToFile(wide, file("w.png"), EnglishBase));
}

TEST_F(SaveDrawingTest, AMissingFolderIsNamedAndNothingIsLeftBehind)
{
    const Surface s = VariedDrawing(8, 20, 20);
    for (const char* name : {"d.bmp", "d.gif", "d.jpg", "d.png"}) {
        const std::string path = file(std::string("missing/") + name);
        try {
            SaveDrawingToFile(s, path, EnglishBase);
            FAIL() << "no error for " << path;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(std::generic_category().message(ENOENT)), std::string::npos)
                << e.what();
        }
    }
    EXPECT_TRUE(listing().empty());
}

TEST_F(SaveDrawingTest, AnExistingFileIsReplacedWholeInOneStep)
{
    const Surface s = VariedDrawing(4, 30, 20);
    for (const char* name : {"d.bmp", "d.gif", "d.jpg", "d.png"}) {
        const std::string path = file(name);
        const std::string older(200000, 'x');
        { std::ofstream(path) << older; }
        // A reader that opened the older file keeps reading the older file:
        // the new one takes the name, it does not overwrite the bytes.
        std::ifstream reader(path, std::ios::binary);
        struct stat before {};
        ::stat(path.c_str(), &before);

        SaveDrawingToFile(s, path, EnglishBase);

        struct stat after {};
        ::stat(path.c_str(), &after);
        EXPECT_NE(before.st_ino, after.st_ino) << name;
        const std::string seen((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
        EXPECT_EQ(seen, older) << name;
        const Bytes now = ReadBytes(path);
        EXPECT_LT(now.size(), older.size()) << name;
        EXPECT_NE(startOf(now, 1), "x") << name;
    }
    EXPECT_EQ(ReadBytes(file("d.bmp")), EncodeBmp(s));
    EXPECT_EQ(listing(), (std::vector<std::string>{"d.bmp", "d.gif", "d.jpg", "d.png"}));
}

}  // namespace
}  // namespace kresbon
