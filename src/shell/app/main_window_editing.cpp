// The editing loop of the main window: runs on a worker thread that the
// status line follows and can stop, refresh while typing, the error mark in
// the editor, zoom of the drawing, find and replace, and help on the word
// under the caret.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <charconv>

#include "platform/encoding.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/find_dialog.h"
#include "shell/help/help.h"
#include "shell/texts/interface_text.h"
#include "shell/app/main_window.h"
#include "shell/editor/script_completion.h"
#include "shell/editor/script_editor.h"
#include "shell/run/script_runner.h"
#include "ui_main_window.h"

namespace kresbon {

namespace {

QString ZoomText(double factor)
{
    if (factor >= 1) return QString::number(factor, 'g', 3) + QStringLiteral("\u00d7");
    return QStringLiteral("1/") + QString::number(static_cast<int>(1 / factor + 0.5)) + QStringLiteral("\u00d7");
}

// A factor as the settings file stores it: "16", "0.25".
std::optional<double> ZoomFromSetting(const std::string& text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value > 0) || value > 1000)
        return std::nullopt;
    return value;
}

}  // namespace

void MainWindow::setUpEditingLoop()
{
    ScriptEditor* editor = ui_->MEMO_SCRIPT;
    DrawingView* view = ui_->IMAGE_VYKRES;
    runs_->setLiveSource([editor] { return EditorLines(*editor); });
    connect(runs_, &RunController::liveRunFinished, this, &MainWindow::onLiveRunFinished);

    auto action = [this](const char* name, QKeySequence key = {}) {
        auto* a = new QAction(this);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) a->setShortcut(key);
        addAction(a);
        return a;
    };

    // Live refresh.
    liveRefreshItem_ = action("MnuLiveRefresh");
    liveRefreshItem_->setCheckable(true);
    connect(editor, &QsciScintilla::textChanged, this, [this] {
        if (firstActivationDone_) runs_->scheduleLiveRun();
    });
    connect(liveRefreshItem_, &QAction::toggled, this, [this](bool on) {
        writeEditingSetting("LiveRefresh", on ? "1" : "0");
        liveButton_->setChecked(on);
        runs_->setLiveRefresh(on);
    });

    // Zoom.
    zoomInItem_ = action("MnuZoomIn", QKeySequence(Qt::CTRL | Qt::Key_Equal));
    zoomInItem_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    zoomOutItem_ = action("MnuZoomOut", QKeySequence(Qt::CTRL | Qt::Key_Minus));
    actualSizeItem_ = action("MnuZoomActual", QKeySequence(Qt::CTRL | Qt::Key_0));
    fitItem_ = action("MnuZoomFit", QKeySequence(Qt::CTRL | Qt::Key_9));
    connect(zoomInItem_, &QAction::triggered, view, [view] { view->zoomIn(); });
    connect(zoomOutItem_, &QAction::triggered, view, [view] { view->zoomOut(); });
    connect(actualSizeItem_, &QAction::triggered, this, [this] { setDrawingZoom(1); });
    connect(fitItem_, &QAction::triggered, this, &MainWindow::fitDrawingZoom);
    connect(view, &DrawingView::zoomChanged, this, [this](double factor) {
        zoomLabel_->setText(ZoomText(factor));
        writeEditingSetting("Zoom", QString::number(factor, 'g', 6).toStdString());
    });

    // Find, replace, go to line.
    findItem_ = action("MnuFind", QKeySequence(Qt::CTRL | Qt::Key_F));
    replaceItem_ = action("MnuReplace", QKeySequence(Qt::CTRL | Qt::Key_H));
    findNextItem_ = action("MnuFindNext", QKeySequence(Qt::Key_F3));
    findPreviousItem_ = action("MnuFindPrevious", QKeySequence(Qt::SHIFT | Qt::Key_F3));
    goToLineItem_ = action("MnuGoToLine", QKeySequence(Qt::CTRL | Qt::Key_G));
    findDialog_ = new FindDialog(*editor, this);
    connect(findItem_, &QAction::triggered, this, [this] { showFindDialog(false); });
    connect(replaceItem_, &QAction::triggered, this, [this] { showFindDialog(true); });
    connect(findNextItem_, &QAction::triggered, this, [this] { findAgain(true); });
    connect(findPreviousItem_, &QAction::triggered, this, [this] { findAgain(false); });
    connect(goToLineItem_, &QAction::triggered, this, [this] { runGuarded([this] { askGoToLine(); }); });
    // The find dialog has its own window: F3 works there too.
    findDialog_->addAction(findNextItem_);
    findDialog_->addAction(findPreviousItem_);

    // Menus: the drawing menu gains live refresh and zoom, the editor's
    // popup gains the search commands.
    ui_->MnuVykres->addSeparator();
    ui_->MnuVykres->addAction(liveRefreshItem_);
    zoomMenu_ = ui_->MnuVykres->addMenu(QString());
    zoomMenu_->menuAction()->setObjectName(QStringLiteral("MnuZoom"));
    zoomMenu_->addActions({zoomInItem_, zoomOutItem_, actualSizeItem_, fitItem_});
    editorPopup_->addSeparator();
    editorPopup_->addActions({findItem_, replaceItem_, findNextItem_, findPreviousItem_, goToLineItem_});

    // Toolbar buttons and the status line of the drawing.
    auto* toolbar = qobject_cast<QBoxLayout*>(ui_->P_VYKRES_TOOLBAR->layout());
    auto button = [this](const char* name, QAction* a, const QString& icon) {
        auto* b = new QToolButton(ui_->P_VYKRES_TOOLBAR);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoRaise(true);
        b->setIcon(QIcon::fromTheme(icon));
        b->setCheckable(a->isCheckable());
        connect(b, &QToolButton::clicked, a, &QAction::trigger);
        return b;
    };
    liveButton_ = button("BtnLiveRefresh", liveRefreshItem_, QStringLiteral("media-playback-start"));
    liveButton_->setText(QStringLiteral("\u21bb"));
    zoomOutButton_ = button("BtnZoomOut", zoomOutItem_, QStringLiteral("zoom-out"));
    zoomOutButton_->setText(QStringLiteral("\u2212"));
    zoomInButton_ = button("BtnZoomIn", zoomInItem_, QStringLiteral("zoom-in"));
    zoomInButton_->setText(QStringLiteral("+"));
    zoomLabel_ = new QLabel(ZoomText(1), ui_->P_VYKRES_TOOLBAR);
    zoomLabel_->setObjectName(QStringLiteral("L_ZOOM"));
    if (toolbar) {
        int at = toolbar->count() - 1;  // before the closing spacer
        for (QWidget* w : {static_cast<QWidget*>(liveButton_), static_cast<QWidget*>(zoomOutButton_),
                           static_cast<QWidget*>(zoomInButton_), static_cast<QWidget*>(zoomLabel_)})
            toolbar->insertWidget(at++, w);
    }
    ui_->P_VYKRES->setMinimumWidth(std::max(ui_->P_VYKRES->minimumWidth(), ui_->P_VYKRES->minimumSizeHint().width()));

    auto* status = qobject_cast<QBoxLayout*>(ui_->P_VYKRES_STATUS->layout());
    if (status) {
        status->insertWidget(status->count() - 1, runs_->statusLabel(), 1);
        status->insertWidget(status->count() - 1, runs_->stopButton());
    }

    // The settings of the loop.
    liveRefreshItem_->setChecked(settings_.Read("MainForm", "LiveRefresh") == "1");
    liveButton_->setChecked(liveRefreshItem_->isChecked());
    if (const auto zoom = ZoomFromSetting(settings_.Read("MainForm", "Zoom"))) {
        const QSignalBlocker quiet(view);
        view->setZoom(*zoom);
        zoomLabel_->setText(ZoomText(view->zoom()));
    }
}

