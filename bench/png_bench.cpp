// Times saving a drawing as PNG: reads a 24-bit BMP of the drawing, puts it
// on a 24-bit surface and saves it five times; prints the median processor
// seconds of one save and the size of the file in bytes.
//
//   png_bench DRAWING.bmp OUTPUT.png


#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "codecs/bmp_reader.h"
#include "codecs/png_writer.h"
#include "cpu_clock.h"
#include "platform/surface.h"

using kresbon::bench::ProcessorSeconds;

int main(int argc, char** argv)
{
    using namespace kresbon;
    if (argc != 3) {
        std::fprintf(stderr, "usage: png_bench DRAWING.bmp OUTPUT.png\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Picture picture = ReadBmp(bytes);
    Surface drawing(picture.width, picture.height, 24);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) drawing.setPixel(x, y, picture.at(x, y));

    std::vector<double> seconds;
    for (int i = 0; i < 5; ++i) {
        const double start = ProcessorSeconds();
        WritePngFile(drawing, argv[2]);
        seconds.push_back(ProcessorSeconds() - start);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%.3f %llu\n", seconds[2], static_cast<unsigned long long>(std::filesystem::file_size(argv[2])));
    return 0;
}
