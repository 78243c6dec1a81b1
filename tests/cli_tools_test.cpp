// kresbon-render for builds and editors: several outputs of one run, finer
// and enlarged drawings, the hint after an error and --watch.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "interpreter/script_text.h"
#include "codecs/png_reader.h"

namespace kresbon {
namespace {

namespace fs = std::filesystem;

class RenderTool : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("kresbon_cli_tools_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name)
    {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    Picture png(const std::string& name)
    {
        const std::string bytes = ReadFileBytes((dir / name).string());
        return ReadPng(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }

    // Starts kresbon-render in the scratch folder with its output and
    // errors going to out.txt and err.txt.
    pid_t start(const std::vector<std::string>& arguments)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir.c_str()) != 0) ::_exit(127);
            if (!::freopen("out.txt", "w", stdout) || !::freopen("err.txt", "w", stderr)) ::_exit(127);
            std::vector<char*> argv{const_cast<char*>(KRESBON_RENDER)};
            for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(KRESBON_RENDER, argv.data());
            ::_exit(127);
        }
        return pid;
    }
    static int finish(pid_t pid)
    {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int render(const std::vector<std::string>& arguments) { return finish(start(arguments)); }
};

TEST_F(RenderTool, SeveralOutputsComeFromOneRunAndTheHintFollowsTheReport)
{
    write("a.krs", "MaximumX = 20\nMaximumY = 10\nLine 1, 1, 15, 8, Dahs\n");
    EXPECT_EQ(render({"--output", "a.png", "--output", "a.bmp", "--output", "a.gif", "a.krs"}), 1);
    for (const char* name : {"a.png", "a.bmp", "a.gif"}) EXPECT_TRUE(fs::file_size(dir / name) > 0) << name;
    EXPECT_EQ(read("err.txt"), "Line 3: \nType of line \"Dahs\" not exist.\n(Line 1, 1, 15, 8, Dahs)\n"
                               "Did you mean Dash?\n");
    EXPECT_EQ(render({"--lang", "cs", "a.krs"}), 1);
    EXPECT_NE(read("err.txt").find("\nMysleli jste Dash?\n"), std::string::npos);
    // An error inside an included file: the report of the @include line,
    // then the file and the line in it.
    write("main.krs", "MaximumX = 20\nMaximumY = 10\n@include \"inc.krs\"\n");
    write("inc.krs", "Point 1, 1\nCircle 3, 3\n");
    EXPECT_EQ(render({"main.krs"}), 1);
    EXPECT_EQ(read("err.txt"), "Line 3: \nParameter r is not number or missing.\n(@include \"inc.krs\")\n"
                               "In file \"" + (dir / "inc.krs").string() + "\", line 2\n");
    // Each output is checked before anything is drawn.
    EXPECT_EQ(render({"--output", "b.png", "--output", "b.txt", "a.krs"}), 2);
    EXPECT_FALSE(fs::exists(dir / "b.png"));
    for (const char* bad : {"0", "17", "2x", ""}) {
        EXPECT_EQ(render({"--scale", bad, "a.krs"}), 2) << bad;
        EXPECT_EQ(render({"--zoom", bad, "a.krs"}), 2) << bad;
    }
}

TEST_F(RenderTool, ScaleDrawsFinerAndZoomEnlargesPixelsExactly)
{
    write("s.krs", "MaximumX = 30\nMaximumY = 20\nLine 2, 5, 27, 5\nCircle 15, 12, 5\nText 1, 19, \"x\"\n");
    ASSERT_EQ(render({"--output", "one.png", "s.krs"}), 0);
    ASSERT_EQ(render({"--scale", "4", "--output", "four.png", "s.krs"}), 0);
    ASSERT_EQ(render({"--zoom", "4", "--output", "zoom.png", "s.krs"}), 0);
    const Picture one = png("one.png");
    const Picture four = png("four.png");
    const Picture zoom = png("zoom.png");
    ASSERT_EQ(one.width, 30);
    ASSERT_EQ(one.height, 20);
    EXPECT_EQ(four.width, 120);
    EXPECT_EQ(four.height, 80);
    EXPECT_EQ(zoom.width, 120);
    EXPECT_EQ(zoom.height, 80);

    // The line at y = 5 units is one pixel thick at scale 4, at row 20.
    int dark = 0;
    for (int y = 0; y < 26; ++y) dark += four.at(60, y) != 0xFFFFFF;
    EXPECT_EQ(dark, 1);
    EXPECT_NE(four.at(60, 20), 0xFFFFFFu);
    // The circle is drawn again finely, not as enlarged pixels: its outline
    // is one pixel wide at the finer scale.
    int outline = 0;
    for (int x = 60; x < 120; ++x) outline += four.at(x, 48) != 0xFFFFFF;
    EXPECT_EQ(outline, 1);

    // Every pixel becomes an exact 4 x 4 square of its colour.
    for (int y = 0; y < zoom.height; ++y)
        for (int x = 0; x < zoom.width; ++x)
            ASSERT_EQ(zoom.at(x, y), one.at(x / 4, y / 4)) << x << ", " << y;
}

TEST_F(RenderTool, WatchDrawsAgainOnEveryChangeAndEndsCleanlyOnCtrlC)
{
    write("w.krs", "MaximumX = 20\nMaximumY = 10\n@include \"part.krs\"\nPicture 0, 0, \"p.bmp\"\n");
    write("part.krs", "Line 1, 1, 5, 5\n");
    // Waits until out.txt has the given number of lines.
    const auto linesReach = [&](std::size_t count) {
        for (int i = 0; i < 100; ++i) {
            const std::string out = read("out.txt");
            if (static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')) >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    const pid_t pid = start({"--watch", "--output", "w.png", "w.krs"});
    ASSERT_TRUE(linesReach(1));  // the picture is not there yet: a script error
    write("p.bmp", ReadFileBytes(std::string(KRESBON_TEST_DATA) + "/pictures/sound.bmp"));
    ASSERT_TRUE(linesReach(2));
    write("part.krs", "Lne 1, 1, 5, 5\n");  // written in place
    ASSERT_TRUE(linesReach(3));
    write("part.new", "Line 1, 1, 5, 5\n");  // written aside and renamed, as editors save
    fs::rename(dir / "part.new", dir / "part.krs");
    ASSERT_TRUE(linesReach(4));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGINT);
    EXPECT_EQ(finish(pid), 0);

    std::istringstream out(read("out.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) lines.push_back(line.substr(8));  // after HH:MM:SS
    EXPECT_EQ(lines, (std::vector<std::string>{" script error on line 4, written: w.png", " drawn, written: w.png",
                                               " script error on line 3, written: w.png", " drawn, written: w.png"}));
    const std::string errors = read("err.txt");
    EXPECT_NE(errors.find("Did you mean Line?"), std::string::npos) << errors;
    EXPECT_TRUE(fs::exists(dir / "w.png"));
}

}  // namespace
}  // namespace kresbon
