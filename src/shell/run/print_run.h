#pragma once

#include "interpreter/drawing_state.h"
#include "interpreter/script_text.h"

namespace kresbon {

class DrawingRecord;
class Interpreter;
class Surface;

// What printing may do with the interpreter: read the drawing's scale, size
// and background, run the script again onto a bitmap of its own at another
// scale, and read the shapes the screen run recorded. Only RunController
// hands one out, on its interpreter, while no other run goes.
class PrintRun {
public:
    // Keeps the drawing state the screen run left.
    explicit PrintRun(Interpreter& interpreter);

    // The largest print bitmap, in pixels.
    static long long MaxBitmapPixels();

    const DrawingState& state() const;
    int languageBase() const;
    // The shapes of the screen run, when it recorded them.
    const DrawingRecord* shapes() const;
    // Runs the lines onto the bitmap at the scale; the screen run's scale
    // comes back however the run ends.
    void runOnto(Surface& bitmap, const ScriptLines& lines, int scale);
    // The drawing state the screen run left, back again: each page of a
    // preview starts from it.
    void restoreScreenState();

private:
    Interpreter& interpreter_;
    DrawingState screenState_;
};

}  // namespace kresbon
