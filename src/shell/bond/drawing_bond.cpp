#include "shell/bond/drawing_bond.h"

#include <QCursor>
#include <QLabel>
#include <QTimer>
#include <QToolTip>
#include <Qsci/qsciscintilla.h>
#include <algorithm>

#include "interpreter/drawing_state.h"
#include "interpreter/line_bond.h"
#include "shell/bond/bond_worker.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/script_editor.h"
#include "shell/texts/interface_text.h"
#include "shell/view/drawing_overlay.h"
#include "shell/view/drawing_view.h"

namespace kresbon {

namespace {

// The open-script line a command was drawn from: the deepest body line of
// its calls written in the open script, else the line the run was on there.
int CaretLineOf(const PixelSource& source)
{
    for (auto call = source.position.calls.rbegin(); call != source.position.calls.rend(); ++call)
        if (call->origin.includeLine < 0) return call->origin.line;
    return source.position.top.line;
}

// Puts the caret on the line and scrolls it away from the editor's edges.
void ShowEditorLine(ScriptEditor& editor, int line)
{
    if (line < 0 || line >= editor.lines()) return;
    editor.ensureLineVisible(line);
    editor.setCursorPosition(line, 0);
    const long shown = editor.SendScintilla(QsciScintilla::SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line));
    const long first = editor.SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE);
    const long onScreen = std::max(1L, editor.SendScintilla(QsciScintilla::SCI_LINESONSCREEN));
    const long margin = onScreen / 4;
    if (shown < first + margin || shown > first + onScreen - 1 - margin)
        editor.SendScintilla(QsciScintilla::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(std::max(0L, shown - onScreen / 3)));
    editor.setFocus(Qt::OtherFocusReason);
}

InkMask MaskOf(LineInk ink)
{
    InkMask mask;
    mask.width = ink.width;
    mask.height = ink.height;
    mask.stride = ink.stride;
    mask.bits = std::move(ink.marks);
    return mask;
}

}  // namespace

// What the drawing on screen was made from, for the runs that ask: the host
// the run read and its lines, shared with the run controller while the text
// is the one it ran. Held only by the questions going; the drawing itself is
// never copied: each run's drawing is held against the run controller's on
// the window's thread.
struct DrawingBond::Basis {
    Basis(int text, int drawing, HostValues values) : textVersion(text), drawingVersion(drawing), host(std::move(values)) {}
    int textVersion;
    int drawingVersion;
    FixedHost host;
    std::shared_ptr<const ScriptLines> lines;
};

namespace {

// Takes a bond run's drawing over for the comparison on the window's thread.
SameDrawing KeepDrawn(BondWorker& worker, std::shared_ptr<const Surface>& drawn)
{
    return [&worker, &drawn](Surface& surface) {
        drawn = worker.keep(surface);
        return true;
    };
}

}  // namespace

DrawingBond::DrawingBond(BondParts parts, QObject* parent)
    : QObject(parent), parts_(std::move(parts)), scale_(std::make_unique<DrawingState>())
{
    DrawingView* view = parts_.view;
    ScriptEditor* editor = parts_.editor;
    RunController* runs = parts_.runs;
    connect(editor, &QsciScintilla::cursorPositionChanged, this, [this](int line, int) {
        if (showInk_) showLineInk(line);
    });
    // Read on the window's thread just before the run reads its own copy.
    // The editor tells of every change before it is made; its textChanged
    // comes only once changes settle.
    connect(editor, &QsciScintillaBase::SCN_MODIFIED, this, [this](int, int type, const char*, int, int, int, int, int, int, int) {
        if (!(type & (QsciScintillaBase::SC_MOD_BEFOREINSERT | QsciScintillaBase::SC_MOD_BEFOREDELETE))) return;
        ++textVersion_;
        // The lines move under the mark: it waits for the edit to settle.
        if (showInk_) requestInk(wantedInkLine_);
    });
    connect(runs, &RunController::runStarting, this, [this] {
        drawnText_ = textVersion_;
        // A job other than a run for the screen leaves its lines as they were.
        const std::shared_ptr<const ScriptLines> lines = parts_.runs->screenLines();
        if (lines != runLines_.lock()) {
            runLines_ = lines;
            runLinesText_ = textVersion_;
        }
    });
    connect(view, &DrawingView::surfaceShown, this, [this] {
        ++drawingVersion_;
        if (const Interpreter* idle = parts_.runs->idle()) *scale_ = idle->state();
        const int line = markedLine_ >= 0 ? markedLine_ : wantedInkLine_;
        markedLine_ = -1;
        if (showInk_ && line >= 0) requestInk(line);
    });
    // After an edit the mark waits for a pause in typing (and, with refresh
    // while typing, for the run that follows it).
    editPause_ = new QTimer(this);
    editPause_->setSingleShot(true);
    editPause_->setInterval(EditPauseMs);
    connect(editPause_, &QTimer::timeout, this, [this] {
        pausedText_ = textVersion_;
        // Unless a run since the edit has brought the mark back already.
        if (showInk_ && textVersion_ != drawnText_) requestInk(caretLine());
    });
    // Esc reaches the view, which has the focus once it has been clicked.
    view->setMouseTracking(true);
    view->installEventFilter(this);
}

