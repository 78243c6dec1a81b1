// Drawing by clicks: the drawing's popup menu of drawing actions, clicks on
// the drawing that append a ready-made command to the script and draw it,
// and the pointer position in drawing units under the drawing.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <functional>

#include "platform/encoding.h"
#include "shell/texts/interface_text.h"
#include "shell/app/main_window.h"
#include "shell/editor/script_editor.h"
#include "shell/bond/drawing_bond.h"
#include "ui_main_window.h"

namespace kresbon {

namespace {

struct PopupItem {
    const char* name;
    TextId textId;
    DrawingAction action;
    bool separatorAfter;
};

// The drawing popup menu, in menu order; the last item cancels.
constexpr PopupItem PopupItems[] = {
    {"PopLine", TextId::Line2Clicks, DrawingAction::Line, false},
    {"PopDimLine", TextId::DimensionLine2Clicks, DrawingAction::DimLine, false},
    {"PopText", TextId::Text1Click, DrawingAction::Text, true},
    {"PopPoint", TextId::Point1Click, DrawingAction::Point, false},
    {"PopFillArea", TextId::FillArea1Click, DrawingAction::FillArea, false},
    {"PopRectangle", TextId::Rectangle2Clicks, DrawingAction::Rectangle, false},
    {"PopCircle", TextId::Circle2Clicks, DrawingAction::Circle, false},
    {"PopCirclePart", TextId::PartOfCircle2Clicks, DrawingAction::CirclePart, false},
    {"PopEllipse", TextId::Ellipse2Clicks, DrawingAction::Ellipse, false},
    {"PopPicture", TextId::PictureClick, DrawingAction::Picture, true},
    {"PopGlobals", TextId::GlobalVariables, DrawingAction::Globals, false},
    {"PopLayer", TextId::LayerClick, DrawingAction::Layer, false},
    {"PopProcedure", TextId::ProcedureClick, DrawingAction::Procedure, false},
    {"PopComment", TextId::CommentClick, DrawingAction::Comment, true},
    {"PopZrusAkci", TextId::CancelDrawingAction, DrawingAction::None, false},
};

// Hands mouse presses (each press of a double click too) and moves of one
// widget to the window. A handler
// returns true when it has consumed the event.
class MouseWatch : public QObject {
public:
    using Handler = std::function<bool(const QMouseEvent&)>;

    MouseWatch(QWidget* watched, Handler press, Handler move)
        : QObject(watched), press_(std::move(press)), move_(std::move(move))
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        const Handler* handler = nullptr;
        // The second press of a double click comes as a double click alone.
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            handler = &press_;
        if (event->type() == QEvent::MouseMove) handler = &move_;
        if (handler == nullptr || !*handler) return false;
        const bool consumed = (*handler)(static_cast<const QMouseEvent&>(*event));
        if (consumed) event->accept();
        return consumed;
    }

private:
    Handler press_;
    Handler move_;
};

}  // namespace

void MainWindow::buildDrawingPopup()
{
    drawingPopup_ = new QMenu(this);
    drawingPopup_->setObjectName(QStringLiteral("PopupIMAGE_VYKRES"));
    for (const PopupItem& item : PopupItems) {
        QAction* action = drawingPopup_->addAction(QString());
        action->setObjectName(QString::fromLatin1(item.name));
        if (item.action == DrawingAction::None)
            connect(action, &QAction::triggered, this, [this] { cancelDrawingAction(); });
        else
            connect(action, &QAction::triggered, this, [this, a = item.action] {
                runGuarded([this, a] { chooseDrawingAction(a); });
            });
        if (item.separatorAfter) drawingPopup_->addSeparator();
    }

    DrawingView* image = ui_->IMAGE_VYKRES;
    image->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(image, &QWidget::customContextMenuRequested, this,
            [this, image](const QPoint& at) { drawingPopup_->exec(image->mapToGlobal(at)); });

    // The image takes its own moves, so that the scroll box beside it does
    // not report them again in its own coordinates.
    image->setMouseTracking(true);
    new MouseWatch(
        image,
        [this, image](const QMouseEvent& e) {
            // A press that starts panning is no click on the drawing.
            if (e.button() == Qt::LeftButton && !image->panning()) {
                const QPoint pixel = image->pixelAt(e.position());
                runGuarded([this, pixel] { clickOnDrawing(pixel.x(), pixel.y()); });
            }
            return false;
        },
        [this, image](const QMouseEvent& e) {
            const QPoint pixel = image->pixelAt(e.position());
            showPointerPosition(pixel.x(), pixel.y());
            return false;
        });
    QWidget* besideImage = ui_->ScrollBox_VYKRES->viewport();
    besideImage->setMouseTracking(true);
    new MouseWatch(besideImage, nullptr, [this, image, besideImage](const QMouseEvent& e) {
        const QPoint pixel = image->pixelAt(image->mapFrom(besideImage, e.position()));
        showPointerPosition(pixel.x(), pixel.y());
        return false;
    });
    new MouseWatch(
        ui_->MEMO_SCRIPT->viewport(),
        [this](const QMouseEvent&) {
            cancelDrawingAction();
            return false;
        },
        nullptr);
}

