#include "shell/run/print_run.h"

#include "interpreter/interpreter.h"

namespace kresbon {

namespace {

// Restores the screen run's scale however the print run ends.
class ScaleRestorer {
public:
    explicit ScaleRestorer(DrawingState& state) : state_(state), saved_(state.pixelsPerUnit) {}
    ~ScaleRestorer() { state_.pixelsPerUnit = saved_; }
    ScaleRestorer(const ScaleRestorer&) = delete;
    ScaleRestorer& operator=(const ScaleRestorer&) = delete;

private:
    DrawingState& state_;
    int saved_;
};

}  // namespace

PrintRun::PrintRun(Interpreter& interpreter) : interpreter_(interpreter), screenState_(interpreter.state()) {}

long long PrintRun::MaxBitmapPixels()
{
    return Interpreter::MaxCanvasPixels;
}

const DrawingState& PrintRun::state() const
{
    return interpreter_.state();
}

int PrintRun::languageBase() const
{
    return interpreter_.languageBase();
}

const DrawingRecord* PrintRun::shapes() const
{
    return interpreter_.shapeRecord();
}

void PrintRun::runOnto(Surface& bitmap, const ScriptLines& lines, int scale)
{
    DrawingState& state = interpreter_.state();
    ScaleRestorer restorer(state);
    state.pixelsPerUnit = scale;
    interpreter_.RunPrintLines(bitmap, lines);
}

void PrintRun::restoreScreenState()
{
    interpreter_.state() = screenState_;
}

}  // namespace kresbon
