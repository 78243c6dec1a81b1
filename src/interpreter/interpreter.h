#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "interpreter/drawing_state.h"
#include "interpreter/host.h"
#include "interpreter/run_watch.h"
#include "interpreter/script_text.h"
#include "platform/surface.h"
#include "platform/text_ids.h"
#include "platform/vyjimka.h"
#include "vector/drawing_record.h"

namespace kresbon {

enum class RunMode { Screen, Print };

// Parameters 1 to 12 of a command line (index 0 unused), each trimmed and
// empty when absent: views into the line.
using CommandParameters = std::array<std::string_view, 13>;

// The outcome of one screen run.
struct RunReport {
    bool valid = true;
    // No layer was shown: the run is valid but drew only the background.
    bool noLayerShown = false;
    // For a failed run: the 1-based editor line, the error message and the
    // editor line as written (Windows-1250).
    int lineNumber = 0;
    std::string message;
    std::string lineText;
    // Where the error names an unknown word or file: the nearest known ones,
    // at most three, nearest first (Windows-1250); empty otherwise.
    std::vector<std::string> suggestions;
    // Where the failing line was written when the editor line is an
    // @include line: the included file (full path, UTF-8) and the 1-based
    // line in it, outermost first.
    struct SourceLine {
        std::string file;
        int line = 0;
    };
    std::vector<SourceLine> includeChain;

    // "Line N: " CR message CR "(line)" in the language given, then, for an
    // error in an included file, a line "In file "F", line L" for each file
    // of the include chain.
    std::string Text(int languageBase) const;
    // Those lines alone, separated by CR; empty without an include chain.
    std::string IncludeText(int languageBase) const;
    // "Did you mean A, B or C?" in the language given (Windows-1250), or
    // empty text when there are no suggestions.
    std::string HintText(int languageBase) const;
};

// "Did you mean A, B or C?" for the words given (Windows-1250), in the
// language given; empty text for none.
std::string SuggestionText(const std::vector<std::string>& words, int languageBase);

// The error of a drawing of w x h pixels, too large to be made.
vyjimka DrawingTooLargeError(long double w, long double h, int languageBase);

// The names an include line may have meant where the file at path (UTF-8),
// written as written (Windows-1250), is not there: the nearest names of the
// files in its folder, written as the line writes its folder (Windows-1250).
std::vector<std::string> NearestFileNames(std::string_view written, const std::string& path);

// Lets another thread follow a run and stop it: the run writes the 1-based
// script line it is on and stops with a script error once cancel is set.
struct RunControl {
    std::atomic<int> line{0};
    std::atomic<bool> cancel{false};
};

// Runs scripts: keeps the drawing state, the drawing surface and the
// procedure table, and turns each script line into drawing.
class Interpreter {
public:
    explicit Interpreter(Host& host);
    ~Interpreter();

    Host& host() { return host_; }
    DrawingState& state() { return state_; }
    const DrawingState& state() const { return state_; }
    int languageBase() const { return host_.languageBase(); }

    // The drawing; replaced by a new one whenever the canvas is prepared.
    Surface& canvas() { return *canvas_; }
    const Surface& canvas() const { return *canvas_; }

    bool drawingValid() const { return drawingValid_; }

    // Whether the screen runs to come record their shapes for vector output
    // (off by default: the record costs memory a drawing otherwise saves).
    void setShapeRecording(bool on) { recordShapes_ = on; }
    // The shapes of the last screen run; nullptr while recording is off.
    const DrawingRecord* shapeRecord() const { return record_.get(); }

    void ResetDrawingState();
    void PrepareCanvas(int scale, Rgb background, long double width, long double height);
    void ClearDrawing();

    // One screen run of the whole script: never throws, reports inside.
    RunReport RunScript(const ScriptLines& lines);

    // The drawing of the last screen run drawn again factor times finer, as a
    // print at factor times the screen's pixels per unit draws it: thin lines
    // stay thin, text and curves are drawn at the finer scale. The run starts
    // from the drawing state the script starts with, in the canvas the
    // screen run ended with; an error stops it where the screen run stopped.
    // Throws vyjimka when the drawing would be too large.
    std::unique_ptr<Surface> DrawScaled(const ScriptLines& lines, int factor);

    // The files that the last runs included or placed, or tried to (UTF-8
    // paths), whether or not they were there.
    const std::set<std::string>& filesNamed() const { return filesNamed_; }

    // The print run's line loop onto another surface; the four
    // canvas-shaping assignments are skipped. Errors propagate.
    void RunPrintLines(Surface& target, const ScriptLines& lines);

