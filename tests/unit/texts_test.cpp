#include "platform/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace kresbon::strings_data {
extern const char* const english;
extern const char* const czech;
}  // namespace kresbon::strings_data

namespace kresbon {
namespace {

// An independent reading of a table, strict about its form: every line that
// is neither empty nor a comment must be "offset<TAB>text".
struct CheckedTable {
    std::map<int, std::string> texts;
    std::vector<std::string> problems;
};

CheckedTable ReadTable(std::string_view data, const std::string& tableName) {
    CheckedTable table;
    int lineNumber = 0;
    while (!data.empty()) {
        ++lineNumber;
        const std::size_t end = std::min(data.find('\n'), data.size());
        const std::string_view line = data.substr(0, end);
        data.remove_prefix(std::min(end + 1, data.size()));
        if (line.empty() || line[0] == '#') continue;

        const std::string where = tableName + " line " + std::to_string(lineNumber);
        const std::size_t tab = line.find('\t');
        int offset = -1;
        if (tab == std::string_view::npos ||
            std::from_chars(line.data(), line.data() + tab, offset).ptr != line.data() + tab) {
            table.problems.push_back(where + ": not an offset and a tab");
            continue;
        }
        if (line.find('\r') != std::string_view::npos) table.problems.push_back(where + ": carriage return");
        if (!table.texts.emplace(offset, std::string(line.substr(tab + 1))).second) {
            table.problems.push_back(where + ": offset " + std::to_string(offset) + " appears twice");
        }
    }
    return table;
}

const CheckedTable& English() {
    static const CheckedTable table = ReadTable(strings_data::english, "English table");
    return table;
}

const CheckedTable& Czech() {
    static const CheckedTable table = ReadTable(strings_data::czech, "Czech table");
    return table;
}

std::size_t CharacterCount(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::optional<char> Accelerator(const std::string& caption) {
    const std::size_t amp = caption.find('&');
    if (amp == std::string::npos || amp + 1 >= caption.size()) return std::nullopt;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[amp + 1])));
}

// Messages are joined from several texts; the joints need the spaces.
// The Czech redeclaration message puts all its words before the name.
void ExpectSameJoints(int offset, const std::string& english, const std::string& czech) {
    if (offset != static_cast<int>(TextId::ProcedureIsRedeclaredTail)) {
        EXPECT_EQ(english.front() == ' ', czech.front() == ' ') << offset << ": \"" << czech << '"';
    }
    EXPECT_EQ(english.back() == ' ', czech.back() == ' ') << offset << ": \"" << czech << '"';
}

TEST(StringTables, AreWellFormed) {
    for (const CheckedTable* table : {&English(), &Czech()}) {
        for (const std::string& problem : table->problems) ADD_FAILURE() << problem;
    }
}

TEST(StringTables, HoldEveryTextTheProgramUses) {
    std::vector<int> used = {101, 102, 109, 110};
    const std::pair<int, int> ranges[] = {{79, 91}, {201, 294}, {301, 307}, {310, 350}, {352, 361}};
    for (const auto& [first, last] : ranges) {
        for (int n = first; n <= last; ++n) used.push_back(n);
    }
    for (int n : used) {
        EXPECT_TRUE(English().texts.count(n)) << "English table lacks offset " << n;
        EXPECT_TRUE(Czech().texts.count(n)) << "Czech table lacks offset " << n;
    }
}

TEST(StringTables, HoldEveryNamedText) {
    std::set<int> offsets;
    for (const TextId id : AllTextIds) {
        const int offset = static_cast<int>(id);
        EXPECT_TRUE(offsets.insert(offset).second) << "two names for offset " << offset;
        const auto english = English().texts.find(offset);
        const auto czech = Czech().texts.find(offset);
        if (english == English().texts.end() || czech == Czech().texts.end()) {
            ADD_FAILURE() << "offset " << offset << " is named but missing from a table";
            continue;
        }
        ASSERT_FALSE(english->second.empty()) << offset;
        ASSERT_FALSE(czech->second.empty()) << offset;
        ExpectSameJoints(offset, english->second, czech->second);
    }
}

TEST(StringTables, HoldTheSameOffsets) {
    for (const auto& [offset, text] : English().texts) {
        EXPECT_TRUE(Czech().texts.count(offset)) << "Czech table lacks offset " << offset;
    }
    for (const auto& [offset, text] : Czech().texts) {
        EXPECT_TRUE(English().texts.count(offset)) << "English table lacks offset " << offset;
    }
}

TEST(StringTables, CzechKeepsTheShapeOfEachEnglishText) {
    for (const auto& [offset, english] : English().texts) {
        const auto it = Czech().texts.find(offset);
        if (it == Czech().texts.end()) continue;
        const std::string& czech = it->second;
        ASSERT_FALSE(english.empty()) << offset;
        ASSERT_FALSE(czech.empty()) << offset;
        ExpectSameJoints(offset, english, czech);
        EXPECT_EQ(std::count(english.begin(), english.end(), '&'),
                  std::count(czech.begin(), czech.end(), '&'))
            << offset << ": \"" << czech << '"';
    }
}

