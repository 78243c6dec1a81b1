// Times which line drew a pixel, what a line drew and the step mode, on the
// demo and on a 100,000-line script; with "memory off|on SCRIPT" it runs a
// script once (off) or also asks a pixel and a line's ink (on) and prints
// the peak resident memory in MB, to be compared between the two.
#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "interpreter/line_bond.h"
#include "interpreter/script_text.h"
#include "platform/texts.h"

namespace {

using namespace kresbon;

class BenchHost : public Host {
public:
    std::string script;
    int depth = 4;
    bool layerShown(int) const override { return true; }
    int viewWidth() const override { return 800; }
    int viewHeight() const override { return 600; }
    int colourDepth() const override { return depth; }
    std::string programFolder() const override { return "."; }
    std::string currentScriptFile() const override { return script; }
    int languageBase() const override { return EnglishBase; }
};

// Processor time of the whole process, every thread: the machine is shared,
// and wall time there measures the neighbours more than the job.
double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double seconds(const std::function<void()>& job)
{
    const double start = cpuNow();
    job();
    return cpuNow() - start;
}

double medianMs(std::vector<double> s)
{
    std::sort(s.begin(), s.end());
    return s[s.size() / 2] * 1000;
}

// 100,000 lines on a 2000x2000 drawing: lines, circles, rectangles, fills and
// a procedure call now and then.
ScriptLines longScript()
{
    std::mt19937 random(2026);
    const auto c = [&](int limit) { return std::to_string(std::uniform_int_distribution<int>(0, limit)(random)); };
    ScriptLines lines;
    lines.push_back("MaximumX = 2000");
    lines.push_back("MaximumY = 2000");
    lines.push_back("Procedure Hole #x, #y");
    lines.push_back("Circle #x, #y, 8, Solid, 1, Red");
    lines.push_back("Line #x-10, #y, #x+10, #y, DashDot, 1, Blue");
    lines.push_back("End");
    while (lines.size() < 100'000) {
        switch (lines.size() % 10) {
        case 0: lines.push_back("Hole " + c(2000) + ", " + c(2000)); break;
        case 1: lines.push_back("Circle " + c(2000) + ", " + c(2000) + ", " + c(100) + ", Solid, 1, Green"); break;
        case 2: lines.push_back("Rectangle " + c(2000) + ", " + c(2000) + ", " + c(2000) + ", " + c(2000)); break;
        case 3: lines.push_back("% a comment"); break;
        default:
            lines.push_back("Line " + c(2000) + ", " + c(2000) + ", " + c(2000) + ", " + c(2000) + ", Solid, 1, Black");
            break;
        }
    }
    return lines;
}

ScriptLines readScript(const std::string& path)
{
    return DecodeScript(ReadFileBytes(path)).lines;
}

long peakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void timeScript(const char* name, BenchHost& host, const ScriptLines& lines, int inkLine, int steps)
{
    Interpreter interpreter(host);
    interpreter.RunScript(lines);
    RunReport report;
    const double run = seconds([&] { report = interpreter.RunScript(lines); });
    if (!report.valid) std::printf("%s: %s\n", name, report.Text(EnglishBase).c_str());
    const Surface& shown = interpreter.canvas();
    std::vector<double> which;
    std::mt19937 random(7);
    for (int i = 0; i < 7; ++i) {
        const int x = static_cast<int>(random() % shown.width());
        const int y = static_cast<int>(random() % shown.height());
        which.push_back(seconds([&] {
            if (FindPixelSource(host, lines, shown, x, y).status != BondStatus::Answered) std::printf("not answered\n");
        }));
    }
    std::printf("%s: (%d, %d) %s\n", name, shown.width() / 2, shown.height() / 2,
                DescribePixelSource(FindPixelSource(host, lines, shown, shown.width() / 2, shown.height() / 2), EnglishBase)
                        .c_str());
    std::vector<double> ink;
    for (int i = 0; i < 5; ++i) ink.push_back(seconds([&] { FindLineInk(host, lines, shown, inkLine); }));

    // Steps near the end of the script: to a line, then forward and back.
    DrawingStepper stepper(host, lines);
    const double through = seconds([&] { stepper.runThrough(static_cast<int>(lines.size()) - 3 * steps); });
    std::vector<double> forward, back;
    for (int i = 0; i < steps; ++i) forward.push_back(seconds([&] { stepper.next(); }));
    for (int i = 0; i < steps; ++i) back.push_back(seconds([&] { stepper.previous(); }));
    std::printf("%s: run %.1f ms; which line %.1f ms; ink of line %d %.1f ms; draw up to line %d %.1f ms; "
                "step forward %.2f ms, step back %.2f ms (medians of processor time)\n",
                name, run * 1000, medianMs(which), inkLine + 1, medianMs(ink),
                static_cast<int>(lines.size()) - 3 * steps + 1, through * 1000, medianMs(forward), medianMs(back));
}

}  // namespace

int main(int argc, char** argv)
{
    BenchHost host;
    if (argc == 4 && std::strcmp(argv[1], "memory") == 0) {
        const ScriptLines lines = readScript(argv[3]);
        host.script = argv[3];
        Interpreter interpreter(host);
        interpreter.RunScript(lines);
        if (std::strcmp(argv[2], "on") == 0) {
            FindPixelSource(host, lines, interpreter.canvas(), 10, 10);
            FindLineInk(host, lines, interpreter.canvas(), static_cast<int>(lines.size()) - 1);
        }
        std::printf("%ld\n", peakMb());
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: line_bond_bench DEMO.krs | memory off|on SCRIPT\n");
        return 2;
    }
    host.script = argv[1];
    timeScript("demo", host, readScript(argv[1]), 30, 7);
    timeScript("100,000 lines, 2000x2000, 4 bits", host, longScript(), 99'990, 7);
}
