#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "interpreter/drawing_state.h"
#include "interpreter/host.h"
#include "interpreter/script_text.h"
#include "platform/surface.h"
#include "platform/text_ids.h"

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

    // "Line N: " CR message CR "(line)" in the language given.
    std::string Text(int languageBase) const;
};

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

    void ResetDrawingState();
    void PrepareCanvas(int scale, Rgb background, long double width, long double height);
    void ClearDrawing();

    // One screen run of the whole script: never throws, reports inside.
    RunReport RunScript(const ScriptLines& lines);

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
    const std::vector<std::string>& procedureLines() const { return procedureLines_; }
    const std::vector<std::string>& procedureNames() const { return procedureNames_; }
    bool declaring() const { return declaring_; }

    // Full path (UTF-8) of the file named by an @include line's rest.
    std::string ResolveIncludePath(std::string_view rest) const;

    // The files the last run asked for besides the script: included scripts
    // and placed pictures (UTF-8 full paths), each once, in the order first
    // asked for; also those that were missing, so that a program following
    // them can notice when they appear.
    const std::vector<std::string>& filesRead() const { return filesRead_; }

    // Deepest chain of procedure calls a run may build.
    static constexpr int MaxCallDepth = 1000;
    // Longest line that substituting procedure arguments may produce.
    static constexpr std::size_t MaxSubstitutedLine = 1 << 20;
    // Largest drawing, in pixels, unless a smaller budget is set.
    static constexpr long long MaxCanvasPixels = 400'000'000;
    void setCanvasBudget(long long pixels) { canvasBudget_ = pixels; }

    // The control of the runs to come; nullptr for none.
    void setRunControl(RunControl* control) { runControl_ = control; }

private:
    struct CallRecord;

    Surface& target(RunMode mode);
    void runLines(RunMode mode, const ScriptLines& lines, std::size_t& index);
    void executeCommand(RunMode mode, std::string_view line, std::size_t equals);
    void runInclude(RunMode mode, std::string_view rest);
    std::string includeFilePath(std::string_view rest) const;
    void noteFileRead(const std::string& path);
    void requireRegularFile(const std::string& path) const;
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
    Surface* printTarget_ = nullptr;
    bool drawingValid_ = false;
    long long canvasBudget_ = MaxCanvasPixels;
    RunControl* runControl_ = nullptr;

    std::vector<std::string> procedureLines_;
    std::vector<std::string> procedureNames_;
    // Lower-case procedure name -> index of its header in procedureLines_.
    std::unordered_map<std::string, std::size_t> procedureHeaders_;
    bool declaring_ = false;

    std::vector<std::string> filesRead_;
    std::unordered_set<std::string> filesReadSet_;
};

}  // namespace kresbon