void MainWindow::applyEditingTexts()
{
    ui_->MEMO_SCRIPT->setLanguage(language_);
    const std::pair<QAction*, TextId> items[] = {
        {liveRefreshItem_, TextId::MenuRefreshWhileTyping},
        {zoomInItem_, TextId::MenuZoomIn},
        {zoomOutItem_, TextId::MenuZoomOut},
        {actualSizeItem_, TextId::MenuActualSize},
        {fitItem_, TextId::MenuFitToPane},
        {findItem_, TextId::MenuFindInScript},
        {replaceItem_, TextId::MenuReplaceInScript},
        {findNextItem_, TextId::FindNext},
        {findPreviousItem_, TextId::FindPrevious},
        {goToLineItem_, TextId::MenuGoToLine},
        {zoomMenu_->menuAction(), TextId::MenuZoom},
    };
    for (const auto& [item, n] : items) item->setText(UiText(language_, n));
    liveButton_->setToolTip(UiText(language_, TextId::RefreshWhileTypingHint));
    zoomInButton_->setToolTip(UiText(language_, TextId::MenuZoomIn).remove(QLatin1Char('&')));
    zoomOutButton_->setToolTip(UiText(language_, TextId::MenuZoomOut).remove(QLatin1Char('&')));
    runs_->setLanguage(language_);
    findDialog_->applyTexts(language_);
}

