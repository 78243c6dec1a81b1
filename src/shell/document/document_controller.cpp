#include "shell/document/document_controller.h"

#include <QFileInfo>

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "platform/texts.h"
#include "shell/document/recent_files.h"
#include "shell/document/script_follow.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/script_editor.h"
#include "shell/settings/settings_file.h"
#include "shell/settings/window_settings.h"
#include "shell/texts/error_text.h"
#include "shell/texts/file_filters.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

QString WindowCaption(int languageBase, const QString& currentScriptFile)
{
    const QString product = UiText(languageBase, TextId::MainWindowTitle);
    const qsizetype separator = currentScriptFile.lastIndexOf(QLatin1Char('/'));
    // A name without any folder has no name part.
    const QString namePart = separator < 0 ? QString() : currentScriptFile.mid(separator + 1);
    if (currentScriptFile.trimmed().isEmpty() || namePart.trimmed().isEmpty()) return product;
    return product + QStringLiteral(" (") + namePart + QLatin1Char(')');
}

DocumentController::DocumentController(QWidget& window, ScriptEditor& editor, SettingsFile& settings,
                                       UserDialogs& dialogs, DocumentHooks hooks)
    : QObject(&window), window_(window), editor_(editor), settings_(settings), dialogs_(dialogs),
      hooks_(std::move(hooks))
{
}

void DocumentController::setRecentMenu(QMenu* menu, QAction* clearItem)
{
    recentMenu_ = menu;
    recentClearItem_ = clearItem;
}

void DocumentController::applyTexts(int languageBase)
{
    language_ = languageBase;
    captions_ = LoadMessageCaptions(language_);
    scriptFilter_ = ScriptFileFilter(language_);
    // The caption keeps naming the script in the new language.
    window_.setWindowTitle(WindowCaption(language_, scriptFile_));
}

QMessageBox::StandardButton DocumentController::ask(const MessageRequest& request)
{
    return dialogs_.ask(&window_, request);
}

// ---------------------------------------------------------------- script files

FileDialogRequest DocumentController::scriptDialog() const
{
    FileDialogRequest request;
    request.nameFilters = ToNameFilters(scriptFilter_);
    request.defaultSuffix = QStringLiteral("krs");
    request.folder = LastFolder(settings_);
    return request;
}

void DocumentController::updateCaption()
{
    window_.setWindowTitle(WindowCaption(language_, scriptFile_));
    // The file followed on disk is the one the caption names.
    fileFollow_->setScript(scriptFile_);
}

bool DocumentController::saved() const
{
    return !editor_.unsaved();
}

void DocumentController::loadScript(const QString& path)
{
    ScriptDocument loaded = ReadScriptFile(path);
    editor_.setPlainText(loaded.text);
    loaded.text.clear();
    document_ = std::move(loaded);
    editor_.setModified(false);
    scriptFile_ = path;
    updateCaption();
    fileFollow_->scriptMatchesDisk(path);
    hooks_.caretMoved();
}

void DocumentController::reloadFromDisk()
{
    try {
        ScriptDocument loaded = ReadScriptFile(scriptFile_);
        ReplaceEditorText(editor_, loaded.text);
        loaded.text.clear();
        document_ = std::move(loaded);
        editor_.setModified(false);
        fileFollow_->scriptMatchesDisk(scriptFile_);
    } catch (const std::exception& error) {
        ask(ErrorNotice(captions_, ErrorMessage(error, language_)));
    }
}

void DocumentController::restore(const QString& text, const QString& scriptFile)
{
    editor_.setPlainText(text);
    editor_.markUnsaved();
    scriptFile_ = scriptFile;
    updateCaption();
    hooks_.caretMoved();
}

void DocumentController::writeScript(const QString& path)
{
    ScriptDocument document = document_;
    document.text = EditorText(editor_);
    WriteFileSafely(path, EncodeScriptDocument(document));
    fileFollow_->scriptMatchesDisk(path);
    document_.encoding = SavedEncoding(document);
    rememberRecentFile(path);
}

std::optional<QString> DocumentController::saveUnderChosenName()
{
    FileDialogRequest request = scriptDialog();
    // Save as offers the script's own name.
    request.fileName = scriptFile_;
    const std::optional<QString> chosen = dialogs_.saveFileName(&window_, request);
    if (!chosen) return std::nullopt;
    RememberLastFolder(settings_, *chosen);
    if (FileCanBeRead(*chosen) &&
        ask(OverwriteQuestion(captions_, language_, *chosen)) != QMessageBox::Yes)
        return std::nullopt;
    writeScript(*chosen);
    return chosen;
}