DrawingBond::~DrawingBond()
{
    parts_.view->removeEventFilter(this);
    // The worker ends before the bond its answers go to.
    worker_.reset();
}

BondWorker& DrawingBond::worker()
{
    if (!worker_) worker_ = std::make_unique<BondWorker>();
    return *worker_;
}

// What made the drawing on screen, once no run goes; nullptr while one does.
std::shared_ptr<DrawingBond::Basis> DrawingBond::basis()
{
    if (auto kept = basis_.lock(); kept && kept->textVersion == textVersion_ && kept->drawingVersion == drawingVersion_)
        return kept;
    if (parts_.runs->busy()) return nullptr;
    const Interpreter* idle = parts_.runs->idle();
    if (!idle) return nullptr;
    auto made = std::make_shared<Basis>(textVersion_, drawingVersion_, parts_.runs->lastRunHost());
    if (runLinesText_ == textVersion_) made->lines = runLines_.lock();
    // Edited since the run: the text as it is now, asked of the drawing on
    // screen, which it may still make (a comment added, say).
    if (!made->lines) made->lines = std::make_shared<const ScriptLines>(EditorLines(*parts_.editor));
    *scale_ = idle->state();
    basis_ = made;
    return made;
}

std::optional<bool> DrawingBond::sameAsShown(const Surface& drawn, int drawingVersion) const
{
    if (drawingVersion != drawingVersion_ || parts_.runs->busy()) return std::nullopt;
    const Interpreter* idle = parts_.runs->idle();
    if (!idle) return std::nullopt;
    return drawn.samePixels(idle->canvas());
}

int DrawingBond::caretLine() const
{
    int line = 0;
    int index = 0;
    parts_.editor->getCursorPosition(&line, &index);
    return line;
}

// ---------------------------------------------------------------- which line

void DrawingBond::askAt(QPoint pixel)
{
    if (!parts_.view->image().rect().contains(pixel)) {
        PixelSource outside;
        outside.status = BondStatus::Outside;
        showAnswer(QString::fromStdString(DescribePixelSource(outside, language())), -1);
        return;
    }
    const std::shared_ptr<Basis> asked = basis();
    if (!asked) {
        // The answer follows the run, about the drawing it leaves.
        if (!answerWaitsForRun_) {
            answerWaitsForRun_ = true;
            parts_.runs->whenIdle([this, pixel] {
                answerWaitsForRun_ = false;
                askAt(pixel);
            });
        }
        return;
    }
    const int asking = ++questionAsked_;
    askPixel(BondWorker::Kind::Question, asked, pixel, [this, pixel, asking](std::optional<PixelSource> source) {
        if (asking != questionAsked_) return;
        if (!source) {
            askAt(pixel);
            return;
        }
        const int line = source->status == BondStatus::Answered && !source->background ? CaretLineOf(*source) : -1;
        showAnswer(QString::fromStdString(DescribePixelSource(*source, language())), line);
    });
}

void DrawingBond::askPixel(BondWorker::Kind kind, const std::shared_ptr<Basis>& asked, QPoint pixel,
                           std::function<void(std::optional<PixelSource>)> done)
{
    const int version = asked->drawingVersion;
    BondWorker& w = worker();
    w.post(kind, [this, &w, asked, pixel, version, done = std::move(done)](RunControl& control) {
        std::shared_ptr<const Surface> drawn;
        PixelSource source =
                FindPixelSource(asked->host, *asked->lines, KeepDrawn(w, drawn), pixel.x(), pixel.y(), &control);
        if (source.status == BondStatus::Cancelled) return;
        handoff_.post([this, source = std::move(source), drawn = std::move(drawn), version, done]() mutable {
            if (source.status == BondStatus::Answered) {
                const std::optional<bool> same = sameAsShown(*drawn, version);
                drawn.reset();
                if (!same) {
                    done(std::nullopt);
                    return;
                }
                if (!*same) source.status = BondStatus::OutOfDate;
            }
            drawn.reset();
            done(std::move(source));
        });
    });
}

void DrawingBond::showAnswer(const QString& text, int line)
{
    answer_ = text;
    if (line >= 0) ShowEditorLine(*parts_.editor, line);
    if (parts_.showStatus) parts_.showStatus(text);
    emit answered(text);
}

