// Following the files on disk: the script, the files its last run included
// and the pictures it placed. Wired to the window here; the work is done by
// ScriptFollow.

#include <QBoxLayout>
#include <QMenu>
#include <QSignalBlocker>

#include "shell/app/main_window.h"
#include "shell/document/script_follow.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/script_editor.h"
#include "shell/run/run_controller.h"
#include "shell/texts/interface_text.h"
#include "ui_main_window.h"

namespace kresbon {

void MainWindow::setUpFileFollowing()
{
    ScriptEditor* editor = ui_->MEMO_SCRIPT;
    auto* bar = new DiskChangeBar(editor->parentWidget());
    if (auto* column = qobject_cast<QBoxLayout*>(editor->parentWidget()->layout()))
        column->insertWidget(column->indexOf(editor), bar);

    FollowedDocument document;
    document.unsavedEdits = [this] { return !saved(); };
    document.markUnsaved = [this] { ui_->MEMO_SCRIPT->markUnsaved(); };
    document.reload = [this] { documents_->reloadFromDisk(); };
    document.redraw = [this] { return !firstActivationDone_ || runs_->startRedraw(); };
    fileFollow_ = new ScriptFollow(bar, std::move(document), this);
    documents_->setFollow(fileFollow_);

    // Every run, the print run too, tells which files it read.
    connect(runs_, &RunController::runEnded, fileFollow_, [this] {
        if (const Interpreter* interpreter = runs_->idle()) {
            const std::set<std::string>& named = interpreter->filesNamed();
            fileFollow_->setUsedFiles(std::vector<std::string>(named.begin(), named.end()));
        }
    });

    // The setting read back is not written again.
    QAction* item = watchFilesItem();
    {
        const QSignalBlocker quiet(item);
        item->setChecked(settings_.Read("MainForm", "WatchFiles") != "0");
    }
    fileFollow_->setEnabled(item->isChecked());
}

void MainWindow::watchFilesChanged()
{
    const bool on = watchFilesItem()->isChecked();
    writeEditingSetting("WatchFiles", on ? "1" : "0");
    fileFollow_->setEnabled(on);
}

void MainWindow::applyFollowTexts()
{
    fileFollow_->bar().applyTexts(language_);
}

}  // namespace kresbon