    void DispatchLine(RunMode mode, std::string_view line);
    void ExecuteCommand(RunMode mode, std::string_view line);
    void AssignGlobal(std::string_view name, std::string_view value, std::string_view extra,
                      RunMode mode);
    bool LayerShown() const;

    // Procedures.
    static bool IsBasicCommand(std::string_view word);
    static std::span<const std::string_view> BasicCommandWords();
    bool IsProcedureName(std::string_view word) const;
    // The commands, globals, keywords and procedures declared so far that
    // an unknown first word of a line may have meant.
    std::vector<std::string> NearestLineStarts(std::string_view word) const;
    const std::vector<std::string>& procedureLines() const { return procedureLines_; }
    const std::vector<std::string>& procedureNames() const { return procedureNames_; }
    bool declaring() const { return declaring_; }
    // Where each entry of procedureLines() was written, and the index in
    // procedureNames() of the procedure it belongs to.
    const std::vector<RunPosition::BodyLine>& procedureOrigins() const { return procedureOrigins_; }
    // The open-script line and full path (UTF-8) of each file included by a
    // watched run.
    const std::vector<std::pair<int, std::string>>& includedFiles() const { return includedFiles_; }

    // Full path (UTF-8) of the file named by an @include line's rest.
    std::string ResolveIncludePath(std::string_view rest) const;

    // Deepest chain of procedure calls a run may build.
    static constexpr int MaxCallDepth = 1000;
    // Longest line that substituting procedure arguments may produce.
    static constexpr std::size_t MaxSubstitutedLine = 1 << 20;
    // Most argument text that the calls in progress may hold together: deep
    // calls with long arguments would otherwise take MaxCallDepth times
    // MaxSubstitutedLine, a gigabyte.
    static constexpr std::size_t MaxCallText = std::size_t{64} << 20;
    // Largest drawing, in pixels, unless a smaller budget is set.
    static constexpr long long MaxCanvasPixels = 400'000'000;
    void setCanvasBudget(long long pixels) { canvasBudget_ = pixels; }

    // The control of the runs to come; nullptr for none.
    void setRunControl(RunControl* control) { runControl_ = control; }
    // The watch of the screen runs to come; nullptr for none.
    void setRunWatch(RunWatch* watch) { watch_ = watch; }

private:
    struct CallRecord;

    Surface& target(RunMode mode);
    void runLines(RunMode mode, const ScriptLines& lines, std::size_t& index);
    void executeCommand(RunMode mode, std::string_view line, std::size_t equals);
    void runInclude(RunMode mode, std::string_view rest);
    void clearProcedures();
    void declareProcedure(std::string_view parameterText);
    void callProcedure(RunMode mode, std::string_view line);
    bool prepareCall(std::string_view line, CallRecord& record) const;
    std::string substituteParameters(std::string_view line, const CallRecord& record) const;
    [[noreturn]] void raise(TextId textId) const;
    void stopWhenCancelled() const;

    void drawPoint(RunMode mode, const CommandParameters& p);
    void drawBoxShape(RunMode mode, int kind, const CommandParameters& p);
    void drawCircle(RunMode mode, const CommandParameters& p);
    void drawCirclePart(RunMode mode, const CommandParameters& p);
    void fillArea(RunMode mode, const CommandParameters& p);
    void drawDimLine(RunMode mode, const CommandParameters& p);
    void drawText(RunMode mode, const CommandParameters& p);
    void drawPicture(RunMode mode, const CommandParameters& p);

    Host& host_;
    DrawingState state_;
    std::unique_ptr<Surface> canvas_;
    bool recordShapes_ = false;
    std::unique_ptr<DrawingRecord> record_;
    Surface* printTarget_ = nullptr;
    bool drawingValid_ = false;
    long long canvasBudget_ = MaxCanvasPixels;
    RunControl* runControl_ = nullptr;
    RunWatch* watch_ = nullptr;
    // The line being run, kept up to date for procedureOrigins_ and the watch.
    RunPosition position_;

    std::vector<std::string> procedureLines_;
    std::vector<std::string> procedureNames_;
    std::vector<RunPosition::BodyLine> procedureOrigins_;
    std::vector<std::pair<int, std::string>> includedFiles_;
    // Lower-case procedure name -> index of its header in procedureLines_.
    std::unordered_map<std::string, std::size_t> procedureHeaders_;
    bool declaring_ = false;
    // Noted also while resolving an include name, which is const.
    mutable std::set<std::string> filesNamed_;
};

}  // namespace kresbon
