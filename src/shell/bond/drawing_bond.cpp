#include "shell/bond/drawing_bond.h"

#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "interactive/click_commands.h"
#include "interpreter/drawing_state.h"
#include "interpreter/line_bond.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/script_editor.h"
#include "shell/texts/interface_text.h"
#include "shell/view/drawing_overlay.h"
#include "shell/view/drawing_view.h"

namespace kresbon {

// One thread answering the latest question: a new one cancels the one in
// progress and takes the place of one still waiting.
class BondWorker {
public:
    using Job = std::function<void(RunControl&)>;

    BondWorker() : thread_([this] { loop(); }) {}
    ~BondWorker()
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            if (current_) current_->cancel = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    BondWorker(const BondWorker&) = delete;
    BondWorker& operator=(const BondWorker&) = delete;

    void post(Job job)
    {
        {
            std::lock_guard lock(mutex_);
            pending_ = std::move(job);
            if (current_) current_->cancel = true;
        }
        wake_.notify_all();
    }

private:
    void loop()
    {
        for (;;) {
            RunControl control;
            Job job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return quit_ || pending_; });
                if (quit_) return;
                job = std::move(pending_);
                pending_ = nullptr;
                current_ = &control;
            }
            job(control);
            std::lock_guard lock(mutex_);
            current_ = nullptr;
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    Job pending_;
    RunControl* current_ = nullptr;
    bool quit_ = false;
    std::thread thread_;
};

namespace {

// What the last run read of the window, kept for the runs that ask.
class KeptHost : public Host {
public:
    explicit KeptHost(HostValues values) : v_(std::move(values)) {}
    bool layerShown(int layer) const override
    {
        return layer >= 1 && layer <= 9 && v_.layers[static_cast<std::size_t>(layer)] == 1;
    }
    int viewWidth() const override { return v_.viewWidth; }
    int viewHeight() const override { return v_.viewHeight; }
    int colourDepth() const override { return v_.colourDepth; }
    std::string programFolder() const override { return v_.programFolder; }
    std::string currentScriptFile() const override { return v_.scriptFile; }
    int languageBase() const override { return v_.language; }

private:
    HostValues v_;
};

// A figure with at most six decimals and no trailing zeros.
QString Figure(double value)
{
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    if (text == QStringLiteral("-0")) text = QStringLiteral("0");
    return text;
}

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
    std::shared_ptr<KeptHost> host;
    std::shared_ptr<const ScriptLines> lines;
    std::shared_ptr<const Surface> shown;
};

Measurement Measure(QPoint from, QPoint to, const DrawingState& state)
{
    const int scale = state.pixelsPerUnit > 0 ? state.pixelsPerUnit : 1;
    Measurement m;
    const double dx = static_cast<double>(to.x()) - from.x();
    const double dy = static_cast<double>(to.y()) - from.y();
    m.pixels = std::hypot(dx, dy);
    m.units = m.pixels / scale;
    m.dx = dx / scale;
    m.dy = dy / scale;
    // Pixel rows run downwards; the angle turns counter-clockwise on screen.
    double angle = std::atan2(-dy, dx) * 180 / std::acos(-1.0);
    if (angle < 0) angle += 360;
    m.angle = angle >= 360 ? 0 : angle;
    // The shift moves every point by whole pixels: a point's units are
    // those of its pixel less the shift's.
    const int shiftX = ToPixelX(state, 0);
    const int shiftY = ToPixelY(state, 0);
    const auto point = [&](QPoint p) {
        return QStringLiteral("(") + QString::fromStdString(ClickedPixelToUnits(p.x() - shiftX, scale)) +
               QStringLiteral(", ") + QString::fromStdString(ClickedPixelToUnits(p.y() - shiftY, scale)) +
               QStringLiteral(")");
    };
    m.from = point(from);
    m.to = point(to);
    return m;
}

QString MeasureText(const Measurement& m, int languageBase)
{
    // The difference sign is no letter of the tables' code page.
    return UiText(languageBase, TextId::BondMeasureText)
            .arg(Figure(m.units), Figure(m.pixels), Figure(m.dx), Figure(m.dy), QString::number(m.angle, 'f', 2),
                 m.from, m.to, QStringLiteral("\u0394"));
}

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
    made->host = std::make_shared<KeptHost>(runHostKnown_ ? runHost_ : parts_.host());
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
        handoff_.post([this, text, line, asking] {
            if (asking == questionAsked_) showAnswer(text, line);
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
        handoff_.post([this, text, asking] {
            // Only while the pointer still rests on the pixel asked about.
            DrawingView* view = parts_.view;
            if (asking != tipAsked_ || !view->underMouse()) return;
            const QPoint at = view->mapFromGlobal(QCursor::pos());
            if (view->pixelAt(at) == tipPixel_) QToolTip::showText(QCursor::pos(), text, view);
        });
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
        handoff_.post([this, mask, line, asking] {
            if (asking != inkAsked_) return;
            markedLine_ = mask->empty() ? -1 : line;
            parts_.view->overlay()->setInk(std::move(*mask));
            emit inkShown(markedLine_);
        });
    });
}

// ---------------------------------------------------------------- measure

void DrawingBond::startMeasure()
{
    measureArmed_ = true;
    measuring_ = Measuring::No;
    parts_.view->overlay()->clearMeasure();
    if (parts_.showStatus) parts_.showStatus(UiText(language(), TextId::BondMeasureStart));
}

void DrawingBond::updateMeasure(QPoint to)
{
    measureTo_ = to;
    if (!parts_.runs->busy())
        if (const Interpreter* idle = parts_.runs->idle()) *scale_ = idle->state();
    measureText_ = MeasureText(Measure(measureFrom_, measureTo_, *scale_), language());
    parts_.view->overlay()->setMeasure(measureFrom_, measureTo_, measureText_);
    if (parts_.showStatus) parts_.showStatus(measureText_);
}

