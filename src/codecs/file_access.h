#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text_ids.h"

namespace kresbon {

// A file that could not be read or written. The message names the file and
// the reason in either language; what() holds the English one.
class FileError : public std::runtime_error {
public:
    enum class Access { Read, Write };

    // The reason as a text of the string tables. With a limit, the text is
    // followed by that size and LargerThanTail: the file is larger than it.
    struct Reason {
        TextId text;
        std::uint64_t limit = 0;
    };

    // The reason is the system's text for an errno value.
    FileError(Access access, std::string path, int error);
    FileError(Access access, std::string path, Reason reason);

    std::string message(int languageBase) const;
    const std::string& path() const { return path_; }
    int error() const { return error_; }
    // True when the file was refused for its size.
    bool tooLarge() const { return reason_ && reason_->limit != 0; }

private:
    Access access_;
    std::string path_;
    int error_ = 0;
    // Empty when the reason is the system's text for error_.
    std::optional<Reason> reason_;
};

// The reasons a FileError may give instead of the system's text.
constexpr FileError::Reason NotRegularForReading{TextId::NotARegularFile};
// A file larger than limit bytes (at least 1); the message names the limit.
constexpr FileError::Reason TooLargeToRead(std::uint64_t limit) { return {TextId::LargerThanHead, limit}; }
constexpr FileError::Reason NotRegularForWriting{TextId::FolderDeviceOrPipe};
constexpr FileError::Reason AlreadyClosed{TextId::FileAlreadyClosed};
constexpr FileError::Reason GrowsWhileRead{TextId::FileKeepsGrowing};

// Scripts, included files and the settings file are never larger than this:
// a larger file is refused before its bytes fill the memory.
constexpr std::uint64_t LargestTextFile = std::uint64_t{1} << 30;

// How much more than its reported size a file may give while it is read:
// files under /proc and /sys report no size at all but hold a few kilobytes,
// while some of them (a process's page map) never end.
constexpr std::uint64_t GrowthAllowance = std::uint64_t{1} << 20;

// An open file descriptor that closes itself.
class ReadableFile {
public:
    // Opens path for reading without waiting on a named pipe or a device and
    // refuses anything but a regular file, or a file larger than limit bytes.
    // Throws FileError.
    ReadableFile(const std::string& path, std::uint64_t limit);
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    // Size when opened, in bytes.
    std::uint64_t size() const { return size_; }

    // Appends up to count bytes to out; returns how many came (0 at the end
    // of the file). Throws FileError on a read error.
    std::size_t readSome(std::string& out, std::size_t count);
    // Appends the rest of the file to out. A file that grows beyond limit,
    // or beyond its reported size by more than GrowthAllowance, while it is
    // read is refused. Once stop is set, reading ends with a FileError.
    // Throws FileError.
    void readRest(std::string& out, const std::atomic<bool>* stop = nullptr);

private:
    std::string path_;
    std::uint64_t limit_;
    std::uint64_t size_ = 0;
    int fd_ = -1;
};

// The whole of a regular file of at most limit bytes. Throws FileError on
// the first fault: a folder, device or named pipe, a larger file, a read
// error. A short read is never taken for the whole file.
std::string ReadWholeFile(const std::string& path, std::uint64_t limit = LargestTextFile);

// True when path names a regular file that opens for reading, found out
// without waiting on a named pipe.
bool IsReadableRegularFile(const std::string& path);

}  // namespace kresbon
