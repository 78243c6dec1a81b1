// A stop ends a run within a small fraction of a second wherever it comes,
// also in the middle of one long command, and the drawing keeps what the
// command drew until then.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/texts.h"
#include "picture_encoders.h"

namespace kresbon {
namespace {

using Clock = std::chrono::steady_clock;

class BigHost : public Host {
public:
    int width = 2010;
    int height = 2010;
    int depth = 4;
    std::string folder = "/nonexistent";

    bool layerShown(int) const override { return true; }
    int viewWidth() const override { return width; }
    int viewHeight() const override { return height; }
    int colourDepth() const override { return depth; }
    std::string programFolder() const override { return folder; }
    std::string currentScriptFile() const override { return {}; }
    int languageBase() const override { return EnglishBase; }
};

// A stop comes well into the command, long before it could end by itself.
constexpr auto StopAfter = std::chrono::milliseconds(50);
// A stop is meant to take effect within 100 ms; this leaves room for a
// loaded machine.
constexpr auto Bound = std::chrono::milliseconds(300);

class StopTest : public ::testing::Test {
protected:
    BigHost host;
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kresbon_stop_" + std::to_string(::getpid()));

    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Runs setup, a point and then command; stops the run StopAfter into
    // the command and expects it to end stopped within Bound of the stop,
    // the point kept.
    void expectStopsQuickly(const std::string& name, const std::string& command, const std::string& setup = {})
    {
        host.folder = dir.string();
        Interpreter interp(host);
        RunControl control;
        interp.setRunControl(&control);
        const std::string script = setup + "Point 0, 0, Blue\n" + command;
        const int commandLine = static_cast<int>(std::count(script.begin(), script.end(), '\n')) + 1;
        std::atomic<bool> ended{false};
        Clock::time_point stoppedAt{};
        std::thread stopper([&] {
            while (control.line.load() < commandLine && !ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(StopAfter);
            stoppedAt = Clock::now();
            control.cancel = true;
        });
        const RunReport report = interp.RunScript(SplitLines(script));
        const Clock::time_point endedAt = Clock::now();
        ended = true;
        stopper.join();
        EXPECT_EQ(report.message, Text(EnglishBase, 531)) << name << " ended before the stop";
        const auto late = std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - stoppedAt);
        std::printf("%s: ended %lld ms after the stop\n", name.c_str(), static_cast<long long>(late.count()));
        EXPECT_LT(late, Bound) << name;
        EXPECT_NE(interp.canvas().pixel(0, 0), 0xFFFFFFu) << name << " lost what was drawn";
    }

    void writeFile(const std::string& name, const test_pictures::Bytes& bytes)
    {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(StopTest, WidePensAndFills)
{
    host.width = host.height = 12010;
    expectStopsQuickly("ring", "Circle 6000, 6000, 38000, Solid, 65536, Red");
    expectStopsQuickly("fill", "Rectangle 1, 1, 11990, 11990, Solid, 1, Red\nFillArea 5, 5, DiagCross, Blue");
}

// A drawing of one row 400 million pixels long.
TEST_F(StopTest, LongLines)
{
    host.width = host.height = 20;
    const std::string setup = "MaximumY = 1\nMaximumX = 400000000\n";
    expectStopsQuickly("long line", "Line 0, 0, 399999999, 0, Dot, 1, Red", setup);
    expectStopsQuickly("dimension line", "DimLine 0, 0, Outer, 399999999, 0, Outer, DashDot, 1, Red, 30, 100", setup);
}

TEST_F(StopTest, LongTexts)
{
    std::string text;
    for (int c = 33; c < 127; ++c) text += c == '"' ? ' ' : static_cast<char>(c);
    expectStopsQuickly("text", "Text 0, 0, \"" + text + "\", 0, 0, 0, 0, DefaultFontName, Red, 3000, 45");
}

TEST_F(StopTest, Pictures)
{
    test_pictures::PngLayout layout;
    layout.width = 8000;
    layout.height = 8000;
    layout.colourType = PNG_COLOR_TYPE_RGB;
    layout.quick = true;
    layout.samples.assign(std::size_t{8000} * 8000 * 3, 0x40);
    writeFile("plain.png", test_pictures::encodePng(layout));
    expectStopsQuickly("picture", "Picture 0, 0, \"plain.png\", 2000, 2000");
    layout.width = layout.height = 4000;
    layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.bitDepth = 16;
    layout.interlaced = true;
    layout.samples.assign(std::size_t{4000} * 4000 * 8, 0x40);
    writeFile("interlaced.png", test_pictures::encodePng(layout));
    expectStopsQuickly("interlaced picture", "Picture 0, 0, \"interlaced.png\", 2000, 2000");
}

}  // namespace
}  // namespace kresbon
