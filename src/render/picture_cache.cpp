#include "render/picture_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace kresbon {
namespace {

// Kept pictures together hold at most this many pixels (4 bytes each).
constexpr long long CachePixels = 64LL << 20;
constexpr std::size_t CacheEntries = 64;
// No picture the readers accept comes from a larger file.
constexpr long long LargestFile = 4LL << 30;

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified = 0;  // nanoseconds
    long long changed = 0;

    explicit FileStamp(const struct stat& s)
        : device(s.st_dev), inode(s.st_ino), size(s.st_size),
          modified(s.st_mtim.tv_sec * 1'000'000'000LL + s.st_mtim.tv_nsec),
          changed(s.st_ctim.tv_sec * 1'000'000'000LL + s.st_ctim.tv_nsec)
    {
    }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

[[noreturn]] void failOn(const std::string& path, const char* what, int error)
{
    throw PictureError(std::string(what) + " " + path + ": " + std::strerror(error));
}

class FileHandle {
public:
    explicit FileHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (fd_ < 0) failOn(path, "cannot open", errno);
    }
    ~FileHandle() { ::close(fd_); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// The whole file, with the stamp of exactly the file that was read.
std::vector<std::uint8_t> readFile(const std::string& path, FileStamp& stamp)
{
    const FileHandle file(path);
    struct stat s {};
    if (::fstat(file.fd(), &s) != 0) failOn(path, "cannot examine", errno);
    if (!S_ISREG(s.st_mode)) throw PictureError(path + " is not a regular file");
    if (s.st_size > LargestFile) throw PictureError(path + " is too large for a picture");
    stamp = FileStamp(s);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(file.fd(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failOn(path, "cannot read", errno);
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

class PictureCache {
public:
    std::shared_ptr<const Picture> find(const std::string& path, PictureKind kind,
                                        const FileStamp& stamp)
    {
        const std::lock_guard lock(mutex_);
        for (Entry& e : entries_) {
            if (e.path == path && e.kind == kind && e.stamp == stamp) {
                e.lastUse = ++clock_;
                return e.picture;
            }
        }
        return nullptr;
    }

    void keep(const std::string& path, PictureKind kind, const FileStamp& stamp,
              std::shared_ptr<const Picture> picture)
    {
        const long long size = static_cast<long long>(picture->pixels.size());
        if (size > CachePixels) return;
        const std::lock_guard lock(mutex_);
        std::erase_if(entries_, [&](const Entry& e) {
            const bool same = e.path == path && e.kind == kind;
            if (same) pixels_ -= static_cast<long long>(e.picture->pixels.size());
            return same;
        });
        while (!entries_.empty() && (pixels_ + size > CachePixels || entries_.size() >= CacheEntries)) {
            const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                                 [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
            pixels_ -= static_cast<long long>(oldest->picture->pixels.size());
            entries_.erase(oldest);
        }
        entries_.push_back(Entry{path, kind, stamp, std::move(picture), ++clock_});
        pixels_ += size;
    }

private:
    struct Entry {
        std::string path;
        PictureKind kind;
        FileStamp stamp;
        std::shared_ptr<const Picture> picture;
        std::uint64_t lastUse;
    };

    std::mutex mutex_;
    std::vector<Entry> entries_;
    long long pixels_ = 0;
    std::uint64_t clock_ = 0;
};

PictureCache& processCache()
{
    static PictureCache cache;
    return cache;
}

}  // namespace

std::shared_ptr<const Picture> LoadPictureFile(const std::string& path, PictureKind kind)
{
    struct stat s {};
    if (::stat(path.c_str(), &s) == 0) {
        if (auto kept = processCache().find(path, kind, FileStamp(s))) return kept;
    }
    FileStamp stamp(s);
    const std::vector<std::uint8_t> bytes = readFile(path, stamp);
    auto picture = std::make_shared<const Picture>(DecodePicture(bytes, kind));
    processCache().keep(path, kind, stamp, picture);
    return picture;
}

}  // namespace kresbon
