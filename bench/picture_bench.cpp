// Times placing a 1000x1000 JPEG picture 100 times, each stretched to
// 600x400 pixels, on a 2400x1800 drawing of 24 bits; prints the seconds of
// the first round (which reads the file) and the median of five rounds, and
// the median on an 8-bit drawing, where colours are dithered.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/surface.h"
#include "render/picture.h"

namespace {

// A smooth picture with some detail, as a photograph would have.
void writeJpeg(const std::string& path, int size)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) std::exit(1);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = info.image_height = static_cast<JDIMENSION>(size);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(size) * 3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            row[3 * x] = static_cast<JSAMPLE>(x * 255 / size);
            row[3 * x + 1] = static_cast<JSAMPLE>(y * 255 / size);
            row[3 * x + 2] = static_cast<JSAMPLE>((x ^ y) & 0xFF);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
}

double placeHundredTimes(const kresbon::PictureSettings& settings, int depth)
{
    kresbon::Surface canvas(2400, 1800, depth);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i)
        kresbon::DrawPicture(canvas, (i % 10) * 180, (i / 10) * 140, "\"photo.jpg\"", "300", "200",
                             settings);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main()
{
    char folder[] = "/tmp/kresbon_picture_bench_XXXXXX";
    if (!mkdtemp(folder)) return 1;
    writeJpeg(std::string(folder) + "/photo.jpg", 1000);
    kresbon::PictureSettings settings;
    settings.pixelsPerUnit = 2;
    settings.programFolder = folder;

    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<double> trueColour, paletted;
    for (int run = 0; run < 5; ++run) trueColour.push_back(placeHundredTimes(settings, 24));
    for (int run = 0; run < 5; ++run) paletted.push_back(placeHundredTimes(settings, 8));
    std::printf("24-bit: first %.3f s, median %.3f s; 8-bit: median %.3f s\n", trueColour.front(),
                median(trueColour), median(paletted));

    unlink((std::string(folder) + "/photo.jpg").c_str());
    rmdir(folder);
}
