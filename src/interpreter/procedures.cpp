#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "interpreter/interpreter.h"
#include "platform/text_helpers.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

// One call in progress: the name as the call wrote it, its argument texts
// and the parameter names of the header, and where its body starts.
struct Interpreter::CallRecord {
    std::string name;
    std::vector<std::string> arguments;
    std::vector<std::string> parameters;
    std::size_t longestParameter = 0;
    std::size_t bodyStart = 0;
};

namespace {

// Occurrences that ReplaceText replaces: non-overlapping, left to right.
std::size_t countOccurrences(std::string_view text, std::string_view search)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(search); at != std::string_view::npos;
         at = text.find(search, at + search.size()))
        ++count;
    return count;
}

// Fields of a comma list outside quotes, trimmed, up to the first empty one.
std::vector<std::string> leadingFields(std::string_view text)
{
    std::vector<std::string> fields;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size()) {
            if (text[i] == QuoteChar) quoted = !quoted;
            if (text[i] != ',' || quoted) continue;
        }
        std::string field = Trim(text.substr(start, i - start));
        if (field.empty()) break;
        fields.push_back(std::move(field));
        start = i + 1;
    }
    return fields;
}

// The word a line is classified by: the name before the first '=' outside
// quotes of an assignment, else the command word.
std::string_view lineWord(std::string_view line)
{
    const std::size_t equals = FindOutsideQuotes(line, '=');
    return Trimmed(line.substr(0, equals != std::string_view::npos ? equals : line.find(' ')));
}

std::string quoted(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    out += s;
    out += '"';
    return out;
}

}  // namespace

namespace {

// Lower-case words of the basic commands; the empty word (a blank line)
// counts as one.
constexpr std::array<std::string_view, 23> reserved{
        "",           "pixelsperunit", "maximumx",         "maximumy",        "backgroundcolor",
        "defaultcolor", "defaultfontname", "defaultfontsize", "defaultdimangle", "defaultdimlength",
        "shiftx",     "shifty",        "layer",            "point",           "line",
        "dimline",    "rectangle",     "ellipse",          "circle",          "circlepart",
        "fillarea",   "picture",       "text"};

}  // namespace

std::span<const std::string_view> Interpreter::BasicCommandWords()
{
    return reserved;
}

bool Interpreter::IsBasicCommand(std::string_view word)
{
    return std::any_of(reserved.begin(), reserved.end(),
                       [word](std::string_view r) { return EqualsFolded(word, r); });
}

bool Interpreter::IsProcedureName(std::string_view word) const
{
    return procedureHeaders_.contains(LowerText(word));
}

void Interpreter::clearProcedures()
{
    procedureLines_.clear();
    procedureNames_.clear();
    procedureHeaders_.clear();
    procedureOrigins_.clear();
    includedFiles_.clear();
}

void Interpreter::declareProcedure(std::string_view parameterText)
{
    const int lang = languageBase();
    const std::string name = Trim(QuotedField(Trim(parameterText), ' ', QuoteChar, 1));
    if (name.empty()) raise(TextId::ProcedureNameIsMissing);
    if (IsBasicCommand(name))
        throw vyjimka(Text(lang, TextId::ReservedWordHead) + quoted(name) + Text(lang, TextId::ReservedWordTail));
    if (IsProcedureName(name))
        throw vyjimka(Text(lang, TextId::ProcedureIsRedeclaredHead) + quoted(name) +
                      Text(lang, TextId::ProcedureIsRedeclaredTail));
    procedureNames_.push_back(name);
    // The header was stored just before; a call finds it by the declared
    // name however many spaces stand before that name.
    procedureHeaders_.emplace(LowerText(name), procedureLines_.size() - 1);
}

