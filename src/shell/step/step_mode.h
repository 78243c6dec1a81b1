#pragma once

// step/: the step mode. The drawing shows the state after the caret's line
// and follows the caret; keys step to the next or previous drawing line, or
// into procedure calls command by command. The stepper runs the script with
// an interpreter of its own on a thread of its own, so the run controller's
// interpreter is never touched, and the window never waits for a step.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "shell/run/handoff.h"
#include "shell/run/run_controller.h"
#include "shell/step/step_worker.h"

class QAction;
class QLabel;

namespace kresbon {

class DrawingView;
class ScriptEditor;
class SettingsFile;

// The parts of the window the step mode works with.
struct StepWindow {
    ScriptEditor& editor;
    DrawingView& view;
    RunController& runs;
    // The status line under the drawing.
    QLabel& status;
    // "Draw up to the caret line", checkable; kept as [MainForm] DrawToCaret.
    QAction& toggle;
    // The key that stops a run (Esc): it stops a long step too.
    QAction& stopKey;
    SettingsFile& settings;
    // The language of the window's texts.
    std::function<int()> language;
};

class StepMode : public QObject {
    Q_OBJECT
public:
    // Reads the kept setting; the mode starts on when it was left on.
    StepMode(StepWindow window, QObject* parent);
    ~StepMode() override;

    // The toggle's check mark changed.
    void toggled();
    bool on() const { return on_; }

    // The caret to the next or previous drawing line (a drawing command, a
    // procedure call or an @include line), or to the next drawing command
    // also inside calls and included files. Each turns the mode on.
    void next();
    void previous();
    void stepInto();

    // Esc or Stop: the step being made ends at once, and the drawing of
    // the step before it stays on the view until the next caret move or
    // step.
    void stop();
    // The window's drawing was cleared or replaced (Clear, New, Open): the
    // view shows it, and no step still being made replaces it. The drawing
    // up to the caret comes back with the next caret move, step or run.
    void drawingCleared();

    // Nothing asked of the stepper is still waiting to be shown.
    bool settled() const;
    // A step is being made or waits to be.
    bool stepping() const;

signals:
    // A step's drawing is on the view (its status and caret too).
    void stepShown();

private:
    void onCaretMoved(int line);
    void onTextChanged();
    void onRunEnded();
    void rebuild();
    void step(StepRequest::Kind kind);
    void post(StepRequest request);
    HostValues stepHost() const;
    void show(const StepResult& result);
    void showWholeDrawing();
    void park();
    void showProgress();
    void endProgress();
    void moveCaret(int line);
    QString statusText(const StepResult& result) const;

    StepWindow w_;
    Handoff handoff_;
    std::unique_ptr<StepWorker> worker_;
    QTimer settle_;
    // While a step is being made: after a while its progress and the Stop
    // button show.
    QTimer progress_;
    QElapsedTimer stepping_;
    QString progressText_;
    bool on_ = false;
    // Stopped, or the window's drawing cleared: the view keeps what it
    // shows until the next request.
    bool parked_ = false;
    int parkedLine_ = 0;
    // The text changed since the stepper was built.
    bool stale_ = false;
    // The caret line the drawing was last asked for, or the line a step
    // moved the caret to.
    int askedLine_ = -2;
    HostValues builtHost_;
    std::uint64_t latest_ = 0;
    std::uint64_t delivered_ = 0;
    // When the stepper was last built and the last run started, in order.
    std::uint64_t clock_ = 0;
    std::uint64_t builtAt_ = 0;
    std::uint64_t runStartedAt_ = 0;
};

}  // namespace kresbon