TEST(StringTables, TextsFitTheCodePageAndTheLengthLimit) {
    for (const CheckedTable* table : {&English(), &Czech()}) {
        for (const auto& [offset, text] : table->texts) {
            EXPECT_TRUE(IsValidUtf8(text)) << offset;
            EXPECT_EQ(Cp1250ToUtf8(Utf8ToCp1250(text)), text) << offset << " has a character outside Windows-1250";
            EXPECT_LE(CharacterCount(text), 254u) << offset;
        }
    }
}

TEST(StringTables, MenuAcceleratorsAreDistinctWithinEachMenu) {
    const std::vector<std::vector<int>> menus = {
        {203, 210, 215},                    // menu bar
        {204, 205, 206, 207, 208, 209},     // script
        {211, 212, 311, 213, 214},          // drawing
        {312, 313, 314, 315, 316, 317, 318, 319, 320, 321, 322},  // layers
        {216, 217, 218, 221},               // help
        {219, 220},                         // language
    };
    for (int base : {EnglishBase, CzechBase}) {
        for (const auto& menu : menus) {
            std::set<char> used;
            for (int n : menu) {
                const std::string caption = TextUtf8(base, n);
                const std::optional<char> key = Accelerator(caption);
                ASSERT_TRUE(key) << base + n << " \"" << caption << "\" has no accelerator";
                EXPECT_TRUE(used.insert(*key).second) << base + n << " \"" << caption << "\" repeats '" << *key << "'";
            }
        }
    }
}

TEST(Texts, LoaderReturnsEachTableTextUnchanged) {
    for (const auto& [offset, text] : English().texts) EXPECT_EQ(TextUtf8(EnglishBase, offset), text) << offset;
    for (const auto& [offset, text] : Czech().texts) EXPECT_EQ(TextUtf8(CzechBase, offset), text) << offset;
}

TEST(Texts, KnownTexts) {
    EXPECT_EQ(TextUtf8(EnglishBase, 79), "&Yes");
    EXPECT_EQ(TextUtf8(CzechBase, 79), "&Ano");
    EXPECT_EQ(TextUtf8(EnglishBase, 253), " not exist.");
    EXPECT_EQ(TextUtf8(EnglishBase, 293), "Line ");
    EXPECT_EQ(TextUtf8(CzechBase, 293), "Řádek ");
    EXPECT_EQ(TextUtf8(CzechBase, 302), ")?");
    EXPECT_EQ(TextUtf8(CzechBase, 270),
              "Nesprávný počet parametrů. Pozor: Čísla mají desetinnou tečku, ne desetinnou čárku!");
    for (int n : {110, 201, 202, 294}) {
        EXPECT_EQ(TextUtf8(EnglishBase, n), "Kresbon");
        EXPECT_EQ(TextUtf8(CzechBase, n), "Kresbon");
    }
}

TEST(Texts, TextGivesWindows1250Bytes) {
    EXPECT_EQ(Text(CzechBase, 293), "\xD8\xE1" "dek ");
    EXPECT_EQ(Text(CzechBase, 88), "Varov\xE1n\xED");
    EXPECT_EQ(Text(EnglishBase, 89), "Error");
}

TEST(Texts, MissingTextsAreEmpty) {
    for (int n : {-1, 0, 100, 351, 999, 1079, 100000}) {
        EXPECT_EQ(TextUtf8(EnglishBase, n), "") << n;
        EXPECT_EQ(Text(CzechBase, n), "") << n;
    }
}

TEST(Texts, UnknownLanguageFallsBackToEnglish) {
    EXPECT_EQ(TextUtf8(0, 89), "Error");
    EXPECT_EQ(TextUtf8(3000, 89), "Error");
}

// Sets the locale variables for one test and puts the old values back.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* lcAll, const char* lcMessages, const char* lang) {
        for (const char* name : Names) {
            const char* value = std::getenv(name);
            saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
        Set("LC_ALL", lcAll);
        Set("LC_MESSAGES", lcMessages);
        Set("LANG", lang);
    }
    ~LocaleEnvironment() {
        for (std::size_t i = 0; i < 3; ++i) Set(Names[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    }

private:
    static constexpr const char* Names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    static void Set(const char* name, const char* value) {
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    std::vector<std::optional<std::string>> saved_;
};

TEST(SystemLanguage, FirstSetVariableDecides) {
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        int expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, EnglishBase},
        {"cs_CZ.UTF-8", nullptr, nullptr, CzechBase},
        {nullptr, "sk_SK", "en_GB.UTF-8", CzechBase},
        {nullptr, nullptr, "cs", CzechBase},
        {nullptr, nullptr, "cs_CZ@euro", CzechBase},
        {"en_US.UTF-8", nullptr, "cs_CZ.UTF-8", EnglishBase},
        {"", "", "cs_CZ.UTF-8", CzechBase},  // empty counts as not set
        {"C", nullptr, "cs_CZ.UTF-8", EnglishBase},
        {nullptr, nullptr, "csb_PL.UTF-8", EnglishBase},  // Kashubian
        {nullptr, nullptr, "de_DE", EnglishBase},
    };
    for (const Case& c : cases) {
        LocaleEnvironment environment(c.lcAll, c.lcMessages, c.lang);
        EXPECT_EQ(SystemLanguageBase(), c.expected)
            << (c.lcAll ? c.lcAll : "-") << ' ' << (c.lcMessages ? c.lcMessages : "-") << ' '
            << (c.lang ? c.lang : "-");
    }
}

}  // namespace
}  // namespace kresbon
