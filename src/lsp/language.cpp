#include "lsp/language.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "interpreter/vocabulary.h"
#include "platform/encoding.h"
#include "platform/fonts.h"
#include "platform/text_helpers.h"
#include "platform/texts.h"

namespace kresbon::lsp {

namespace {

// Completion item kinds and symbol kinds of the protocol.
constexpr int ItemFunction = 3, ItemVariable = 6, ItemKeyword = 14, ItemColour = 16, ItemEnumMember = 20,
              ItemFile = 17;
constexpr int SymbolFunction = 12;

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || static_cast<unsigned char>(c) >= 0x80;
}

std::string_view FirstWord(std::string_view line)
{
    line = Trimmed(line);
    const std::size_t end = std::min(line.find_first_of(" =\t"), line.size());
    return line.substr(0, end);
}

std::string Lower(std::string_view s)
{
    return LowerText(s);
}

// Where the text before the cursor puts it.
struct Place {
    bool inComment = false;
    bool lineStart = false;         // still in the first word
    std::string_view word;          // the line's first word
    bool assignment = false;        // after "="
    int parameter = 0;              // 0-based parameter the cursor is in
};

Place PlaceIn(std::string_view before)
{
    Place place;
    bool quoted = false;
    int commas = 0;
    for (char c : before) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '%') place.inComment = true;
        if (!quoted && c == ',') ++commas;
        if (!quoted && c == '=') place.assignment = true;
    }
    const std::string_view trimmed = before.substr(std::min(before.find_first_not_of(" \t"), before.size()));
    place.word = FirstWord(trimmed);
    place.lineStart = !place.assignment && trimmed.find(' ') == std::string_view::npos;
    place.parameter = commas;
    return place;
}

std::string ParameterList(const WordInfo& info, int language)
{
    std::string text;
    for (const ParameterInfo& p : info.parameters) {
        if (!text.empty()) text += ", ";
        text += TextUtf8(language, p.nameText);
    }
    return text;
}

json Item(std::string_view label, int kind, const std::string& detail = {})
{
    json item{{"label", std::string(label)}, {"kind", kind}};
    if (!detail.empty()) item["detail"] = detail;
    return item;
}

void AddWords(json& items, std::initializer_list<WordKind> kinds, int itemKind)
{
    std::vector<std::string_view> seen;
    for (std::string_view word : WordsOfKinds(kinds)) {
        if (std::find(seen.begin(), seen.end(), word) != seen.end()) continue;
        seen.push_back(word);
        items.push_back(Item(word, itemKind));
    }
}

void AddValues(json& items, ParameterKind kind)
{
    switch (kind) {
    case ParameterKind::Colour:
        AddWords(items, {WordKind::Colour}, ItemColour);
        items.push_back(Item("DefaultColor", ItemVariable));
        break;
    case ParameterKind::LineType: AddWords(items, {WordKind::LineType}, ItemEnumMember); break;
    case ParameterKind::FillType: AddWords(items, {WordKind::FillType}, ItemEnumMember); break;
    case ParameterKind::DimEnd: AddWords(items, {WordKind::DimEnd}, ItemEnumMember); break;
    case ParameterKind::Font:
        for (const std::string& family : InstalledFontFamilies()) items.push_back(Item('"' + family + '"', ItemFile));
        break;
    default: break;
    }
}

json Position(int line, int character)
{
    return {{"line", line}, {"character", character}};
}

json Range(int line1, int character1, int line2, int character2)
{
    return {{"start", Position(line1, character1)}, {"end", Position(line2, character2)}};
}

// The first paragraph of a help page, without its markup.
std::string HelpSummary(const std::string& helpFolder, int language, std::string_view page)
{
    const std::string file(page.substr(0, page.find('#')));
    std::ifstream in(helpFolder + (language == CzechBase ? "/KR2000/" : "/KR1000/") + file, std::ios::binary);
    if (!in) return {};
    std::stringstream html;
    html << in.rdbuf();
    const std::string text = html.str();
    const std::size_t start = text.find("<p>", text.find("<h1"));
    if (start == std::string::npos) return {};
    const std::size_t end = std::min(text.find("</p>", start), text.size());
    std::string summary;
    bool tag = false;
    for (std::size_t i = start; i < end; ++i) {
        const char c = text[i];
        if (c == '<') tag = true;
        else if (c == '>') tag = false;
        else if (!tag) summary += c == '\n' ? ' ' : c;
    }
    for (const auto& [entity, plain] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        for (std::size_t at = summary.find(entity); at != std::string::npos; at = summary.find(entity, at + 1))
            summary.replace(at, std::string_view(entity).size(), plain);
    }
    return summary;
}

}  // namespace

