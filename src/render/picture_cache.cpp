#include "render/picture_cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "codecs/file_access.h"
#include "codecs/png_reader.h"

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

// The whole file, with the stamp of exactly the file that was read. The
// first bytes must carry the signature of the kind before the rest is read,
// so that a large file of another kind costs no memory.
std::string readFile(const std::string& path, PictureKind kind, FileStamp& stamp, const std::atomic<bool>* stop)
{
    ReadableFile file(path, LargestFile);
    struct stat s {};
    if (::fstat(file.fd(), &s) != 0) throw PictureError("cannot examine " + path);
    stamp = FileStamp(s);
    std::string bytes;
    while (bytes.size() < PictureSignatureLength && file.readSome(bytes, PictureSignatureLength - bytes.size()) > 0) {
    }
    CheckPictureSignature(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), kind);
    file.readRest(bytes, stop);
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

std::shared_ptr<const Picture> LoadPictureFile(const std::string& path, PictureKind kind, const std::atomic<bool>* stop)
{
    return LoadPictureOrRows(path, kind, stop, std::numeric_limits<long long>::max()).picture;
}

PictureOrRows LoadPictureOrRows(const std::string& path, PictureKind kind, const std::atomic<bool>* stop,
                                long long wholePixels)
{
    struct stat s {};
    if (::stat(path.c_str(), &s) == 0) {
        if (auto kept = processCache().find(path, kind, FileStamp(s))) return {std::move(kept), {}};
    }
    FileStamp stamp(s);
    std::string bytes = readFile(path, kind, stamp, stop);
    const std::span data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (kind == PictureKind::Png && !IsInterlacedPng(data) && PngDeclaredPixels(data) > wholePixels)
        return {nullptr, std::move(bytes)};
    auto picture = std::make_shared<const Picture>(DecodePicture(data, kind, DecodeLimits{.frameOnly = true, .stop = stop}));
    processCache().keep(path, kind, stamp, picture);
    return {std::move(picture), {}};
}

}  // namespace kresbon
