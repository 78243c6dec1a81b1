#include "codecs/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "codecs/file_access.h"
#include "platform/texts.h"

namespace kresbon {
namespace {

// Writes at least this large bypass the gathering buffer.
constexpr std::size_t kGatherSize = std::size_t{64} << 10;

std::string decimal(long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The file that path names: a symbolic link, dangling or not, is followed
// so that saving through it writes the file it points to, not the link. A
// folder, device or named pipe is refused: renaming over it would destroy it
// or write where the user did not mean.
std::string finalTarget(const std::string& path)
{
    // As many links as the system itself follows before it gives up.
    constexpr int MostLinks = 40;
    std::string target = path;
    for (int hop = 0;; ++hop) {
        struct stat s {};
        if (::lstat(target.c_str(), &s) != 0) {
            if (errno == ENOENT) return target;
            throw FileError(FileError::Access::Write, path, errno);
        }
        if (S_ISREG(s.st_mode)) return target;
        if (!S_ISLNK(s.st_mode))
            throw FileError(FileError::Access::Write, path, NotRegularForWriting);
        if (hop == MostLinks) throw FileError(FileError::Access::Write, path, ELOOP);
        std::error_code error;
        const std::filesystem::path link = std::filesystem::read_symlink(target, error);
        if (error) throw FileError(FileError::Access::Write, path, error.value());
        target = link.is_absolute() ? link.string()
                                    : (std::filesystem::path(target).parent_path() / link).string();
    }
}

// Makes a rename in folder last through a power cut. File systems that
// cannot sync a folder say so with EINVAL; that is no failure of the save.
int syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
    ::close(fd);
    return result;
}

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

// Temporary files of saves in progress. An interrupt (Ctrl+C), a request to
// end or a closed terminal would otherwise end the program with the file
// left behind; the handler removes them first and then lets the signal end
// the program as it would have. It touches only these plain slots and
// calls only functions a signal handler may call.
namespace pending {

enum : int { Free, Claimed, Ready };

struct Slot {
    std::atomic<int> state{Free};
    char name[PATH_MAX];
};

constexpr int SlotCount = 32;
Slot slots[SlotCount];

constexpr int Signals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

extern "C" void removeAndEnd(int signal)
{
    const int savedError = errno;
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == Ready) ::unlink(slot.name);
    }
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    // Blocked until the handler returns, then it ends the program.
    ::raise(signal);
    errno = savedError;
}

// Only signals that would end the program at once are taken over: a
// program that handles or ignores one itself decides what happens then.
void installHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : Signals) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
                (current.sa_flags & SA_SIGINFO) != 0)
                continue;
            struct sigaction removing {};
            removing.sa_handler = removeAndEnd;
            ::sigemptyset(&removing.sa_mask);
            removing.sa_flags = SA_RESTART;
            ::sigaction(signal, &removing, nullptr);
        }
    });
}

// The slot that now holds name, or -1 when every slot is taken or the name
// is too long (the file is then only removed by the object that owns it).
int add(const std::string& name)
{
    if (name.size() >= PATH_MAX) return -1;
    installHandler();
    for (int i = 0; i < SlotCount; ++i) {
        int expected = Free;
        if (!slots[i].state.compare_exchange_strong(expected, Claimed, std::memory_order_acquire)) continue;
        std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
        slots[i].state.store(Ready, std::memory_order_release);
        return i;
    }
    return -1;
}

void remove(int slot)
{
    if (slot >= 0) slots[slot].state.store(Free, std::memory_order_release);
}

}  // namespace pending

// Creates a new file in the folder of target, with a name no other writer
// uses and whose length does not depend on target's own name. Only its
// owner may read it until it takes over the permissions of the file it
// replaces.
int createTemporary(const std::string& target, std::string& name)
{
    const std::string folder = folderOf(target);
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + ".kresbon-" + decimal(::getpid()) + "-" + decimal(stamp) + "-" + decimal(attempt) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The process's file creation mask, read without changing it (setting it
// to read it would affect files other threads create meanwhile).
mode_t currentUmask()
{
    constexpr mode_t Usual = 022;
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (status == nullptr) return Usual;
    char line[256];
    unsigned int mask = Usual;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    std::fclose(status);
    return static_cast<mode_t>(mask & 0777);
}

// The new file gets the owner, group and permissions of the file it
// replaces, so that saving as another user (root, say) does not take the
// file from its owner; a new file gets the permissions any new file would.
// Giving a file away is allowed only to a privileged user, and a group only
// to its members: otherwise the file stays the saver's, as a new file would.
void takeOverOwnership(int fd, const std::string& target)
{
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) {
        ::fchmod(fd, 0666 & ~currentUmask());
        return;
    }
    struct stat now {};
    if (::fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    // After the owner: a change of owner clears the set-user-ID bits.
    ::fchmod(fd, old.st_mode & 07777);
}

bool writeAll(int fd, const unsigned char* data, std::size_t size, int& error)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

void ThrowFileWriteError(const std::string& path, std::string_view reason)
{
    throw std::runtime_error(TextUtf8(EnglishBase, TextId::CannotWriteFileHead) + '"' + path + '"' +
                             TextUtf8(EnglishBase, TextId::CannotWriteFileTail) + std::string(reason));
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path))
{
    target_ = finalTarget(path_);
    fd_ = createTemporary(target_, temporary_);
    if (fd_ < 0) failWithError(errno);
    pendingSlot_ = pending::add(temporary_);
    buffer_.reserve(kGatherSize);
}

AtomicFile::~AtomicFile()
{
    if (!committed_) discard();
}

bool AtomicFile::write(const void* data, std::size_t size) noexcept
{
    if (error_ != 0 || fd_ < 0) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (buffer_.size() + size <= kGatherSize) {
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        return true;
    }
    if (!flush()) return false;
    if (size < kGatherSize) {
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        return true;
    }
    return writeAll(fd_, bytes, size, error_);
}

bool AtomicFile::flush() noexcept
{
    const bool ok = writeAll(fd_, buffer_.data(), buffer_.size(), error_);
    buffer_.clear();
    return ok;
}

void AtomicFile::throwIfWriteFailed() const
{
    if (error_ != 0) failWithError(error_);
}

void AtomicFile::fail(std::string_view reason) const
{
    ThrowFileWriteError(path_, reason);
}

void AtomicFile::failWithError(int error) const
{
    throw FileError(FileError::Access::Write, path_, error);
}

void AtomicFile::commit()
{
    if (fd_ < 0) throw FileError(FileError::Access::Write, path_, AlreadyClosed);
    if (error_ == 0) flush();
    throwIfWriteFailed();
    takeOverOwnership(fd_, target_);
    // The bytes reach the disk before the name does, so that a crash leaves
    // either the old file or the whole new one.
    if (::fsync(fd_) != 0) failWithError(errno);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) failWithError(errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) failWithError(errno);
    committed_ = true;
    pending::remove(std::exchange(pendingSlot_, -1));
    if (const int error = syncFolder(folderOf(target_)); error != 0) failWithError(error);
}

void AtomicFile::discard() noexcept
{
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    pending::remove(std::exchange(pendingSlot_, -1));
}

}  // namespace kresbon
