#include "interpreter/script_text.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

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
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw std::runtime_error("Cannot read \"" + path + "\": it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open \"" + path + "\": " + std::strerror(errno));
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) throw std::runtime_error("Cannot read \"" + path + "\": " + std::strerror(errno));
    return std::move(buffer).str();
}

}  // namespace kresbon
