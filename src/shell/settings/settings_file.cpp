#include "shell/settings/settings_file.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <vector>

#include "codecs/atomic_file.h"
#include "codecs/file_access.h"

namespace kresbon {

namespace {

struct IniText {
    std::vector<std::string> lines;
    bool crlf = false;
};

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

// The file's lines. A missing file is an empty one; any other failure to
// read throws FileError, so that no write replaces a file it could not read.
IniText Load(const std::string& path)
{
    IniText text;
    std::string bytes;
    try {
        bytes = ReadWholeFile(path, LargestTextFile);
    } catch (const FileError& e) {
        if (e.error() == ENOENT) return text;
        throw;
    }
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

void Store(const std::string& path, const IniText& text)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);

    std::string bytes;
    const char* eol = text.crlf ? "\r\n" : "\n";
    for (const std::string& line : text.lines) bytes.append(line).append(eol);
    AtomicFile file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

}  // namespace

std::string SettingsFile::Read(std::string_view section, std::string_view key) const
{
    IniText text;
    try {
        text = Load(path_);
    } catch (const FileError&) {
        return {};
    }
    const auto header = FindSection(text, section);
    if (!header) return {};
    const std::size_t end = SectionEnd(text, *header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        std::string_view value;
        if (IsKeyLine(text.lines[i], key, &value)) return std::string(value);
    }
    return {};
}

void SettingsFile::Write(std::string_view section, std::string_view key, std::string_view value) const
{
    IniText text = Load(path_);
    std::string entry = std::string(key) + '=' + std::string(value);
    const auto header = FindSection(text, section);
    if (!header) {
        if (!text.lines.empty() && !TrimBlanks(text.lines.back()).empty()) text.lines.emplace_back();
        text.lines.push_back('[' + std::string(section) + ']');
        text.lines.push_back(std::move(entry));
        Store(path_, text);
        return;
    }
    const std::size_t end = SectionEnd(text, *header);
    std::size_t insertAt = *header + 1;
    for (std::size_t i = *header + 1; i < end; ++i) {
        if (IsKeyLine(text.lines[i], key)) {
            text.lines[i] = std::move(entry);
            Store(path_, text);
            return;
        }
        if (!TrimBlanks(text.lines[i]).empty()) insertAt = i + 1;
    }
    text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    Store(path_, text);
}

}  // namespace kresbon
