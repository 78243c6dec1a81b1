#include "codecs/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "save_test_support.h"

namespace kresbon {
namespace {

using namespace kresbon::testing;
using AtomicFileTest = ScratchFolder;

TEST_F(AtomicFileTest, WritesOfEverySizeArriveInOrder)
{
    // Small pieces are gathered, large ones pass straight through; sizes
    // around the gathering limit catch an off-by-one in either road.
    Bytes expected;
    AtomicFile out(file("mixed.bin"));
    unsigned char next = 0;
    for (const std::size_t size : {1u, 100u, 70000u, 5u, 65536u, 65535u, 1u, 65534u, 3u, 200000u, 0u, 7u}) {
        Bytes piece(size);
        for (auto& b : piece) b = next++;
        ASSERT_TRUE(out.write(piece.data(), piece.size()));
        expected.insert(expected.end(), piece.begin(), piece.end());
    }
    EXPECT_TRUE(listing().size() == 1 && listing()[0] != "mixed.bin");
    out.commit();
    EXPECT_EQ(ReadBytes(file("mixed.bin")), expected);
    EXPECT_EQ(listing(), std::vector<std::string>{"mixed.bin"});
}

TEST_F(AtomicFileTest, AnUncommittedFileLeavesNoTrace)
{
    const std::string path = file("kept.txt");
    { std::ofstream(path) << "older"; }
    {
        AtomicFile out(path);
        out.write("newer", 5);
        EXPECT_THROW(out.fail("the encoder gave up"), std::runtime_error);
    }
    EXPECT_EQ(listing(), std::vector<std::string>{"kept.txt"});
    const Bytes kept = ReadBytes(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "older");
    try {
        AtomicFile(path).fail("the encoder gave up");
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file \"" + path + "\": the encoder gave up");
    }
}

TEST_F(AtomicFileTest, ReplacingKeepsLinksPermissionsAndLongNames)
{
    const std::string real = file("real.bmp");
    const std::string link = file("link.bmp");
    { std::ofstream(real) << "older"; }
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.bmp", link);
    AtomicFile through(link);
    through.write("newer", 5);
    through.commit();
    EXPECT_TRUE(fs::is_symlink(link));
    const Bytes now = ReadBytes(real);
    EXPECT_EQ(std::string(now.begin(), now.end()), "newer");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(listing(), (std::vector<std::string>{"link.bmp", "real.bmp"}));

    // The temporary name must not grow with the file's own name.
    const std::string longest = file(std::string(251, 'n') + ".gif");
    AtomicFile named(longest);
    named.commit();
    EXPECT_TRUE(fs::exists(longest));
}

TEST_F(AtomicFileTest, SpecialFilesAreRefusedAndLinksFollowedToTheEnd)
{
    const auto refused = [&](const std::string& path) {
        try {
            AtomicFile out(path);
            out.write("x", 1);
            out.commit();
        } catch (const std::runtime_error& e) {
            return std::string(e.what()).find("\"" + path + "\"") != std::string::npos;
        }
        return false;
    };
    const std::string pipe = file("pipe.bmp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_TRUE(refused(pipe));
    EXPECT_TRUE(fs::is_fifo(pipe));
    fs::create_directory(file("folder.bmp"));
    EXPECT_TRUE(refused(file("folder.bmp")));
    fs::create_symlink("pipe.bmp", file("to-pipe.bmp"));
    EXPECT_TRUE(refused(file("to-pipe.bmp")));
    fs::create_symlink("loop-b.bmp", file("loop-a.bmp"));
    fs::create_symlink("loop-a.bmp", file("loop-b.bmp"));
    EXPECT_TRUE(refused(file("loop-a.bmp")));
    EXPECT_EQ(listing(), (std::vector<std::string>{"folder.bmp", "loop-a.bmp", "loop-b.bmp", "pipe.bmp",
                                                   "to-pipe.bmp"}));

    // A dangling link, through a second link, makes the file it names.
    fs::create_directory(file("sub"));
    fs::create_symlink("sub/middle.bmp", file("first.bmp"));
    fs::create_symlink("end.bmp", file("sub/middle.bmp"));
    AtomicFile out(file("first.bmp"));
    out.write("made", 4);
    out.commit();
    EXPECT_TRUE(fs::is_symlink(file("first.bmp")) && fs::is_symlink(file("sub/middle.bmp")));
    const Bytes made = ReadBytes(file("sub/end.bmp"));
    EXPECT_EQ(std::string(made.begin(), made.end()), "made");
}

}  // namespace
}  // namespace kresbon
