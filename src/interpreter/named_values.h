#pragma once

#include <string_view>

#include "platform/surface.h"

// The words a script uses for colours, line types, fill types and the ends
// of dimension lines. Lookups fold case and raise a script error naming the
// word as written.
namespace kresbon {

Rgb ColorByName(std::string_view word, int languageBase);
PenStyle PenStyleByName(std::string_view word, int languageBase);
BrushStyle BrushStyleByName(std::string_view word, int languageBase);
bool IsDimEndKind(std::string_view word);

}  // namespace kresbon
