// kresbon-render: runs a script without a window and writes the drawing.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <set>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/watch.h"
#include "codecs/file_access.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/encoding.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "render/save_drawing.h"
#include "render/thumbnail.h"
#include "vector/save_as.h"

namespace {

using namespace kresbon;

// The usage text in the language given: its lines in order, a blank line
// after those marked.
std::string usageText(int language)
{
    struct UsageLine {
        TextId id;
        bool blankAfter;
    };
    constexpr UsageLine lines[] = {
        {TextId::UsageSynopsis, false},      {TextId::UsageSynopsisCont, false},
        {TextId::UsageSynopsisCont2, true},  {TextId::UsageAbout, false},
        {TextId::UsageAboutCont, true},      {TextId::UsageOutput, false},
        {TextId::UsageOutputFormats, false}, {TextId::UsageOutputGif, false},
        {TextId::UsageOutputJpegPng, false}, {TextId::UsageOutputVectors, false},
        {TextId::UsageUnitMm, false},        {TextId::UsageUnitMmDefault, false},
        {TextId::UsageOutputSeveral, false},
        {TextId::UsageScale, false},         {TextId::UsageScaleCont, false},
        {TextId::UsageScaleUse, false},      {TextId::UsageZoom, false},
        {TextId::UsageZoomUse, false},       {TextId::UsageWatch, false},
        {TextId::UsageWatchCont, false},     {TextId::UsageWatchEnd, false},
        {TextId::UsageDepth, false},         {TextId::UsageLayers, false},
        {TextId::UsageView, false},          {TextId::UsageViewDefault, false},
        {TextId::UsageThumbnail, false},     {TextId::UsageThumbnailScaling, false},
        {TextId::UsageThumbnailBound, false},
        {TextId::UsageLang, false},          {TextId::UsageHelp, true},
        {TextId::UsageExitStatus, false},    {TextId::UsageExitStatusCont, false},
    };
    std::string text;
    for (const UsageLine& line : lines) {
        text += TextUtf8(language, line.id) + '\n';
        if (line.blankAfter) text += '\n';
    }
    return text;
}

// The language that --lang chooses, looked up before the options are read so
// that the usage text and its errors speak it wherever --lang stands.
int languageOfArguments(int argc, char** argv)
{
    int language = EnglishBase;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == "--lang")
            language = std::string_view(argv[i + 1]) == "cs" ? CzechBase : EnglishBase;
    }
    return language;
}

// Thumbnails larger than this are no thumbnails.
constexpr int LargestThumbnail = 10000;

// Finer drawing and enlarged pixels go up to this factor.
constexpr int LargestFactor = 16;

struct Options {
    std::vector<std::string> outputs;
    int scale = 1;
    int zoom = 1;
    bool watch = false;
    int depth = 4;
    std::array<bool, 10> layers{false, true, true, true, true, true, true, true, true, true};
    int viewWidth = 800;
    int viewHeight = 600;
    int language = EnglishBase;
    int thumbnail = 0;
    double millimetresPerUnit = 1;
    std::string script;
};

class CliHost : public Host {
public:
    explicit CliHost(const Options& o, std::string programFolder, std::string scriptFile)
        : options_(o), programFolder_(std::move(programFolder)), scriptFile_(std::move(scriptFile))
    {
    }
    bool layerShown(int layer) const override
    {
        return layer >= 1 && layer <= 9 && options_.layers[layer];
    }
    int viewWidth() const override { return options_.viewWidth; }
    int viewHeight() const override { return options_.viewHeight; }
    int colourDepth() const override { return options_.depth; }
    std::string programFolder() const override { return programFolder_; }
    std::string currentScriptFile() const override { return scriptFile_; }
    int languageBase() const override { return options_.language; }

private:
    const Options& options_;
    std::string programFolder_;
    std::string scriptFile_;
};

struct UsageError {
    std::string message;
};

std::optional<int> parseInt(std::string_view s)
{
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

std::array<bool, 10> parseLayers(std::string_view list, int language)
{
    std::array<bool, 10> shown{};
    if (list == "all") {
        shown.fill(true);
        return shown;
    }
    if (list == "none") return shown;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const auto layer = parseInt(list.substr(start, comma - start));
        if (!layer || *layer < 1 || *layer > 9)
            throw UsageError{TextUtf8(language, TextId::UsageBadLayers)};
        shown[*layer] = true;
        start = comma + 1;
    }
    return shown;
}

