#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kresbon {

enum class ScriptEncoding { Utf8, Cp1250 };

// The lines of a script in one buffer, one after another with '\n' between
// them, and where each one starts.
class ScriptLines {
public:
    ScriptLines() = default;

    std::size_t size() const { return starts_.size(); }
    bool empty() const { return starts_.empty(); }
    std::string_view operator[](std::size_t i) const
    {
        const std::size_t begin = start(i);
        const std::size_t end = i + 1 < starts_.size() ? start(i + 1) - 1 : lastEnd_;
        return std::string_view(text_).substr(begin, end - begin);
    }
    void push_back(std::string_view line);

private:
    friend ScriptLines SplitLines(std::string text);

    // Starts are kept in 32 bits; the lines from which a start passes each
    // further multiple of 4 GiB are listed in wraps_.
    std::size_t start(std::size_t i) const
    {
        std::size_t high = 0;
        for (std::size_t wrap : wraps_) {
            if (wrap > i) break;
            ++high;
        }
        return high << 32 | starts_[i];
    }
    void addStart(std::size_t offset)
    {
        while ((wraps_.size() + 1) << 32 <= offset) wraps_.push_back(starts_.size());
        starts_.push_back(static_cast<std::uint32_t>(offset));
    }

    std::string text_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::size_t> wraps_;
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
