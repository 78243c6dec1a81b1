#include "codecs/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

mode_t ModeOf(const std::string& path)
{
    struct stat s {};
    EXPECT_EQ(::stat(path.c_str(), &s), 0) << path;
    return s.st_mode & 07777;
}

// Sets the file creation mask for the life of the object.
class Umask {
public:
    explicit Umask(mode_t mask) : old_(::umask(mask)) {}
    ~Umask() { ::umask(old_); }

private:
    mode_t old_;
};

TEST_F(AtomicFileTest, TheTemporaryFileIsPrivateAndTheNewFileTakesTheOldOnesOwnerAndMode)
{
    const Umask mask(022);
    {
        AtomicFile out(file("new.txt"));
        out.write("secret", 6);
        ASSERT_EQ(listing().size(), 1u);
        EXPECT_EQ(ModeOf(file(listing()[0])), 0600u) << "while it is written";
        out.commit();
    }
    EXPECT_EQ(ModeOf(file("new.txt")), 0644u) << "a new file as any other";

    const std::string shared = file("shared.txt");
    { std::ofstream(shared) << "older"; }
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
    // A privileged saver gives the file back to its owner and group.
    const bool privileged = ::geteuid() == 0;
    if (privileged) ASSERT_EQ(::chown(shared.c_str(), 4321, 4322), 0);
    {
        AtomicFile out(shared);
        out.write("newer", 5);
        EXPECT_EQ(ModeOf(file(listing()[0] == "shared.txt" ? listing()[1] : listing()[0])), 0600u);
        out.commit();
    }
    EXPECT_EQ(ModeOf(shared), 0664u);
    struct stat s {};
    ASSERT_EQ(::stat(shared.c_str(), &s), 0);
    if (privileged) {
        EXPECT_EQ(s.st_uid, 4321u);
        EXPECT_EQ(s.st_gid, 4322u);
    } else {
        EXPECT_EQ(s.st_uid, ::geteuid());
    }
    EXPECT_EQ(listing(), (std::vector<std::string>{"new.txt", "shared.txt"}));
}

TEST_F(AtomicFileTest, AnInterruptOrEndRequestDuringASaveRemovesTheTemporaryFile)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A save that takes long: the signal comes in the middle.
            AtomicFile out(file("drawing.bmp"));
            out.write("half", 4);
            if (::write(ready[1], "r", 1) != 1) ::_exit(3);
            ::pause();
            ::_exit(4);
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(listing().size(), 1u);
        ASSERT_EQ(::kill(child, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        // The program still ends as the signal would have ended it.
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
        EXPECT_TRUE(listing().empty()) << listing()[0];
    }
}

TEST_F(AtomicFileTest, AFileWithOtherHardLinksIsReplacedUnderTheSavedNameOnly)
{
    // The other names keep the older contents: a save never shows a
    // half-written file under any name.
    const std::string saved = file("saved.krs");
    const std::string other = file("other.krs");
    { std::ofstream(saved) << "older"; }
    fs::create_hard_link(saved, other);
    AtomicFile out(saved);
    out.write("newer", 5);
    out.commit();
    const Bytes now = ReadBytes(saved);
    const Bytes kept = ReadBytes(other);
    EXPECT_EQ(std::string(now.begin(), now.end()), "newer");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "older");
    EXPECT_EQ(fs::hard_link_count(saved), 1u);
}

}  // namespace
}  // namespace kresbon
