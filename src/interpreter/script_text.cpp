#include "interpreter/script_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "codecs/file_access.h"
#include "platform/encoding.h"

namespace kresbon {

void ScriptLines::push_back(std::string_view line)
{
    if (count_ != 0) text_ += '\n';
    addStart(text_.size());
    text_.append(line);
    lastEnd_ = text_.size();
}

// The line ends become single '\n' in the text's own buffer, which only
// shrinks on the way (CR LF to one character).
ScriptLines SplitLines(std::string text)
{
    if (text.find('\r') != std::string::npos) {
        std::size_t out = 0;
        const std::size_t size = text.size();
        for (std::size_t in = 0; in < size; ++in) {
            const char c = text[in];
            if (c == '\r' && in + 1 < size && text[in + 1] == '\n') ++in;
            text[out++] = c == '\r' ? '\n' : c;
        }
        text.resize(out);
    }
    ScriptLines lines;
    const std::size_t size = text.size();
    lines.groupStarts_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) /
                                   ScriptLines::GroupLines + 1);
    std::size_t start = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
        lines.addStart(start);
        lines.lastEnd_ = at;
        start = at + 1;
    }
    if (start < size) {
        lines.addStart(start);
        lines.lastEnd_ = size;
    }
    lines.text_ = std::move(text);
    return lines;
}

ScriptText DecodeScript(std::string bytes)
{
    ScriptText result;
    if (std::string_view(bytes).starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
    if (!HasNonAscii(bytes)) {
        result.lines = SplitLines(std::move(bytes));  // plain ASCII reads the same either way
    } else if (!IsValidUtf8(bytes)) {
        result.encoding = ScriptEncoding::Cp1250;
        result.lines = SplitLines(std::move(bytes));
    } else {
        result.encoding = ScriptEncoding::Utf8;
        std::string converted = Utf8ToCp1250(bytes);
        bytes = std::string();
        result.lines = SplitLines(std::move(converted));
    }
    return result;
}

std::string ReadFileBytes(const std::string& path)
{
    return ReadWholeFile(path, LargestTextFile);
}

}  // namespace kresbon
