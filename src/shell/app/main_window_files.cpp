// The script file commands of the main window: New, Open, Save, Save as,
// the question before unsaved work would be lost, and the editor font.

#include <QLabel>

#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/dialogs/file_filters.h"
#include "shell/texts/interface_text.h"
#include "shell/app/main_window.h"
#include "shell/editor/script_editor.h"
#include "shell/document/script_follow.h"
#include "ui_main_window.h"

namespace kresbon {

FileDialogRequest MainWindow::scriptDialog() const
{
    FileDialogRequest request;
    request.nameFilters = ToNameFilters(scriptFilter_);
    request.defaultSuffix = QStringLiteral("krs");
    return request;
}

void MainWindow::updateCaption()
{
    setWindowTitle(WindowCaption(language_, scriptFile_));
    // The file followed on disk is the one the caption names.
    fileFollow_->setScript(scriptFile_);
}

bool MainWindow::saved() const
{
    return !ui_->MEMO_SCRIPT->unsaved();
}

void MainWindow::updateCaretReadout()
{
    ui_->L_POZICE->setText(CaretReadout(*ui_->MEMO_SCRIPT));
}

void MainWindow::loadScript(const QString& path)
{
    ScriptDocument loaded = ReadScriptFile(path);
    ui_->MEMO_SCRIPT->setPlainText(loaded.text);
    loaded.text.clear();
    document_ = std::move(loaded);
    ui_->MEMO_SCRIPT->setModified(false);
    scriptFile_ = path;
    updateCaption();
    fileFollow_->scriptMatchesDisk(path);
    updateCaretReadout();
}

void MainWindow::writeScript(const QString& path)
{
    ScriptDocument document = document_;
    document.text = EditorText(*ui_->MEMO_SCRIPT);
    WriteFileSafely(path, EncodeScriptDocument(document));
    fileFollow_->scriptMatchesDisk(path);
    document_.encoding = SavedEncoding(document);
    rememberRecentFile(path);
}

std::optional<QString> MainWindow::saveUnderChosenName()
{
    const std::optional<QString> chosen = dialogs_.saveFileName(this, scriptDialog());
    if (!chosen) return std::nullopt;
    if (FileCanBeRead(*chosen) &&
        ask(OverwriteQuestion(captions_, language_, *chosen)) != QMessageBox::Yes)
        return std::nullopt;
    writeScript(*chosen);
    return chosen;
}

bool MainWindow::passUnsavedGuard(GuardedCommand command)
{
    if (saved()) return true;
    switch (ask(SaveQuestion(captions_, language_, scriptFile_))) {
    case QMessageBox::Yes:
        if (!scriptFile_.isEmpty()) {
            writeScript(scriptFile_);
            ui_->MEMO_SCRIPT->setModified(false);
            return true;
        }
        if (const auto chosen = saveUnderChosenName()) {
            ui_->MEMO_SCRIPT->setModified(false);
            if (command == GuardedCommand::Open) {
                scriptFile_ = *chosen;
                updateCaption();
            }
            return true;
        }
        return false;
    case QMessageBox::No:
        // Open keeps the unsaved state, so that cancelling its dialog still
        // leaves the changes guarded.
        if (command == GuardedCommand::New) ui_->MEMO_SCRIPT->setModified(false);
        return true;
    default:
        return false;
    }
}

void MainWindow::newScript()
{
    if (!passUnsavedGuard(GuardedCommand::New)) return;
    Interpreter& interpreter = runs_->stopped();
    scriptFile_.clear();
    exampleFolder_.clear();
    updateCaption();
    // Emptying the editor by program is no change of the user's.
    const bool wasSaved = saved();
    ui_->MEMO_SCRIPT->clear();
    ui_->MEMO_SCRIPT->clearRunError();
    if (wasSaved) ui_->MEMO_SCRIPT->setModified(false);
    document_ = ScriptDocument{};
    interpreter.ResetDrawingState();
    interpreter.ClearDrawing();
    showDrawing();
}

void MainWindow::openScript()
{
    if (!passUnsavedGuard(GuardedCommand::Open)) return;
    runs_->stopped();
    const std::optional<QString> chosen = dialogs_.openFileName(this, scriptDialog());
    if (!chosen) return;
    openAction(*chosen);
}

void MainWindow::saveScript()
{
    if (scriptFile_.isEmpty()) {
        saveScriptAs();
        return;
    }
    writeScript(scriptFile_);
    ui_->MEMO_SCRIPT->setModified(false);
}

void MainWindow::saveScriptAs()
{
    const std::optional<QString> chosen = saveUnderChosenName();
    if (!chosen) return;
    ui_->MEMO_SCRIPT->setModified(false);
    scriptFile_ = *chosen;
    updateCaption();
}

void MainWindow::chooseEditorFont()
{
    const QColor shown = ui_->MEMO_SCRIPT->palette().color(QPalette::Text);
    const std::optional<ChosenFont> chosen =
        dialogs_.chooseFontAndColour(this, scriptFont_.font, shown, UiText(language_, TextId::ColourMenu));
    if (!chosen) return;
    TakeChosenFont(scriptFont_, chosen->font);
    // The system's text colour is kept as such until another one is chosen.
    if (chosen->colour.isValid() && chosen->colour != shown)
        scriptFont_.color = static_cast<std::int32_t>(chosen->colour.red() | (chosen->colour.green() << 8) |
                                                      (chosen->colour.blue() << 16));
    ui_->MEMO_SCRIPT->setFont(scriptFont_.font);
    showScriptFontColour();
    try {
        WriteScriptFontSettings(scriptFont_, settings_, logicalDpiY());
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
    }
}

}  // namespace kresbon
