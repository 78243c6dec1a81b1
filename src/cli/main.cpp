// kresbon-render: runs a script without a window and writes the drawing.

#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The usage text in the language given; blank lines follow the offsets
// listed, between the paragraphs.
std::string usageText(int language)
{
    std::string text;
    // The usage lines follow one another in the tables, synopsis first.
    for (TextId id = TextId::UsageSynopsis; id <= TextId::UsageExitStatusCont; id = id + 1) {
        text += TextUtf8(language, id) + '\n';
        if (id == TextId::UsageOutputJpegPng) {
            for (TextId vector : {TextId::UsageOutputVectors, TextId::UsageUnitMm, TextId::UsageUnitMmDefault})
                text += TextUtf8(language, vector) + '\n';
        }
        if (id == TextId::UsageSynopsisCont || id == TextId::UsageAboutCont || id == TextId::UsageHelp) text += '\n';
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

struct Options {
    std::optional<std::string> output;
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
            o.output = value(i);
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
    if (o.thumbnail > 0 && !o.output)
        throw UsageError{TextUtf8(language, TextId::ThumbnailNeedsSizeAndOutput)};
    if (o.output) {
        if (o.output->empty()) throw UsageError{TextUtf8(language, TextId::UsageOutputNeedsName)};
        if (!IsDrawingFileName(*o.output) || (o.thumbnail > 0 && !DrawingFileFormatOf(*o.output)))
            throw UsageError{TextUtf8(language, TextId::UsageOutputBadExtension) + *o.output};
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

    std::error_code ec;
    const std::string scriptPath = std::filesystem::absolute(options.script, ec).lexically_normal().string();
    std::string bytes;
    try {
        bytes = ReadFileBytes(scriptPath);
    } catch (const FileError& e) {
        std::cerr << "kresbon-render: " << e.message(options.language) << '\n';
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kresbon-render: " << e.what() << '\n';
        return 2;
    }

    CliHost host(options, programFolder(), scriptPath);
    Interpreter interpreter(host);
    interpreter.setShapeRecording(options.output && IsVectorFileName(*options.output));
    const RunReport report = interpreter.RunScript(DecodeScript(std::move(bytes)).lines);

    int status = 0;
    if (!report.valid) {
        std::cerr << forTerminal(report.Text(options.language)) << '\n';
        status = 1;
    } else if (report.noLayerShown) {
        std::cerr << forTerminal(Text(options.language, TextId::SomeLayerMustBeSelected)) << '\n';
    }

    if (options.output) {
        try {
            if (options.thumbnail > 0) {
                SaveDrawingToFile(ScaleToFit(interpreter.canvas(), options.thumbnail), *options.output,
                                  options.language);
                // File managers show no thumbnail at all when the thumbnailer
                // fails; a drawing that stops at an error still has one.
                status = 0;
            } else {
                SaveDrawingAs(interpreter.canvas(), interpreter.shapeRecord(), *options.output,
                              {options.millimetresPerUnit, options.language});
            }
        } catch (const vyjimka& e) {
            std::cerr << "kresbon-render: " << forTerminal(e.message()) << '\n';
            return 2;
        } catch (const std::exception& e) {
            std::cerr << "kresbon-render: " << e.what() << '\n';
            return 2;
        }
    }
    return status;
}
