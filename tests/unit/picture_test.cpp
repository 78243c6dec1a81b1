#include "render/picture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "codecs/bmp_writer.h"
#include "codecs/picture.h"
#include "codecs/png_reader.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/palette.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "render/picture_frame.h"
#include "render/stretch_draw.h"
#include "picture_encoders.h"

namespace kresbon {
namespace {

namespace fs = std::filesystem;
using namespace test_pictures;

constexpr Rgb White = 0xFFFFFF, Black = 0, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF;

std::string T(int n) { return Text(EnglishBase, n); }

// The message DrawPicture raises, or "" when it draws.
template <typename Draw>
std::string messageOf(Draw draw)
{
    try {
        draw();
    } catch (const vyjimka& e) {
        return e.message();
    }
    return "";
}

// A picture of the given colours, width x height, row-major.
Surface pictureSurface(int width, int height, const std::vector<Rgb>& colours)
{
    Surface s(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) s.setPixel(x, y, colours[y * width + x]);
    return s;
}

class PictureTest : public ::testing::Test {
protected:
    fs::path folder;
    Surface canvas{20, 12, 24};
    PictureSettings settings;

    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("kresbon_picture_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        settings.programFolder = folder.string();
        clear();
    }
    void clear()
    {
        canvas.setBrush(White, BrushStyle::Solid);
        canvas.fillRect(0, 0, canvas.width(), canvas.height());
    }
    void TearDown() override { fs::remove_all(folder); }

    void write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        fs::create_directories((folder / name).parent_path());
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // A 2x2 bitmap: red, green / blue, black.
    void writeSquare(const std::string& name)
    {
        write(name, EncodeBmp(pictureSurface(2, 2, {Red, Green, Blue, Black})));
    }

    std::string place(int x, int y, const std::string& file, const std::string& width = "",
                      const std::string& height = "")
    {
        return messageOf([&] { DrawPicture(canvas, x, y, file, width, height, settings); });
    }

    std::string fileMessage(int before, const fs::path& path, int after) const
    {
        return T(before) + '"' + path.string() + '"' + T(after);
    }

    // Width and height of the box of non-white pixels.
    std::array<int, 2> drawnSize() const
    {
        int left = canvas.width(), top = canvas.height(), right = -1, bottom = -1;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (canvas.pixel(x, y) != White) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return {right - left + 1, bottom - top + 1};
    }

    bool untouched() const
    {
        for (Rgb p : canvas.colours())
            if (p != White) return false;
        return true;
    }
};

TEST_F(PictureTest, EachFailingStepHasItsMessageAndDrawsNothing)
{
    writeSquare("square.bmp");
    write("square.tif", {1, 2, 3});
    write("noextension", {1, 2, 3});
    fs::create_directories(folder / "folder.bmp");
    ASSERT_EQ(::mkfifo((folder / "pipe.gif").c_str(), 0600), 0);

    EXPECT_EQ(place(0, 0, ""), T(327));
    EXPECT_EQ(place(0, 0, "square.bmp"), T(327));  // no quotes
    EXPECT_EQ(place(0, 0, "\"   \""), T(327));

    EXPECT_EQ(place(0, 0, "\"missing.bmp\""), fileMessage(328, folder / "missing.bmp", 329));
    EXPECT_EQ(place(0, 0, "\"missing.png\""), fileMessage(328, folder / "missing.png", 329));
    EXPECT_EQ(place(0, 0, "\"folder.bmp\""), fileMessage(328, folder / "folder.bmp", 329));
    // A named pipe is there but cannot be read: it must not hang the run.
    EXPECT_EQ(place(0, 0, "\"pipe.gif\""), fileMessage(360, folder / "pipe.gif", 361));

    EXPECT_EQ(place(0, 0, "\"square.tif\"", "x"), fileMessage(330, folder / "square.tif", 331));
    EXPECT_EQ(place(0, 0, "\"noextension\""), fileMessage(330, folder / "noextension", 331));

    EXPECT_EQ(place(0, 0, "\"square.bmp\"", "abc", "x"), T(332));
    EXPECT_EQ(place(0, 0, "\"square.bmp\"", "1,5"), T(332));
    EXPECT_EQ(place(0, 0, "\"square.bmp\"", "3", "(2"), T(333));

    write("fake.bmp", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13});
    // The sizes are read before the file is.
    EXPECT_EQ(place(0, 0, "\"fake.bmp\"", "?"), T(332));
    EXPECT_EQ(place(0, 0, "\"fake.bmp\""), fileMessage(334, folder / "fake.bmp", 335));
    // A sound picture under the wrong kind of name.
    write("square.gif", EncodeBmp(pictureSurface(2, 2, {Red, Green, Blue, Black})));
    EXPECT_EQ(place(0, 0, "\"square.gif\""), fileMessage(334, folder / "square.gif", 335));