void DrawingBond::askTip(QPoint pixel)
{
    if (!parts_.view->image().rect().contains(pixel)) return;
    const std::shared_ptr<Basis> asked = basis();
    if (!asked) return;
    const int asking = ++tipAsked_;
    tipPixel_ = pixel;
    askPixel(BondWorker::Kind::Tip, asked, pixel, [this, asking](std::optional<PixelSource> source) {
        // Only while the pointer still rests on the pixel asked about.
        DrawingView* view = parts_.view;
        if (!source || asking != tipAsked_ || !view->underMouse()) return;
        const QPoint at = view->mapFromGlobal(QCursor::pos());
        if (view->pixelAt(at) == tipPixel_)
            QToolTip::showText(QCursor::pos(), QString::fromStdString(DescribePixelSource(*source, language())), view);
    });
}

// ---------------------------------------------------------------- line ink

void DrawingBond::setShowLineInk(bool on)
{
    showInk_ = on;
    if (on) {
        showLineInk(caretLine());
    } else {
        showLineInk(-1);
    }
}

void DrawingBond::showLineInk(int line)
{
    // The same line of the same text and drawing is marked, or being found.
    if (line == wantedInkLine_ && inkDrawing_ == drawingVersion_ && inkText_ == textVersion_) return;
    requestInk(line);
}

void DrawingBond::clearInk()
{
    DrawingOverlay* overlay = parts_.view->overlay();
    if (markedLine_ == -1 && overlay->ink().empty()) return;
    markedLine_ = -1;
    overlay->clearInk();
    emit inkShown(-1);
}

void DrawingBond::requestInk(int line)
{
    wantedInkLine_ = line;
    inkDrawing_ = drawingVersion_;
    inkText_ = textVersion_;
    ++inkAsked_;
    if (line < 0) {
        clearInk();
        return;
    }
    if (textVersion_ != drawnText_ && textVersion_ != pausedText_) {
        // Typing: the lines have moved under the mark. It is asked again
        // once the typing pauses, or once the refresh that follows the pause
        // has drawn.
        clearInk();
        if (!parts_.runs->liveRefreshOn()) editPause_->start();
        return;
    }
    const std::shared_ptr<Basis> asked = basis();
    if (!asked) {
        clearInk();
        // The drawing the run leaves is shown, and marked, when it ends.
        if (!inkWaitsForRun_) {
            inkWaitsForRun_ = true;
            parts_.runs->whenIdle([this] {
                inkWaitsForRun_ = false;
                if (showInk_ && wantedInkLine_ >= 0 && markedLine_ != wantedInkLine_) requestInk(wantedInkLine_);
            });
        }
        return;
    }
    const int asking = inkAsked_;
    const int version = asked->drawingVersion;
    const bool edited = asked->textVersion != drawnText_;
    BondWorker& w = worker();
    w.post(BondWorker::Kind::Mark, [this, &w, asked, line, asking, version, edited](RunControl& control) {
        std::shared_ptr<const Surface> drawn;
        LineInk ink = FindLineInk(asked->host, *asked->lines, KeepDrawn(w, drawn), line, &control);
        if (ink.status == BondStatus::Cancelled) return;
        const BondStatus status = ink.status;
        auto mask = std::make_shared<InkMask>();
        // A line that drew nothing marks nothing.
        if (status == BondStatus::Answered &&
            std::any_of(ink.marks.begin(), ink.marks.end(), [](std::uint64_t bits) { return bits != 0; }))
            *mask = MaskOf(std::move(ink));
        handoff_.post([this, status, mask, drawn = std::move(drawn), line, asking, version, edited]() mutable {
            if (asking != inkAsked_) return;
            bool same = status == BondStatus::Answered;
            if (same) {
                const std::optional<bool> verdict = sameAsShown(*drawn, version);
                drawn.reset();
                if (!verdict) {
                    requestInk(line);
                    return;
                }
                same = *verdict;
            }
            drawn.reset();
            if (!same) {
                clearInk();
                if (edited) showOutOfDate();
                return;
            }
            markedLine_ = mask->empty() ? -1 : line;
            parts_.view->overlay()->setInk(std::move(*mask));
            emit inkShown(markedLine_);
        });
    });
}

void DrawingBond::showOutOfDate()
{
    // In place of the bond's own last answer, over nothing else the status
    // line says (a run's error stays).
    const QString note = UiText(language(), TextId::InkOutOfDate);
    QLabel* status = parts_.runs->statusLabel();
    if (status && (status->text().isEmpty() || status->text() == answer_) && parts_.showStatus) parts_.showStatus(note);
}

}  // namespace kresbon
