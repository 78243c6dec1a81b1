#include "platform/text_helpers.h"

#include <array>

#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

namespace {

using CaseTable = std::array<unsigned char, 256>;

// Upper-case / lower-case pairs of Windows-1250 outside ASCII. The micro sign,
// sharp s and the dot above have no partner in the code page.
constexpr std::array<std::pair<unsigned char, unsigned char>, 10> kCodePagePairs{{
    {0x8A, 0x9A},  // Š š
    {0x8C, 0x9C},  // Ś ś
    {0x8D, 0x9D},  // Ť ť
    {0x8E, 0x9E},  // Ž ž
    {0x8F, 0x9F},  // Ź ź
    {0xA3, 0xB3},  // Ł ł
    {0xA5, 0xB9},  // Ą ą
    {0xAA, 0xBA},  // Ş ş
    {0xAF, 0xBF},  // Ż ż
    {0xBC, 0xBE},  // Ľ ľ
}};

constexpr CaseTable MakeCaseTable(bool toLower) {
    CaseTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(i);
    auto pair = [&](int upper, int lower) {
        if (toLower)
            table[upper] = static_cast<unsigned char>(lower);
        else
            table[lower] = static_cast<unsigned char>(upper);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (const auto& [upper, lower] : kCodePagePairs) pair(upper, lower);
    // Accented Latin letters: 0xC0-0xDE against 0xE0-0xFE, apart from the
    // multiplication and division signs.
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) pair(c, c + 32);
    return table;
}

constexpr CaseTable kLowerTable = MakeCaseTable(true);
constexpr CaseTable kUpperTable = MakeCaseTable(false);

std::string MapText(std::string_view s, const CaseTable& table) {
    std::string result(s);
    for (char& c : result) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return result;
}

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// Position of the last path separator, or npos when there is none or the only
// one found stands at the first character.
std::size_t LastSeparatorAfterFirst(std::string_view path) {
    for (std::size_t i = path.size(); i > 1; --i)
        if (IsPathSeparator(path[i - 1])) return i - 1;
    return std::string_view::npos;
}

// Start of the n-th field; npos when the text has fewer fields. With a quote
// character, separators count only outside quotes and the quoted state met on
// the way is left in *quoted.
std::size_t FieldStart(std::string_view s, char separator, int n, const char* quote,
                       bool* quoted) {
    std::size_t i = 0;
    bool inQuotes = false;
    for (int passed = 0; passed < n - 1; ++i) {
        if (i >= s.size()) return std::string_view::npos;
        if (quote != nullptr && s[i] == *quote) inQuotes = !inQuotes;
        else if (s[i] == separator && !inQuotes) ++passed;
    }
    if (quoted != nullptr) *quoted = inQuotes;
    return i;
}

}  // namespace

std::string Trim(std::string_view s) { return std::string(Trimmed(s)); }

bool IsUnsignedInteger(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

char LowerChar(char c) { return static_cast<char>(kLowerTable[static_cast<unsigned char>(c)]); }
char UpperChar(char c) { return static_cast<char>(kUpperTable[static_cast<unsigned char>(c)]); }
std::string LowerText(std::string_view s) { return MapText(s, kLowerTable); }
std::string UpperText(std::string_view s) { return MapText(s, kUpperTable); }

bool FoldsToSameSize(std::string_view s, std::string_view lowerWord) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (kLowerTable[static_cast<unsigned char>(s[i])] != static_cast<unsigned char>(lowerWord[i]))
            return false;
    return true;
}

int CountChar(std::string_view s, char c) {
    int count = 0;
    for (char x : s)
        if (x == c) ++count;
    return count;
}

int CountCharOutsideQuotes(std::string_view s, char c, char quote) {
    int count = 0;
    bool quoted = false;
    for (char x : s) {
        if (x == quote) quoted = !quoted;
        if (x == c && !quoted) ++count;
    }
    return count;
}

