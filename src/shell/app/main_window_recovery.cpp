// Keeping a copy of the unsaved script against a crash, wired to the
// window here; the copy itself is Recovery's.

#include <QTimer>

#include "shell/app/main_window.h"
#include "shell/document/recovery.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/script_editor.h"
#include "shell/run/run_controller.h"
#include "shell/texts/interface_text.h"
#include "ui_main_window.h"

namespace kresbon {

namespace {

constexpr int KeepCopyEveryMs = 30'000;

}  // namespace

void MainWindow::setUpRecovery()
{
    recovery_ = std::make_unique<Recovery>(environment_.stateFolder);
    auto* timer = new QTimer(this);
    timer->setInterval(KeepCopyEveryMs);
    connect(timer, &QTimer::timeout, this, &MainWindow::keepRecoveryCopy);
    timer->start();
    // Every run first keeps a copy of unsaved work, in case it is the last.
    connect(runs_, &RunController::runStarting, this, &MainWindow::keepRecoveryCopy);
}

void MainWindow::keepRecoveryCopy()
{
    try {
        if (saved())
            recovery_->discard();
        else
            recovery_->store(EditorText(*ui_->MEMO_SCRIPT), documents_->scriptFile());
    } catch (const std::exception&) {
        // A full or read-only state folder costs the copy, never the work.
    }
}

void MainWindow::offerRecoveryCopy()
{
    const std::optional<Recovery::Copy> copy = recovery_->takeLeftOver();
    if (!copy) return;
    MessageRequest question = WarningNotice(captions_, UiText(language_, TextId::RestoreUnsavedScript));
    question.buttons = QMessageBox::Yes | QMessageBox::No;
    question.defaultButton = QMessageBox::Yes;
    if (ask(question) != QMessageBox::Yes) {
        recovery_->discard();
        return;
    }
    documents_->restore(copy->text, copy->scriptFile);
    runScript();
}

}  // namespace kresbon
