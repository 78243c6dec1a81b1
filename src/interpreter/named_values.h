#pragma once

#include <string_view>
#include <vector>

#include "platform/surface.h"

// The words a script uses for colours, line types, fill types and the ends
// of dimension lines. Lookups fold case and raise a script error naming the
// word as written.
namespace kresbon {

Rgb ColorByName(std::string_view word, int languageBase);
PenStyle PenStyleByName(std::string_view word, int languageBase);
BrushStyle BrushStyleByName(std::string_view word, int languageBase);
bool IsDimEndKind(std::string_view word);

// The words each look-up above accepts, in lower case.
std::vector<std::string_view> ColourWords();
std::vector<std::string_view> LineTypeWords();
std::vector<std::string_view> FillTypeWords();

}  // namespace kresbon