std::size_t FindOutsideQuotes(std::string_view s, char c, char quote) {
    // Before the first quote nothing is quoted.
    const std::size_t firstQuote = s.find(quote);
    const std::size_t first = s.substr(0, firstQuote).find(c);
    if (first != std::string_view::npos || firstQuote == std::string_view::npos) return first;
    bool quoted = false;
    for (std::size_t i = firstQuote; i < s.size(); ++i) {
        if (s[i] == quote) quoted = !quoted;
        else if (s[i] == c && !quoted) return i;
    }
    return std::string_view::npos;
}

std::string StripComment(std::string_view s, char comment, char quote) {
    return std::string(s.substr(0, FindOutsideQuotes(s, comment, quote)));
}

std::string PlainField(std::string_view s, char separator, int n) {
    const std::size_t start = FieldStart(s, separator, n, nullptr, nullptr);
    if (start == std::string_view::npos) return {};
    const std::size_t end = s.find(separator, start);
    return std::string(s.substr(start, end == std::string_view::npos ? s.npos : end - start));
}

std::string QuotedField(std::string_view s, char separator, char quote, int n) {
    bool quoted = false;
    std::size_t i = FieldStart(s, separator, n, &quote, &quoted);
    if (i == std::string_view::npos) return {};
    const std::size_t start = i;
    for (; i < s.size(); ++i) {
        if (s[i] == quote) quoted = !quoted;
        else if (s[i] == separator && !quoted) break;
    }
    return std::string(s.substr(start, i - start));
}

std::string TextAfter(std::string_view s, char c, bool* found) {
    const std::size_t at = s.find(c);
    if (found != nullptr) *found = at != std::string_view::npos;
    if (at == std::string_view::npos) return {};
    return std::string(s.substr(at + 1));
}

std::string ReplaceChar(std::string_view s, char c, std::string_view replacement) {
    std::string result;
    result.reserve(s.size());
    for (char x : s) {
        if (x == c) result += replacement;
        else result += x;
    }
    return result;
}

std::string ReplaceText(std::string_view s, std::string_view search,
                        std::string_view replacement, bool* replaced) {
    bool any = false;
    std::string result;
    result.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (!search.empty() && s.substr(i).starts_with(search)) {
            result += replacement;
            i += search.size();
            any = true;
        } else {
            result += s[i++];
        }
    }
    if (replaced != nullptr) *replaced = any;
    return result;
}

bool ContainsText(std::string_view s, std::string_view search, bool caseSensitive) {
    if (caseSensitive) return s.find(search) != std::string_view::npos;
    return UpperText(s).find(UpperText(search)) != std::string::npos;
}

std::string PathDirectory(std::string_view path) {
    const std::size_t at = LastSeparatorAfterFirst(path);
    if (at == std::string_view::npos) return {};
    return std::string(path.substr(0, at));
}

std::string PathFileName(std::string_view path) {
    const std::size_t at = LastSeparatorAfterFirst(path);
    if (at == std::string_view::npos) return {};
    return std::string(path.substr(at + 1));
}

std::string PathExtension(std::string_view path) {
    const std::size_t at = path.rfind('.');
    if (at == std::string_view::npos || at == 0) return " ";
    // A name ending in a point keeps the point, which no extension test matches.
    if (at + 1 == path.size()) return ".";
    return std::string(path.substr(at + 1));
}

std::string ParseTextLiteral(std::string_view parameter, int languageBase) {
    std::string text;
    bool inPiece = false;
    for (std::size_t i = 0; i < parameter.size(); ++i) {
        const char c = parameter[i];
        if (c == QuoteChar) {
            if (!inPiece) {
                inPiece = true;
            } else if (i + 1 < parameter.size() && parameter[i + 1] == QuoteChar) {
                text += QuoteChar;
                ++i;
            } else {
                inPiece = false;
            }
        } else if (inPiece) {
            text += c;
        } else if (c != ' ' && c != '+') {
            throw vyjimka(Text(languageBase, 350));
        }
    }
    return text;
}

}  // namespace kresbon
