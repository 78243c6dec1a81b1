#include "interpreter/named_values.h"

#include <array>
#include <string>
#include <utility>

#include "interpreter/vocabulary.h"
#include "platform/text_helpers.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

namespace {

template <typename T, std::size_t N>
const T* lookup(const std::array<std::pair<std::string_view, T>, N>& table, std::string_view word)
{
    for (const auto& [name, value] : table)
        if (EqualsFolded(word, name)) return &value;
    return nullptr;
}

[[noreturn]] void raiseUnknown(int languageBase, TextId prefix, TextId suffix, std::string_view word,
                               WordKind kind)
{
    std::string message = Text(languageBase, prefix);
    message += '"';
    message += word;
    message += '"';
    message += Text(languageBase, suffix);
    throw vyjimka(std::move(message), NearestWords(word, WordsOfKinds({kind})));
}

constexpr std::array<std::pair<std::string_view, Rgb>, 18> colours{{
    {"aqua", makeRgb(0, 255, 255)},     {"black", makeRgb(0, 0, 0)},
    {"blue", makeRgb(0, 0, 255)},       {"darkgray", makeRgb(128, 128, 128)},
    {"fuchsia", makeRgb(255, 0, 255)},  {"gray", makeRgb(128, 128, 128)},
    {"green", makeRgb(0, 128, 0)},      {"limegreen", makeRgb(0, 255, 0)},
    {"lightgray", makeRgb(192, 192, 192)}, {"maroon", makeRgb(128, 0, 0)},
    {"navyblue", makeRgb(0, 0, 128)},   {"olivegreen", makeRgb(128, 128, 0)},
    {"purple", makeRgb(128, 0, 128)},   {"red", makeRgb(255, 0, 0)},
    {"silver", makeRgb(192, 192, 192)}, {"teal", makeRgb(0, 128, 128)},
    {"white", makeRgb(255, 255, 255)},  {"yellow", makeRgb(255, 255, 0)},
}};

constexpr std::array<std::pair<std::string_view, PenStyle>, 5> lineTypes{{
    {"solid", PenStyle::Solid},
    {"dash", PenStyle::Dash},
    {"dot", PenStyle::Dot},
    {"dashdot", PenStyle::DashDot},
    {"dashdotdot", PenStyle::DashDotDot},
}};

constexpr std::array<std::pair<std::string_view, BrushStyle>, 7> fillTypes{{
    {"solid", BrushStyle::Solid},
    {"horizontal", BrushStyle::Horizontal},
    {"vertical", BrushStyle::Vertical},
    {"fdiagonal", BrushStyle::FDiagonal},
    {"bdiagonal", BrushStyle::BDiagonal},
    {"cross", BrushStyle::Cross},
    {"diagcross", BrushStyle::DiagCross},
}};

}  // namespace

Rgb ColorByName(std::string_view word, int languageBase)
{
    if (const Rgb* c = lookup(colours, word)) return *c;
    raiseUnknown(languageBase, TextId::ColourNotExistHead, TextId::ColourNotExistTail, word, WordKind::Colour);
}

PenStyle PenStyleByName(std::string_view word, int languageBase)
{
    if (const PenStyle* p = lookup(lineTypes, word)) return *p;
    raiseUnknown(languageBase, TextId::TypeOfLineNotExistHead, TextId::TypeOfLineNotExistTail, word, WordKind::LineType);
}

BrushStyle BrushStyleByName(std::string_view word, int languageBase)
{
    if (const BrushStyle* b = lookup(fillTypes, word)) return *b;
    raiseUnknown(languageBase, TextId::FillingTypeNotExistHead, TextId::FillingTypeNotExistTail, word, WordKind::FillType);
}

bool IsDimEndKind(std::string_view word)
{
    const std::string lower = LowerText(word);
    return lower == "none" || lower == "inner" || lower == "outer";
}

namespace {

template <typename T, std::size_t N>
std::vector<std::string_view> wordsOf(const std::array<std::pair<std::string_view, T>, N>& table)
{
    std::vector<std::string_view> words;
    for (const auto& entry : table) words.push_back(entry.first);
    return words;
}

}  // namespace

std::vector<std::string_view> ColourWords() { return wordsOf(colours); }
std::vector<std::string_view> LineTypeWords() { return wordsOf(lineTypes); }
std::vector<std::string_view> FillTypeWords() { return wordsOf(fillTypes); }

}  // namespace kresbon
