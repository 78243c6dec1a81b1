// Checks the help pages as the help window and the reader meet them: both
// languages hold the same pages, every link and keyword leads somewhere, the
// messages quoted are the program's own wording, and every example runs.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/bmp_writer.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/encoding.h"
#include "platform/surface.h"
#include "platform/texts.h"

namespace kresbon {
namespace {

namespace fs = std::filesystem;

const fs::path HelpRoot = fs::path(KRESBON_TEST_DATA) / ".." / ".." / "resources" / "help";

struct Language {
    const char* folder;
    int base;
};
constexpr std::array<Language, 2> Languages{{{"KR1000", EnglishBase}, {"KR2000", CzechBase}}};

void PrintTo(const Language& language, std::ostream* out) { *out << language.folder; }

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> FileNames(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) names.insert(entry.path().filename().string());
    return names;
}

std::vector<std::string> PageNames(const fs::path& folder)
{
    std::vector<std::string> pages;
    for (const std::string& name : FileNames(folder))
        if (name.ends_with(".html")) pages.push_back(name);
    return pages;
}

// All first groups of a pattern's matches, in order.
std::vector<std::string> Captures(const std::string& text, const std::string& pattern)
{
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str());
    return found;
}

std::string DecodeEntities(std::string text)
{
    static const std::array<std::pair<std::string, std::string>, 6> entities{{
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}, {"&amp;", "&"}}};
    for (const auto& [entity, character] : entities) {
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, entity.size(), character);
    }
    return text;
}

