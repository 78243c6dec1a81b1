// Interpreters running at once on threads of their own, as the window's run,
// its which-line questions and its step mode do: what they share (fonts,
// glyphs, decoded pictures, palettes) must give each the drawing it makes
// alone. Built under ThreadSanitizer as well (tests/sanitize.sh thread).

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/texts.h"

namespace kresbon {
namespace {

class FixedHost : public Host {
public:
    explicit FixedHost(int depth) : depth_(depth) {}
    bool layerShown(int layer) const override { return layer >= 1 && layer <= 9; }
    int viewWidth() const override { return 300; }
    int viewHeight() const override { return 200; }
    int colourDepth() const override { return depth_; }
    std::string programFolder() const override { return Folder(); }
    std::string currentScriptFile() const override { return Folder() + "/shared.krs"; }
    int languageBase() const override { return EnglishBase; }

    static std::string Folder() { return (std::filesystem::path(KRESBON_TEST_DATA) / "pictures").string(); }

private:
    int depth_;
};

const char* const Script = "MaximumX = 160\nMaximumY = 100\n"
                           "Circle 40, 40, 30, Solid, 3, Red\n"
                           "FillArea 40, 40, Cross, Teal\n"
                           "Text 5, 95, \"Kresbon 42\", 1, 0, 0, 0, \"Arial\", Black, 10, 20\n"
                           "Text 80, 90, \"turned\", 0, 1, 0, 0, \"Courier New\", Blue, 9, 90\n"
                           "Picture 90, 2, \"sound.png\"\nPicture 110, 2, \"sound.gif\"\n"
                           "Picture 90, 22, \"sound.jpg\"\nPicture 110, 22, \"sound.bmp\"\n";

std::vector<Rgb> DrawAlone(int depth, std::string* message = nullptr)
{
    FixedHost host(depth);
    Interpreter interpreter(host);
    const RunReport report = interpreter.RunScript(SplitLines(Script));
    if (message) *message = report.valid ? std::string() : report.message;
    return interpreter.canvas().colours();
}

// The threads start together, before anything is kept, so that they also
// decode the same pictures and rasterise the same glyphs at once.
TEST(ConcurrentRuns, EachDrawsWhatItDrawsAlone)
{
    constexpr std::array<int, 4> Depths{4, 8, 24, 32};
    constexpr int Rounds = 3;
    std::array<std::vector<std::vector<Rgb>>, Depths.size()> together;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < Depths.size(); ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < Rounds; ++round) together[i].push_back(DrawAlone(Depths[i]));
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t i = 0; i < Depths.size(); ++i) {
        std::string message;
        const std::vector<Rgb> alone = DrawAlone(Depths[i], &message);
        ASSERT_EQ(message, "") << Depths[i];
        for (int round = 0; round < Rounds; ++round)
            EXPECT_TRUE(together[i][static_cast<std::size_t>(round)] == alone) << Depths[i] << " round " << round;
    }
}

}  // namespace
}  // namespace kresbon
