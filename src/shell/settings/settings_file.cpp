#include "shell/settings/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "codecs/atomic_file.h"
#include "codecs/file_access.h"

namespace kresbon {

namespace {

using IniText = SettingsLines;

std::string_view TrimBlanks(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = TrimBlanks(line);
    if (!line.starts_with('[')) return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

bool IsKeyLine(std::string_view line, std::string_view key, std::string_view* value = nullptr)
{
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    if (!SameName(TrimBlanks(line.substr(0, equals)), key)) return false;
    if (value) *value = TrimBlanks(line.substr(equals + 1));
    return true;
}

IniText Parse(const std::string& bytes)
{
    IniText text;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            text.crlf = true;
        }
        text.lines.push_back(std::move(line));
        start = end + 1;
    }
    return text;
}

// Holds the lock that other copies of the program take before they change
// the settings file. Without a lock file (a folder that cannot be written,
// where the write fails anyway) the write goes on unlocked.
class WriteLock {
public:
    explicit WriteLock(const std::string& path)
    {
        const std::string name = path + ".lock";
        constexpr int Flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | Flags, 0666);
        if (fd_ < 0) fd_ = ::open(name.c_str(), O_RDONLY | Flags);
        if (fd_ < 0) return;
        struct stat s {};
        if (::fstat(fd_, &s) != 0 || !S_ISREG(s.st_mode)) {
            ::close(std::exchange(fd_, -1));
            return;
        }
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~WriteLock()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

private:
    int fd_ = -1;
};

// Index of the section's header line, if the section is there.
std::optional<std::size_t> FindSection(const IniText& text, std::string_view section)
{
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        const auto name = SectionName(text.lines[i]);
        if (name && SameName(*name, section)) return i;
    }
    return std::nullopt;
}

// One past the last line of the section that starts at header.
std::size_t SectionEnd(const IniText& text, std::size_t header)
{
    std::size_t end = header + 1;
    while (end < text.lines.size() && !SectionName(text.lines[end])) ++end;
    return end;
}

void CreateFolderOf(const std::string& path)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
}

void Store(const std::string& path, const IniText& text)
{
    std::string bytes;
    const char* eol = text.crlf ? "\r\n" : "\n";
    for (const std::string& line : text.lines) bytes.append(line).append(eol);
    AtomicFile file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

// The text with the key set to value, in the first section of that name.
IniText WithKey(IniText text, std::string_view section, std::string_view key, std::string_view value)
{
    std::string entry = std::string(key) + '=' + std::string(value);
    const auto header = FindSection(text, section);
    if (!header) {
        if (!text.lines.empty() && !TrimBlanks(text.lines.back()).empty()) text.lines.emplace_back();
        text.lines.push_back('[' + std::string(section) + ']');
        text.lines.push_back(std::move(entry));
        return text;
    }
    const std::size_t end = SectionEnd(text, *header);
    std::size_t insertAt = *header + 1;
    for (std::size_t i = *header + 1; i < end; ++i) {
        if (IsKeyLine(text.lines[i], key)) {
            text.lines[i] = std::move(entry);
            return text;
        }
        if (!TrimBlanks(text.lines[i]).empty()) insertAt = i + 1;
    }
    text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    return text;
}

}  // namespace

SettingsFile::SettingsFile(std::string path) : path_(std::move(path))
{
    try {
        load();
    } catch (const FileError&) {
        // Read as empty; a write tries again and reports the failure.
    }
}

void SettingsFile::load() const
{
    // What was read before is forgotten first, so that a file that cannot
    // be read now is never written from an older reading.
    text_ = {};
    try {
        text_ = Parse(ReadWholeFile(path_, LargestSettingsFile));
        tooLarge_ = false;
    } catch (const FileError& e) {
        if (e.error() == ENOENT) return;
        tooLarge_ = e.tooLarge();
        throw;
    }
}

void SettingsFile::Refresh() const
{
    try {
        load();
    } catch (const FileError&) {
    }
}

std::string SettingsFile::Read(std::string_view section, std::string_view key) const
{
    const auto header = FindSection(text_, section);
    if (!header) return {};
    const std::size_t end = SectionEnd(text_, *header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        std::string_view value;
        if (IsKeyLine(text_.lines[i], key, &value)) return std::string(value);
    }
    return {};
}

void SettingsFile::Write(std::string_view section, std::string_view key, std::string_view value) const
{
    CreateFolderOf(path_);
    const WriteLock lock(path_);
    load();
    IniText changed = WithKey(text_, section, key, value);
    Store(path_, changed);
    text_ = std::move(changed);
}

}  // namespace kresbon
