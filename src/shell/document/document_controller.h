#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "shell/dialogs/message_box.h"
#include "shell/dialogs/user_dialogs.h"
#include "shell/document/script_file.h"

class QAction;
class QMenu;
class QWidget;

namespace kresbon {

class ScriptEditor;
class ScriptFollow;
class SettingsFile;

// The window caption: the product name, followed by the script's file name
// in parentheses when there is a current script file whose name part (the
// text after its last separator) is not blank.
QString WindowCaption(int languageBase, const QString& currentScriptFile);

// What the document asks of the window around it when a script replaces
// the one shown.
struct DocumentHooks {
    // Lets a run going on end first: it draws into the drawing about to be
    // replaced.
    std::function<void()> stopRuns;
    // Empties the drawing, with the drawing state, and shows it.
    std::function<void()> clearDrawing;
    // Runs the script as Refresh does.
    std::function<void()> runScript;
    // Runs a command of the user, as the window runs every one.
    std::function<void(const std::function<void()>&)> guarded;
    // The caret may have moved.
    std::function<void()> caretMoved;
};

// The open script as a document: its file name shown in the window's
// caption, the encoding it is saved in, New, Open, Save and Save as, the
// question before unsaved work would be lost, and the recent scripts.
class DocumentController : public QObject {
    Q_OBJECT
public:
    enum class GuardedCommand { New, Open, Closing };

    DocumentController(QWidget& window, ScriptEditor& editor, SettingsFile& settings, UserDialogs& dialogs,
                       DocumentHooks hooks);

    // The recent scripts' submenu and its item that empties the list.
    void setRecentMenu(QMenu* menu, QAction* clearItem);
    // Following the script on disk names the file the caption names.
    void setFollow(ScriptFollow* follow) { fileFollow_ = follow; }
    void applyTexts(int languageBase);

    void newScript();
    void openScript();
    void saveScript();
    void saveScriptAs();
    // Opening a named script passes the unsaved-changes guard as Open does;
    // a recent script that has gone is dropped from the list with a notice.
    void openScriptFile(const QString& path);
    void openRecentFile(const QString& path);
    void clearRecentFiles();
    // Loads the script and draws it, with no question asked.
    void openAction(const QString& path);

    // True when the work may go on: saved, or the user chose to save or
    // drop the changes.
    bool passUnsavedGuard(GuardedCommand command);
    void loadScript(const QString& path);
    // The script read again from its file, after it changed on disk.
    void reloadFromDisk();
    // Unsaved text put back as the script of the named file.
    void restore(const QString& text, const QString& scriptFile);
    void readRecentFiles();
    void rememberRecentFile(const QString& path);

    bool saved() const;
    QString scriptFile() const { return scriptFile_; }
    QString scriptFileFilter() const { return scriptFilter_; }
    const QStringList& recentFiles() const { return recentFiles_; }
    void updateCaption();

private:
    std::optional<QString> saveUnderChosenName();
    void writeScript(const QString& path);
    FileDialogRequest scriptDialog() const;
    void storeRecentFiles();
    void rebuildRecentMenu();
    QMessageBox::StandardButton ask(const MessageRequest& request);

    QWidget& window_;
    ScriptEditor& editor_;
    SettingsFile& settings_;
    UserDialogs& dialogs_;
    DocumentHooks hooks_;
    ScriptFollow* fileFollow_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* recentClearItem_ = nullptr;

    int language_ = 1000;
    MessageCaptions captions_;
    QString scriptFilter_;

    QString scriptFile_;
    ScriptDocument document_;
    QStringList recentFiles_;
};

}  // namespace kresbon