void MainWindow::applyDrawingPopupTexts()
{
    for (const PopupItem& item : PopupItems) {
        if (auto* action = drawingPopup_->findChild<QAction*>(QString::fromLatin1(item.name)))
            action->setText(UiText(language_, item.textId));
    }
    if (bond_) bond_->applyTexts();
}

void MainWindow::showCrossPointer(bool cross)
{
    if (cross == crossPointer_) return;
    crossPointer_ = cross;
    if (cross)
        QApplication::setOverrideCursor(Qt::CrossCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::chooseDrawingAction(DrawingAction action)
{
    runs_->settled();
    showCrossPointer(true);
    if (clickTool_.Choose(action)) insertDrawingCommand();
}

void MainWindow::cancelDrawingAction()
{
    clickTool_.Reset();
    showCrossPointer(false);
    if (bond_) bond_->toolChanged();
}

void MainWindow::clickOnDrawing(int x, int y)
{
    runs_->settled();
    if (clickTool_.Click({x, y})) insertDrawingCommand();
}

void MainWindow::showPointerPosition(int x, int y)
{
    // The scale is the worker's while a run is on.
    const Interpreter* interpreter = runs_->idle();
    if (!interpreter) return;
    ui_->L_SOURADNICE->setText(
        QString::fromStdString(PointerReadout(x, y, interpreter->state().pixelsPerUnit)));
}

// Appends the command of the chosen action to the script and draws it as
// if it were the script's next line. A command that fails stays in the
// script and leaves the action pending.
void MainWindow::insertDrawingCommand()
{
    Interpreter& interpreter = runs_->settled();
    InsertionContext context;
    context.pixelsPerUnit = interpreter.state().pixelsPerUnit;
    context.languageBase = language_;
    context.viewWidth = ui_->ScrollBox_VYKRES->width();
    context.viewHeight = ui_->ScrollBox_VYKRES->height();
    const DrawingAction action = clickTool_.action();
    const std::vector<std::string> lines =
        CommandLines(action, clickTool_.first(), clickTool_.second(), context);

    ScriptEditor& editor = *ui_->MEMO_SCRIPT;
    const bool lastLineEmpty = editor.text(editor.lines() - 1).isEmpty();
    // QScintilla's append() empties the undo history; inserting at the end
    // keeps it, and the command is one step that Ctrl+Z takes back.
    const QByteArray added = QString::fromStdString(TextToAppend(lastLineEmpty, lines)).toUtf8();
    editor.beginUndoAction();
    editor.SendScintilla(QsciScintilla::SCI_APPENDTEXT, static_cast<unsigned long>(added.size()), added.constData());
    editor.endUndoAction();
    editor.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);

    // Assignments to the scale or the size replace the drawing's surface:
    // the view must let go of the old one whatever happens.
    try {
        for (const std::string& line : LinesToExecute(action, lines))
            interpreter.ExecuteCommand(RunMode::Screen, Utf8ToCp1250(line));
    } catch (...) {
        showDrawing();
        throw;
    }
    showDrawing();
    cancelDrawingAction();
}

}  // namespace kresbon
