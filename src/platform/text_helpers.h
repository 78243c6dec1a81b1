#pragma once

#include <string>
#include <string_view>
#include <utility>

// Pure helpers on 8-bit script text (Windows-1250, one character a byte).
// Fields are numbered from 1. None of them fails except ParseTextLiteral.
namespace kresbon {

constexpr char QuoteChar = '"';

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// A blank is any character with code 0 to 32.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
std::string Trim(std::string_view s);
// The same without a copy: a view into s.
inline std::string_view Trimmed(std::string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}
bool IsUnsignedInteger(std::string_view s);

// Case mapping of the Windows-1250 code page (so that Č and č fold).
char LowerChar(char c);
char UpperChar(char c);
std::string LowerText(std::string_view s);
std::string UpperText(std::string_view s);
// Whether s folds to the lower-case word given.
bool FoldsToSameSize(std::string_view s, std::string_view lowerWord);
inline bool EqualsFolded(std::string_view s, std::string_view lowerWord) {
    return s.size() == lowerWord.size() && FoldsToSameSize(s, lowerWord);
}

int CountChar(std::string_view s, char c);
int CountCharOutsideQuotes(std::string_view s, char c, char quote = QuoteChar);
std::string StripComment(std::string_view s, char comment = '%', char quote = QuoteChar);
// Position of the first c outside quotes, or npos.
std::size_t FindOutsideQuotes(std::string_view s, char c, char quote = QuoteChar);
std::string PlainField(std::string_view s, char separator, int n);
std::string QuotedField(std::string_view s, char separator, char quote, int n);
// The text after the first occurrence of c (empty when c does not occur);
// found tells whether it occurs.
std::string TextAfter(std::string_view s, char c, bool* found = nullptr);
std::string ReplaceChar(std::string_view s, char c, std::string_view replacement);
// Replaces every non-overlapping occurrence, left to right, without
// rescanning inserted text; replaced tells whether anything was replaced.
std::string ReplaceText(std::string_view s, std::string_view search,
                        std::string_view replacement, bool* replaced = nullptr);
bool ContainsText(std::string_view s, std::string_view search, bool caseSensitive);

// Paths: both '/' and '\' count as directory separators.
std::string PathDirectory(std::string_view path);
std::string PathFileName(std::string_view path);
// The text after the last '.', or a single space when there is none (or only
// one at the first character).
std::string PathExtension(std::string_view path);

// The joined text of a text literal: quoted pieces joined by spaces or '+',
// a doubled quote inside a piece standing for one quote. Anything else
// outside quotes raises the "not in quotation marks" script error in the
// given language.
std::string ParseTextLiteral(std::string_view parameter, int languageBase);

}  // namespace kresbon