Options parseOptions(int argc, char** argv)
{
    Options o;
    const int language = languageOfArguments(argc, argv);
    auto value = [&](int& i) -> std::string {
        const std::string option = argv[i];
        if (i + 1 >= argc) throw UsageError{option + TextUtf8(language, TextId::UsageNeedsValue)};
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usageText(language);
            std::exit(0);
        } else if (arg == "--output") {
            o.outputs.push_back(value(i));
        } else if (arg == "--scale" || arg == "--zoom") {
            const auto factor = parseInt(value(i));
            if (!factor || *factor < 1 || *factor > LargestFactor)
                throw UsageError{TextUtf8(language, arg == "--scale" ? TextId::UsageBadScale : TextId::UsageBadZoom)};
            (arg == "--scale" ? o.scale : o.zoom) = *factor;
        } else if (arg == "--watch") {
            o.watch = true;
        } else if (arg == "--depth") {
            const auto d = parseInt(value(i));
            if (!d || (*d != 4 && *d != 8 && *d != 16 && *d != 24 && *d != 32))
                throw UsageError{TextUtf8(language, TextId::UsageBadDepth)};
            o.depth = *d;
        } else if (arg == "--layers") {
            o.layers = parseLayers(value(i), language);
        } else if (arg == "--view") {
            const std::string v = value(i);
            const std::size_t x = v.find('x');
            const auto w = x == std::string::npos ? std::nullopt : parseInt(std::string_view(v).substr(0, x));
            const auto h = x == std::string::npos ? std::nullopt : parseInt(std::string_view(v).substr(x + 1));
            if (!w || !h || *w < 0 || *h < 0 || *w > 100000 || *h > 100000)
                throw UsageError{TextUtf8(language, TextId::UsageBadView)};
            o.viewWidth = *w;
            o.viewHeight = *h;
        } else if (arg == "--thumbnail") {
            const auto size = parseInt(value(i));
            if (!size || *size < 1 || *size > LargestThumbnail)
                throw UsageError{TextUtf8(language, TextId::ThumbnailNeedsSizeAndOutput)};
            o.thumbnail = *size;
        } else if (arg == "--unit-mm") {
            const auto mm = ParseMillimetresPerUnit(value(i));
            if (!mm) throw UsageError{TextUtf8(language, TextId::UsageBadUnitMm)};
            o.millimetresPerUnit = *mm;
        } else if (arg == "--lang") {
            const std::string l = value(i);
            if (l == "en")
                o.language = EnglishBase;
            else if (l == "cs")
                o.language = CzechBase;
            else
                throw UsageError{TextUtf8(language, TextId::UsageBadLang)};
        } else if (arg.starts_with("-") && arg != "-") {
            throw UsageError{TextUtf8(language, TextId::UsageUnknownOption) + arg};
        } else if (o.script.empty()) {
            o.script = arg;
        } else {
            throw UsageError{TextUtf8(language, TextId::UsageOneScriptOnly)};
        }
    }
    if (o.script.empty()) throw UsageError{TextUtf8(language, TextId::UsageNoScript)};
    if (o.thumbnail > 0 && o.outputs.empty())
        throw UsageError{TextUtf8(language, TextId::ThumbnailNeedsSizeAndOutput)};
    for (const std::string& output : o.outputs) {
        if (output.empty()) throw UsageError{TextUtf8(language, TextId::UsageOutputNeedsName)};
        if (!IsDrawingFileName(output) || (o.thumbnail > 0 && !DrawingFileFormatOf(output)))
            throw UsageError{TextUtf8(language, TextId::UsageOutputBadExtension) + output};
    }
    return o;
}

