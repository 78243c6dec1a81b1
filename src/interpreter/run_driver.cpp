#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <system_error>

#include "interpreter/interpreter.h"
#include "interpreter/vocabulary.h"
#include "platform/script_path.h"
#include "interpreter/script_text.h"
#include "platform/text_helpers.h"
#include "platform/encoding.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

std::string RunReport::Text(int languageBase) const
{
    const std::string included = IncludeText(languageBase);
    return kresbon::Text(languageBase, TextId::ErrorLineHead) + std::to_string(lineNumber) + ": \r" + message +
           "\r(" + lineText + ")" + (included.empty() ? "" : "\r" + included);
}

std::string RunReport::IncludeText(int languageBase) const
{
    std::string text;
    for (const SourceLine& source : includeChain) {
        if (!text.empty()) text += '\r';
        text += kresbon::Text(languageBase, TextId::IncludedFileHead) + Utf8ToCp1250(source.file) +
                kresbon::Text(languageBase, TextId::IncludedFileLine) + std::to_string(source.line);
    }
    return text;
}

std::string RunReport::HintText(int languageBase) const
{
    return SuggestionText(suggestions, languageBase);
}

std::string SuggestionText(const std::vector<std::string>& words, int languageBase)
{
    if (words.empty()) return {};
    std::string text = kresbon::Text(languageBase, TextId::DidYouMeanHead);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += kresbon::Text(languageBase, i + 1 == words.size() ? TextId::DidYouMeanLastJoin
                                                                      : TextId::DidYouMeanJoin);
        text += words[i];
    }
    return text + kresbon::Text(languageBase, TextId::DidYouMeanTail);
}

