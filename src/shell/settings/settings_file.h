#pragma once

#include <string>
#include <string_view>

namespace kresbon {

// The settings file: an INI file read and written one key at a time, the way
// the classic private-profile functions do it. Section and key names match
// without regard to case (ASCII), the first of duplicate sections or keys
// wins, values are raw text with the blanks around them trimmed, and every
// read and every write opens the file anew.
class SettingsFile {
public:
    explicit SettingsFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // The value, or the empty text when the file, the section or the key is
    // missing or the file cannot be read.
    std::string Read(std::string_view section, std::string_view key) const;

    // Creates the file (and its folder), the section or the key as needed and
    // replaces the key's value otherwise. The file is replaced as a whole
    // through a temporary file beside it, so a failed write leaves the old
    // file as it was; a file that exists but cannot be read is left alone,
    // as replacing it would lose every other key. A symbolic link is followed.
    // Throws FileError naming the file on failure.
    void Write(std::string_view section, std::string_view key, std::string_view value) const;

private:
    std::string path_;
};

}  // namespace kresbon