bool Interpreter::prepareCall(std::string_view line, CallRecord& record) const
{
    const int lang = languageBase();
    record.name = Trim(PlainField(line, ' ', 1));
    record.arguments = leadingFields(TextAfter(line, ' '));

    const auto header = procedureHeaders_.find(LowerText(record.name));
    if (header == procedureHeaders_.end()) return false;
    const std::string& headerLine = procedureLines_[header->second];
    record.bodyStart = header->second + 1;

    // The parameter list follows the name, which follows the keyword.
    const std::string afterKeyword = Trim(TextAfter(headerLine, ' '));
    record.parameters = leadingFields(TextAfter(afterKeyword, ' '));
    record.longestParameter = 0;
    // A few names are compared directly; a long list goes through a set, so
    // that the check grows with the length of the list.
    constexpr std::size_t directlyCompared = 16;
    std::unordered_set<std::string_view> seen;
    const auto begin = record.parameters.begin();
    for (auto it = begin; it != record.parameters.end(); ++it) {
        const std::string& parameter = *it;
        if (parameter[0] != '#')
            throw vyjimka(Text(lang, TextId::VariablesMustBeginWithHashHead) + quoted(record.name) +
                          Text(lang, TextId::VariablesMustBeginWithHashTail));
        bool repeated;
        if (record.parameters.size() <= directlyCompared) {
            repeated = std::find(begin, it, parameter) != it;
        } else {
            if (seen.empty()) seen.reserve(record.parameters.size());
            repeated = !seen.insert(parameter).second;
        }
        if (repeated)
            throw vyjimka(Text(lang, TextId::DuplicateParameterHead) + quoted(record.name) +
                          Text(lang, TextId::DuplicateParameterMiddle) + quoted(parameter) +
                          Text(lang, TextId::DuplicateParameterTail));
        record.longestParameter = std::max(record.longestParameter, parameter.size());
    }
    if (record.parameters.size() != record.arguments.size())
        throw vyjimka(Text(lang, TextId::WrongParameterCountHead) + quoted(record.name) +
                      Text(lang, TextId::WrongParameterCountTail));
    return true;
}

std::string Interpreter::substituteParameters(std::string_view line, const CallRecord& record) const
{
    std::string result(line);
    for (std::size_t length = record.longestParameter; length >= 1; --length) {
        for (std::size_t i = 0; i < record.parameters.size(); ++i) {
            if (record.parameters[i].size() != length) continue;
            // The length is known before the text is built, so that a line
            // over the limit costs no memory.
            const std::size_t count = countOccurrences(result, record.parameters[i]);
            const std::size_t kept = result.size() - count * length;
            const std::size_t argument = record.arguments[i].size();
            if (kept > MaxSubstitutedLine ||
                (argument > 0 && count > (MaxSubstitutedLine - kept) / argument))
                throw vyjimka(Text(languageBase(), TextId::LineTooLongHead) + quoted(record.name) +
                              Text(languageBase(), TextId::LineTooLongTail));
            if (count > 0) result = ReplaceText(result, record.parameters[i], record.arguments[i]);
        }
    }
    return result;
}

namespace {

std::size_t argumentBytes(const std::vector<std::string>& arguments)
{
    std::size_t bytes = 0;
    for (const std::string& argument : arguments) bytes += argument.size();
    return bytes;
}

}  // namespace

// Runs a call and every call nested in it with an explicit stack of call
// records, so that no script can exhaust the program's own stack.
void Interpreter::callProcedure(RunMode mode, std::string_view line)
{
    struct Frame {
        CallRecord record;
        std::size_t next;
        std::size_t heldBytes;
    };
    std::vector<Frame> calls;
    // The argument text that all the calls in progress hold together.
    std::size_t held = 0;
    const auto enter = [&](CallRecord&& record) {
        const std::size_t bytes = argumentBytes(record.arguments);
        if (bytes > MaxCallText - held)
            throw vyjimka(Text(languageBase(), TextId::CallTextTooLargeHead) + quoted(record.name) +
                          Text(languageBase(), TextId::CallTextTooLargeTail));
        held += bytes;
        const std::size_t start = record.bodyStart;
        calls.push_back({std::move(record), start, bytes});
    };
    const auto leave = [&] {
        held -= calls.back().heldBytes;
        calls.pop_back();
    };
    {
        CallRecord record;
        if (!prepareCall(line, record)) return;
        enter(std::move(record));
    }

    while (!calls.empty()) {
        stopWhenCancelled();
        Frame& frame = calls.back();
        if (frame.next >= procedureLines_.size()) {
            leave();
            continue;
        }
        const std::string& bodyLine = procedureLines_[frame.next++];
        const std::string_view word = lineWord(bodyLine);
        if (EqualsFolded(word, "end")) {
            leave();
        } else if (IsBasicCommand(word)) {
            if (watch_ != nullptr) {
                position_.calls.clear();
                for (const Frame& f : calls) position_.calls.push_back(procedureOrigins_[f.next - 1]);
            }
            ExecuteCommand(mode, substituteParameters(bodyLine, frame.record));
        } else if (IsProcedureName(word)) {
            const std::string nested = substituteParameters(bodyLine, frame.record);
            CallRecord record;
            if (!prepareCall(nested, record)) continue;
            if (calls.size() >= MaxCallDepth)
                throw vyjimka(Text(languageBase(), TextId::NestedTooDeeplyHead) + quoted(record.name) +
                              Text(languageBase(), TextId::NestedTooDeeplyTail));
            enter(std::move(record));
        } else {
            throw vyjimka(Text(languageBase(), TextId::UnknownCommandHead) + quoted(word) +
                              Text(languageBase(), TextId::UnknownCommandTail),
                          NearestLineStarts(word));
        }
    }
}

}  // namespace kresbon
