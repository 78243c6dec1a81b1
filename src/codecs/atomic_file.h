#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kresbon {

// Throws std::runtime_error: Cannot write file "path": reason.
[[noreturn]] void ThrowFileWriteError(const std::string& path, std::string_view reason);

// A file that appears under its name only when it is complete. The bytes go
// to a temporary file in the same folder, which commit() renames over the
// final path; a file that is never committed is removed again, so the path
// never holds a half-written file and an older file there stays untouched.
// A path that is a symbolic link replaces the file the link points to; a
// replaced file's owner, group and permissions carry over to the new one
// (the owner where the saver may give the file away). Until then the
// temporary file is readable by its owner only. The temporary file is also
// removed when Ctrl+C or a request to end stops the program during the save.
// A file with other hard links is replaced under this name only: the other
// names keep the older contents, as the price of never showing a half-written
// file under any name.
class AtomicFile {
public:
    // Creates the temporary file. Throws std::runtime_error naming path and
    // the reason (a missing folder, no permission, ...).
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::string& path() const { return path_; }

    // Appends bytes. Small writes are gathered into larger ones. After the
    // first failure every write returns false; the failure is reported by
    // commit() or throwIfWriteFailed().
    bool write(const void* data, std::size_t size) noexcept;

    // Throws std::runtime_error naming the file and the reason when a write
    // has failed.
    void throwIfWriteFailed() const;

    // Throws std::runtime_error naming the file and reason; the temporary
    // file goes when this object does.
    [[noreturn]] void fail(std::string_view reason) const;

    // Writes what is gathered, closes the file and puts it in place of path.
    // Throws std::runtime_error naming the file and the reason.
    void commit();

private:
    bool flush() noexcept;
    [[noreturn]] void failWithError(int error) const;
    void discard() noexcept;

    std::string path_;
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    int pendingSlot_ = -1;
    int error_ = 0;
    bool committed_ = false;
    std::vector<unsigned char> buffer_;
};

}  // namespace kresbon
