#include "render/thumbnail.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <vector>

namespace kresbon {

Surface ScaleToFit(const Surface& drawing, int size)
{
    const std::int64_t width = drawing.width();
    const std::int64_t height = drawing.height();
    if (width < 1 || height < 1 || size < 1) return Surface(0, 0, drawing.depth());
    const std::int64_t longer = std::max(width, height);
    // Rounded to the nearest whole pixel.
    const auto scaled = [&](std::int64_t side) {
        return static_cast<int>(std::max<std::int64_t>(1, (2 * side * size + longer) / (2 * longer)));
    };
    const int scaledWidth = scaled(width);
    const int scaledHeight = scaled(height);

    // Only the pixels taken are read, so a drawing far wider than the
    // thumbnail costs no row of its width.
    Surface thumbnail(scaledWidth, scaledHeight, drawing.depth());
    std::vector<int> columns(static_cast<std::size_t>(scaledWidth));
    for (int x = 0; x < scaledWidth; ++x) columns[x] = static_cast<int>((2 * x + 1) * width / (2 * scaledWidth));
    std::vector<Rgb> scaledRow(static_cast<std::size_t>(scaledWidth));
    for (int y = 0; y < scaledHeight; ++y) {
        // The drawing's pixel under the centre of the scaled pixel.
        const int row = static_cast<int>((2 * y + 1) * height / (2 * scaledHeight));
        for (int x = 0; x < scaledWidth; ++x) scaledRow[x] = drawing.pixel(columns[x], row);
        thumbnail.setPixels(0, y, scaledRow);
    }
    return thumbnail;
}

Surface Enlarge(const Surface& drawing, int factor)
{
    const int width = drawing.width();
    Surface enlarged(width * factor, drawing.height() * factor, drawing.depth());
    std::vector<Rgb> source(static_cast<std::size_t>(width));
    std::vector<Rgb> row(static_cast<std::size_t>(width) * factor);
    for (int y = 0; y < drawing.height(); ++y) {
        drawing.readRow(y, source);
        for (std::size_t x = 0; x < row.size(); ++x) row[x] = source[x / factor];
        for (int copy = 0; copy < factor; ++copy) enlarged.setPixels(0, y * factor + copy, row);
    }
    return enlarged;
}

namespace {

double processorSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

ProcessorTimeWatch::ProcessorTimeWatch(std::atomic<bool>& stop, double seconds)
{
    const double deadline = processorSeconds() + seconds;
    // The backstop for work that misses the flag: the kernel's own limit, a
    // second later, in whole seconds.
    if (::getrlimit(RLIMIT_CPU, &before_) == 0) {
        rlimit cpu = before_;
        const auto backstop = static_cast<rlim_t>(std::ceil(deadline)) + 1;
        if (cpu.rlim_cur == RLIM_INFINITY || backstop < cpu.rlim_cur) {
            cpu.rlim_cur = backstop;
            ::setrlimit(RLIMIT_CPU, &cpu);
        }
    }
    thread_ = std::thread([this, &stop, deadline] {
        while (!done_.load()) {
            if (processorSeconds() >= deadline) {
                expired_ = true;
                stop = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

ProcessorTimeWatch::~ProcessorTimeWatch()
{
    done_ = true;
    thread_.join();
    // What follows the watched work (writing the thumbnail) is bounded by
    // the thumbnail's size, not by the script.
    ::setrlimit(RLIMIT_CPU, &before_);
}

void LimitProcessMemory(std::size_t bytes)
{
    // The data limit counts the heap and private mappings, the memory that
    // a script can make grow; the program's own code and its libraries'
    // (a few megabytes, shared) come on top, so they are taken off first.
    constexpr std::size_t ProgramItself = std::size_t{16} << 20;
    rlimit data{};
    if (::getrlimit(RLIMIT_DATA, &data) != 0) return;
    const auto limit = static_cast<rlim_t>(bytes > ProgramItself ? bytes - ProgramItself : bytes);
    if (data.rlim_max != RLIM_INFINITY && data.rlim_max < limit) return;
    data.rlim_cur = limit;
    ::setrlimit(RLIMIT_DATA, &data);
}

}  // namespace kresbon