    settings.languageBase = CzechBase;
    EXPECT_EQ(place(0, 0, "\"fake.bmp\""), Text(CzechBase, 334) + '"' + (folder / "fake.bmp").string() +
                                               '"' + Text(CzechBase, 335));
    EXPECT_TRUE(untouched());
}

TEST_F(PictureTest, DamagedFilesAreRefusedByTheReaders)
{
    const fs::path damaged = fs::path(KRESBON_TEST_DATA) / "damaged";
    settings.programFolder = damaged.string();
    int files = 0;
    for (const auto& entry : fs::directory_iterator(damaged)) {
        const std::string name = entry.path().filename().string();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(place(0, 0, '"' + name + '"'), fileMessage(334, damaged / name, 335)) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
        ++files;
    }
    EXPECT_GE(files, 15);
    EXPECT_TRUE(untouched());

    // The files they were made from are sound.
    settings.programFolder = (fs::path(KRESBON_TEST_DATA) / "pictures").string();
    canvas = Surface(20, 20, 24);
    clear();
    for (const char* name : {"\"sound.bmp\"", "\"sound.gif\"", "\"sound.jpg\"", "\"sound.png\""}) {
        EXPECT_EQ(place(0, 0, name), "") << name;
        EXPECT_EQ(drawnSize(), (std::array<int, 2>{16, 16})) << name;
    }

    // A one-pixel frame at the corner of a 65535 x 65535 screen is drawn
    // from the frame alone, at once.
    clear();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(place(2, 3, "\"huge_screen.gif\""), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(drawnSize(), (std::array<int, 2>{1, 1}));
    EXPECT_EQ(canvas.pixel(2, 3), 0x000000u);
}

// A large PNG is drawn row by row as it is decoded; it must draw what the
// whole decoded picture draws, in every box and depth, transparent pixels
// and the picture's own size included.
TEST_F(PictureTest, LargePngsDrawnAsTheyAreDecodedDrawWhatTheWholePictureDraws)
{
    PngLayout layout{2100, 2100, PNG_COLOR_TYPE_RGB_ALPHA, 8};
    layout.samples.resize(2100u * 2100u * 4u);
    for (std::size_t i = 0; i < layout.samples.size(); i += 4) {
        const std::size_t x = i / 4 % 2100, y = i / 4 / 2100;
        layout.samples[i] = static_cast<std::uint8_t>(x * 7 + y);
        layout.samples[i + 1] = static_cast<std::uint8_t>(y * 3);
        layout.samples[i + 2] = static_cast<std::uint8_t>(x ^ y);
        layout.samples[i + 3] = (x + y) % 97 == 0 ? 0 : 255;
    }
    const Bytes bytes = encodePng(layout);
    layout.samples.clear();
    write("large.png", bytes);
    const Picture whole = ReadPng(bytes);
    struct Box {
        int x, y, w, h;
    };
    for (const int depth : {24, 8, 4}) {
        for (const Box box : {Box{-3, 2, 10, 7}, Box{5, -40, 13, 50}, Box{-2000, -2050, 0, 0}, Box{1, 1, 3000, 2}}) {
            canvas = Surface(20, 12, depth);
            clear();
            Surface expected = canvas;
            DrawPlacedPicture(expected, whole, box.x, box.y, box.w > 0 ? box.w : 2100, box.h > 0 ? box.h : 2100);
            settings.pixelsPerUnit = 1;
            const std::string w = box.w > 0 ? std::to_string(box.w) : "", h = box.h > 0 ? std::to_string(box.h) : "";
            ASSERT_EQ(place(box.x, box.y, "\"large.png\"", w, h), "");
            EXPECT_TRUE(canvas.samePixels(expected)) << depth << " " << box.x << "," << box.y << " " << box.w;
        }
    }
}

TEST_F(PictureTest, NamesResolveAgainstTheScriptFolderElseTheProgramFolder)
{
    writeSquare("program/a.bmp");
    writeSquare("scripts/sub/b.bmp");
    settings.programFolder = (folder / "program").string();
    EXPECT_EQ(place(0, 0, "\"a.bmp\""), "");
    EXPECT_EQ(place(0, 0, "\"sub\\b.bmp\""), fileMessage(328, folder / "program/sub/b.bmp", 329));

    settings.currentScriptFile = (folder / "scripts/drawing.krs").string();
    EXPECT_EQ(place(0, 0, "\"sub\\b.bmp\""), "");
    EXPECT_EQ(place(0, 0, "\"sub/b.bmp\""), "");
    EXPECT_EQ(place(0, 0, "\"a.bmp\""), fileMessage(328, folder / "scripts/a.bmp", 329));
    // Script text is Windows-1250, file names are UTF-8, messages are
    // Windows-1250 again.
    writeSquare("scripts/obr\u00e1zek.bmp");
    EXPECT_EQ(place(0, 0, "\"obr\xE1zek.bmp\""), "");
    EXPECT_EQ(place(0, 0, "\"\xE8" "ep.bmp\""),
              T(328) + '"' + (folder / "scripts").string() + "/\xE8" "ep.bmp\"" + T(329));
    // An absolute name stays as written; blanks inside the quotes are trimmed.
    EXPECT_EQ(place(0, 0, "\" " + (folder / "program/a.bmp").string() + " \""), "");
}

TEST_F(PictureTest, ExtensionsMatchWithoutRegardToCase)
{
    const Bytes bmp = EncodeBmp(pictureSurface(2, 2, {Red, Green, Blue, Black}));
    write("a.Bmp", bmp);
    write("b.BMP", bmp);
    JpegLayout jpeg;
    jpeg.width = jpeg.height = 8;
    jpeg.samples.assign(8 * 8 * 3, 0);
    write("c.jpeg", encodeJpeg(jpeg));
    write("d.JPG", encodeJpeg(jpeg));
    GifLayout gif;
    gif.colours = {Red, Blue};
    gif.frames.push_back({0, 0, 1, 1, false, {}, -1, {1}});
    write("e.Gif", encodeGif(gif));
    write("f.Png", encodePng({1, 1, PNG_COLOR_TYPE_GRAY, 8, false, {}, {}, {0}}));
    for (const char* name : {"a.Bmp", "b.BMP", "c.jpeg", "d.JPG", "e.Gif", "f.Png"})
        EXPECT_EQ(place(0, 0, '"' + std::string(name) + '"'), "") << name;
}

TEST_F(PictureTest, SizesInDrawingUnits)
{
    write("bar.bmp", EncodeBmp(pictureSurface(4, 2, std::vector<Rgb>(8, Red))));
    canvas = Surface(300, 40, 24);
    settings.pixelsPerUnit = 2;
    const auto sizeFor = [&](const std::string& width, const std::string& height) {
        clear();
        EXPECT_EQ(place(1, 1, "\"bar.bmp\"", width, height), "");
        return drawnSize();
    };
    EXPECT_EQ(sizeFor("", ""), (std::array<int, 2>{4, 2}));
    EXPECT_EQ(sizeFor("50", ""), (std::array<int, 2>{100, 2}));  // one direction only
    EXPECT_EQ(sizeFor("", "3*2"), (std::array<int, 2>{4, 12}));
    EXPECT_EQ(sizeFor("0", "0"), (std::array<int, 2>{4, 2}));
    EXPECT_EQ(sizeFor("-5", "-1"), (std::array<int, 2>{4, 2}));
    EXPECT_EQ(sizeFor("2.75", "1.2"), (std::array<int, 2>{5, 2}));
    settings.pixelsPerUnit = 1;
    EXPECT_EQ(sizeFor("0.2", "0.9"), (std::array<int, 2>{4, 2}));  // floors to 0: own size
}

TEST(StretchDraw, NearestPixelOnTrueColour)
{
    const Picture square{2, 2, {Red, Green, Blue, Black}};
    Surface s(6, 5, 24);
    s.setBrush(White, BrushStyle::Solid);
    s.fillRect(0, 0, 6, 5);
    // Two rows into three: the middle row's centre lies on the seam and
    // takes the lower row.
    StretchDraw(s, square, 1, 1, 4, 3);
    const std::vector<Rgb> rows[] = {
        {White, White, White, White, White, White}, {White, Red, Red, Green, Green, White},
        {White, Blue, Blue, Black, Black, White},    {White, Blue, Blue, Black, Black, White},
        {White, White, White, White, White, White}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(s.pixel(x, y), rows[y][x]) << x << "," << y;

    // Shrinking takes the source pixel under each target pixel's centre.
    const Picture row{5, 1, {Red, Green, Blue, Black, White}};
    StretchDraw(s, row, 0, 0, 2, 1);
    EXPECT_EQ(s.pixel(0, 0), Green);
    EXPECT_EQ(s.pixel(1, 0), Black);
}

TEST(StretchDraw, ClipsToTheSurfaceAndIgnoresEmptyBoxes)
{
    const Picture square{2, 2, {Red, Green, Blue, Black}};
    Surface s(3, 3, 32);
    s.setBrush(White, BrushStyle::Solid);
    s.fillRect(0, 0, 3, 3);
    StretchDraw(s, square, -2, -2, 4, 4);
    EXPECT_EQ(s.pixel(0, 0), Black);
    EXPECT_EQ(s.pixel(1, 1), Black);
    EXPECT_EQ(s.pixel(2, 0), White);
    EXPECT_EQ(s.pixel(0, 2), White);
    const Surface before = s;
    StretchDraw(s, square, 0, 0, 0, 5);
    StretchDraw(s, square, 0, 0, 5, -1);
    StretchDraw(s, square, 3, 0, 5, 5);
    EXPECT_EQ(s.colours(), before.colours());

    // A box far larger than any drawing costs only its visible part.
    const auto start = std::chrono::steady_clock::now();
    StretchDraw(s, square, -(1 << 30), -(1 << 30), 1 << 30, 1 << 30);
    EXPECT_EQ(s.colours(), before.colours());
    StretchDraw(s, square, 0, 0, 1 << 30, 1 << 30);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(s.pixel(2, 2), Red);
}

TEST(StretchDraw, TransparentPixelsLeaveTheSurfaceAlone)
{
    constexpr Rgb T = Picture::TransparentPixel;
    const Picture ring{3, 1, {T, Blue, T}, true};
    for (int depth : {4, 8, 24}) {
        Surface s(6, 1, depth);
        s.setBrush(Red, BrushStyle::Solid);
        s.fillRect(0, 0, 6, 1);
        StretchDraw(s, ring, 0, 0, 6, 1);
        EXPECT_EQ(s.colours(), (std::vector<Rgb>{Red, Red, Blue, Blue, Red, Red})) << depth;
    }
}

TEST(StretchDraw, AKeptFrameDrawsAsItsWholeScreenWould)
{
    GifLayout layout;
    layout.width = 13;
    layout.height = 9;
    layout.colours = {Red, Green, Blue, 0x123456};
    layout.frames.push_back({3, 2, 5, 4, false, {}, 1, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}});
    const Bytes file = encodeGif(layout);
    const Picture whole = DecodePicture(file, PictureKind::Gif);
    const Picture framed = DecodePicture(file, PictureKind::Gif, DecodeLimits{.frameOnly = true});
    ASSERT_TRUE(framed.frame && !whole.frame);
    // Shrunk, stretched by whole and broken factors, cut by every edge; on a
    // palette surface for the dither's anchor too.
    const std::array<std::array<int, 4>, 9> boxes{{{0, 0, 13, 9},     {-2, -1, 13, 9}, {1, 2, 26, 18},
                                                   {-5, -3, 40, 31},  {2, 1, 7, 5},    {0, 0, 3, 2},
                                                   {10, 4, 17, 100},  {-30, -20, 90, 70}, {5, 5, 1, 1}}};
    for (const int depth : {24, 8}) {
        for (const auto& [x, y, w, h] : boxes) {
            Surface expected(37, 23, depth);
            Surface drawn(37, 23, depth);
            StretchDraw(expected, whole, x, y, w, h);
            DrawPlacedPicture(drawn, framed, x, y, w, h);
            EXPECT_EQ(drawn.colours(), expected.colours()) << depth << ": " << x << ", " << y << ", " << w << ", " << h;
        }
    }
    // Taller than one band of rows.
    Surface expected(40, 300, 24);
    Surface drawn(40, 300, 24);
    StretchDraw(expected, whole, 0, -7, 40, 310);
    DrawPlacedPicture(drawn, framed, 0, -7, 40, 310);
    EXPECT_EQ(drawn.colours(), expected.colours());
}

TEST(StretchDraw, TrueColourRowsMatchPixelByPixelPlacement)
{
    std::mt19937 random(23);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int n = 0; n < 600; ++n) {
        Picture picture{between(1, 9), between(1, 7), {}, true};
        for (int i = 0; i < picture.width * picture.height; ++i) {
            picture.pixels.push_back(between(0, 3) == 0 ? Picture::TransparentPixel
                                                         : static_cast<Rgb>(between(0, 0xFFFFFF)));
        }
        // Own size, whole multiples and arbitrary sizes, across the edges.
        const int kind = n % 3;
        const int w = kind == 0 ? picture.width : kind == 1 ? picture.width * between(2, 4) : between(1, 30);
        const int h = kind == 0 ? picture.height : kind == 1 ? picture.height * between(2, 4) : between(1, 30);
        const int x = between(-12, 20), y = between(-12, 16);
        const int depth = n % 4 == 0 ? 16 : n % 4 == 1 ? 32 : 24;
        Surface placed(24, 18, depth);
        placed.setBrush(0x123456, BrushStyle::Solid);
        placed.fillRect(0, 0, 24, 18);
        Surface expected = placed;
        StretchDraw(placed, picture, x, y, w, h);
        for (int py = 0; py < h; ++py) {
            for (int px = 0; px < w; ++px) {
                const Rgb c = picture.at(static_cast<int>((2LL * px + 1) * picture.width / (2LL * w)),
                                         static_cast<int>((2LL * py + 1) * picture.height / (2LL * h)));
                if (c != Picture::TransparentPixel) expected.setPixel(x + px, y + py, c);
            }
        }
        ASSERT_EQ(placed.colours(), expected.colours())
            << picture.width << "x" << picture.height << " into " << w << "x" << h << " at " << x << "," << y
            << ", depth " << depth;
    }
}

TEST(StretchDraw, PaletteSurfacesDitherColoursTheyLack)
{
    for (int depth : {4, 8}) {
        Surface s(16, 16, depth);
        const std::set<Rgb> palette(s.palette().begin(), s.palette().end());
        // Colours of the palette come through untouched.
        StretchDraw(s, Picture{2, 1, {0x808000, 0xC0C0C0}}, 0, 0, 16, 16);
        for (int x = 0; x < 16; ++x) EXPECT_EQ(s.pixel(x, 3), x < 8 ? 0x808000u : 0xC0C0C0u);

        // A dark grey that neither palette holds becomes a pattern of palette
        // colours whose average is close to it.
        const Rgb grey = 0x3A3A3A;
        ASSERT_FALSE(palette.count(grey));
        StretchDraw(s, Picture{1, 1, {grey}}, 0, 0, 16, 16);
        long long sum = 0;
        std::set<Rgb> used;
        for (Rgb c : s.colours()) {
            EXPECT_TRUE(palette.count(c)) << std::hex << c;
            used.insert(c);
            sum += greenOf(c);
        }
        EXPECT_GE(used.size(), 2u) << depth;
        EXPECT_NEAR(static_cast<double>(sum) / 256, 0x3A, 12) << depth;
        // The pattern is tied to the surface, not to the picture's corner.
        Surface shifted(16, 16, depth);
        StretchDraw(shifted, Picture{1, 1, {grey}}, 3, 5, 13, 11);
        EXPECT_EQ(shifted.pixel(7, 9), s.pixel(7, 9));
    }
}

TEST_F(PictureTest, ChangedFilesAreReadAgain)
{
    writeSquare("p.bmp");
    EXPECT_EQ(place(0, 0, "\"p.bmp\""), "");
    EXPECT_EQ(canvas.pixel(0, 0), Red);
    const auto time = fs::last_write_time(folder / "p.bmp");
    write("p.bmp", EncodeBmp(pictureSurface(2, 2, {Blue, Blue, Blue, Blue})));
    fs::last_write_time(folder / "p.bmp", time);  // same size and time, new file
    EXPECT_EQ(place(0, 0, "\"p.bmp\""), "");
    EXPECT_EQ(canvas.pixel(0, 0), Blue);
    // A file that went bad since it was last read is refused, not remembered.
    write("p.bmp", {'B', 'M', 0});
    EXPECT_EQ(place(0, 0, "\"p.bmp\""), fileMessage(334, folder / "p.bmp", 335));
}

class TestHost : public Host {
public:
    std::string folder;
    std::string script;
    int depth = 24;
    bool layerShown(int layer) const override { return layer != 9; }
    int viewWidth() const override { return 50; }
    int viewHeight() const override { return 40; }
    int colourDepth() const override { return depth; }
    std::string programFolder() const override { return folder; }
    std::string currentScriptFile() const override { return script; }
    int languageBase() const override { return EnglishBase; }
};

TEST_F(PictureTest, PictureCommandPlacesAtShiftedPixels)
{
    writeSquare("scripts/sq.bmp");
    TestHost host;
    host.folder = folder.string();
    host.script = (folder / "scripts/main.krs").string();
    Interpreter interp(host);
    RunReport r = interp.RunScript(SplitLines("PixelsPerUnit = 2\nShiftX = 1.5\n"
                                              "Picture 2, 3.4, \"sq.bmp\", 3\n"));
    ASSERT_TRUE(r.valid) << r.message;
    // x = floor(3) + floor(4), y = floor(6.8); 6 pixels wide, own height 2.
    EXPECT_EQ(interp.canvas().pixel(7, 6), Red);
    EXPECT_EQ(interp.canvas().pixel(9, 6), Red);
    EXPECT_EQ(interp.canvas().pixel(10, 7), Black);
    EXPECT_EQ(interp.canvas().pixel(12, 6), Green);
    EXPECT_EQ(interp.canvas().pixel(13, 7), White);

    r = interp.RunScript(SplitLines("Picture 1, 1, \"none.gif\""));
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.message, fileMessage(328, folder / "scripts/none.gif", 329));
    r = interp.RunScript(SplitLines("Picture 1, 1, \"sq.bmp\", 1, 1, 1"));
    EXPECT_EQ(r.message, T(270));
    // A hidden layer skips the command with its checks.
    r = interp.RunScript(SplitLines("Layer 9\nPicture 1, 1, \"none.gif\""));
    EXPECT_TRUE(r.valid) << r.message;
}

}  // namespace
}  // namespace kresbon
