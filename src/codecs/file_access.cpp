#include "codecs/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/texts.h"

namespace kresbon {
namespace {

// A size as the largest binary unit that divides it: "4 GiB", "1 MiB",
// "1023 B".
std::string sizeText(std::uint64_t bytes)
{
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (unit < 4 && bytes >= 1024 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    return std::to_string(bytes) + ' ' + units[unit];
}

// Cannot read (write) file "path": reason
std::string compose(FileError::Access access, const std::string& path, int error,
                    const std::optional<FileError::Reason>& reasonText, int languageBase)
{
    const bool reading = access == FileError::Access::Read;
    const TextId head = reading ? TextId::CannotReadFileHead : TextId::CannotWriteFileHead;
    const TextId tail = reading ? TextId::CannotReadFileTail : TextId::CannotWriteFileTail;
    std::string reason = reasonText ? TextUtf8(languageBase, reasonText->text) : std::strerror(error);
    if (reasonText && reasonText->limit != 0)
        reason += sizeText(reasonText->limit) + TextUtf8(languageBase, TextId::LargerThanTail);
    return TextUtf8(languageBase, head) + '"' + path + '"' + TextUtf8(languageBase, tail) + reason;
}

}  // namespace

FileError::FileError(Access access, std::string path, int error)
    : std::runtime_error(compose(access, path, error, std::nullopt, EnglishBase)), access_(access),
      path_(std::move(path)), error_(error)
{
}

FileError::FileError(Access access, std::string path, Reason reason)
    : std::runtime_error(compose(access, path, 0, reason, EnglishBase)), access_(access),
      path_(std::move(path)), reason_(reason)
{
}

std::string FileError::message(int languageBase) const
{
    return compose(access_, path_, error_, reason_, languageBase);
}

ReadableFile::ReadableFile(const std::string& path, std::uint64_t limit) : path_(path), limit_(limit)
{
    // Non-blocking, so that opening a named pipe or a device returns at once;
    // such files are refused below anyway.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) throw FileError(FileError::Access::Read, path, errno);
    struct stat s {};
    if (::fstat(fd_, &s) != 0) {
        const int error = errno;
        ::close(fd_);
        throw FileError(FileError::Access::Read, path, error);
    }
    if (!S_ISREG(s.st_mode)) {
        ::close(fd_);
        throw FileError(FileError::Access::Read, path, NotRegularForReading);
    }
    size_ = static_cast<std::uint64_t>(s.st_size);
    if (size_ > limit_) {
        ::close(fd_);
        throw FileError(FileError::Access::Read, path, TooLargeToRead(limit_));
    }
    // Reads of a regular file never block; the flag only mattered for open.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

ReadableFile::~ReadableFile()
{
    if (fd_ >= 0) ::close(fd_);
}

std::size_t ReadableFile::readSome(std::string& out, std::size_t count)
{
    const std::size_t before = out.size();
    out.resize(before + count);
    for (;;) {
        const ssize_t n = ::read(fd_, out.data() + before, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            out.resize(before);
            throw FileError(FileError::Access::Read, path_, error);
        }
        out.resize(before + static_cast<std::size_t>(n));
        return static_cast<std::size_t>(n);
    }
}

void ReadableFile::readRest(std::string& out, const std::atomic<bool>* stop)
{
    // The size from fstat is only a hint: files under /proc and /sys report 0
    // and a file may change while it is read. A file may give a little more
    // than it reported (a system file's few kilobytes, a file being written);
    // one that keeps growing is refused as soon as it passes that allowance.
    // The buffer is sized once for the most that may come, so reading never
    // holds more than the bound, and it is filled a chunk at a time.
    constexpr std::size_t Chunk = std::size_t{1} << 20;
    const std::uint64_t bound = std::min(limit_, size_ + GrowthAllowance);
    const auto refuse = [&] {
        return FileError(FileError::Access::Read, path_, bound == limit_ ? TooLargeToRead(limit_) : GrowsWhileRead);
    };
    if (out.size() > bound) throw refuse();
    out.reserve(static_cast<std::size_t>(bound));
    for (;;) {
        const std::uint64_t room = bound - out.size();
        if (room == 0) {
            // Whole pages, as some system files only give whole entries.
            std::string probe;
            if (readSome(probe, 4096) > 0) throw refuse();
            return;
        }
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) throw FileError(FileError::Access::Read, path_, ECANCELED);
        if (readSome(out, static_cast<std::size_t>(std::min<std::uint64_t>(room, Chunk))) == 0) return;
    }
}

std::string ReadWholeFile(const std::string& path, std::uint64_t limit)
{
    ReadableFile file(path, limit);
    std::string bytes;
    file.readRest(bytes);
    return bytes;
}

bool IsReadableRegularFile(const std::string& path)
{
    try {
        ReadableFile file(path, UINT64_MAX);
        return true;
    } catch (const FileError&) {
        return false;
    }
}

}  // namespace kresbon
