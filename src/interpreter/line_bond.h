#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "interpreter/interpreter.h"

namespace kresbon {

// The script and its drawing, each pointing at the other.
//
// Every answer comes from running the script again, with the interpreter
// telling which line and call chain is drawing (RunWatch) and the surface
// telling which pixels it writes (InkTap). Nothing is kept between questions,
// so the feature costs nothing while unused; a question costs one run and a
// second drawing of the size of the one on screen (plus one bit a pixel for
// the ink of a line). The caller passes what made the drawing on screen: the
// host (layers shown, depth, script file), the script lines of that run and
// the drawing itself. When the run again does not give the same pixels (an
// included file or a picture changed, or the script was edited and the caller
// passed the new text) the answer is OutOfDate rather than a wrong line. A
// RunControl, when given, lets another thread cancel the question.
//
//   FindPixelSource(x, y) and DescribePixelSource: which command drew a
//   pixel, for the status line.
//   FindLineInk(line): every pixel a line of the open script wrote: a
//   command, a procedure call, an @include line, or a body line in every call.
//   DrawingStepper: the drawing after a given line, stepping from line to
//   line or from command to command inside procedure calls.

enum class BondStatus { Answered, OutOfDate, Cancelled, Outside };

struct PixelSource {
    BondStatus status = BondStatus::Answered;
    // No command wrote the pixel: it shows the background.
    bool background = true;
    // The command that wrote it last, where it ran from and its layer.
    RunPosition position;
    std::string command;
    int layer = 0;
    // The names of the procedures of position.calls, outermost first.
    std::vector<std::string> procedures;
    // The included file each of them was declared in, empty for the open
    // script.
    std::vector<std::string> procedureFiles;
    // For the background: the BackgroundColor line that set it, top.line -1
    // when none did.
    RunPosition backgroundSetter;
};

PixelSource FindPixelSource(Host& host, const ScriptLines& lines, const Surface& shown, int x, int y,
                            RunControl* control = nullptr);

// Whether the drawing a question's run made is the one on screen, asked
// once the run has ended, on the question's thread. A caller that can read
// the drawing on screen only elsewhere may take the drawn one away (move
// it) and compare the two there.
using SameDrawing = std::function<bool(Surface& drawn)>;

// The same questions without a copy of the drawing on screen: a pixel
// outside the drawing made is Outside.
PixelSource FindPixelSource(Host& host, const ScriptLines& lines, const SameDrawing& same, int x, int y,
                            RunControl* control = nullptr);

// The status line text (UTF-8), e.g.
// "Line 42: Circle — in Bolt (line 14), called from line 42; layer 3".
// Line numbers count from 1 as the editor shows them.
std::string DescribePixelSource(const PixelSource& source, int languageBase);

struct LineInk {
    BondStatus status = BondStatus::Answered;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    std::vector<std::uint64_t> marks;

    bool contains(int x, int y) const;
    std::size_t count() const;
};

// line counts from 0.
LineInk FindLineInk(Host& host, const ScriptLines& lines, const Surface& shown, int line,
                    RunControl* control = nullptr);
LineInk FindLineInk(Host& host, const ScriptLines& lines, const SameDrawing& same, int line,
                    RunControl* control = nullptr);

// Lets another thread end a step half way.
struct StepControl {
    // The step in progress ends before the run's next command, throwing
    // StepCancelled; the step shown stays as it was, and the run is held
    // there for the steps to come.
    std::atomic<bool> cancel{false};
    // The run itself: its cancel also ends a drawing command half way, and
    // the stepper is then of no further use. Its line is the script line
    // running (from 1).
    RunControl run;
};

// What a step ended by StepControl::cancel throws.
struct StepCancelled {};

// The step mode. A run of the script is kept paused in a thread of its own,
// so that stepping forward runs only the lines stepped over; stepping back
// shows one of the last drawings stepped to, or runs the script again up to
// the step (keeping the drawings of the steps before it on the way). The
// host (and the control, when given) must stay alive and unchanged while the
// stepper lives.
class DrawingStepper {
public:
    DrawingStepper(Host& host, ScriptLines lines, StepControl* control = nullptr);
    ~DrawingStepper();
    DrawingStepper(const DrawingStepper&) = delete;
    DrawingStepper& operator=(const DrawingStepper&) = delete;

    // The drawing after line (from 0) and every line before it.
    void runThrough(int line);
    // To the end of the next (previous) line that draws: a drawing command,
    // a procedure call or an @include line; false when there is none.
    // Back from the first such line is the drawing before any of them.
    bool next();
    bool previous();
    // To the end of the next drawing command, also inside procedure calls
    // and included files; false at the end of the run.
    bool stepInto();

    // The drawing of the step shown, valid until the next step.
    const Surface& drawing() const;
    // Where the last drawing command shown ran from; top.line is -1 before
    // any drawing command.
    const RunPosition& position() const { return shownPosition_; }
    // The open-script line of the step shown, -1 before any drawing.
    int line() const { return shownPosition_.top.line; }
    // The last drawing command shown, told as FindPixelSource tells the
    // writer of a pixel (for DescribePixelSource); background before any.
    PixelSource shownCommand() const;
    // The run came to its end, or stopped on an error; report() says which.
    bool atEnd() const;
    const RunReport& report() const { return report_; }

private:
    struct Command {
        int line;
        bool drawing;
    };
    struct CommandWord {
        std::string word;
        int layer = 0;
    };
    struct Snapshot {
        std::size_t at;
        Surface drawing;
        RunPosition position;
        CommandWord command;
    };
    class Watch;
    using Stop = std::function<bool(std::size_t)>;

    void startRun(Stop stop);
    void endRun();
    void resume(Stop stop);
    void goTo(std::size_t target);
    void seek(std::size_t from, const Stop& stop);
    void showLive();
    // The first command index >= from at which stop says so, among the
    // commands the run has already started; npos when none.
    std::size_t findRecorded(std::size_t from, const Stop& stop) const;
    void keepSnapshot();
    const Snapshot* snapshotAt(std::size_t at) const;
    bool cancelled() const;
    void endIfCancelled();

    Host& host_;
    ScriptLines lines_;
    StepControl* control_;
    std::unique_ptr<Interpreter> interpreter_;
    std::unique_ptr<Watch> watch_;
    std::thread worker_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Stop stop_;
    bool paused_ = false;
    bool finished_ = false;
    bool quit_ = false;
    RunReport report_;
    // Every command of the script's run, by index: those the current run
    // started, and those a run before it went on to (a run goes the same
    // way every time). The run is paused before command liveAt_ (or finished
    // after liveAt_ commands).
    std::vector<Command> commands_;
    std::size_t started_ = 0;
    std::size_t liveAt_ = 0;
    RunPosition livePosition_;
    CommandWord liveCommand_;
    // The step shown: after shownAt_ commands.
    std::size_t shownAt_ = 0;
    RunPosition shownPosition_;
    CommandWord shownCommand_;
    const Surface* shown_ = nullptr;
    std::vector<std::unique_ptr<Snapshot>> snapshots_;
    // Drawings of steps kept for stepping back without a new run: a few, and
    // none of a drawing so large that a copy would strain the memory.
    static constexpr std::size_t KeptSnapshots = 8;
    static constexpr std::size_t SnapshotBytes = std::size_t{64} << 20;
};

}  // namespace kresbon
