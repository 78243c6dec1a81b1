// Renders a script's SVG and PDF back to pixels at the drawing's own size and
// compares their ink with the screen's; audits the DXF with ezdxf.
//
//   kresbon_vector_match CASE.krs CHECK.py
//
// The case's first line may hold "% unit-mm: X". Prints the figures and
// exits 1 when less than 98% of either side's ink lies within one pixel of
// the other's, or a file does not read back cleanly.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/picture.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "vector/save_as.h"

namespace {

using namespace kresbon;
namespace fs = std::filesystem;

class CaseHost : public Host {
public:
    explicit CaseHost(std::string script) : script_(std::move(script)) {}
    // Layer 9 is hidden: what a case draws there must stay out of every file.
    bool layerShown(int layer) const override { return layer >= 1 && layer <= 8; }
    int viewWidth() const override { return 800; }
    int viewHeight() const override { return 600; }
    int colourDepth() const override { return 24; }
    std::string programFolder() const override { return fs::path(script_).parent_path().string(); }
    std::string currentScriptFile() const override { return script_; }
    int languageBase() const override { return EnglishBase; }

private:
    std::string script_;
};

// A pixel is ink when it differs clearly from the background: edge pixels a
// renderer blends with the background by less than a quarter do not count.
bool IsInk(Rgb pixel, Rgb background)
{
    const int d = std::max({std::abs(redOf(pixel) - redOf(background)), std::abs(greenOf(pixel) - greenOf(background)),
                            std::abs(blueOf(pixel) - blueOf(background))});
    return d > 64;
}

using InkMap = std::vector<bool>;

InkMap InkOf(int width, int height, auto pixelAt, Rgb background)
{
    InkMap ink(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ink[static_cast<std::size_t>(y) * width + x] = IsInk(pixelAt(x, y), background);
    return ink;
}

// The share of a's ink that has b's ink within one pixel, in percent
// (100 when a has none).
double Covered(const InkMap& a, const InkMap& b, int width, int height, long& count)
{
    long inked = 0, near = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!a[static_cast<std::size_t>(y) * width + x]) continue;
            ++inked;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    found = nx >= 0 && ny >= 0 && nx < width && ny < height &&
                            b[static_cast<std::size_t>(ny) * width + nx];
                }
            near += found;
        }
    }
    count = inked;
    return inked == 0 ? 100.0 : 100.0 * near / inked;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: kresbon_vector_match CASE.krs CHECK.py\n";
        return 2;
    }
    const fs::path script = fs::absolute(argv[1]);
    const std::string bytes = ReadFileBytes(script.string());
    double unitMm = 1;
    if (const auto at = bytes.find("% unit-mm:"); at != std::string::npos) unitMm = std::atof(bytes.c_str() + at + 10);

    CaseHost host(script.string());
    Interpreter interpreter(host);
    interpreter.setShapeRecording(true);
    const RunReport report = interpreter.RunScript(DecodeScript(std::string(bytes)).lines);
    if (!report.valid) {
        std::cerr << "script error: " << report.message << '\n';
        return 1;
    }
    const Surface& canvas = interpreter.canvas();
    const DrawingRecord& record = *interpreter.shapeRecord();
    const int width = canvas.width(), height = canvas.height();

    const fs::path folder = fs::temp_directory_path() / ("kresbon-vector-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    struct Cleanup {
        fs::path path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup{folder};
    const std::string name = script.stem().string();
    for (const char* ext : {".svg", ".pdf", ".dxf"})
        SaveDrawingAs(canvas, &record, (folder / (name + ext)).string(), {unitMm, EnglishBase});

    bool ok = true;
    // Both renderers must read their file without a word on standard error.
    const fs::path warnings = folder / "warnings.txt";
    if (Run("rsvg-convert -w " + std::to_string(width) + " -h " + std::to_string(height) + " -o " +
            Quoted(folder / "svg.png") + " " + Quoted(folder / (name + ".svg")) + " 2>" + Quoted(warnings)) != 0 ||
        Run("pdftoppm -png -singlefile -scale-to-x " + std::to_string(width) + " -scale-to-y " +
            std::to_string(height) + " " + Quoted(folder / (name + ".pdf")) + " " + Quoted(folder / "pdf") +
            " 2>>" + Quoted(warnings)) != 0 ||
        fs::file_size(warnings) != 0) {
        std::cerr << "rendering back failed or warned:\n";
        std::ifstream in(warnings);
        std::cerr << in.rdbuf();
        return 1;
    }

    std::vector<Rgb> screen = canvas.colours();
    const Rgb background = record.background();
    const InkMap screenInk = InkOf(width, height, [&](int x, int y) { return screen[y * width + x]; }, background);
    for (const char* format : {"svg", "pdf"}) {
        const std::vector<std::uint8_t> png = ReadAll(folder / (std::string(format) + ".png"));
        const Picture back = DecodePicture(png, PictureKind::Png);
        if (back.width != width || back.height != height) {
            std::cerr << format << ": rendered " << back.width << "x" << back.height << ", drawing " << width << "x"
                      << height << '\n';
            ok = false;
            continue;
        }
        const InkMap vectorInk = InkOf(width, height, [&](int x, int y) { return back.at(x, y); }, background);
        long screenCount = 0, vectorCount = 0;
        const double toVector = Covered(screenInk, vectorInk, width, height, screenCount);
        const double toScreen = Covered(vectorInk, screenInk, width, height, vectorCount);
        std::printf("%-10s %s: screen ink near vector ink %6.2f%% (%ld px), vector ink near screen ink %6.2f%% (%ld px)\n",
                    name.c_str(), format, toVector, screenCount, toScreen, vectorCount);
        if (toVector < 98 || toScreen < 98) ok = false;
        if (std::getenv("KRESBON_KEEP_VECTOR")) fs::copy_file(folder / (std::string(format) + ".png"),
                                                             fs::path(std::getenv("KRESBON_KEEP_VECTOR")) / (name + "_" + format + ".png"),
                                                             fs::copy_options::overwrite_existing);
    }

    // The layers that drew, for the check of the SVG and DXF names.
    std::string layers;
    for (const DrawingRecord::Layer& layer : record.layers()) layers += std::to_string(layer.number) + ",";
    if (!layers.empty()) layers.pop_back();
    std::ostringstream mm;
    mm << width * unitMm / record.pixelsPerUnit() << ' ' << height * unitMm / record.pixelsPerUnit();
    if (Run("/usr/bin/python3 " + Quoted(argv[2]) + " " + Quoted(folder / name) + " '" + mm.str() + "' '" + layers +
            "'") != 0)
        ok = false;
    return ok ? 0 : 1;
}
