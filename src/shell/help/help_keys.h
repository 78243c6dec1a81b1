#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace kresbon {

class ScriptEditor;

// The help as the window asks for it: the contents, the keyword search, F1
// on a word of the language in the script editor, and F1 in a modal box,
// where the window's own key does not reach.
class HelpKeys : public QObject {
    Q_OBJECT
public:
    // Runs a request as the window runs every command of the user.
    using Guard = std::function<void(const std::function<void()>&)>;

    HelpKeys(QWidget& window, ScriptEditor& editor, Guard guarded);

    void setLanguage(int languageBase) { language_ = languageBase; }
    void showHelpContents();
    void showHelpSearch();
    // F1: the page of the word under the editor's caret, else the contents.
    void showHelpForCaretWord();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    ScriptEditor& editor_;
    Guard guarded_;
    int language_ = 1000;
    bool helpPending_ = false;
};

}  // namespace kresbon
