#pragma once

// Helpers shared by the tests of the image file writers.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace kresbon::testing {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

inline Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A drawing with something of everything: bands of the named colours, lines
// and ellipses of several pens, hatched boxes and a patch of arbitrary
// colours, all quantised by the surface to its depth.
inline Surface VariedDrawing(int depth, int width, int height, unsigned seed = 1)
{
    static const Rgb named[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF, 0xA0A0A4, 0xC0DCC0};
    Surface s(width, height, depth);
    const int bands = static_cast<int>(std::size(named));
    for (int i = 0; i < bands; ++i) {
        s.setBrush(named[i], BrushStyle::Solid);
        s.fillRect(i * width / bands, 0, (i + 1) * width / bands, height);
    }
    std::mt19937 random(seed);
    for (int i = 0; i < 12; ++i) {
        s.setPen(named[random() % bands], 1 + static_cast<int>(random() % 4), static_cast<PenStyle>(random() % 5));
        s.setBrush(named[random() % bands], static_cast<BrushStyle>(random() % 8));
        const int x = static_cast<int>(random() % width), y = static_cast<int>(random() % height);
        s.moveTo(x, y);
        s.lineTo(static_cast<int>(random() % width), static_cast<int>(random() % height));
        s.ellipse(x, y, x + width / 3, y + height / 4);
        s.rectangle(width - x, height - y, width - x + 9, height - y + 7);
    }
    for (int y = height / 2; y < height; ++y) {
        for (int x = width / 2; x < width; ++x) s.setPixel(x, y, random() & 0xFFFFFF);
    }
    return s;
}

// A folder of its own for each test, removed afterwards.
class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("kresbon-save-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string file(const std::string& name) const { return (folder_ / name).string(); }

    std::vector<std::string> listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

// Makes every write past the given size fail with EFBIG while it lives, as
// a full disk would part-way through a file.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

}  // namespace kresbon::testing
