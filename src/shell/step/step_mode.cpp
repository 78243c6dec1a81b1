#include "shell/step/step_mode.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "shell/editor/script_editor.h"
#include "shell/settings/settings_file.h"
#include "shell/texts/error_text.h"
#include "shell/texts/interface_text.h"
#include "shell/view/drawing_view.h"

namespace kresbon {

namespace {

// The pause after the last change before the stepper takes the new text:
// longer than refresh while typing waits, so that the run it makes has
// started by then and one build follows both.
constexpr int SettleMs = 400;
// A step taking longer than this shows its progress and the Stop button,
// as a run does.
constexpr int ProgressAfterMs = 500;
constexpr int ProgressEveryMs = 100;

}  // namespace

StepMode::StepMode(StepWindow window, QObject* parent) : QObject(parent), w_(std::move(window))
{
    worker_ = std::make_unique<StepWorker>([this](StepResult result) {
        handoff_.post([this, result = std::move(result)] { show(result); });
    });
    settle_.setSingleShot(true);
    settle_.setInterval(SettleMs);
    connect(&settle_, &QTimer::timeout, this, &StepMode::rebuild);
    progress_.setInterval(ProgressEveryMs);
    connect(&progress_, &QTimer::timeout, this, &StepMode::showProgress);
    connect(w_.runs.stopButton(), &QToolButton::clicked, this, &StepMode::stop);
    connect(&w_.editor, &QsciScintilla::cursorPositionChanged, this, [this](int line, int) { onCaretMoved(line); });
    // Told before the text changes (the editor asks for no other notices),
    // so before the caret's move that the change makes.
    connect(&w_.editor, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int, int type, const char*, int, int, int, int, int, int, int) {
                if (type & (QsciScintillaBase::SC_MOD_BEFOREINSERT | QsciScintillaBase::SC_MOD_BEFOREDELETE))
                    onTextChanged();
            });
    connect(&w_.runs, &RunController::runStarting, this, [this] { runStartedAt_ = ++clock_; });
    connect(&w_.runs, &RunController::runEnded, this, &StepMode::onRunEnded);

    const QSignalBlocker quiet(&w_.toggle);
    w_.toggle.setChecked(w_.settings.Read("MainForm", "DrawToCaret") == "1");
    on_ = w_.toggle.isChecked();
    stale_ = true;
    if (on_) QTimer::singleShot(0, this, &StepMode::rebuild);
}

StepMode::~StepMode()
{
    // The worker's results are no longer wanted; it ends before the window.
    worker_.reset();
}

bool StepMode::settled() const
{
    if (!on_) return worker_->idle();
    // The editor tells of a caret move when it next updates its look.
    int line = 0;
    int index = 0;
    w_.editor.getCursorPosition(&line, &index);
    if (parked_) return line == parkedLine_ && worker_->idle();
    return !stale_ && line == askedLine_ && delivered_ == latest_ && worker_->idle();
}

bool StepMode::stepping() const
{
    return !worker_->idle();
}

void StepMode::toggled()
{
    on_ = w_.toggle.isChecked();
    try {
        w_.settings.Write("MainForm", "DrawToCaret", on_ ? "1" : "0");
    } catch (const std::exception&) {
        // A read-only settings file keeps the choice for this session only.
    }
    if (on_) {
        rebuild();
        return;
    }
    settle_.stop();
    stale_ = true;
    askedLine_ = -2;
    // The stepper and its drawings go: nothing is kept while the mode is off.
    latest_ = worker_->post({.kind = StepRequest::Kind::Drop});
    delivered_ = latest_;
    parked_ = false;
    endProgress();
    w_.status.clear();
    showWholeDrawing();
}

void StepMode::stop()
{
    if (!on_ || worker_->idle()) return;
    park();
    if (!w_.runs.running()) w_.status.setText(UiText(w_.language(), TextId::StepStopped));
}

void StepMode::drawingCleared()
{
    if (!on_) return;
    park();
    w_.status.clear();
    showWholeDrawing();
}

void StepMode::park()
{
    // A step being made or waiting would replace what the view shows now.
    worker_->cancel();
    delivered_ = latest_;
    parked_ = true;
    // Any caret move, also along the line, draws up to the caret again.
    askedLine_ = -2;
    int index = 0;
    w_.editor.getCursorPosition(&parkedLine_, &index);
    endProgress();
}

void StepMode::showProgress()
{
    if (worker_->idle()) {
        endProgress();
        return;
    }
    // A run ending turns the key off: it stays on while the step goes.
    w_.stopKey.setEnabled(true);
    if (stepping_.elapsed() < ProgressAfterMs) return;
    w_.runs.stopButton()->show();
    // A run going on tells its own progress.
    if (w_.runs.running()) return;
    progressText_ = UiText(w_.language(), TextId::RunningLine) + QString::number(worker_->runningLine());
    w_.status.setText(progressText_);
}

void StepMode::endProgress()
{
    progress_.stop();
    if (!progressText_.isEmpty() && w_.status.text() == progressText_) w_.status.clear();
    progressText_.clear();
    // A run going on keeps them for its own progress.
    if (w_.runs.running()) return;
    w_.stopKey.setEnabled(false);
    w_.runs.stopButton()->hide();
}

