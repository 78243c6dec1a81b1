#include "shell/bond/drawing_bond.h"

#include <QCursor>
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

// What the drawing on screen was made from, for the runs that ask.
struct DrawingBond::Basis {
    int textVersion = 0;
    int drawingVersion = 0;
    std::shared_ptr<FixedHost> host;
    std::shared_ptr<const ScriptLines> lines;
    std::shared_ptr<const Surface> shown;
};

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
        if (type & (QsciScintillaBase::SC_MOD_BEFOREINSERT | QsciScintillaBase::SC_MOD_BEFOREDELETE)) ++textVersion_;
    });
    connect(runs, &RunController::runStarting, this, [this] {
        drawnText_ = textVersion_;
        runHost_ = parts_.host();
        runHostKnown_ = true;
    });
    connect(view, &DrawingView::surfaceShown, this, [this] {
        ++drawingVersion_;
        basis_.reset();
        if (const Interpreter* idle = parts_.runs->idle()) *scale_ = idle->state();
        const int line = markedLine_ >= 0 ? markedLine_ : wantedInkLine_;
        markedLine_ = -1;
        if (showInk_ && line >= 0) requestInk(line);
    });
    // Esc reaches the view, which has the focus once it has been clicked.
    view->setMouseTracking(true);
    view->installEventFilter(this);
}

DrawingBond::~DrawingBond()
{
    parts_.view->removeEventFilter(this);
    // The workers end before the bond their answers go to.
    inkWorker_.reset();
    questionWorker_.reset();
    tipWorker_.reset();
}

// The drawing on screen and what made it, copied once no run goes; nullptr
// while one does.
std::shared_ptr<const DrawingBond::Basis> DrawingBond::basis()
{
    if (basis_ && basis_->textVersion == textVersion_ && basis_->drawingVersion == drawingVersion_) return basis_;
    if (parts_.runs->busy()) return nullptr;
    const Interpreter* idle = parts_.runs->idle();
    if (!idle) return nullptr;
    auto made = std::make_shared<Basis>();
    made->textVersion = textVersion_;
    made->drawingVersion = drawingVersion_;
    made->host = std::make_shared<FixedHost>(runHostKnown_ ? runHost_ : parts_.host());
    made->lines = std::make_shared<const ScriptLines>(EditorLines(*parts_.editor));
    made->shown = std::make_shared<const Surface>(idle->canvas());
    *scale_ = idle->state();
    basis_ = made;
    return basis_;
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
    const std::shared_ptr<const Basis> asked = basis();
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
    if (!questionWorker_) questionWorker_ = std::make_unique<BondWorker>();
    const int asking = ++questionAsked_;
    const int lang = language();
    questionWorker_->post([this, asked, pixel, asking, lang](RunControl& control) {
        const PixelSource source =
                FindPixelSource(*asked->host, *asked->lines, *asked->shown, pixel.x(), pixel.y(), &control);
        if (source.status == BondStatus::Cancelled) return;
        const QString text = QString::fromStdString(DescribePixelSource(source, lang));
        const int line = source.status == BondStatus::Answered && !source.background ? CaretLineOf(source) : -1;
        QMetaObject::invokeMethod(this, [this, text, line, asking] {
            if (asking == questionAsked_) showAnswer(text, line);
        }, Qt::QueuedConnection);
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
    const std::shared_ptr<const Basis> asked = basis();
    if (!asked || pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= asked->shown->width() ||
        pixel.y() >= asked->shown->height())
        return;
    if (!tipWorker_) tipWorker_ = std::make_unique<BondWorker>();
    const int asking = ++tipAsked_;
    tipPixel_ = pixel;
    const int lang = language();
    tipWorker_->post([this, asked, pixel, asking, lang](RunControl& control) {
        const PixelSource source =
                FindPixelSource(*asked->host, *asked->lines, *asked->shown, pixel.x(), pixel.y(), &control);
        if (source.status == BondStatus::Cancelled) return;
        const QString text = QString::fromStdString(DescribePixelSource(source, lang));
        QMetaObject::invokeMethod(this, [this, text, asking] {
            // Only while the pointer still rests on the pixel asked about.
            DrawingView* view = parts_.view;
            if (asking != tipAsked_ || !view->underMouse()) return;
            const QPoint at = view->mapFromGlobal(QCursor::pos());
            if (view->pixelAt(at) == tipPixel_) QToolTip::showText(QCursor::pos(), text, view);
        }, Qt::QueuedConnection);
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

void DrawingBond::requestInk(int line)
{
    wantedInkLine_ = line;
    inkDrawing_ = drawingVersion_;
    inkText_ = textVersion_;
    ++inkAsked_;
    DrawingOverlay* overlay = parts_.view->overlay();
    const auto clear = [this, overlay] {
        if (markedLine_ == -1 && overlay->ink().empty()) return;
        markedLine_ = -1;
        overlay->clearInk();
        emit inkShown(-1);
    };
    // A script edited since its drawing would mark lines by their old places.
    if (line < 0 || textVersion_ != drawnText_) {
        clear();
        return;
    }
    const std::shared_ptr<const Basis> asked = basis();
    if (!asked) {
        clear();
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
    if (!inkWorker_) inkWorker_ = std::make_unique<BondWorker>();
    const int asking = inkAsked_;
    inkWorker_->post([this, asked, line, asking](RunControl& control) {
        LineInk ink = FindLineInk(*asked->host, *asked->lines, *asked->shown, line, &control);
        if (ink.status == BondStatus::Cancelled) return;
        auto mask = std::make_shared<InkMask>();
        // A line that drew nothing marks nothing.
        if (ink.status == BondStatus::Answered &&
            std::any_of(ink.marks.begin(), ink.marks.end(), [](std::uint64_t bits) { return bits != 0; }))
            *mask = MaskOf(std::move(ink));
        QMetaObject::invokeMethod(this, [this, mask, line, asking] {
            if (asking != inkAsked_) return;
            markedLine_ = mask->empty() ? -1 : line;
            parts_.view->overlay()->setInk(std::move(*mask));
            emit inkShown(markedLine_);
        }, Qt::QueuedConnection);
    });
}

}  // namespace kresbon
