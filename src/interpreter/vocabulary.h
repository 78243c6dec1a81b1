#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_ids.h"

// The words of the drawing language in one table: commands with their
// parameters, global variables, the words of each vocabulary and the
// keywords. The editor's colours, completion, call tips and help look-up all
// read it, so that adding a command or a colour is one change here (and one
// in the interpreter, which a test holds in step with this table).
namespace kresbon {

enum class WordKind { Command, Global, Keyword, Colour, LineType, FillType, DimEnd };

enum class ParameterKind {
    Coordinate,
    Number,
    WholeAngle,
    LineType,
    Thickness,
    Colour,
    FillType,
    DimEnd,
    Text,
    Flag,
    Font,
    FileName,
    Value,
};

struct ParameterInfo {
    // Interface text of the parameter's name, as call tips show it.
    TextId nameText;
    ParameterKind kind;
    // Written when the parameter is left empty; empty when it is required.
    std::string_view defaultValue;
};

struct WordInfo {
    // The word as the help pages and completion write it.
    std::string_view word;
    WordKind kind;
    // Help page (file in the language's help folder, with an optional anchor).
    std::string_view helpPage;
    // The parameters of a command, or the value of a global.
    std::span<const ParameterInfo> parameters;
};

// Every word of the language, commands first.
std::span<const WordInfo> Vocabulary();

// The entry of a word compared without regard to ASCII case; a word of two
// kinds (Solid is a line type and a fill type) gives its first entry.
const WordInfo* FindWord(std::string_view word);

// The words of the given kinds, as the table writes them, in table order.
std::vector<std::string_view> WordsOfKinds(std::initializer_list<WordKind> kinds);

// The words a line may start with: commands, globals and keywords.
std::vector<std::string_view> LineStartWords();

// At most three of the candidates that plausibly are what word was meant to
// be, nearest first: compared without regard to ASCII case, by the number of
// letters put in, left out, changed or swapped with a neighbour, allowing
// one such edit for a short word and up to three for a long one. Words equal
// to word but for case and repeated candidates are given once, as written
// first.
std::vector<std::string> NearestWords(std::string_view word, std::span<const std::string_view> candidates);

}  // namespace kresbon
