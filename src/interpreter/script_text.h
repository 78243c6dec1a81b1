#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kresbon {

enum class ScriptEncoding { Utf8, Cp1250 };

// A script file's text as the interpreter sees it: Windows-1250 lines.
struct ScriptText {
    std::vector<std::string> lines;
    ScriptEncoding encoding = ScriptEncoding::Utf8;
};

// A file that is valid UTF-8 and holds non-ASCII bytes is read as UTF-8
// (characters outside Windows-1250 become '?'); any other as Windows-1250.
// Lines end at CR LF, LF or CR; a UTF-8 byte order mark is dropped.
ScriptText DecodeScript(std::string_view fileBytes);

// Splits text at CR LF, LF or CR; a final line end does not start a new line.
std::vector<std::string> SplitLines(std::string_view text);

// Reads a whole regular file of at most 1 GiB. Throws FileError (a
// std::runtime_error) naming the file at the first fault, so that a file cut
// short by a read error never passes for a whole one.
std::string ReadFileBytes(const std::string& path);

}  // namespace kresbon
