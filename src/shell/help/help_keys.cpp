#include "shell/help/help_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "shell/editor/script_completion.h"
#include "shell/editor/script_editor.h"
#include "shell/help/help.h"

namespace kresbon {

HelpKeys::HelpKeys(QWidget& window, ScriptEditor& editor, Guard guarded)
    : QObject(&window), window_(window), editor_(editor), guarded_(std::move(guarded))
{
    qApp->installEventFilter(this);
}

void HelpKeys::showHelpContents()
{
    ShowHelpContents(&window_, language_);
}

void HelpKeys::showHelpSearch()
{
    ShowHelpSearch(&window_, language_);
}

void HelpKeys::showHelpForCaretWord()
{
    // F1 in the editor on a word of the language opens that word's page.
    if (QApplication::focusWidget() == &editor_) {
        QString before;
        const QString word = editor_.wordAtCaret(&before);
        const QString page = HelpPageOfWord(word, before);
        if (!page.isEmpty()) {
            ShowHelpPage(&window_, language_, page);
            return;
        }
    }
    ShowHelpContext(&window_, language_, 0);
}

bool HelpKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        QApplication::activeModalWidget() && !helpPending_) {
        // The window's own F1 key is shut out while a modal box is open; the
        // help is asked for here instead, once per press however far the key
        // travels, and the key goes on as usual.
        helpPending_ = true;
        QTimer::singleShot(0, this, [this] {
            helpPending_ = false;
            guarded_([this] { ShowHelpContext(&window_, language_, 0); });
        });
        return false;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kresbon
