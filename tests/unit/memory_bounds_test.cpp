// Memory that a few crafted bytes can make a run take is bounded by the work.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/texts.h"
#include "picture_encoders.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KRESBON_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KRESBON_ADDRESS_SANITIZER 1
#endif

namespace kresbon {
namespace {

long statusKiB(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string name;
    long value = -1;
    while (in >> name) {
        if (name == field) {
            in >> value;
            return value;
        }
        in.ignore(1 << 12, '\n');
    }
    return value;
}

struct Outcome {
    long peakMiB = -1;  // resident memory the body added at its peak
    bool asExpected = false;
};

// Runs body in a child process, whose peak memory is its own. Outside
// sanitizer builds the child's address space is capped too, capMiB above
// what it holds, so that a fault fails fast instead of taking the
// machine's memory.
Outcome RunMeasured(const std::function<bool()>& body, long capMiB = 1L << 10)
{
    int channel[2];
    if (::pipe(channel) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
#ifndef KRESBON_ADDRESS_SANITIZER
        const rlim_t cap = static_cast<rlim_t>(statusKiB("VmSize:") + capMiB * 1024) * 1024;
        const rlimit limit{cap, cap};
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        Outcome outcome;
        const long before = statusKiB("VmRSS:");
        try {
            outcome.asExpected = body();
        } catch (...) {
        }
        outcome.peakMiB = (statusKiB("VmHWM:") - before) / 1024;
        (void)!::write(channel[1], &outcome, sizeof outcome);
        ::_exit(0);
    }
    ::close(channel[1]);
    Outcome outcome;
    if (::read(channel[0], &outcome, sizeof outcome) != sizeof outcome) outcome = {};
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return outcome;
}

class QuietHost : public Host {
public:
    explicit QuietHost(int depth = 24) : depth_(depth) {}
    bool layerShown(int) const override { return true; }
    int viewWidth() const override { return 110; }
    int viewHeight() const override { return 60; }
    int colourDepth() const override { return depth_; }
    std::string programFolder() const override { return "/nonexistent"; }
    std::string currentScriptFile() const override { return {}; }
    int languageBase() const override { return EnglishBase; }

private:
    int depth_;
};

std::string repeated(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

RunReport RunScriptText(const std::string& script, int depth = 24)
{
    QuietHost host(depth);
    Interpreter interpreter(host);
    return interpreter.RunScript(SplitLines(script));
}

// Places a PNG file in a 10 x 10 box at (2, 3) in a measured run; as
// expected when the run is valid and drawn approves its drawing.
Outcome PlaceMeasured(const test_pictures::Bytes& png, const std::function<bool(const Surface&)>& drawn)
{
    const std::string path = ::testing::TempDir() + "kresbon_placed_" + std::to_string(::getpid()) + ".png";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    const Outcome outcome = RunMeasured([&] {
        QuietHost host;
        Interpreter interpreter(host);
        const RunReport report = interpreter.RunScript(SplitLines("Picture 2, 3, \"" + path + "\", 10, 10"));
        return report.valid && drawn(interpreter.canvas());
    });
    std::remove(path.c_str());
    return outcome;
}

TEST(MemoryBounds, SubstitutionStopsAtTheLineLimitBeforeBuildingTheLine)
{
    // 100,000 uses of a parameter and a 40,000-character argument would make
    // a line of 4 GB.
    const std::string script =
        "Procedure P #a\nPoint " + repeated("#a", 100'000) + "\nEnd\nP " + std::string(40'000, 'x');
    const Outcome outcome = RunMeasured([&] {
        const RunReport report = RunScriptText(script);
        return !report.valid && report.message == Text(EnglishBase, 362) + "\"P\"" + Text(EnglishBase, 363);
    });
    EXPECT_TRUE(outcome.asExpected);
    EXPECT_GE(outcome.peakMiB, 0);
    EXPECT_LT(outcome.peakMiB, 48);
}

TEST(MemoryBounds, ANewDrawingReplacesTheOldOneInsteadOfJoiningIt)
{
#ifdef KRESBON_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine";
#endif
    // The drawing is 46 MiB at 24 bits; holding the old one while making the
    // new would double that.
    const Outcome outcome = RunMeasured([] {
        const RunReport report = RunScriptText("MaximumX = 4000\nMaximumY = 4000\nBackgroundColor = Red");
        return report.valid;
    });
    EXPECT_TRUE(outcome.asExpected);
    EXPECT_GT(outcome.peakMiB, 40);
    EXPECT_LT(outcome.peakMiB, 70);
}

TEST(MemoryBounds, ADrawingTakesTheMemoryOfItsDepth)
{
#ifdef KRESBON_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine";
#endif
    // 6000 x 4000 pixels, filled and drawn over so that every page is taken.
    const std::string script =
        "MaximumX = 6000\nMaximumY = 4000\nBackgroundColor = Yellow\nLine 0, 0, 6000, 4000\n"
        "FillArea 10, 3000, Cross, Blue";
    for (const int depth : {4, 8, 16, 24, 32}) {
        const Outcome outcome = RunMeasured([&] { return RunScriptText(script, depth).valid; });
        const long drawingMiB = 6000L * 4000 * depth / 8 / (1 << 20);
        EXPECT_TRUE(outcome.asExpected) << depth;
        EXPECT_GE(outcome.peakMiB, drawingMiB * 9 / 10) << depth;
        EXPECT_LE(outcome.peakMiB, drawingMiB * 11 / 10 + 8) << depth;
    }
}

TEST(MemoryBounds, ALargePngPlacedInASmallBoxTakesAFewRows)
{
#ifdef KRESBON_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine";
#endif
    // 8000 x 8000 pixels of one bit in a file of 30 KB: decoded whole, 244 MiB.
    test_pictures::PngLayout layout{8000, 8000, PNG_COLOR_TYPE_GRAY, 1};
    layout.samples.assign(1000u * 8000u, 0);
    const test_pictures::Bytes bytes = test_pictures::encodePng(layout);
    layout.samples = {};
    const Outcome outcome = PlaceMeasured(bytes, [](const Surface& drawn) {
        return drawn.pixel(2, 3) == 0 && drawn.pixel(11, 12) == 0 && drawn.pixel(12, 13) == 0xFFFFFF;
    });
    EXPECT_TRUE(outcome.asExpected);
    EXPECT_LT(outcome.peakMiB, 24);
}

TEST(MemoryBounds, AnInterlacedPngIsHeldOnceAtEightBitsAChannel)
{
#ifdef KRESBON_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine";
#endif
    // 3000 x 3000 pixels of 16-bit RGBA: 34 MiB at four bytes a pixel, twice
    // that again as the file's samples.
    test_pictures::PngLayout layout{3000, 3000, PNG_COLOR_TYPE_RGB_ALPHA, 16, true};
    layout.samples.assign(3000u * 3000u * 8u, 0x80);
    layout.quick = true;
    const test_pictures::Bytes bytes = test_pictures::encodePng(layout);
    layout.samples = {};
    const Outcome outcome = PlaceMeasured(bytes, [](const Surface& drawn) { return drawn.pixel(2, 3) == 0x808080; });
    EXPECT_TRUE(outcome.asExpected);
    EXPECT_LT(outcome.peakMiB, 50);
}

TEST(MemoryBounds, TheLineIndexTakesLessThanTheText)
{
    // 64 MiB of empty lines: the index of a script's lines costs a fraction
    // of the text however short the lines are.
    const Outcome outcome = RunMeasured([] {
        const ScriptLines lines = SplitLines(std::string(64 << 20, '\n'));
        return lines.size() == (64u << 20) && lines[(64u << 20) - 1].empty();
    });
    EXPECT_TRUE(outcome.asExpected);
    EXPECT_GE(outcome.peakMiB, 60);
    EXPECT_LT(outcome.peakMiB, 96);
}

TEST(MemoryBounds, ADrawingThatCannotBeMadeLeavesTheOldOneWhole)
{
#ifdef KRESBON_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer cannot run with a capped address space";
#endif
    // 10000 x 10000 pixels at 32 bits do not fit in 200 MiB; the drawing
    // made before stays, with its scale, size and pixels.
    for (const std::string& refused : {"PixelsPerUnit = 100", "MaximumX = 1000000"}) {
        const Outcome outcome = RunMeasured(
            [&] {
                QuietHost host(32);
                Interpreter interpreter(host);
                const RunReport report = interpreter.RunScript(
                    SplitLines("MaximumX = 100\nMaximumY = 100\nPoint 5, 5, Red\n" + refused));
                const Surface& drawing = interpreter.canvas();
                return !report.valid && report.message.starts_with(Text(EnglishBase, TextId::DrawingTooLargeHead)) &&
                       drawing.width() == 100 && drawing.height() == 100 && drawing.pixel(5, 5) == 0xFF0000 &&
                       drawing.pixel(6, 5) == 0xFFFFFF && interpreter.state().pixelsPerUnit == 1 &&
                       interpreter.state().maximumX == 100;
            },
            200);
        EXPECT_TRUE(outcome.asExpected) << refused;
    }
    // Two drawings of 153 and 172 MiB do not fit in 200 MiB together; the
    // second is made from the memory of the first.
    const Outcome outcome = RunMeasured(
        [] {
            QuietHost host(32);
            Interpreter interpreter(host);
            const RunReport report =
                interpreter.RunScript(SplitLines("MaximumX = 8000\nMaximumY = 5000\nMaximumX = 9000\nPoint 8999, 4999"));
            return report.valid && interpreter.canvas().width() == 9000 && interpreter.canvas().pixel(8998, 4999) == 0xFFFFFF;
        },
        200);
    EXPECT_TRUE(outcome.asExpected);
}

}  // namespace
}  // namespace kresbon
