// Saving, watched through the system calls it makes: this program puts its
// own fsync, fdatasync and rename in front of the C library's and notes each
// call before passing it on, so that the order of syncs and the rename can be
// checked. (A separate program, so that no other test runs through them.)
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/atomic_file.h"

namespace {

struct Call {
    enum Kind { Sync, Rename } kind;
    dev_t device;
    ino_t inode;
    bool folder;
};

bool recording = false;
std::vector<Call> calls;

void noteSync(int fd)
{
    struct stat s {};
    if (recording && ::fstat(fd, &s) == 0) calls.push_back({Call::Sync, s.st_dev, s.st_ino, S_ISDIR(s.st_mode)});
}

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd)
{
    noteSync(fd);
    return next<int (*)(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd)
{
    noteSync(fd);
    return next<int (*)(int)>("fdatasync")(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    struct stat s {};
    if (recording && ::lstat(from, &s) == 0) calls.push_back({Call::Rename, s.st_dev, s.st_ino, false});
    return next<int (*)(const char*, const char*)>("rename")(from, to);
}

namespace kresbon {
namespace {

namespace fs = std::filesystem;

TEST(AtomicFileSync, TheBytesAreSyncedBeforeTheRenameAndTheFolderAfterIt)
{
    const fs::path folder = fs::temp_directory_path() / ("kresbon-sync-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "drawing.bmp").string();
    for (const bool replacing : {false, true}) {
        calls.clear();
        recording = true;
        {
            AtomicFile out(path);
            out.write("contents", 8);
            out.commit();
        }
        recording = false;
        struct stat file {}, dir {};
        ASSERT_EQ(::stat(path.c_str(), &file), 0);
        ASSERT_EQ(::stat(folder.c_str(), &dir), 0);

        std::size_t renamed = calls.size();
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].kind == Call::Rename && calls[i].inode == file.st_ino) renamed = i;
        ASSERT_LT(renamed, calls.size()) << "the new file was never renamed into place";
        bool fileSynced = false;
        for (std::size_t i = 0; i < renamed; ++i)
            fileSynced |= calls[i].kind == Call::Sync && calls[i].inode == file.st_ino && calls[i].device == file.st_dev;
        bool folderSynced = false;
        for (std::size_t i = renamed + 1; i < calls.size(); ++i)
            folderSynced |= calls[i].kind == Call::Sync && calls[i].folder && calls[i].inode == dir.st_ino;
        EXPECT_TRUE(fileSynced) << (replacing ? "replacing" : "new file") << ": bytes not synced before the rename";
        EXPECT_TRUE(folderSynced) << (replacing ? "replacing" : "new file") << ": folder not synced after the rename";
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kresbon
