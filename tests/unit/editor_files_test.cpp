// The editor files that the build writes hold every word of the table.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>

#include "interpreter/vocabulary.h"

namespace kresbon {
namespace {

std::string FileText(const std::string& name)
{
    std::ifstream in(std::string(KRESBON_EDITOR_FILES) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(EditorFiles, EveryWordOfTheTableIsHighlighted)
{
    const std::string vim = FileText("vim/syntax/kresbon.vim");
    const nlohmann::json grammar = nlohmann::json::parse(FileText("vscode/syntaxes/kresbon.tmLanguage.json"));
    ASSERT_FALSE(vim.empty());
    for (const WordInfo& info : Vocabulary()) {
        const std::string word(info.word);
        // Vim: a keyword of its own (or the include match).
        const std::string vimWord = word == "@include" ? "syntax match kresbonInclude /@include" : " " + word + "\n";
        EXPECT_NE(vim.find(vimWord), std::string::npos) << word;
        // TextMate: some pattern matches the word alone, in any case.
        int matched = 0;
        for (const auto& pattern : grammar["patterns"]) {
            std::string match = pattern["match"];
            if (match.starts_with("(?i)")) match.erase(0, 4);
            std::string lower = word, upper = word;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const bool caseBlind = pattern["match"].get<std::string>().starts_with("(?i)");
            std::regex re(match, caseBlind ? std::regex::icase | std::regex::ECMAScript : std::regex::ECMAScript);
            if (std::regex_match(word, re) && std::regex_match(upper, re) && std::regex_match(lower, re)) ++matched;
        }
        EXPECT_EQ(matched, 1) << word;
    }
    EXPECT_NE(FileText("vim/ftdetect/kresbon.vim").find("*.krs"), std::string::npos);
    const nlohmann::json manifest = nlohmann::json::parse(FileText("vscode/package.json"));
    EXPECT_EQ(manifest["contributes"]["languages"][0]["extensions"][0], ".krs");
    const nlohmann::json configuration = nlohmann::json::parse(FileText("vscode/language-configuration.json"));
    EXPECT_EQ(configuration["comments"]["lineComment"], "%");
    EXPECT_TRUE(std::regex_search("  procedure Box x", std::regex(configuration["folding"]["markers"]["start"].get<std::string>())));
}

}  // namespace
}  // namespace kresbon