void DrawingBond::cancel()
{
    measureArmed_ = false;
    measuring_ = Measuring::No;
    parts_.view->overlay()->clearMeasure();
    parts_.view->overlay()->clearRubberBand();
}

// ---------------------------------------------------------------- rubber band

void DrawingBond::toolChanged()
{
    updateRubberBand();
}

void DrawingBond::updateRubberBand()
{
    DrawingOverlay* overlay = parts_.view->overlay();
    const ClickTool* tool = parts_.tool;
    if (!tool || !tool->Armed() || tool->clickCount() != 1 || ClicksNeeded(tool->action()) != 2) {
        overlay->clearRubberBand();
        return;
    }
    const QPoint from(tool->first().x, tool->first().y);
    switch (tool->action()) {
    case DrawingAction::Line:
    case DrawingAction::DimLine: overlay->setRubberBand(RubberShape::Line, from, pointer_); break;
    case DrawingAction::Rectangle: overlay->setRubberBand(RubberShape::Rectangle, from, pointer_); break;
    case DrawingAction::Ellipse: overlay->setRubberBand(RubberShape::Ellipse, from, pointer_); break;
    case DrawingAction::Circle: overlay->setRubberBand(RubberShape::Circle, from, pointer_); break;
    case DrawingAction::CirclePart: {
        const QuadrantAngles angles = CirclePartAngles(tool->first(), {pointer_.x(), pointer_.y()});
        overlay->setRubberBand(RubberShape::Arc, from, pointer_, angles.start, angles.end);
        break;
    }
    default: overlay->clearRubberBand(); break;
    }
}

// ---------------------------------------------------------------- popup menu

void DrawingBond::addPopupItems(QMenu* popup)
{
    QAction* before = popup->actions().isEmpty() ? nullptr : popup->actions().first();
    whichItem_ = new QAction(popup);
    whichItem_->setObjectName(QStringLiteral("PopWhichLine"));
    measureItem_ = new QAction(popup);
    measureItem_->setObjectName(QStringLiteral("PopMeasure"));
    popup->insertAction(before, whichItem_);
    popup->insertAction(before, measureItem_);
    popup->insertSeparator(before);
    connect(whichItem_, &QAction::triggered, this, [this] { askAt(contextPixel_); });
    connect(measureItem_, &QAction::triggered, this, &DrawingBond::startMeasure);
    connect(popup, &QMenu::aboutToShow, this, &DrawingBond::applyTexts);
    applyTexts();
}

void DrawingBond::applyTexts()
{
    if (whichItem_) whichItem_->setText(UiText(language(), TextId::BondWhichLine));
    if (measureItem_) measureItem_->setText(UiText(language(), TextId::BondMeasure));
}

// ---------------------------------------------------------------- events

bool DrawingBond::active() const
{
    return measureArmed_ || measuring_ == Measuring::Dragging || measuring_ == Measuring::SecondClick ||
           parts_.view->overlay()->measuring() || (parts_.tool && parts_.tool->Armed());
}

bool DrawingBond::handleKey(QEvent* event)
{
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier || !active() || parts_.runs->busy())
        return false;
    // Esc here ends the measuring or the drawing action, not a run.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return false;
    }
    cancel();
    if (parts_.tool && parts_.tool->Armed() && parts_.cancelTool) parts_.cancelTool();
    if (parts_.showStatus) parts_.showStatus(QString());
    return true;
}

bool DrawingBond::handlePress(QMouseEvent& event)
{
    DrawingView* view = parts_.view;
    if (event.button() == Qt::RightButton) {
        contextPixel_ = view->pixelAt(event.position());
        return false;
    }
    if (event.button() != Qt::LeftButton || view->panning()) return false;
    const QPoint pixel = view->pixelAt(event.position());
    pointer_ = pixel;
    if (measuring_ == Measuring::SecondClick) {
        updateMeasure(pixel);
        measuring_ = Measuring::Shown;
        measureArmed_ = false;
        return true;
    }
    if ((event.modifiers() & Qt::ShiftModifier) || measureArmed_) {
        measuring_ = Measuring::Dragging;
        measureFrom_ = pixel;
        updateMeasure(pixel);
        return true;
    }
    if (parts_.tool && parts_.tool->Armed()) {
        // The window takes the click; the shape follows once it has.
        QTimer::singleShot(0, this, &DrawingBond::updateRubberBand);
        return false;
    }
    if (measuring_ == Measuring::Shown) cancel();
    if (event.type() == QEvent::MouseButtonPress) askAt(pixel);
    return true;
}

bool DrawingBond::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched != parts_.view) return false;
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) return handleKey(event);
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return handlePress(static_cast<QMouseEvent&>(*event));
    case QEvent::MouseMove: {
        pointer_ = parts_.view->pixelAt(static_cast<QMouseEvent*>(event)->position());
        if (measuring_ == Measuring::Dragging || measuring_ == Measuring::SecondClick) updateMeasure(pointer_);
        updateRubberBand();
        return false;
    }
    case QEvent::MouseButtonRelease: {
        if (measuring_ != Measuring::Dragging || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        if (measureTo_ != measureFrom_) {
            measuring_ = Measuring::Shown;
            measureArmed_ = false;
        } else if (measureArmed_) {
            measuring_ = Measuring::SecondClick;
        } else {
            cancel();
        }
        return true;
    }
    case QEvent::ToolTip: {
        if (!active()) askTip(parts_.view->pixelAt(static_cast<QHelpEvent*>(event)->pos()));
        return true;
    }
    default: return false;
    }
}

}  // namespace kresbon
