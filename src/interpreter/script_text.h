#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kresbon {

enum class ScriptEncoding { Utf8, Cp1250 };

// The lines of a script in one buffer, one after another with '\n' between
// them. Only the start of every GroupLines-th line is kept; a line is found
// from the start of its group, so the index takes a fraction of the text,
// however short the lines.
class ScriptLines {
public:
    ScriptLines() = default;

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    std::string_view operator[](std::size_t i) const
    {
        const char* begin = text_.data() + groupStarts_[i / GroupLines];
        for (std::size_t n = i % GroupLines; n > 0; --n) begin = lineEnd(begin) + 1;
        const char* end = i + 1 < count_ ? lineEnd(begin) : text_.data() + lastEnd_;
        return std::string_view(begin, static_cast<std::size_t>(end - begin));
    }
    // line holds no line end.
    void push_back(std::string_view line);

private:
    friend ScriptLines SplitLines(std::string text);

    // Eight bytes for every 32 lines: a quarter of a byte a line, while a
    // line takes at least its line end; finding a line passes at most 31
    // line ends.
    static constexpr std::size_t GroupLines = 32;

    // The '\n' that ends the line starting at line, which is not the last:
    // short lines byte by byte, long ones by the library's search.
    const char* lineEnd(const char* line) const
    {
        for (int k = 0; k < 16; ++k)
            if (line[k] == '\n') return line + k;
        const char* const rest = line + 16;
        return static_cast<const char*>(
            std::memchr(rest, '\n', static_cast<std::size_t>(text_.data() + text_.size() - rest)));
    }
    void addStart(std::size_t offset)
    {
        if (count_ % GroupLines == 0) groupStarts_.push_back(offset);
        ++count_;
    }

    std::string text_;
    std::vector<std::size_t> groupStarts_;
    std::size_t count_ = 0;
    std::size_t lastEnd_ = 0;
};

// A script file's text as the interpreter sees it: Windows-1250 lines.
struct ScriptText {
    ScriptLines lines;
    ScriptEncoding encoding = ScriptEncoding::Utf8;
};

// A file that is valid UTF-8 and holds non-ASCII bytes is read as UTF-8
// (characters outside Windows-1250 become '?'); any other as Windows-1250.
// Lines end at CR LF, LF or CR; a UTF-8 byte order mark is dropped.
// The bytes are taken over, so a large script is held only once.
ScriptText DecodeScript(std::string fileBytes);

// Splits text at CR LF, LF or CR; a final line end does not start a new line.
ScriptLines SplitLines(std::string text);

// Reads a whole regular file of at most 1 GiB. Throws FileError (a
// std::runtime_error) naming the file at the first fault, so that a file cut
// short by a read error never passes for a whole one.
std::string ReadFileBytes(const std::string& path);

}  // namespace kresbon