std::string PathOfUri(std::string_view uri)
{
    if (!uri.starts_with("file://")) return {};
    uri.remove_prefix(7);
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
            path += static_cast<char>(std::stoi(std::string(uri.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            path += uri[i];
        }
    }
    return path;
}

std::string UriOfPath(std::string_view path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::string_view("/-._~").find(static_cast<char>(c)) != std::string_view::npos) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

std::size_t ByteOfColumn(std::string_view line, long long column)
{
    std::size_t byte = 0;
    long long units = 0;
    while (byte < line.size() && units < column) {
        const unsigned char c = static_cast<unsigned char>(line[byte]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        units += length == 4 ? 2 : 1;
        byte = std::min(line.size(), byte + length);
    }
    return byte;
}

int ColumnOfByte(std::string_view line, std::size_t byte)
{
    int units = 0;
    for (std::size_t i = 0; i < std::min(byte, line.size()); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

Document::Document(std::string uri, std::string text)
    : uri_(std::move(uri)), text_(std::move(text)), path_(PathOfUri(uri_))
{
    std::string_view rest(text_);
    for (;;) {
        const std::size_t newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines_.emplace_back(line);
        if (newline == std::string_view::npos) break;
        rest.remove_prefix(newline + 1);
    }
    ProcedureInfo* open = nullptr;
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        const std::string_view word = FirstWord(lines_[i]);
        if (EqualsFolded(word, "end") && open) {
            open->endLine = i;
            open = nullptr;
        } else if (EqualsFolded(word, "procedure")) {
            const std::string_view line = lines_[i];
            const std::size_t after = line.find_first_not_of(' ', line.find(word) + word.size());
            if (after == std::string_view::npos) continue;
            const std::string_view declaration = Trimmed(line.substr(after, line.find('%', after) - after));
            ProcedureInfo info;
            info.name = std::string(FirstWord(declaration).substr(0, declaration.find(',')));
            if (info.name.empty()) continue;
            info.declaration = std::string(declaration);
            std::string_view parameters = Trimmed(declaration.substr(info.name.size()));
            while (!parameters.empty()) {
                const std::size_t comma = std::min(parameters.find(','), parameters.size());
                info.parameters.emplace_back(Trimmed(parameters.substr(0, comma)));
                parameters = comma < parameters.size() ? parameters.substr(comma + 1) : std::string_view();
            }
            info.line = i;
            info.endLine = static_cast<int>(lines_.size()) - 1;
            info.nameStart = ColumnOfByte(line, after);
            info.nameEnd = ColumnOfByte(line, after + info.name.size());
            procedures_.push_back(std::move(info));
            open = &procedures_.back();
        }
    }
}

const ProcedureInfo* Document::findProcedure(std::string_view name) const
{
    for (const ProcedureInfo& p : procedures_)
        if (Lower(p.name) == Lower(name)) return &p;
    return nullptr;
}

namespace {

// The line and the byte of a protocol position, clamped to the document.
std::pair<std::string_view, std::size_t> LineAt(const std::vector<std::string>& lines, const json& position)
{
    const long long line = position.value("line", 0LL);
    if (line < 0 || line >= static_cast<long long>(lines.size())) return {{}, 0};
    const std::string_view text = lines[line];
    return {text, ByteOfColumn(text, position.value("character", 0LL))};
}

std::string_view WordAround(std::string_view line, std::size_t byte)
{
    std::size_t start = std::min(byte, line.size());
    std::size_t end = start;
    while (start > 0 && IsWordChar(line[start - 1])) --start;
    while (end < line.size() && IsWordChar(line[end])) ++end;
    return line.substr(start, end - start);
}

}  // namespace

json Document::Completion(const json& position, int language) const
{
    const auto [line, byte] = LineAt(lines_, position);
    const Place place = PlaceIn(line.substr(0, byte));
    json items = json::array();
    if (place.inComment) return items;
    if (place.lineStart) {
        for (const WordInfo& info : Vocabulary()) {
            if (info.kind == WordKind::Command)
                items.push_back(Item(info.word, ItemFunction, std::string(info.word) + ' ' + ParameterList(info, language)));
            else if (info.kind == WordKind::Global)
                items.push_back(Item(info.word, ItemVariable, std::string(info.word) + " = " + ParameterList(info, language)));
            else if (info.kind == WordKind::Keyword)
                items.push_back(Item(info.word, ItemKeyword));
        }
        for (const ProcedureInfo& p : procedures_) items.push_back(Item(p.name, ItemFunction, p.declaration));
        return items;
    }
    const WordInfo* info = FindWord(place.word);
    if (!info || info->kind == WordKind::Keyword) return items;
    if (info->kind == WordKind::Global) {
        if (!info->parameters.empty()) AddValues(items, info->parameters.front().kind);
        return items;
    }
    if (place.parameter < static_cast<int>(info->parameters.size()))
        AddValues(items, info->parameters[place.parameter].kind);
    return items;
}

json Document::SignatureHelp(const json& position, int language) const
{
    const auto [line, byte] = LineAt(lines_, position);
    const Place place = PlaceIn(line.substr(0, byte));
    if (place.inComment || place.lineStart || place.assignment) return nullptr;
    std::string label;
    std::vector<std::string> names;
    if (const WordInfo* info = FindWord(place.word); info && info->kind == WordKind::Command) {
        label = std::string(info->word);
        for (const ParameterInfo& p : info->parameters) names.push_back(TextUtf8(language, p.nameText));
    } else if (const ProcedureInfo* procedure = findProcedure(place.word)) {
        label = procedure->name;
        names = procedure->parameters;
    } else {
        return nullptr;
    }
    json parameters = json::array();
    for (std::size_t i = 0; i < names.size(); ++i) {
        label += i == 0 ? " " : ", ";
        const int start = ColumnOfByte(label, label.size());
        label += names[i];
        parameters.push_back({{"label", {start, ColumnOfByte(label, label.size())}}});
    }
    return {{"signatures", {{{"label", label}, {"parameters", parameters}}}},
            {"activeSignature", 0},
            {"activeParameter", place.parameter}};
}

json Document::Hover(const json& position, int language, const std::string& helpFolder) const
{
    const auto [line, byte] = LineAt(lines_, position);
    const std::string_view word = WordAround(line, byte);
    if (word.empty()) return nullptr;
    std::string text;
    if (const ProcedureInfo* procedure = findProcedure(word)) {
        text = "```kresbon\nProcedure " + procedure->declaration + "\n```";
    } else if (const WordInfo* info = FindWord(word)) {
        text = "**" + std::string(info->word) + "**";
        if (!info->parameters.empty())
            text += (info->kind == WordKind::Global ? " = " : " ") + ParameterList(*info, language);
        const std::string summary = HelpSummary(helpFolder, language, info->helpPage);
        if (!summary.empty()) text += "\n\n" + summary;
    } else {
        return nullptr;
    }
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}};
}

json Document::Definition(const json& position) const
{
    const auto [line, byte] = LineAt(lines_, position);
    if (EqualsFolded(FirstWord(line), "@include")) {
        const std::size_t open = line.find('"');
        const std::size_t close = open == std::string_view::npos ? open : line.find('"', open + 1);
        if (close == std::string_view::npos) return nullptr;
        std::string name(line.substr(open + 1, close - open - 1));
        std::replace(name.begin(), name.end(), '\\', '/');
        if (!name.starts_with('/')) {
            const std::size_t slash = path_.find_last_of('/');
            if (slash == std::string::npos) return nullptr;
            name = path_.substr(0, slash + 1) + name;
        }
        return {{"uri", UriOfPath(name)}, {"range", Range(0, 0, 0, 0)}};
    }
    const ProcedureInfo* procedure = findProcedure(WordAround(line, byte));
    if (!procedure) return nullptr;
    return {{"uri", uri_}, {"range", Range(procedure->line, procedure->nameStart, procedure->line, procedure->nameEnd)}};
}

json Document::Symbols() const
{
    json symbols = json::array();
    for (const ProcedureInfo& p : procedures_) {
        const json selection = Range(p.line, p.nameStart, p.line, p.nameEnd);
        symbols.push_back({{"name", p.name},
                           {"detail", p.declaration},
                           {"kind", SymbolFunction},
                           {"range", Range(p.line, 0, p.endLine, ColumnOfByte(lines_[p.endLine], lines_[p.endLine].size()))},
                           {"selectionRange", selection}});
    }
    return symbols;
}

json Document::FoldingRanges() const
{
    json ranges = json::array();
    for (const ProcedureInfo& p : procedures_)
        if (p.endLine > p.line) ranges.push_back({{"startLine", p.line}, {"endLine", p.endLine}});
    return ranges;
}

namespace {

class QuietHost : public Host {
public:
    QuietHost(std::string script, std::string folder, int language)
        : script_(std::move(script)), folder_(std::move(folder)), language_(language)
    {
    }
    bool layerShown(int) const override { return true; }
    int viewWidth() const override { return 800; }
    int viewHeight() const override { return 600; }
    int colourDepth() const override { return 4; }
    std::string programFolder() const override { return folder_; }
    std::string currentScriptFile() const override { return script_; }
    int languageBase() const override { return language_; }

private:
    std::string script_, folder_;
    int language_;
};

std::string ForEditor(const std::string& cp1250)
{
    std::string text = Cp1250ToUtf8(cp1250);
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

}  // namespace

json Document::Diagnostics(int language, const std::string& programFolder, int budgetMilliseconds) const
{
    QuietHost host(path_, programFolder, language);
    Interpreter interpreter(host);
    RunControl control;
    interpreter.setRunControl(&control);
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!finished.wait_for(lock, std::chrono::milliseconds(budgetMilliseconds), [&] { return done; }))
            control.cancel.store(true);
    });
    const RunReport report = interpreter.RunScript(DecodeScript(text_).lines);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
    json diagnostics = json::array();
    // A run stopped for time says nothing of the script.
    if (report.valid || control.cancel.load()) return diagnostics;
    const int line = std::clamp(report.lineNumber - 1, 0, static_cast<int>(lines_.size()) - 1);
    std::string message = ForEditor(report.message);
    if (!report.suggestions.empty()) message += '\n' + ForEditor(report.HintText(language));
    diagnostics.push_back({{"range", Range(line, 0, line, ColumnOfByte(lines_[line], lines_[line].size()))},
                           {"severity", 1},
                           {"source", "kresbon"},
                           {"message", message}});
    return diagnostics;
}

}  // namespace kresbon::lsp
