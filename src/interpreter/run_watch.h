#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kresbon {

class Surface;

// Where a line that a run is carrying out was written: a line of the open
// script, or a line of the file an @include line of the open script names.
// Lines count from 0.
struct LineOrigin {
    int line = -1;
    // The line in the included file, -1 for a line of the open script.
    int includeLine = -1;
    bool operator==(const LineOrigin&) const = default;
};

// The command a run is about to carry out and how the run came to it: the
// line of the open script (or of an included file) the run is on, then, for
// each procedure call in progress, outermost first, the body line being run.
struct RunPosition {
    LineOrigin top;
    // Full path (UTF-8) of the included file while top is in one.
    std::string includeFile;
    struct BodyLine {
        LineOrigin origin;
        // Index into the interpreter's procedureNames().
        int procedure = -1;
    };
    std::vector<BodyLine> calls;
};

// Follows a screen run command by command; attached with
// Interpreter::setRunWatch. The calls come from the thread of the run.
class RunWatch {
public:
    virtual ~RunWatch() = default;
    // Before each command line (a global assignment or a drawing command),
    // including those on hidden layers. word is the command as written.
    // A watch may throw to end the run: the run reports it as its error.
    virtual void commandStarting(const RunPosition& position, std::string_view word, int layer) = 0;
    // A new drawing replaced the old one (a run starting, or PixelsPerUnit,
    // MaximumX, MaximumY or BackgroundColor); it holds only the background.
    virtual void canvasPrepared(Surface& canvas) = 0;
};

}  // namespace kresbon
