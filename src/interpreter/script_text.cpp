#include "interpreter/script_text.h"

#include <stdexcept>

#include "codecs/file_access.h"
#include "platform/encoding.h"

namespace kresbon {

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

ScriptText DecodeScript(std::string_view bytes)
{
    ScriptText result;
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (!HasNonAscii(bytes)) {
        result.lines = SplitLines(bytes);  // plain ASCII reads the same either way
    } else if (!IsValidUtf8(bytes)) {
        result.encoding = ScriptEncoding::Cp1250;
        result.lines = SplitLines(bytes);
    } else {
        result.encoding = ScriptEncoding::Utf8;
        result.lines = SplitLines(Utf8ToCp1250(bytes));
    }
    return result;
}

std::string ReadFileBytes(const std::string& path)
{
    return ReadWholeFile(path, LargestTextFile);
}

}  // namespace kresbon
