// The editing loop of the main window: runs on a worker thread that the
// status line follows and can stop, refresh while typing, the error mark in
// the editor, and find and replace.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "platform/encoding.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/find_dialog.h"
#include "shell/texts/interface_text.h"
#include "shell/app/main_window.h"
#include "shell/editor/script_completion.h"
#include "shell/editor/script_editor.h"
#include "shell/run/script_runner.h"
#include "shell/step/step_mode.h"
#include "ui_main_window.h"

namespace kresbon {

void MainWindow::setUpEditingLoop()
{
    ScriptEditor* editor = ui_->MEMO_SCRIPT;
    runs_->setLiveSource([editor] { return EditorLines(*editor); });
    runs_->setTypingTarget(editor);
    // Once the click is over: opening replaces the editor's text.
    connect(editor, &ScriptEditor::errorNoteClicked, this, [this] { runGuarded([this] { openErrorSource(); }); },
            Qt::QueuedConnection);
    connect(runs_, &RunController::liveRunFinished, this, &MainWindow::onLiveRunFinished);

    connect(editor, &QsciScintilla::textChanged, this, [this] {
        if (firstActivationDone_) runs_->scheduleLiveRun();
    });
    connect(zoom_, &ZoomControl::changed, this,
            [this](const std::string& factor) { writeEditingSetting("Zoom", factor); });

    findDialog_ = new FindDialog(*editor, this);
    // The find dialog has its own window: F3 works there too.
    findDialog_->addAction(action(QStringLiteral("MnuFindNext")));
    findDialog_->addAction(action(QStringLiteral("MnuFindPrevious")));

    // Toolbar buttons and the status line of the drawing.
    auto* toolbar = qobject_cast<QBoxLayout*>(ui_->P_VYKRES_TOOLBAR->layout());
    if (toolbar) {
        int at = toolbar->count() - 1;  // before the closing spacer
        toolbar->insertWidget(at, zoom_->label());
    }
    ui_->P_VYKRES->setMinimumWidth(std::max(ui_->P_VYKRES->minimumWidth(), ui_->P_VYKRES->minimumSizeHint().width()));

    auto* status = qobject_cast<QBoxLayout*>(ui_->P_VYKRES_STATUS->layout());
    if (status) {
        // The pointer readout and the run status are two fields apart.
        status->setSpacing(6);
        status->insertWidget(status->count() - 1, runs_->statusLabel(), 1);
        status->insertWidget(status->count() - 1, runs_->stopButton());
    }

    // The settings of the loop.
    liveRefreshItem()->setChecked(settings_.Read("MainForm", "LiveRefresh") == "1");
    zoom_->restore(settings_.Read("MainForm", "Zoom"));
}

void MainWindow::applyEditingTexts()
{
    ui_->MEMO_SCRIPT->setLanguage(language_);
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
    if (stepMode_) stepMode_->stop();
}

void MainWindow::onLiveRunFinished(const RunReport& report)
{
    showDrawing();
    markRunError(report);
    emit liveRunShown();
}

void MainWindow::markRunError(const RunReport& report)
{
    ScriptEditor& editor = *ui_->MEMO_SCRIPT;
    errorSourceFile_.clear();
    // A line typed over during the run no longer holds the error.
    if (report.valid || !EditorLineReads(editor, report.lineNumber, report.lineText)) {
        editor.clearRunError();
        return;
    }
    QString note = QString::fromStdString(Cp1250ToUtf8(report.message));
    if (!report.includeChain.empty()) {
        // The innermost file is where the line that failed is written.
        errorSourceFile_ = QString::fromStdString(report.includeChain.back().file);
        errorSourceLine_ = report.includeChain.back().line;
        note += QLatin1Char('\n') + QString::fromStdString(Cp1250ToUtf8(report.IncludeText(language_)))
                                        .replace(QLatin1Char('\r'), QLatin1Char('\n')) +
                QLatin1Char('\n') + UiText(language_, TextId::ErrorSourceHint);
    }
    editor.showRunError(report.lineNumber, note);
}

void MainWindow::openErrorSource()
{
    // Only while the mark stands: a changed line has lost its error.
    if (errorSourceFile_.isEmpty() || ui_->MEMO_SCRIPT->errorLine() == 0) return;
    const QString file = errorSourceFile_;
    const int line = errorSourceLine_;
    openScriptFile(file);
    if (scriptFile() == file) SelectEditorLine(*ui_->MEMO_SCRIPT, line);
}

// ---------------------------------------------------------------- live refresh

void MainWindow::setLiveRefresh(bool on)
{
    liveRefreshItem()->setChecked(on);
}

bool MainWindow::liveRefreshOn() const
{
    return runs_->liveRefreshOn();
}

void MainWindow::liveRefreshChanged()
{
    const bool on = liveRefreshItem()->isChecked();
    writeEditingSetting("LiveRefresh", on ? "1" : "0");
    runs_->setLiveRefresh(on);
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

}  // namespace kresbon
