// Times 10,000 Text primitives of 10 characters, 12 pixels high, at random
// places on a 2000x2000 24-bit drawing, every second one turned by 90
// degrees. Prints the median seconds of five runs with the cells filled
// (as on a fresh canvas), the same with a clear brush, and the first run,
// whose glyph cache starts empty.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/texts.h"
#include "render/rotated_text.h"

namespace {

struct Label {
    int x;
    int y;
    int angle;
    std::string text;
};

// The same generator as bench/pillow_text.py, so both draw the same labels.
struct Generator {
    std::uint64_t state = 20240601;
    unsigned next(unsigned bound)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33) % bound;
    }
};

std::vector<Label> MakeLabels()
{
    static const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    Generator g;
    std::vector<Label> labels;
    for (int i = 0; i < 10000; ++i) {
        Label l{static_cast<int>(g.next(2000)), static_cast<int>(g.next(2000)), i % 2 == 0 ? 0 : 90, {}};
        for (int c = 0; c < 10; ++c) l.text += letters[g.next(static_cast<unsigned>(letters.size()))];
        labels.push_back(std::move(l));
    }
    return labels;
}

double DrawAll(const std::vector<Label>& labels, kresbon::BrushStyle brush)
{
    using namespace kresbon;
    Surface s(2000, 2000, 24);
    s.setBrush(0xFFFFFF, BrushStyle::Solid);
    s.fillRect(0, 0, 2000, 2000);
    s.setBrush(0xFFFFFF, brush);
    const auto start = std::chrono::steady_clock::now();
    for (const Label& l : labels) {
        DrawRotatedText(s, {l.x, l.y}, l.angle, 12, 0x000000, "Arial", {}, l.text, EnglishBase);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(const std::vector<Label>& labels, kresbon::BrushStyle brush)
{
    std::vector<double> seconds;
    for (int run = 0; run < 5; ++run) seconds.push_back(DrawAll(labels, brush));
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

}  // namespace

int main()
{
    const std::vector<Label> labels = MakeLabels();
    const double first = DrawAll(labels, kresbon::BrushStyle::Solid);
    const double opaque = Median(labels, kresbon::BrushStyle::Solid);
    const double clear = Median(labels, kresbon::BrushStyle::Clear);
    std::printf("%.3f %.3f %.3f\n", opaque, clear, first);
}
