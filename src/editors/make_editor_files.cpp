// Writes the editor files of the drawing language from its word table: a
// Vim syntax file with file type detection, and a TextMate grammar with a
// VS Code extension folder around it. The build runs it, so that the files
// never fall behind the table.
//
//   make_editor_files OUTPUT_FOLDER

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "interpreter/vocabulary.h"

namespace {

using namespace kresbon;
using nlohmann::ordered_json;
namespace fs = std::filesystem;

std::vector<std::string_view> Words(std::initializer_list<WordKind> kinds)
{
    std::vector<std::string_view> words;
    for (std::string_view word : WordsOfKinds(kinds))
        if (word.front() != '@' && std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
    return words;
}

std::string Joined(const std::vector<std::string_view>& words, std::string_view separator)
{
    std::string text;
    for (std::string_view word : words) {
        if (!text.empty()) text += separator;
        text += word;
    }
    return text;
}

// A pattern matching word in any case without a case-insensitive flag, for
// regular expressions that have none.
std::string AnyCase(std::string_view word)
{
    std::string pattern;
    for (char c : word) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        pattern += lower == upper ? std::string(1, c) : std::string{'[', upper, lower, ']'};
    }
    return pattern;
}

void Write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

struct Group {
    const char* vimName;
    const char* vimLink;
    const char* textMateScope;
    std::vector<std::string_view> words;
};

std::vector<Group> Groups()
{
    return {
        {"kresbonCommand", "Statement", "keyword.other.command.kresbon", Words({WordKind::Command})},
        {"kresbonGlobal", "Identifier", "variable.language.kresbon", Words({WordKind::Global})},
        {"kresbonKeyword", "Keyword", "keyword.control.kresbon", Words({WordKind::Keyword})},
        {"kresbonColour", "Constant", "support.constant.colour.kresbon", Words({WordKind::Colour})},
        {"kresbonStyle", "Type", "support.constant.style.kresbon",
         Words({WordKind::LineType, WordKind::FillType, WordKind::DimEnd})},
    };
}

std::string VimSyntax()
{
    std::string text =
        "\" Vim syntax file for Kresbon drawing scripts (*.krs).\n"
        "\" Generated from Kresbon's word table; do not edit.\n"
        "if exists('b:current_syntax')\n  finish\nendif\n\n"
        "syntax case ignore\n"
        "syntax iskeyword @,48-57,_\n\n";
    for (const Group& group : Groups()) {
        for (std::string_view word : group.words)
            text += "syntax keyword " + std::string(group.vimName) + ' ' + std::string(word) + '\n';
        text += '\n';
    }
    text +=
        "syntax match kresbonInclude /@include\\>/\n"
        "syntax match kresbonNumber /\\<\\d\\+\\(\\.\\d*\\)\\=\\([eE][-+]\\=\\d\\+\\)\\=\\>/\n"
        "syntax region kresbonString start=/\"/ end=/\"/ oneline\n"
        "syntax match kresbonComment /%.*$/\n"
        "syntax region kresbonProcedure start=/^\\s*procedure\\>/ end=/^\\s*end\\>/ transparent fold keepend\n\n";
    for (const Group& group : Groups())
        text += "highlight default link " + std::string(group.vimName) + ' ' + group.vimLink + '\n';
    text +=
        "highlight default link kresbonInclude PreProc\n"
        "highlight default link kresbonNumber Number\n"
        "highlight default link kresbonString String\n"
        "highlight default link kresbonComment Comment\n\n"
        "let b:current_syntax = 'kresbon'\n";
    return text;
}

ordered_json TextMateGrammar()
{
    ordered_json patterns = ordered_json::array();
    patterns.push_back({{"name", "string.quoted.double.kresbon"}, {"match", "\"[^\"]*\"?"}});
    patterns.push_back({{"name", "comment.line.percentage.kresbon"}, {"match", "%.*$"}});
    patterns.push_back({{"name", "keyword.control.directive.include.kresbon"}, {"match", "(?i)@include\\b"}});
    for (const Group& group : Groups())
        patterns.push_back({{"name", group.textMateScope}, {"match", "(?i)\\b(" + Joined(group.words, "|") + ")\\b"}});
    patterns.push_back({{"name", "constant.numeric.kresbon"}, {"match", "\\b\\d+(\\.\\d*)?([eE][-+]?\\d+)?\\b"}});
    return {{"$schema", "https://raw.githubusercontent.com/martinring/tmlanguage/master/tmlanguage.json"},
            {"name", "Kresbon"},
            {"scopeName", "source.kresbon"},
            {"fileTypes", {"krs"}},
            {"patterns", patterns}};
}

ordered_json LanguageConfiguration()
{
    const auto pair = [](const char* open, const char* close) { return ordered_json::array({open, close}); };
    return {{"comments", {{"lineComment", "%"}}},
            {"brackets", ordered_json::array({pair("(", ")")})},
            {"autoClosingPairs", {{{"open", "("}, {"close", ")"}}, {{"open", "\""}, {"close", "\""}}}},
            {"surroundingPairs", ordered_json::array({pair("(", ")"), pair("\"", "\"")})},
            {"folding",
             {{"markers",
               {{"start", "^\\s*" + AnyCase("Procedure") + "\\b"}, {"end", "^\\s*" + AnyCase("End") + "\\b"}}}}}};
}

ordered_json ExtensionManifest()
{
    return {{"name", "kresbon"},
            {"displayName", "Kresbon"},
            {"description", "Kresbon drawing scripts: colours, comments, brackets and folding of procedures"},
            {"version", "1.0.0"},
            {"publisher", "kresbon"},
            {"engines", {{"vscode", "^1.60.0"}}},
            {"categories", {"Programming Languages"}},
            {"contributes",
             {{"languages",
               {{{"id", "kresbon"},
                 {"aliases", {"Kresbon", "kresbon"}},
                 {"extensions", {".krs", ".KRS"}},
                 {"configuration", "./language-configuration.json"}}}},
              {"grammars",
               {{{"language", "kresbon"},
                 {"scopeName", "source.kresbon"},
                 {"path", "./syntaxes/kresbon.tmLanguage.json"}}}}}}};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_editor_files OUTPUT_FOLDER\n";
        return 2;
    }
    const fs::path out = argv[1];
    try {
        Write(out / "vim/syntax/kresbon.vim", VimSyntax());
        Write(out / "vim/ftdetect/kresbon.vim",
              "\" Kresbon drawing scripts.\nautocmd BufRead,BufNewFile *.krs,*.KRS setfiletype kresbon\n");
        Write(out / "vscode/package.json", ExtensionManifest().dump(2) + '\n');
        Write(out / "vscode/language-configuration.json", LanguageConfiguration().dump(2) + '\n');
        Write(out / "vscode/syntaxes/kresbon.tmLanguage.json", TextMateGrammar().dump(2) + '\n');
    } catch (const std::exception& e) {
        std::cerr << "make_editor_files: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
