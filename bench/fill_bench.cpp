// Times a surface flood fill of a 4000x4000 region.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/surface.h"
#include "render/shapes.h"

int main()
{
    using namespace kresbon;
    std::vector<double> seconds;
    for (int run = 0; run < 5; ++run) {
        Surface s(4000, 4000, 24);
        s.setBrush(0xFFFFFF, BrushStyle::Solid);
        s.fillRect(0, 0, 4000, 4000);
        const auto start = std::chrono::steady_clock::now();
        FloodFillAt(s, 10, 10, BrushStyle::Solid, 0xFF0000);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("%.1f\n", 16e6 / median / 1e6);
}
