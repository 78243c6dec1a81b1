#pragma once

#include <string>

#include "platform/text_ids.h"

namespace kresbon {

// Language bases of the two interface string tables.
constexpr int EnglishBase = 1000;
constexpr int CzechBase = 2000;

// Text N of the table chosen by the language base (1000 English, 2000 Czech),
// as UTF-8. A missing text gives the empty text; a text is at most 254
// characters long. An unknown base falls back to English.
std::string TextUtf8(int languageBase, int n);

// The same text as Windows-1250 bytes, ready to go into a script message.
std::string Text(int languageBase, int n);

// The same lookups by name; the program itself uses only these.
inline std::string TextUtf8(int languageBase, TextId id) { return TextUtf8(languageBase, static_cast<int>(id)); }
inline std::string Text(int languageBase, TextId id) { return Text(languageBase, static_cast<int>(id)); }

// Czech when the locale (LC_ALL, LC_MESSAGES, LANG, first one set) names
// Czech or Slovak, else English.
int SystemLanguageBase();

}  // namespace kresbon
