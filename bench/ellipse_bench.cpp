// Times Kresbon drawing the circles and ellipses of a benchmark script,
// without reading the script: the shapes are read first, then drawn onto a
// fresh white 24-bit drawing through the shape primitives. Prints the median
// processor seconds of five passes.
//
//   ellipse_bench SCRIPT


#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cpu_clock.h"
#include "platform/surface.h"
#include "render/shapes.h"

using kresbon::bench::ProcessorSeconds;

int main(int argc, char** argv)
{
    using namespace kresbon;
    if (argc != 2) {
        std::fprintf(stderr, "usage: ellipse_bench SCRIPT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    int width = 800, height = 600;
    std::vector<std::array<int, 5>> shapes;  // kind (0 circle, 1 ellipse), numbers
    for (std::string line; std::getline(in, line);) {
        std::array<int, 5> s{};
        if (std::sscanf(line.c_str(), "MaximumX = %d", &width) == 1) continue;
        if (std::sscanf(line.c_str(), "MaximumY = %d", &height) == 1) continue;
        if (std::sscanf(line.c_str(), "Circle %d, %d, %d", &s[1], &s[2], &s[3]) == 3) {
            shapes.push_back(s);
        } else if (std::sscanf(line.c_str(), "Ellipse %d, %d, %d, %d", &s[1], &s[2], &s[3], &s[4]) == 4) {
            s[0] = 1;
            shapes.push_back(s);
        }
    }
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        Surface surface(width, height, 24);
        surface.setBrush(0xFFFFFF, BrushStyle::Solid);
        surface.fillRect(0, 0, width, height);
        const double start = ProcessorSeconds();
        for (const auto& s : shapes) {
            if (s[0] == 0) DrawCircle(surface, s[1], s[2], s[3], 0, 1, PenStyle::Solid);
            else DrawEllipse(surface, s[1], s[2], s[3], s[4], 0, 1, PenStyle::Solid);
        }
        times.push_back(ProcessorSeconds() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("%.3f\n", times[2]);
}
