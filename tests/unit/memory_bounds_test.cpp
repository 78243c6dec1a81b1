// Memory that a few crafted bytes can make a run take is bounded by the work.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/texts.h"

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
// sanitizer builds the child's address space is capped too, so that a
// fault fails fast instead of taking the machine's memory.
Outcome RunMeasured(const std::function<bool()>& body)
{
    int channel[2];
    if (::pipe(channel) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
#ifndef KRESBON_ADDRESS_SANITIZER
        const rlim_t cap = static_cast<rlim_t>(statusKiB("VmSize:") + (1L << 20)) * 1024;
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

}  // namespace
}  // namespace kresbon