std::vector<std::string> NearestFileNames(std::string_view written, const std::string& path)
{
    // A folder of many thousands of files is looked through only so far.
    constexpr int MostFilesCompared = 10000;
    const std::filesystem::path missing(path);
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator entry(missing.parent_path(), ec);
    for (int seen = 0; !ec && entry != std::filesystem::directory_iterator() && seen < MostFilesCompared;
         entry.increment(ec), ++seen) {
        std::error_code typeError;
        if (entry->is_regular_file(typeError)) names.push_back(entry->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    // Files of the same type are told apart by their stems, which a shared
    // extension would otherwise make look alike; names of other types are
    // compared whole and come after them.
    const std::string missingName = missing.filename().string();
    const std::string extension = LowerText(missing.extension().string());
    const std::size_t stemLength = missingName.size() - extension.size();
    std::vector<std::string_view> sameType, otherType;
    std::map<std::string_view, std::string_view> fileOfStem;
    for (const std::string& name : names) {
        const std::string_view view(name);
        if (!extension.empty() && name.size() > extension.size() &&
            EqualsFolded(view.substr(name.size() - extension.size()), extension)) {
            sameType.push_back(view.substr(0, name.size() - extension.size()));
            fileOfStem.emplace(sameType.back(), view);
        } else {
            otherType.push_back(view);
        }
    }
    std::vector<std::string> nearest;
    for (const std::string& stem : NearestWords(std::string_view(missingName).substr(0, stemLength), sameType))
        nearest.emplace_back(fileOfStem.at(stem));
    for (std::string& name : NearestWords(missingName, otherType))
        if (nearest.size() < 3) nearest.push_back(std::move(name));
    const std::size_t slash = written.find_last_of("/\\");
    const std::string folder(slash == std::string_view::npos ? std::string_view() : written.substr(0, slash + 1));
    for (std::string& name : nearest) name = folder + Utf8ToCp1250(name);
    return nearest;
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
    filesNamed_.clear();
    position_ = RunPosition{};
    std::size_t index = 0;
    try {
        ResetDrawingState();
        ClearDrawing();
        runLines(RunMode::Screen, lines, index);
        drawingValid_ = true;
        bool anyShown = false;
        for (int layer = 1; layer <= 9; ++layer) anyShown = anyShown || host_.layerShown(layer);
        report.noLayerShown = !anyShown;
    } catch (const std::bad_alloc&) {
        report.valid = false;
        report.message = Text(languageBase(), TextId::NotEnoughMemory);
    } catch (const std::exception& e) {
        report.valid = false;
        report.message = e.what();
        if (const auto* error = dynamic_cast<const vyjimka*>(&e)) report.suggestions = error->suggestions();
    }
    if (!report.valid) {
        drawingValid_ = false;
        report.lineNumber = static_cast<int>(index) + 1;
        report.lineText = index < lines.size() ? Trim(lines[index]) : std::string();
        // The error came from a line of the file the @include line names.
        if (position_.top.includeLine >= 0)
            report.includeChain.push_back({position_.includeFile, position_.top.includeLine + 1});
    }
    canvas_->setStopFlag(nullptr);
    return report;
}

std::unique_ptr<Surface> Interpreter::DrawScaled(const ScriptLines& lines, int factor)
{
    const DrawingState ended = state_;
    const long double scale = static_cast<long double>(ended.pixelsPerUnit) * factor;
    const long double w = std::max<long double>(0, std::floor(ended.maximumX * scale));
    const long double h = std::max<long double>(0, std::floor(ended.maximumY * scale));
    if (!(w * h <= canvasBudget_) || w > std::numeric_limits<int>::max() || h > std::numeric_limits<int>::max())
        throw DrawingTooLargeError(w, h, languageBase());
    auto surface = std::make_unique<Surface>(static_cast<int>(w), static_cast<int>(h), host_.colourDepth());
    surface->setBrush(ended.backgroundColor, BrushStyle::Solid);
    surface->fillRect(0, 0, surface->width(), surface->height());

    ResetDrawingState();
    state_.pixelsPerUnit = static_cast<int>(scale);
    state_.maximumX = ended.maximumX;
    state_.maximumY = ended.maximumY;
    state_.backgroundColor = ended.backgroundColor;
    try {
        RunPrintLines(*surface, lines);
    } catch (const std::exception&) {
        // The screen run has reported the error; the drawing stands as far
        // as it got, as the screen's does.
    }
    state_ = ended;
    return surface;
}

void Interpreter::RunPrintLines(Surface& target, const ScriptLines& lines)
{
    clearProcedures();
    printTarget_ = &target;
    target.setStopFlag(runControl_ ? &runControl_->cancel : nullptr);
    std::size_t index = 0;
    try {
        runLines(RunMode::Print, lines, index);
    } catch (...) {
        target.setStopFlag(nullptr);
        printTarget_ = nullptr;
        throw;
    }
    target.setStopFlag(nullptr);
    printTarget_ = nullptr;
}

// Each line is read once, as views into the script's own text.
void Interpreter::runLines(RunMode mode, const ScriptLines& lines, std::size_t& index)
{
    for (index = 0; index < lines.size(); ++index) {
        position_.top = LineOrigin{static_cast<int>(index), -1};
        position_.calls.clear();
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
    const std::string path = ResolveIncludePath(rest);
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        throw vyjimka(Text(languageBase(), TextId::FileCannotBeReadHead) + '"' + Utf8ToCp1250(path) + '"' +
                      Text(languageBase(), TextId::FileCannotBeReadTail));
    }
    try {
        const ScriptText script = DecodeScript(std::move(bytes));
        position_.includeFile = path;
        if (watch_ != nullptr) includedFiles_.emplace_back(position_.top.line, path);
        for (std::size_t i = 0; i < script.lines.size(); ++i) {
            position_.top.includeLine = static_cast<int>(i);
            stopWhenCancelled();
            DispatchLine(mode, script.lines[i]);
        }
        position_.top.includeLine = -1;
    } catch (const vyjimka&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw vyjimka(e.what());
    }
}

std::string Interpreter::ResolveIncludePath(std::string_view rest) const
{
    const std::string name = Trim(PlainField(rest, QuoteChar, 2));
    if (name.empty()) raise(TextId::IncludeFileNameMissing);
    const std::string path =
        ResolveScriptFileName(name, host_.currentScriptFile(), host_.programFolder());
    filesNamed_.insert(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw vyjimka(Text(languageBase(), TextId::FileNotExistHead) + '"' + Utf8ToCp1250(path) + '"' +
                          Text(languageBase(), TextId::FileNotExistTail),
                      NearestFileNames(name, path));
    return path;
}

std::vector<std::string> Interpreter::NearestLineStarts(std::string_view word) const
{
    std::vector<std::string_view> candidates = LineStartWords();
    candidates.insert(candidates.end(), procedureNames_.begin(), procedureNames_.end());
    return NearestWords(word, candidates);
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
        if (!line.empty()) {
            procedureLines_.emplace_back(line);
            const std::size_t owner = procedureNames_.size() - (procedure ? 0 : 1);
            procedureOrigins_.push_back({position_.top, static_cast<int>(owner)});
        }
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
                          Text(languageBase(), TextId::CommandIsUnappropriatedTail),
                      NearestLineStarts(word));
}

}  // namespace kresbon