void MainWindow::writeEditingSetting(const char* key, const std::string& value)
{
    // A read-only settings file keeps the choice for this session only.
    try {
        settings_.Write("MainForm", key, value);
    } catch (const std::exception&) {
    }
}

// ---------------------------------------------------------------- runs

bool MainWindow::runInProgress() const
{
    return runs_->running();
}

void MainWindow::stopRun()
{
    runs_->stop();
}

void MainWindow::onLiveRunFinished(const RunReport& report)
{
    showDrawing();
    markRunError(report);
    emit liveRunShown();
}

void MainWindow::markRunError(const RunReport& report)
{
    if (report.valid)
        ui_->MEMO_SCRIPT->clearRunError();
    else
        ui_->MEMO_SCRIPT->showRunError(report.lineNumber, QString::fromStdString(Cp1250ToUtf8(report.message)));
}

// ---------------------------------------------------------------- live refresh

void MainWindow::setLiveRefresh(bool on)
{
    liveRefreshItem_->setChecked(on);
}

bool MainWindow::liveRefreshOn() const
{
    return runs_->liveRefreshOn();
}

// ---------------------------------------------------------------- zoom

void MainWindow::setDrawingZoom(double factor)
{
    ui_->IMAGE_VYKRES->setZoom(factor);
}

double MainWindow::drawingZoom() const
{
    return ui_->IMAGE_VYKRES->zoom();
}

void MainWindow::fitDrawingZoom()
{
    setDrawingZoom(ui_->IMAGE_VYKRES->fitZoom(ui_->ScrollBox_VYKRES->viewport()->size()));
}

// ---------------------------------------------------------------- search

void MainWindow::showFindDialog(bool replace)
{
    findDialog_->open(replace);
}

void MainWindow::findAgain(bool forward)
{
    if (findDialog_->findField()->text().isEmpty()) {
        showFindDialog(false);
        return;
    }
    findDialog_->findAgain(forward);
}

void MainWindow::askGoToLine()
{
    ScriptEditor* editor = ui_->MEMO_SCRIPT;
    int line = 0;
    int index = 0;
    editor->getCursorPosition(&line, &index);
    bool ok = false;
    const int chosen = QInputDialog::getInt(this, UiText(language_, TextId::GoToLineTitle),
                                            UiText(language_, TextId::LineNumberLabel), line + 1, 1,
                                            std::max(1, editor->lines()), 1, &ok);
    if (!ok) return;
    editor->goToLine(chosen);
    editor->setFocus();
}

// ---------------------------------------------------------------- help

void MainWindow::showHelpForCaretWord()
{
    // F1 in the editor on a word of the language opens that word's page.
    if (QApplication::focusWidget() == ui_->MEMO_SCRIPT) {
        QString before;
        const QString word = ui_->MEMO_SCRIPT->wordAtCaret(&before);
        const QString page = HelpPageOfWord(word, before);
        if (!page.isEmpty()) {
            ShowHelpPage(this, language_, page);
            return;
        }
    }
    ShowHelpContext(this, language_, 0);
}

}  // namespace kresbon