std::string programFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// Messages are Windows-1250 inside the program; the terminal gets UTF-8 with
// each carriage return as a line break.
std::string forTerminal(std::string_view message)
{
    std::string text = Cp1250ToUtf8(message);
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

// A file error's message as the terminal shows it.
std::string fileErrorText(const std::exception& e, int language)
{
    if (const auto* file = dynamic_cast<const FileError*>(&e)) return file->message(language);
    if (const auto* error = dynamic_cast<const vyjimka*>(&e)) return forTerminal(error->message());
    if (dynamic_cast<const std::bad_alloc*>(&e)) return TextUtf8(language, TextId::NotEnoughMemory);
    return e.what();
}

// The drawing that the outputs get: the screen run's, drawn finer, its
// pixels enlarged, or scaled to a thumbnail. Throws vyjimka for a drawing too
// large to make.
void writeOutputs(Interpreter& interpreter, const ScriptLines& lines, const Options& options)
{
    std::unique_ptr<Surface> finer;
    const Surface* image = &interpreter.canvas();
    if (options.scale > 1) {
        finer = interpreter.DrawScaled(lines, options.scale);
        image = finer.get();
    }
    Surface changed(0, 0, image->depth());
    if (options.zoom > 1) {
        const long double w = static_cast<long double>(image->width()) * options.zoom;
        const long double h = static_cast<long double>(image->height()) * options.zoom;
        if (w * h > Interpreter::MaxCanvasPixels) throw DrawingTooLargeError(w, h, options.language);
        changed = Enlarge(*image, options.zoom);
        image = &changed;
    }
    if (options.thumbnail > 0) {
        changed = ScaleToFit(*image, options.thumbnail);
        image = &changed;
    }
    for (const std::string& output : options.outputs) {
        // Vector files follow the recorded shapes, which no pixel scale changes.
        if (IsVectorFileName(output))
            SaveDrawingAs(interpreter.canvas(), interpreter.shapeRecord(), output,
                          {options.millimetresPerUnit, options.language});
        else
            SaveDrawingToFile(*image, output, options.language);
    }
}

// What one drawing of the script came to.
struct Outcome {
    // 0 drawn, 1 script error, 2 file error, as the exit status says.
    int status = 0;
    int errorLine = 0;
    bool stopped = false;
};

// Reads and runs the script, reports its error (with the hint, when there is
// one) and any file error on standard error, and writes the outputs.
Outcome drawOnce(const Options& options, const std::string& scriptPath, Interpreter& interpreter,
                 std::optional<ProcessorTimeWatch>& budget)
{
    Outcome outcome;
    ScriptLines lines;
    try {
        lines = DecodeScript(ReadFileBytes(scriptPath)).lines;
    } catch (const std::exception& e) {
        std::cerr << "kresbon-render: " << fileErrorText(e, options.language) << '\n';
        outcome.status = 2;
        return outcome;
    }

    const RunReport report = interpreter.RunScript(lines);
    // The budget covers the run; writing what was drawn follows the output's
    // size, not the script.
    const bool outOfTime = budget && budget->expired();
    budget.reset();
    if (outOfTime) std::cerr << TextUtf8(options.language, TextId::ThumbnailTimeSpent) << '\n';
    if (StopRequested()) {
        outcome.stopped = true;
        return outcome;
    }
    if (!report.valid) {
        std::cerr << forTerminal(report.Text(options.language)) << '\n';
        if (!report.suggestions.empty()) std::cerr << forTerminal(report.HintText(options.language)) << '\n';
        outcome.status = 1;
        outcome.errorLine = report.lineNumber;
    } else if (report.noLayerShown) {
        std::cerr << forTerminal(Text(options.language, TextId::SomeLayerMustBeSelected)) << '\n';
    }

    try {
        writeOutputs(interpreter, lines, options);
    } catch (const std::exception& e) {
        std::cerr << "kresbon-render: " << fileErrorText(e, options.language) << '\n';
        outcome.status = 2;
        return outcome;
    }
    // File managers show no thumbnail at all when the thumbnailer fails; a
    // drawing that stops at an error still has one.
    if (options.thumbnail > 0) outcome.status = 0;
    return outcome;
}

// The line that --watch prints for a drawing: the time, what came of it and
// the files written.
std::string watchLine(const Options& options, const Outcome& outcome)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char time[16];
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    std::string line = time;
    if (outcome.status == 2) return line + TextUtf8(options.language, TextId::WatchFileError);
    if (outcome.status == 1)
        line += TextUtf8(options.language, TextId::WatchScriptErrorOnLine) + std::to_string(outcome.errorLine);
    else
        line += TextUtf8(options.language, TextId::WatchDrawn);
    for (std::size_t i = 0; i < options.outputs.size(); ++i)
        line += (i == 0 ? TextUtf8(options.language, TextId::WatchWritten) : std::string(", ")) + options.outputs[i];
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "kresbon-render: " << e.message << "\n\n" << usageText(languageOfArguments(argc, argv));
        return 2;
    }

    // A thumbnail's budget covers everything the script makes the program do.
    RunControl control;
    std::optional<ProcessorTimeWatch> budget;
    if (options.thumbnail > 0) {
        LimitProcessMemory(ThumbnailMemoryBytes);
        budget.emplace(control.cancel, ThumbnailProcessorSeconds - ThumbnailWritingReserve);
    }

    std::error_code ec;
    const std::string scriptPath = std::filesystem::absolute(options.script, ec).lexically_normal().string();
    CliHost host(options, programFolder(), scriptPath);
    Interpreter interpreter(host);
    interpreter.setRunControl(&control);
    interpreter.setShapeRecording(std::any_of(options.outputs.begin(), options.outputs.end(),
                                              [](const std::string& output) { return IsVectorFileName(output); }));
    if (!options.watch) return drawOnce(options, scriptPath, interpreter, budget).status;

    StopOnInterrupt(control);
    std::cerr << TextUtf8(options.language, TextId::WatchStarted) << std::endl;
    FileWatch watch;
    std::set<std::string> files{scriptPath};
    for (;;) {
        // The files are looked at before they are read, so that a change
        // made while drawing is seen afterwards.
        watch.Note(files);
        const Outcome outcome = drawOnce(options, scriptPath, interpreter, budget);
        if (outcome.stopped || StopRequested()) break;
        // Files the run named for the first time are noted before the line
        // is printed, so that a change made on seeing it is not missed.
        files = interpreter.filesNamed();
        files.insert(scriptPath);
        watch.Keep(files);
        std::cout << watchLine(options, outcome) << std::endl;
        if (!watch.WaitForChange()) break;
    }
    return 0;
}
