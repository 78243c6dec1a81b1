// Times vector output against the PNG save of the same drawing, and the
// traced outline of a whole-canvas hatched fill.
//
//   vector_bench LINES.krs FOLDER
//
// Runs the script once with its shapes recorded, then writes it as PNG, SVG,
// PDF and DXF five times each into FOLDER and prints, per format, the median
// processor time in seconds, the file's size and its bytes a line. Then draws a
// 2000x2000 drawing hatched all over and prints the median time of writing
// it as SVG, PDF and DXF, tracing included.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cpu_clock.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "vector/save_as.h"

namespace {

using namespace kresbon;
using kresbon::bench::ProcessorSeconds;
namespace fs = std::filesystem;

class BenchHost : public Host {
public:
    bool layerShown(int) const override { return true; }
    int viewWidth() const override { return 800; }
    int viewHeight() const override { return 600; }
    int colourDepth() const override { return 24; }
    std::string programFolder() const override { return "."; }
    std::string currentScriptFile() const override { return ""; }
    int languageBase() const override { return EnglishBase; }
};

double MedianSeconds(const std::function<void()>& job)
{
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const double start = ProcessorSeconds();
        job();
        times.push_back(ProcessorSeconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

long CountLines(const ScriptLines& lines)
{
    long n = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].starts_with("Line")) ++n;
    return n;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vector_bench LINES.krs FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[2];
    BenchHost host;
    Interpreter interpreter(host);
    interpreter.setShapeRecording(true);
    const ScriptLines lines = DecodeScript(ReadFileBytes(argv[1])).lines;
    interpreter.RunScript(lines);
    const long count = CountLines(lines);
    for (const char* ext : {"png", "svg", "pdf", "dxf"}) {
        const std::string path = (folder / (std::string("vector_lines.") + ext)).string();
        const double t = MedianSeconds(
            [&] { SaveDrawingAs(interpreter.canvas(), interpreter.shapeRecord(), path, {1.0, EnglishBase}); });
        const auto size = fs::file_size(path);
        std::printf("%s %.3f %ju %.1f\n", ext, t, static_cast<std::uintmax_t>(size),
                    static_cast<double>(size) / static_cast<double>(count));
    }

    Interpreter hatched(host);
    hatched.setShapeRecording(true);
    hatched.RunScript(SplitLines("MaximumX = 2000\nMaximumY = 2000\nFillArea 1000, 1000, DiagCross, Red\n"));
    for (const char* ext : {"svg", "pdf", "dxf"}) {
        const std::string path = (folder / (std::string("vector_hatch.") + ext)).string();
        const double t =
            MedianSeconds([&] { SaveDrawingAs(hatched.canvas(), hatched.shapeRecord(), path, {1.0, EnglishBase}); });
        std::printf("hatch-%s %.3f %ju\n", ext, t, static_cast<std::uintmax_t>(fs::file_size(path)));
    }
    return 0;
}
