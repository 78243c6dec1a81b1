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

// The pause after the last change before a run made while typing.
constexpr int LiveRefreshDelayMs = 300;
// A run shorter than this shows no progress in the status line.
constexpr int ProgressAfterMs = 500;
constexpr int ProgressEveryMs = 100;

// While a command waits for its run, the user's input goes nowhere but to
// the Stop button; Esc stops the run. Painting, timers and the window
// system's own events go on.
class RunBlocker : public QObject {
public:
    RunBlocker(QWidget* stopButton, std::function<void()> stop)
        : stopButton_(stopButton), stop_(std::move(stop))
    {
        qApp->installEventFilter(this);
    }
    ~RunBlocker() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The window passes input on to its widgets; they are where it stops.
        if (!watched->isWidgetType()) return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Taking the override keeps every shortcut from firing.
            event->accept();
            return true;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) stop_();
            return true;
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return !(watched == stopButton_ && stopButton_->isVisible());
        default: return false;
        }
    }

private:
    QWidget* stopButton_;
    std::function<void()> stop_;
};

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
    runner_ = new ScriptRunner(interpreter_, this);
    connect(runner_, &ScriptRunner::finished, this, &MainWindow::onRunFinished);

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
    liveTimer_ = new QTimer(this);
    liveTimer_->setSingleShot(true);
    liveTimer_->setInterval(LiveRefreshDelayMs);
    connect(liveTimer_, &QTimer::timeout, this, &MainWindow::startLiveRun);
    connect(editor, &QsciScintilla::textChanged, this, &MainWindow::scheduleLiveRun);
    connect(liveRefreshItem_, &QAction::toggled, this, [this](bool on) {
        writeEditingSetting("LiveRefresh", on ? "1" : "0");
        liveButton_->setChecked(on);
        if (!on) liveTimer_->stop();
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

    // Esc stops a run made while typing once its progress shows.
    stopKey_ = action("StopRunKey", QKeySequence(Qt::Key_Escape));
    stopKey_->setEnabled(false);
    connect(stopKey_, &QAction::triggered, this, &MainWindow::stopRun);

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
    runStatus_ = new QLabel(ui_->P_VYKRES_STATUS);
    runStatus_->setObjectName(QStringLiteral("L_RUN_STATUS"));
    runStatus_->setTextFormat(Qt::PlainText);
    stopButton_ = new QToolButton(ui_->P_VYKRES_STATUS);
    stopButton_->setObjectName(QStringLiteral("BtnStop"));
    stopButton_->setIcon(QIcon::fromTheme(QStringLiteral("process-stop")));
    stopButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    stopButton_->hide();
    connect(stopButton_, &QToolButton::clicked, this, &MainWindow::stopRun);
    if (status) {
        status->insertWidget(status->count() - 1, runStatus_, 1);
        status->insertWidget(status->count() - 1, stopButton_);
    }
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(ProgressEveryMs);
    connect(progressTimer_, &QTimer::timeout, this, &MainWindow::showRunProgress);

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
    stopButton_->setText(UiText(language_, TextId::StopButton));
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
    return runner_ && runner_->running();
}

void MainWindow::startRun(ScriptRunner::Job job, bool live)
{
    // Every run first keeps a copy of unsaved work, in case it is the last.
    keepRecoveryCopy();
    runSnapshot_.layers = layerFlags_;
    runSnapshot_.viewWidth = viewWidth();
    runSnapshot_.viewHeight = viewHeight();
    runSnapshot_.scriptFile = currentScriptFile();
    runSnapshot_.programFolder = programFolder();
    runSnapshot_.language = language_;
    // A run made for a command covers the text a pending one would run.
    if (!live) liveTimer_->stop();
    liveRun_ = live;
    runStopped_ = false;
    runner_->start(std::move(job));
    QTimer::singleShot(ProgressAfterMs, progressTimer_, [this] {
        if (runInProgress()) {
            progressTimer_->start();
            showRunProgress();
        }
    });
}

RunReport MainWindow::runAndWait(ScriptLines lines)
{
    // A run made while typing is out of date once a command runs the
    // script: it stops at its next line and shows nothing.
    if (runInProgress() && liveRun_) {
        liveRun_ = false;
        liveRunPending_ = false;
        runner_->cancel();
    }
    settleRun();
    startRun(ScreenRun(std::move(lines)), false);
    settleRun();
    RunReport report = runner_->report();
    runStopped_ = runner_->cancelled();
    if (runStopped_)
        runStatus_->setText(UiText(language_, TextId::StoppedAtLine) + QString::number(report.lineNumber));
    else if (!report.valid)
        runStatus_->setText(QString::fromStdString(Cp1250ToUtf8(report.message)));
    else
        runStatus_->clear();
    return report;
}

void MainWindow::settleRun()
{
    // Waits for the run on the worker thread, so that a command finds the
    // drawing of the whole script; the window keeps painting meanwhile.
    if (!runInProgress()) return;
    RunBlocker blocker(stopButton_, [this] { stopRun(); });
    QEventLoop loop;
    const auto done = connect(runner_, &ScriptRunner::finished, &loop, &QEventLoop::quit);
    if (runner_->running()) loop.exec();
    disconnect(done);
}

void MainWindow::stopRun()
{
    if (!runInProgress()) return;
    runner_->cancel();
    liveRunPending_ = false;
}

void MainWindow::showRunProgress()
{
    if (!runInProgress()) return;
    runStatus_->setText(UiText(language_, TextId::RunningLine) + QString::number(runner_->currentLine()));
    stopButton_->show();
    stopKey_->setEnabled(true);
}

void MainWindow::onRunFinished()
{
    progressTimer_->stop();
    stopButton_->hide();
    stopKey_->setEnabled(false);
    if (!liveRun_) return;
    liveRun_ = false;
    const RunReport& report = runner_->report();
    if (liveRunPending_) {
        // Superseded by newer typing: the next run shows its own drawing.
        liveRunPending_ = false;
        startLiveRun();
        return;
    }
    ++liveRunCount_;
    showDrawing();
    markRunError(report);
    if (runner_->cancelled())
        runStatus_->setText(UiText(language_, TextId::StoppedAtLine) + QString::number(report.lineNumber));
    else if (!report.valid)
        runStatus_->setText(QString::fromStdString(Cp1250ToUtf8(report.message)));
    else if (report.noLayerShown)
        runStatus_->setText(UiText(language_, TextId::SomeLayerMustBeSelected));
    else
        runStatus_->clear();
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
    return liveRefreshItem_->isChecked();
}

void MainWindow::scheduleLiveRun()
{
    if (liveRefreshOn() && firstActivationDone_) liveTimer_->start();
}

void MainWindow::startLiveRun()
{
    if (!liveRefreshOn()) return;
    if (runInProgress()) {
        if (liveRun_) {
            // The running one is out of date: stop it and start afresh.
            liveRunPending_ = true;
            runner_->cancel();
        } else {
            liveTimer_->start();
        }
        return;
    }
    ++runCount_;
    startRun(ScreenRun(EditorLines(*ui_->MEMO_SCRIPT)), true);
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
