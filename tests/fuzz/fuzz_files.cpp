#include "fuzz_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "codecs/bmp_writer.h"
#include "platform/surface.h"
#include "render/save_drawing.h"

namespace kresbon::fuzzing {
namespace {

void put(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string makeFolder()
{
    namespace fs = std::filesystem;
    const std::string folder =
        (fs::temp_directory_path() / ("kresbon-fuzz-" + std::to_string(::getpid()))).string() + "/";
    fs::remove_all(folder);
    fs::create_directories(folder + "folder.bmp");
    put(folder + "part.krs", "Point 1, 1, Red\nLine 0, 0, 5, 5\n");
    put(folder + "nest.krs", "@include \"part.krs\"\nPoint 2, 2\n");
    put(folder + "self.krs", "@include \"self.krs\"\n");
    Surface small(7, 5, 24);
    small.setBrush(0x00FF00, BrushStyle::Solid);
    small.fillRect(1, 1, 6, 4);
    SaveDrawingToFile(small, folder + "small.bmp", 1000);
    SaveDrawingToFile(small, folder + "small.jpg", 1000);
    SaveDrawingToFile(small, folder + "small.png", 1000);
    // Builds the GIF writer's colour lookup, once per process, before the
    // first input is timed.
    SaveDrawingToFile(small, folder + "warm.gif", 1000);
    fs::remove(folder + "warm.gif");
    // A 3x2 frame at (2, 1) of a 9x6 screen, colour 1 transparent.
    const unsigned char gif[] = {71, 73, 70, 56, 57, 97, 9, 0, 6, 0, 128, 0, 0, 0, 0, 0, 255, 0, 0,
                                 33, 249, 4, 1, 0, 0, 1, 0, 44, 2, 0, 1, 0, 3, 0, 2, 0, 0,
                                 2, 4, 68, 16, 0, 5, 0, 59};
    put(folder + "small.gif", std::string(reinterpret_cast<const char*>(gif), sizeof gif));
    ::mkfifo((folder + "pipe.gif").c_str(), 0600);
    fs::create_symlink("small.bmp", folder + "link.bmp");
    fs::create_symlink("loop.bmp", folder + "loop.bmp");
    return folder;
}

}  // namespace

const std::string& FuzzFolder()
{
    // Never destroyed, so that it outlives the removal at exit.
    static const std::string* folder = [] {
        const auto* made = new std::string(makeFolder());
        std::atexit([] { std::filesystem::remove_all(FuzzFolder()); });
        return made;
    }();
    return *folder;
}

}  // namespace kresbon::fuzzing
