#pragma once

// settings/: the settings file (Kresbon.ini) and how its values are read
// and written: the window's place and size, the layers shown, the editor
// font, the print values and the recent scripts' keys; what the window
// reads at start and writes when it closes. It knows no widget.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/file_access.h"

namespace kresbon {

// A settings file larger than this is no settings file the program wrote
// (its own holds a few kilobytes at most, eight recent script names being
// the longest part): it is ignored and left as it is. The start-up message
// and the help name this size.
constexpr std::uint64_t LargestSettingsFile = std::uint64_t{1} << 20;

// The settings file's lines as last read or written.
struct SettingsLines {
    std::vector<std::string> lines;
    bool crlf = false;
};

// The settings file: an INI file read and written one key at a time, the way
// the classic private-profile functions do it. Section and key names match
// without regard to case (ASCII), the first of duplicate sections or keys
// wins, values are raw text with the blanks around them trimmed.
//
// The file is read once, when the object is made; reads are answered from
// memory. Each write locks the file against other copies of the program
// (flock on the file with ".lock" added to its name, beside it), reads it
// again, as another copy may have changed it, changes the one key and
// replaces the file, so that no copy loses another's keys.
class SettingsFile {
public:
    explicit SettingsFile(std::string path);

    const std::string& path() const { return path_; }

    // The value, or the empty text when the file, the section or the key is
    // missing or the file could not be read.
    std::string Read(std::string_view section, std::string_view key) const;

    // Creates the file (and its folder), the section or the key as needed and
    // replaces the key's value otherwise. The file is replaced as a whole
    // through a temporary file beside it, so a failed write leaves the old
    // file as it was; a file that exists but cannot be read, or is larger
    // than LargestSettingsFile, is left alone, as replacing it would lose
    // every other key. A symbolic link is followed. Throws FileError naming
    // the file on failure.
    void Write(std::string_view section, std::string_view key, std::string_view value) const;

    // Reads the file again, for lists that every copy of the program adds to.
    void Refresh() const;

    // True when the file was larger than LargestSettingsFile when it was
    // read, and so was ignored.
    bool ignoredAsTooLarge() const { return tooLarge_; }

private:
    // Reads the file into text_; a missing file is an empty one. Throws
    // FileError when the file exists but cannot be read.
    void load() const;

    std::string path_;
    mutable SettingsLines text_;
    mutable bool tooLarge_ = false;
};

}  // namespace kresbon