std::set<std::string> Anchors(const std::string& html)
{
    const auto ids = Captures(html, R"re(\sid="([^"]+)")re");
    return {ids.begin(), ids.end()};
}

std::vector<std::string> Examples(const std::string& html)
{
    return Captures(html, R"re(<pre class="example">([\s\S]*?)</pre>)re");
}

// The files an example expects beside it: name and contents.
std::vector<std::pair<std::string, std::string>> ExampleFiles(const std::string& html)
{
    std::vector<std::pair<std::string, std::string>> files;
    const std::regex re(R"re(<pre class="example-file" title="([^"]+)">([\s\S]*?)</pre>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), re); it != std::sregex_iterator(); ++it)
        files.emplace_back((*it)[1].str(), DecodeEntities((*it)[2].str()));
    return files;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class HelpPages : public ::testing::TestWithParam<Language> {
protected:
    fs::path folder() const { return HelpRoot / GetParam().folder; }
    std::string page(const std::string& name) const { return ReadFile(folder() / name); }
};

TEST(HelpLanguages, HoldTheSamePagesAnchorsAndExamples)
{
    const fs::path english = HelpRoot / "KR1000";
    const fs::path czech = HelpRoot / "KR2000";
    ASSERT_TRUE(fs::is_regular_file(english / "index.html")) << english;
    ASSERT_EQ(FileNames(english), FileNames(czech));
    for (const std::string& name : PageNames(english)) {
        const std::string en = ReadFile(english / name);
        const std::string cs = ReadFile(czech / name);
        EXPECT_EQ(Anchors(en), Anchors(cs)) << name;
        EXPECT_EQ(Examples(en).size(), Examples(cs).size()) << name;
        EXPECT_EQ(ExampleFiles(en).size(), ExampleFiles(cs).size()) << name;
    }
}

TEST_P(HelpPages, AreUtf8WithTitleAndTheSharedStyle)
{
    for (const std::string& name : PageNames(folder())) {
        const std::string html = page(name);
        EXPECT_TRUE(IsValidUtf8(html)) << name;
        EXPECT_NE(html.find(R"(<meta charset="utf-8">)"), std::string::npos) << name;
        // The help window loads a style sheet only when its type is given.
        EXPECT_NE(html.find(R"(<link rel="stylesheet" type="text/css" href="help.css">)"), std::string::npos)
            << name;
        const auto titles = Captures(html, "<title>([^<]+)</title>");
        ASSERT_EQ(titles.size(), 1u) << name;
        for (const char* tag : {"pre", "table", "ul", "ol", "p", "h2"}) {
            EXPECT_EQ(Count(html, std::string("<") + tag + ">") + Count(html, std::string("<") + tag + " "),
                      Count(html, std::string("</") + tag + ">"))
                << name << ": unbalanced <" << tag << ">";
        }
    }
}

TEST_P(HelpPages, LinksLeadToExistingPagesAndAnchors)
{
    for (const std::string& name : PageNames(folder())) {
        const std::string html = page(name);
        for (const std::string& link : Captures(html, R"re((?:href|src)="([^"]*)")re")) {
            ASSERT_FALSE(link.empty()) << name;
            ASSERT_EQ(link.find("://"), std::string::npos) << name << " links outside the help: " << link;
            const std::size_t hash = link.find('#');
            const std::string file = link.substr(0, hash);
            const fs::path target = file.empty() ? folder() / name : folder() / file;
            ASSERT_TRUE(fs::is_regular_file(target)) << name << " -> " << link;
            if (hash != std::string::npos) {
                EXPECT_TRUE(Anchors(ReadFile(target)).contains(link.substr(hash + 1))) << name << " -> " << link;
            }
        }
    }
}

TEST_P(HelpPages, ContentsPageReachesEveryPage)
{
    const auto linked = Captures(page("index.html"), R"re(href="([^"#]+\.html))re");
    const std::set<std::string> reachable(linked.begin(), linked.end());
    for (const std::string& name : PageNames(folder())) {
        if (name != "index.html") {
            EXPECT_TRUE(reachable.contains(name)) << name << " is not in the contents";
        }
    }
}

TEST_P(HelpPages, KeywordsAreUniqueAndLeadToExistingPages)
{
    std::istringstream lines(page("keywords.txt"));
    std::set<std::string> seen;
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line.front() == '#') continue;
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << "no tab in: " << line;
        const std::string keyword = line.substr(0, tab);
        const std::string target = line.substr(tab + 1);
        EXPECT_TRUE(seen.insert(keyword).second) << "keyword twice: " << keyword;
        const std::size_t hash = target.find('#');
        const fs::path file = folder() / target.substr(0, hash);
        ASSERT_TRUE(fs::is_regular_file(file)) << keyword << " -> " << target;
        if (hash != std::string::npos) {
            EXPECT_TRUE(Anchors(ReadFile(file)).contains(target.substr(hash + 1))) << keyword << " -> " << target;
        }
    }
    // Every command and global variable can be found by its name.
    for (const char* word : {"Point", "Line", "Rectangle", "Ellipse", "Circle", "CirclePart", "FillArea",
                             "DimLine", "Text", "Picture", "PixelsPerUnit", "MaximumX", "MaximumY",
                             "BackgroundColor", "DefaultColor", "DefaultFontName", "DefaultFontSize",
                             "DefaultDimAngle", "DefaultDimLength", "ShiftX", "ShiftY", "Layer", "Procedure",
                             "@include", "F1", "F2", "F5"})
        EXPECT_TRUE(seen.contains(word)) << word;
}

// A message as the program builds it: fixed texts with a quoted word between
// each two of them, or any text for the drawing-size message.
struct MessageForm {
    std::vector<std::string> parts;
    bool anyMiddle = false;
};

bool Matches(const std::string& message, const MessageForm& form)
{
    if (!message.starts_with(form.parts.front())) return false;
    std::size_t at = form.parts.front().size();
    for (std::size_t i = 1; i < form.parts.size(); ++i) {
        const std::string& part = form.parts[i];
        if (form.anyMiddle) {
            const std::size_t found = message.rfind(part);
            if (found == std::string::npos || found < at) return false;
            at = found;
        } else {
            if (at >= message.size() || message[at] != '"') return false;
            const std::size_t close = message.find('"', at + 1);
            if (close == std::string::npos) return false;
            at = close + 1;
        }
        if (message.compare(at, part.size(), part) != 0) return false;
        at += part.size();
    }
    return at == message.size();
}

std::vector<MessageForm> MessageForms(int base)
{
    auto t = [base](int n) { return TextUtf8(base, n); };
    std::vector<MessageForm> forms;
    for (int n = 252; n <= 399; ++n)
        if (!t(n).empty()) forms.push_back({{t(n)}});
    for (auto [prefix, suffix] : std::initializer_list<std::pair<int, int>>{
             {252, 253}, {254, 255}, {256, 257}, {260, 261}, {265, 266}, {291, 292}, {301, 302}, {304, 305},
             {328, 329}, {330, 331}, {334, 335}, {336, 337}, {339, 340}, {341, 342}, {346, 347}, {352, 353},
             {355, 356}, {360, 361}, {362, 363}, {364, 365}})
        forms.push_back({{t(prefix), t(suffix)}});
    forms.push_back({{"", t(280)}});
    forms.push_back({{t(343), t(344), t(345)}});
    forms.push_back({{t(357), t(358)}, true});
    forms.push_back({{t(590)}});
    return forms;
}

TEST_P(HelpPages, QuotedMessagesAreTheProgramsOwnWording)
{
    const std::vector<MessageForm> forms = MessageForms(GetParam().base);
    int checked = 0;
    for (const std::string& name : PageNames(folder())) {
        for (const std::string& raw : Captures(page(name), R"re(class="msg">([\s\S]*?)</(?:td|span)>)re")) {
            const std::string message = DecodeEntities(raw);
            const bool known = std::any_of(forms.begin(), forms.end(),
                                           [&](const MessageForm& f) { return Matches(message, f); });
            EXPECT_TRUE(known) << name << ": " << message;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

class TestHost : public Host {
public:
    int language = EnglishBase;
    std::string folder;
    bool layerShown(int layer) const override { return layer >= 1 && layer <= 9; }
    int viewWidth() const override { return 800; }
    int viewHeight() const override { return 600; }
    int colourDepth() const override { return 24; }
    std::string programFolder() const override { return folder; }
    std::string currentScriptFile() const override { return folder + "/example.krs"; }
    int languageBase() const override { return language; }
};

// A folder for the examples to run in, holding the picture they name.
class ExampleFolder {
public:
    ExampleFolder() : path_(fs::temp_directory_path() / ("kresbon_help_" + std::to_string(::getpid())))
    {
        fs::create_directories(path_);
        Surface picture(40, 30, 24);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) picture.setPixel(x, y, makeRgb(x * 6, y * 8, 128));
        WriteBmpFile(picture, (path_ / "sample.bmp").string());
    }
    ~ExampleFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }

private:
    fs::path path_;
};

struct ExampleRun {
    RunReport report;
    std::vector<Rgb> pixels;
};

ExampleRun RunExample(const ExampleFolder& folder, int base, const std::string& script)
{
    TestHost host;
    host.language = base;
    host.folder = folder.path().string();
    Interpreter interpreter(host);
    ExampleRun run{interpreter.RunScript(DecodeScript(script).lines), {}};
    run.pixels = interpreter.canvas().colours();
    return run;
}

// Both languages' examples run without a script error; an example that
// writes no text draws the same in both languages.
TEST(HelpExamples, RunWithoutScriptErrorInBothLanguages)
{
    const ExampleFolder folder;
    int examples = 0;
    for (const std::string& name : PageNames(HelpRoot / "KR1000")) {
        std::array<std::vector<ExampleRun>, 2> runs;
        std::array<std::vector<std::string>, 2> scripts;
        for (std::size_t l = 0; l < Languages.size(); ++l) {
            const std::string html = ReadFile(HelpRoot / Languages[l].folder / name);
            for (const auto& [file, text] : ExampleFiles(html)) folder.write(file, text);
            for (const std::string& raw : Examples(html)) {
                const std::string script = DecodeEntities(raw);
                ExampleRun run = RunExample(folder, Languages[l].base, script);
                EXPECT_TRUE(run.report.valid)
                    << Languages[l].folder << "/" << name << ", line " << run.report.lineNumber << ": "
                    << Cp1250ToUtf8(run.report.message) << "\n" << script;
                scripts[l].push_back(script);
                runs[l].push_back(std::move(run));
                ++examples;
            }
        }
        for (std::size_t i = 0; i < runs[0].size() && i < runs[1].size(); ++i) {
            if (scripts[0][i].find("Text ") != std::string::npos) continue;
            EXPECT_TRUE(runs[0][i].pixels == runs[1][i].pixels)
                << name << ": example " << i + 1 << " draws differently in the two languages";
        }
    }
    EXPECT_GT(examples, 60);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, HelpPages, ::testing::ValuesIn(Languages),
                         [](const auto& info) { return std::string(info.param.folder); });

}  // namespace
}  // namespace kresbon