bool DocumentController::passUnsavedGuard(GuardedCommand command)
{
    if (saved()) return true;
    switch (ask(SaveQuestion(captions_, language_, scriptFile_))) {
    case QMessageBox::Yes:
        if (!scriptFile_.isEmpty()) {
            writeScript(scriptFile_);
            editor_.setModified(false);
            return true;
        }
        if (const auto chosen = saveUnderChosenName()) {
            editor_.setModified(false);
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
        if (command == GuardedCommand::New) editor_.setModified(false);
        return true;
    default:
        return false;
    }
}

void DocumentController::newScript()
{
    if (!passUnsavedGuard(GuardedCommand::New)) return;
    hooks_.stopRuns();
    scriptFile_.clear();
    exampleFolder_.clear();
    updateCaption();
    // Emptying the editor by program is no change of the user's.
    const bool wasSaved = saved();
    editor_.clear();
    editor_.clearRunError();
    if (wasSaved) editor_.setModified(false);
    document_ = ScriptDocument{};
    hooks_.clearDrawing();
}

void DocumentController::openScript()
{
    if (!passUnsavedGuard(GuardedCommand::Open)) return;
    hooks_.stopRuns();
    const std::optional<QString> chosen = dialogs_.openFileName(&window_, scriptDialog());
    if (!chosen) return;
    RememberLastFolder(settings_, *chosen);
    openAction(*chosen);
}

void DocumentController::saveScript()
{
    if (scriptFile_.isEmpty()) {
        saveScriptAs();
        return;
    }
    writeScript(scriptFile_);
    editor_.setModified(false);
}

void DocumentController::saveScriptAs()
{
    const std::optional<QString> chosen = saveUnderChosenName();
    if (!chosen) return;
    editor_.setModified(false);
    scriptFile_ = *chosen;
    updateCaption();
}

// ---------------------------------------------------------------- recent scripts

void DocumentController::readRecentFiles()
{
    recentFiles_ = ReadRecentFiles(settings_);
    rebuildRecentMenu();
}

void DocumentController::rememberRecentFile(const QString& path)
{
    // Read afresh, so that another copy of the program keeps its entries.
    settings_.Refresh();
    recentFiles_ = WithRecentFile(ReadRecentFiles(settings_), path);
    storeRecentFiles();
}

void DocumentController::storeRecentFiles()
{
    rebuildRecentMenu();
    // The list is a convenience: a settings file that cannot be written
    // must not stop the open or save that changed it.
    try {
        WriteRecentFiles(settings_, recentFiles_);
    } catch (const std::exception&) {
    }
}

void DocumentController::rebuildRecentMenu()
{
    recentMenu_->clear();
    for (int i = 0; i < recentFiles_.size(); ++i) {
        const QString path = recentFiles_[i];
        QAction* item = recentMenu_->addAction(RecentFileCaption(i, path));
        connect(item, &QAction::triggered, this, [this, path] { hooks_.guarded([this, path] { openRecentFile(path); }); });
    }
    recentMenu_->addSeparator();
    recentMenu_->addAction(recentClearItem_);
    recentClearItem_->setEnabled(!recentFiles_.isEmpty());
}

void DocumentController::clearRecentFiles()
{
    recentFiles_.clear();
    storeRecentFiles();
}

void DocumentController::openRecentFile(const QString& path)
{
    if (!FileCanBeRead(path)) {
        settings_.Refresh();
        recentFiles_ = ReadRecentFiles(settings_);
        recentFiles_.removeAll(path);
        storeRecentFiles();
        ask(WarningNotice(captions_, UiText(language_, TextId::RecentFileGoneHead) + u'"' + path + u'"' +
                                         UiText(language_, TextId::RecentFileGoneTail)));
        return;
    }
    openScriptFile(path);
}

void DocumentController::openScriptFile(const QString& path)
{
    if (!passUnsavedGuard(GuardedCommand::Open)) return;
    openAction(path);
}

void DocumentController::openAction(const QString& path)
{
    // A run going on draws into the drawing about to be replaced.
    hooks_.stopRuns();
    loadScript(path);
    rememberRecentFile(path);
    hooks_.clearDrawing();
    hooks_.runScript();
}

void DocumentController::openExample(const QString& path)
{
    // A missing example is reported before anything of the user's is touched.
    ScriptDocument loaded = ReadScriptFile(path);
    if (!passUnsavedGuard(GuardedCommand::New)) return;
    hooks_.stopRuns();
    scriptFile_.clear();
    exampleFolder_ = QFileInfo(path).absolutePath();
    updateCaption();
    editor_.setPlainText(loaded.text);
    editor_.clearRunError();
    editor_.setModified(false);
    loaded.text.clear();
    document_ = std::move(loaded);
    hooks_.caretMoved();
    hooks_.clearDrawing();
    hooks_.runScript();
}

}  // namespace kresbon
