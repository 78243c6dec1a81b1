// Times saving a 4000x3000 drawing at 24 bits as JPEG (quality 100), BMP and
// GIF: the median of five saves of each, in seconds of wall and processor
// time and in MB/s of 24-bit pixels (36 MB).
//
//   save_bench [FOLDER]     saves into FOLDER (default: a fresh temporary one)
//   save_bench --ppm FILE   writes the same pixels as a binary PPM and stops,
//                           for timing other encoders on identical input

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "cpu_clock.h"
#include "platform/surface.h"
#include "platform/texts.h"
#include "render/save_drawing.h"

namespace {

using namespace kresbon;
using kresbon::bench::ProcessorSeconds;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr double kPixelMegabytes = kWidth * kHeight * 3 / 1e6;

// A technical drawing of the usual kind: a white sheet with a grid of parts,
// each outlined, hatched and dimensioned in several colours and pens, plus a
// placed photograph-like area of smooth gradients with some grain.
Surface makeDrawing()
{
    Surface s(kWidth, kHeight, 24);
    s.setBrush(0xFFFFFF, BrushStyle::Solid);
    s.fillRect(0, 0, kWidth, kHeight);
    const Rgb colours[] = {0x000000, 0x000080, 0x800000, 0x008000, 0xFF0000, 0x808080, 0x008080, 0x800080};
    int n = 0;
    for (int y = 40; y + 360 < kHeight; y += 400) {
        for (int x = 40; x + 460 < kWidth * 2 / 3; x += 500, ++n) {
            const Rgb ink = colours[n % 8];
            s.setPen(ink, 1 + n % 3, PenStyle::Solid);
            s.setBrush(colours[(n + 3) % 8], static_cast<BrushStyle>(2 + n % 6));
            s.rectangle(x, y, x + 440, y + 300);
            s.setBrush(0xC0C0C0, BrushStyle::Solid);
            s.ellipse(x + 150, y + 80, x + 290, y + 220);
            s.setPen(colours[(n + 5) % 8], 1, static_cast<PenStyle>(n % 5));
            for (int i = 0; i < 12; ++i) {
                s.moveTo(x, y + 320 + (i % 3) * 10);
                s.lineTo(x + 440, y + 320 + (i % 3) * 10 + i);
            }
        }
    }
    std::uint32_t grain = 1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = kWidth * 2 / 3 + 40; x < kWidth - 40; ++x) {
            grain = grain * 1664525u + 1013904223u;
            const int noise = static_cast<int>(grain >> 29) - 4;
            const double u = static_cast<double>(x) / kWidth;
            const double v = static_cast<double>(y) / kHeight;
            s.setPixel(x, y,
                       makeRgb(std::clamp(static_cast<int>(255 * u) + noise, 0, 255),
                               std::clamp(static_cast<int>(127 + 120 * std::sin(7 * v + 3 * u)) + noise, 0, 255),
                               std::clamp(static_cast<int>(255 * (1 - v)) + noise, 0, 255)));
        }
    }
    return s;
}

std::vector<Rgb> rowOf(const Surface& s, int y)
{
    std::vector<Rgb> row(static_cast<std::size_t>(s.width()));
    s.readRow(y, row);
    return row;
}

void writePpm(const Surface& s, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << s.width() << ' ' << s.height() << "\n255\n";
    std::vector<char> row(static_cast<std::size_t>(s.width()) * 3);
    for (int y = 0; y < s.height(); ++y) {
        const std::vector<Rgb> pixel = rowOf(s, y);
        for (int x = 0; x < s.width(); ++x) {
            row[3 * x] = static_cast<char>(redOf(pixel[x]));
            row[3 * x + 1] = static_cast<char>(greenOf(pixel[x]));
            row[3 * x + 2] = static_cast<char>(blueOf(pixel[x]));
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
}

struct Timing {
    double wall;
    double cpu;
};


// Medians of five runs: wall time, and processor time, which other work on
// a busy machine disturbs less.
Timing medianTiming(const std::function<void()>& work)
{
    std::vector<double> wall, cpu;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ProcessorSeconds();
        work();
        cpu.push_back(ProcessorSeconds() - cpuStart);
        wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return Timing{wall[2], cpu[2]};
}

void timeSave(const Surface& drawing, const std::string& label, const std::filesystem::path& file)
{
    const Timing t = medianTiming([&] { SaveDrawingToFile(drawing, file.string(), EnglishBase); });
    std::printf("%-5s %.3f s  %6.1f MB/s   cpu %.3f s  %6.1f MB/s   file %.1f MB\n", label.c_str(), t.wall,
                kPixelMegabytes / t.wall, t.cpu, kPixelMegabytes / t.cpu,
                static_cast<double>(std::filesystem::file_size(file)) / 1e6);
}

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const Surface drawing = makeDrawing();
    if (argc == 3 && std::string(argv[1]) == "--ppm") {
        writePpm(drawing, argv[2]);
        return 0;
    }
    const bool ownFolder = argc < 2;
    const fs::path folder = ownFolder
                                ? fs::temp_directory_path() / ("kresbon-save-bench-" + std::to_string(::getpid()))
                                : fs::path(argv[1]);
    fs::create_directories(folder);

    std::printf("saving a %dx%d drawing at 24 bits, median of 5 (MB/s of %.0f MB of pixels)\n", kWidth, kHeight,
                kPixelMegabytes);
    timeSave(drawing, "JPEG", folder / "drawing.jpg");
    timeSave(drawing, "BMP", folder / "drawing.bmp");
    timeSave(drawing, "GIF", folder / "drawing.gif");
    if (ownFolder) fs::remove_all(folder);
}
