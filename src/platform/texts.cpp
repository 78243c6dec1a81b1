#include "platform/texts.h"

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/encoding.h"

namespace kresbon::strings_data {
extern const char* const english;
extern const char* const czech;
}  // namespace kresbon::strings_data

namespace kresbon {

namespace {

constexpr std::size_t MaxTextLength = 254;
// Offsets are small; a larger number on a line is a typing mistake and the
// line is left out rather than growing the table.
constexpr int MaxOffset = 9999;

// Texts indexed by offset; a missing offset holds the empty text.
using Table = std::vector<std::string>;

// The first MaxTextLength characters of a UTF-8 text.
std::string CutToMaxLength(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) != 0x80 && characters++ == MaxTextLength) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

// Adds one "offset<TAB>text" line; comment, empty and malformed lines add
// nothing. The text keeps its spaces: messages are joined from several texts.
void AddLine(std::string_view line, Table& table) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return;
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) return;
    int offset = 0;
    const char* first = line.data();
    const char* last = line.data() + tab;
    const auto [end, error] = std::from_chars(first, last, offset);
    if (error != std::errc() || end != last || offset < 0 || offset > MaxOffset) return;
    if (table.size() <= static_cast<std::size_t>(offset)) table.resize(offset + 1);
    table[offset] = CutToMaxLength(line.substr(tab + 1));
}

Table ParseTable(std::string_view data) {
    Table table;
    while (!data.empty()) {
        const std::size_t newline = data.find('\n');
        AddLine(data.substr(0, newline), table);
        if (newline == std::string_view::npos) break;
        data.remove_prefix(newline + 1);
    }
    return table;
}

const Table& TableFor(int languageBase) {
    static const Table english = ParseTable(strings_data::english);
    static const Table czech = ParseTable(strings_data::czech);
    return languageBase == CzechBase ? czech : english;
}

// True when a locale name such as "cs_CZ.UTF-8" or "sk" names the language.
bool NamesLanguage(std::string_view locale, std::string_view language) {
    if (locale.substr(0, language.size()) != language) return false;
    if (locale.size() == language.size()) return true;
    const char next = locale[language.size()];
    return next == '_' || next == '.' || next == '@';
}

}  // namespace

std::string TextUtf8(int languageBase, int n) {
    const Table& table = TableFor(languageBase);
    if (n < 0 || static_cast<std::size_t>(n) >= table.size()) return {};
    return table[n];
}

std::string Text(int languageBase, int n) {
    return Utf8ToCp1250(TextUtf8(languageBase, n));
}

int SystemLanguageBase() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        const std::string_view locale(value);
        return NamesLanguage(locale, "cs") || NamesLanguage(locale, "sk") ? CzechBase : EnglishBase;
    }
    return EnglishBase;
}

}  // namespace kresbon
