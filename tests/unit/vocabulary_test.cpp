// The word table that the editor reads is held in step with the
// interpreter's own tables and with the help pages.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "interpreter/interpreter.h"
#include "interpreter/named_values.h"
#include "platform/text_helpers.h"
#include "interpreter/vocabulary.h"
#include "platform/texts.h"

namespace kresbon {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> TableWords(std::initializer_list<WordKind> kinds)
{
    std::vector<std::string> words;
    for (const WordInfo& info : Vocabulary())
        if (std::find(kinds.begin(), kinds.end(), info.kind) != kinds.end()) words.push_back(LowerText(info.word));
    std::sort(words.begin(), words.end());
    return words;
}

std::vector<std::string> Sorted(std::vector<std::string_view> words, bool dropEmpty = false)
{
    std::vector<std::string> out;
    for (std::string_view w : words)
        if (!(dropEmpty && w.empty())) out.emplace_back(w);
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Vocabulary, HoldsExactlyTheInterpretersWords)
{
    const auto basic = Interpreter::BasicCommandWords();
    EXPECT_EQ(TableWords({WordKind::Command, WordKind::Global}),
              Sorted({basic.begin(), basic.end()}, true));
    EXPECT_EQ(TableWords({WordKind::Colour}), Sorted(ColourWords()));
    EXPECT_EQ(TableWords({WordKind::LineType}), Sorted(LineTypeWords()));
    EXPECT_EQ(TableWords({WordKind::FillType}), Sorted(FillTypeWords()));
    for (const std::string& word : TableWords({WordKind::DimEnd})) EXPECT_TRUE(IsDimEndKind(word)) << word;
    EXPECT_EQ(TableWords({WordKind::DimEnd}).size(), 3u);
}

TEST(Vocabulary, FindsWordsWhateverTheirCase)
{
    ASSERT_NE(FindWord("DIMLINE"), nullptr);
    EXPECT_EQ(FindWord("dimline")->kind, WordKind::Command);
    EXPECT_EQ(FindWord("navyblue")->word, "NavyBlue");
    EXPECT_EQ(FindWord("@INCLUDE")->kind, WordKind::Keyword);
    EXPECT_EQ(FindWord("Lines"), nullptr);
    EXPECT_EQ(FindWord(""), nullptr);
}

TEST(Vocabulary, FindsEveryWordOfTheTableInUpperAndLowerCase)
{
    for (const WordInfo& info : Vocabulary()) {
        std::string upper(info.word), lower(info.word);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const std::string& asWritten : {upper, lower}) {
            const WordInfo* found = FindWord(asWritten);
            ASSERT_NE(found, nullptr) << asWritten;
            EXPECT_EQ(found->word, info.word) << asWritten;
        }
    }
}

// Each command's parameters are as many as the executor reads before its
// "too many" field, so a call tip never offers one that is refused.
TEST(Vocabulary, CommandsTakeAsManyParametersAsTheyRead)
{
    const std::pair<const char*, std::size_t> counts[] = {
        {"Point", 3},      {"Line", 7},    {"Rectangle", 7}, {"Ellipse", 7}, {"Circle", 6},
        {"CirclePart", 8}, {"FillArea", 4}, {"DimLine", 11},  {"Text", 11},   {"Picture", 5},
    };
    for (const auto& [word, count] : counts) EXPECT_EQ(FindWord(word)->parameters.size(), count) << word;
}

TEST(Vocabulary, EveryParameterHasANameAndEveryWordAHelpPage)
{
    const fs::path help = fs::path(KRESBON_TEST_DATA) / ".." / ".." / "resources" / "help";
    for (const WordInfo& info : Vocabulary()) {
        for (const ParameterInfo& p : info.parameters) {
            EXPECT_FALSE(TextUtf8(EnglishBase, p.nameText).empty()) << info.word;
            EXPECT_FALSE(TextUtf8(CzechBase, p.nameText).empty()) << info.word;
        }
        const std::string page(info.helpPage.substr(0, info.helpPage.find('#')));
        for (const char* language : {"KR1000", "KR2000"})
            EXPECT_TRUE(fs::is_regular_file(help / language / page)) << info.word << " " << page;
    }
}

// The help index names every word of the table, with the table's page.
TEST(Vocabulary, HelpIndexLeadsEveryWordToItsPage)
{
    const fs::path help = fs::path(KRESBON_TEST_DATA) / ".." / ".." / "resources" / "help";
    for (const char* language : {"KR1000", "KR2000"}) {
        std::ifstream index(help / language / "keywords.txt");
        ASSERT_TRUE(index) << language;
        std::multimap<std::string, std::string> pages;
        for (std::string line; std::getline(index, line);) {
            const auto tab = line.find('\t');
            if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
            const std::string page = line.substr(tab + 1);
            pages.emplace(LowerText(line.substr(0, tab)), page.substr(0, page.find('#')));
        }
        for (const WordInfo& info : Vocabulary()) {
            // A word of two kinds has one index entry: that of its first kind.
            if (FindWord(info.word) != &info) continue;
            const std::string file(info.helpPage.substr(0, info.helpPage.find('#')));
            const auto [first, last] = pages.equal_range(LowerText(info.word));
            EXPECT_TRUE(std::any_of(first, last, [&file](const auto& entry) { return entry.second == file; }))
                << language << " " << info.word << " " << file;
        }
    }
}

}  // namespace
}  // namespace kresbon