void StepMode::showWholeDrawing()
{
    // A run going on shows its drawing when it ends.
    if (const Interpreter* idle = w_.runs.idle()) w_.view.showSurface(&idle->canvas());
}

void StepMode::next()
{
    step(StepRequest::Kind::Next);
}

void StepMode::previous()
{
    step(StepRequest::Kind::Previous);
}

void StepMode::stepInto()
{
    step(StepRequest::Kind::Into);
}

void StepMode::step(StepRequest::Kind kind)
{
    // Stepping shows the steps: the mode comes on (and builds) first.
    if (!on_) w_.toggle.setChecked(true);
    if (!on_) return;
    if (stale_ || stepHost() != builtHost_) rebuild();
    post({.kind = kind});
}

HostValues StepMode::stepHost() const
{
    // The stepper draws as the last run did (a drawing of the same size,
    // whatever the view's size is now); it speaks the window's language.
    HostValues values = w_.runs.lastRunHost();
    values.language = w_.language();
    return values;
}

void StepMode::post(StepRequest request)
{
    latest_ = worker_->post(std::move(request));
    parked_ = false;
    if (!progress_.isActive()) {
        stepping_.start();
        progress_.start();
        w_.stopKey.setEnabled(true);
    }
}

void StepMode::rebuild()
{
    settle_.stop();
    if (!on_) return;
    stale_ = false;
    builtAt_ = ++clock_;
    builtHost_ = stepHost();
    int line = 0;
    int index = 0;
    w_.editor.getCursorPosition(&line, &index);
    askedLine_ = line;
    // The editor's own bytes: a copy, quick even for a long script.
    const auto* text = reinterpret_cast<const char*>(w_.editor.SendScintilla(QsciScintilla::SCI_GETCHARACTERPOINTER));
    const auto length = static_cast<std::size_t>(w_.editor.SendScintilla(QsciScintilla::SCI_GETLENGTH));
    post({.kind = StepRequest::Kind::Build, .text = std::string(text, length), .host = builtHost_});
    post({.kind = StepRequest::Kind::Through, .line = line});
}

void StepMode::onCaretMoved(int line)
{
    if (!on_ || stale_ || line == askedLine_) return;
    if (stepHost() != builtHost_) {
        rebuild();
        return;
    }
    askedLine_ = line;
    post({.kind = StepRequest::Kind::Through, .line = line});
}

void StepMode::onTextChanged()
{
    if (!on_) return;
    if (!worker_->idle()) {
        // A step of the text before the change ends at once; the stepper is
        // built again for the new text.
        latest_ = worker_->post({.kind = StepRequest::Kind::Drop});
        delivered_ = latest_;
        endProgress();
    }
    stale_ = true;
    settle_.start();
}

void StepMode::onRunEnded()
{
    // A run may have read included files and pictures that changed on disk:
    // the stepper reads them again, unless it was built since the run began.
    if (on_ && builtAt_ < runStartedAt_) rebuild();
}

void StepMode::show(const StepResult& result)
{
    // Only the answer to the last request is shown, and none over a
    // cleared drawing.
    if (result.serial != latest_ || !on_ || parked_) return;
    delivered_ = result.serial;
    endProgress();
    if (result.failure) {
        stale_ = true;
        try {
            std::rethrow_exception(result.failure);
        } catch (const std::exception& error) {
            w_.status.setText(ErrorMessage(error, builtHost_.language));
        }
        emit stepShown();
        return;
    }
    if (!result.drawing.isNull()) w_.view.showImage(result.drawing);
    if (result.caretLine >= 0) moveCaret(result.caretLine);
    // A run in progress shows its own line there.
    if (!w_.runs.running()) w_.status.setText(statusText(result));
    emit stepShown();
}

QString StepMode::statusText(const StepResult& result) const
{
    const int language = builtHost_.language;
    if (!result.error.empty())
        return UiText(language, TextId::InkLineHead) + QString::number(result.errorLine) + QStringLiteral(": ") +
               QString::fromStdString(result.error);
    if (result.stuck)
        return UiText(language, result.kind == StepRequest::Kind::Previous ? TextId::StepNoPrevious
                                : result.kind == StepRequest::Kind::Next   ? TextId::StepNoNext
                                                                           : TextId::StepNoCommand);
    if (result.command.background) return UiText(language, TextId::StepNothingDrawn);
    return QString::fromStdString(DescribePixelSource(result.command, language));
}

void StepMode::moveCaret(int line)
{
    ScriptEditor& e = w_.editor;
    if (line < 0 || line >= e.lines()) return;
    // The editor tells of the move later: it asks for no drawing then.
    askedLine_ = line;
    e.setCursorPosition(line, 0);
    // Unfolded and away from the edges of the editor: in the middle when
    // it was near one.
    e.ensureLineVisible(line);
    const long shown = e.SendScintilla(QsciScintilla::SCI_LINESONSCREEN);
    const long at = e.SendScintilla(QsciScintilla::SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line));
    const long first = e.firstVisibleLine();
    const long margin = std::min(3L, shown / 4);
    if (at < first + margin || at >= first + shown - margin)
        e.setFirstVisibleLine(static_cast<int>(std::max(0L, at - shown / 2)));
}

}  // namespace kresbon
