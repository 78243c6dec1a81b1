#include <filesystem>
#include <string>
#include <system_error>

#include "interpreter/interpreter.h"
#include "platform/script_path.h"
#include "interpreter/script_text.h"
#include "platform/text_helpers.h"
#include "platform/encoding.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

std::string RunReport::Text(int languageBase) const
{
    return kresbon::Text(languageBase, TextId::ErrorLineHead) + std::to_string(lineNumber) + ": \r" + message +
           "\r(" + lineText + ")";
}

Interpreter::Interpreter(Host& host) : host_(host), canvas_(std::make_unique<Surface>(0, 0, 4)) {}

Interpreter::~Interpreter() = default;

void Interpreter::raise(TextId textId) const
{
    throw vyjimka(Text(languageBase(), textId));
}

void Interpreter::stopWhenCancelled() const
{
    if (runControl_ && runControl_->cancel.load(std::memory_order_relaxed)) raise(TextId::RunStopped);
}

Surface& Interpreter::target(RunMode mode)
{
    return mode == RunMode::Print && printTarget_ ? *printTarget_ : *canvas_;
}

RunReport Interpreter::RunScript(const ScriptLines& lines)
{
    RunReport report;
    clearProcedures();
    filesRead_.clear();
    filesReadSet_.clear();
    std::size_t index = 0;
    try {
        ResetDrawingState();
        ClearDrawing();
        runLines(RunMode::Screen, lines, index);
        drawingValid_ = true;
        bool anyShown = false;
        for (int layer = 1; layer <= 9; ++layer) anyShown = anyShown || host_.layerShown(layer);
        report.noLayerShown = !anyShown;
    } catch (const std::exception& e) {
        drawingValid_ = false;
        report.valid = false;
        report.lineNumber = static_cast<int>(index) + 1;
        report.message = e.what();
        report.lineText = index < lines.size() ? Trim(lines[index]) : std::string();
    }
    return report;
}

void Interpreter::RunPrintLines(Surface& target, const ScriptLines& lines)
{
    clearProcedures();
    filesRead_.clear();
    filesReadSet_.clear();
    printTarget_ = &target;
    std::size_t index = 0;
    try {
        runLines(RunMode::Print, lines, index);
    } catch (...) {
        printTarget_ = nullptr;
        throw;
    }
    printTarget_ = nullptr;
}

// Each line is read once, as views into the script's own text.
void Interpreter::runLines(RunMode mode, const ScriptLines& lines, std::size_t& index)
{
    for (index = 0; index < lines.size(); ++index) {
        if (runControl_) runControl_->line.store(static_cast<int>(index) + 1, std::memory_order_relaxed);
        stopWhenCancelled();
        const std::string_view line = Trimmed(lines[index]);
        const std::size_t space = line.find(' ');
        if (EqualsFolded(Trimmed(line.substr(0, space)), "@include"))
            runInclude(mode, space == std::string_view::npos ? std::string_view() : line.substr(space + 1));
        else
            DispatchLine(mode, line);
    }
}

void Interpreter::runInclude(RunMode mode, std::string_view rest)
{
    const std::string path = includeFilePath(rest);
    noteFileRead(path);
    requireRegularFile(path);
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const std::exception&) {
        throw vyjimka(Text(languageBase(), TextId::FileCannotBeReadHead) + '"' + Utf8ToCp1250(path) + '"' +
                      Text(languageBase(), TextId::FileCannotBeReadTail));
    }
    try {
        const ScriptText script = DecodeScript(std::move(bytes));
        for (std::size_t i = 0; i < script.lines.size(); ++i) {
            stopWhenCancelled();
            DispatchLine(mode, script.lines[i]);
        }
    } catch (const std::exception& e) {
        throw vyjimka(e.what());
    }
}

std::string Interpreter::includeFilePath(std::string_view rest) const
{
    const std::string name = Trim(PlainField(rest, QuoteChar, 2));
    if (name.empty()) raise(TextId::IncludeFileNameMissing);
    return ResolveScriptFileName(name, host_.currentScriptFile(), host_.programFolder());
}

void Interpreter::noteFileRead(const std::string& path)
{
    if (filesReadSet_.insert(path).second) filesRead_.push_back(path);
}

std::string Interpreter::ResolveIncludePath(std::string_view rest) const
{
    std::string path = includeFilePath(rest);
    requireRegularFile(path);
    return path;
}

void Interpreter::requireRegularFile(const std::string& path) const
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw vyjimka(Text(languageBase(), TextId::FileNotExistHead) + '"' + Utf8ToCp1250(path) + '"' +
                      Text(languageBase(), TextId::FileNotExistTail));
}

void Interpreter::DispatchLine(RunMode mode, std::string_view rawLine)
{
    const std::string_view line = Trimmed(rawLine.substr(0, FindOutsideQuotes(rawLine, '%')));
    const std::size_t equals = FindOutsideQuotes(line, '=');
    std::string_view word;
    std::string_view parameterText;
    if (equals != std::string_view::npos) {
        word = Trimmed(line.substr(0, equals));
    } else {
        const std::size_t space = line.find(' ');
        word = Trimmed(line.substr(0, space));
        if (space != std::string_view::npos) parameterText = line.substr(space + 1);
    }

    // A procedure never has the name of a command, so a command line is done.
    if (IsBasicCommand(word) && !declaring_) {
        executeCommand(mode, line, equals);
        return;
    }
    bool handled = false;
    const bool procedure = EqualsFolded(word, "procedure");
    const bool end = EqualsFolded(word, "end");
    if (procedure || end || declaring_) {
        handled = true;
        if (!line.empty()) procedureLines_.emplace_back(line);
        if (procedure) {
            declaring_ = true;
            declareProcedure(parameterText);
        }
        if (end) declaring_ = false;
    }
    if (IsProcedureName(word) && !declaring_) {
        handled = true;
        callProcedure(mode, line);
    }
    if (!handled)
        throw vyjimka(Text(languageBase(), TextId::CommandIsUnappropriatedHead) + '"' + std::string(word) + '"' +
                      Text(languageBase(), TextId::CommandIsUnappropriatedTail));
}

}  // namespace kresbon
