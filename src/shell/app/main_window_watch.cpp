// Following the files on disk: the script, the files its last run included
// and the pictures it placed. Wired to the window here; the work is done by
// ScriptFollow.

#include <QBoxLayout>
#include <QMenu>

#include "shell/app/main_window.h"
#include "shell/document/script_follow.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/script_editor.h"
#include "shell/texts/error_text.h"
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
    document.unsavedEdits = [this] { return !saved_; };
    document.markUnsaved = [this] { saved_ = false; };
    document.reload = [this] {
        try {
            ScriptDocument loaded = ReadScriptFile(scriptFile_);
            ReplaceEditorText(*ui_->MEMO_SCRIPT, loaded.text);
            loaded.text.clear();
            document_ = std::move(loaded);
            saved_ = true;
            fileFollow_->scriptMatchesDisk(scriptFile_);
        } catch (const std::exception& error) {
            showErrorNotice(ErrorMessage(error, language_));
        }
    };
    document.redraw = [this] {
        if (!firstActivationDone_) return true;
        if (runInProgress()) return false;
        ++runCount_;
        startRun(ScreenRun(EditorLines(*ui_->MEMO_SCRIPT)), true);
        return true;
    };
    fileFollow_ = new ScriptFollow(bar, std::move(document), this);

    // Every run, the print run too, tells which files it read.
    connect(runner_, &ScriptRunner::finished, fileFollow_,
            [this] { fileFollow_->setUsedFiles(interpreter_.filesRead()); });

    watchFilesItem_ = new QAction(this);
    watchFilesItem_->setObjectName(QStringLiteral("MnuWatchFiles"));
    watchFilesItem_->setCheckable(true);
    watchFilesItem_->setChecked(settings_.Read("MainForm", "WatchFiles") != "0");
    fileFollow_->setEnabled(watchFilesItem_->isChecked());
    ui_->MnuScript->insertAction(ui_->MnuKonec, watchFilesItem_);
    ui_->MnuScript->insertSeparator(ui_->MnuKonec);
    connect(watchFilesItem_, &QAction::toggled, this, [this](bool on) {
        writeEditingSetting("WatchFiles", on ? "1" : "0");
        fileFollow_->setEnabled(on);
    });
}

void MainWindow::applyFollowTexts()
{
    watchFilesItem_->setText(UiText(language_, TextId::MenuWatchFiles));
    fileFollow_->bar().applyTexts(language_);
}

}  // namespace kresbon
