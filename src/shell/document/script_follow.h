#pragma once

#include <QFrame>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "shell/document/file_watch.h"

class QLabel;
class QPushButton;
class QsciScintilla;

namespace kresbon {

// The bar above the editor telling that the script changed on disk or went
// away while the editor holds unsaved edits.
class DiskChangeBar : public QFrame {
    Q_OBJECT
public:
    explicit DiskChangeBar(QWidget* parent = nullptr);

    enum class News { Changed, Gone };
    void tell(News news, const QString& path);
    void applyTexts(int languageBase);

    QLabel* message() const { return message_; }
    QPushButton* reloadButton() const { return reload_; }
    QPushButton* keepMineButton() const { return keepMine_; }

signals:
    void reloadChosen();
    void keepMineChosen();

private:
    void showTexts();

    QLabel* message_;
    QPushButton* reload_;
    QPushButton* keepMine_;
    int language_ = 1000;
    News news_ = News::Changed;
    QString path_;
};

// What following the script on disk needs of the window.
struct FollowedDocument {
    // The editor holds edits not saved to the script file.
    std::function<bool()> unsavedEdits;
    // Reads the script file into the editor again, as one undo step.
    std::function<void()> reload;
    // Draws the editor's text again without message boxes; false while
    // another run holds the drawing, to be tried again later.
    std::function<bool()> redraw;
    // The editor's text is the only copy of the script left.
    std::function<void()> markUnsaved;
};

// Follows the open script, the files its last run included and the
// pictures it placed: a changed script is reloaded while the editor holds
// no unsaved edits and the bar tells of it otherwise; any change redraws.
class ScriptFollow : public QObject {
    Q_OBJECT
public:
    ScriptFollow(DiskChangeBar* bar, FollowedDocument document, QObject* parent = nullptr);

    // The script file, empty for none; its present state is the known one.
    void setScript(const QString& path);
    // The files the last run read besides the script.
    void setUsedFiles(const std::vector<std::string>& paths);
    // The program has just read or written the file, so that the editor
    // holds what is on disk: its present state is known and, for the
    // script, the bar has nothing more to say.
    void scriptMatchesDisk(const QString& path);

    void setEnabled(bool on) { watch_.setEnabled(on); }
    bool enabled() const { return watch_.enabled(); }

    FileWatch& watch() { return watch_; }
    DiskChangeBar& bar() { return *bar_; }

signals:
    // A change on disk has been dealt with: reloaded, told or redrawn.
    void followed();

private:
    void onChanged(const QStringList& paths);
    void redrawWhenFree();
    void refollow();

    DiskChangeBar* bar_;
    FollowedDocument document_;
    FileWatch watch_;
    QString script_;
    QStringList used_;
};

// Replaces the editor's whole text as one undo step, keeping the caret's
// line and the first line shown where the new text allows.
void ReplaceEditorText(QsciScintilla& editor, const QString& text);

}  // namespace kresbon
