#include "shell/editor/editor_status.h"

#include <QEvent>
#include <QWidget>

#include "interpreter/script_text.h"
#include "platform/encoding.h"
#include "platform/text_helpers.h"
#include "platform/texts.h"
#include "shell/texts/interface_text.h"
#include "shell/editor/script_editor.h"

namespace kresbon {

namespace {

// Follows the editor's modified state and the window's title changes.
class ModifiedTitle : public QObject {
public:
    ModifiedTitle(QWidget& window, ScriptEditor& editor) : QObject(&window), window_(window), editor_(editor)
    {
        window.installEventFilter(this);
        connect(&editor, &QsciScintilla::modificationChanged, this, &ModifiedTitle::apply);
        apply();
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::WindowTitleChange) apply();
        return false;
    }

private:
    void apply()
    {
        const QString title = window_.windowTitle();
        const bool marked = title.startsWith(QLatin1Char('*'));
        const bool modified = editor_.unsaved();
        if (marked != modified) window_.setWindowTitle(modified ? QLatin1Char('*') + title : title.mid(1));
    }

    QWidget& window_;
    ScriptEditor& editor_;
};

}  // namespace

void MarkModifiedTitle(QWidget& window, ScriptEditor& editor)
{
    new ModifiedTitle(window, editor);
}

QString CaretReadout(const ScriptEditor& editor)
{
    int line = 0;
    int index = 0;
    if (editor.hasSelectedText()) {
        int lineTo = 0;
        int indexTo = 0;
        editor.getSelection(&line, &index, &lineTo, &indexTo);
    } else {
        editor.getCursorPosition(&line, &index);
    }
    return QString::number(line + 1) + QLatin1Char(':') + QString::number(index + 1);
}

void SelectEditorLine(ScriptEditor& editor, int lineNumber)
{
    editor.setFocus(Qt::OtherFocusReason);
    editor.goToLine(lineNumber);
}

QString EditorText(const ScriptEditor& editor)
{
    // Pasted text may bring other line ends; a line end is one "\n" here.
    QString text = editor.text();
    if (text.contains(QLatin1Char('\r'))) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    return text;
}

bool EditorLineReads(const ScriptEditor& editor, int lineNumber, const std::string& runLine)
{
    if (lineNumber < 1 || lineNumber > editor.lines()) return false;
    QString text = editor.text(lineNumber - 1);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
    return Trim(Utf8ToCp1250(text.toStdString())) == runLine;
}

ScriptLines EditorLines(const ScriptEditor& editor)
{
    // The editor's own UTF-8 bytes, read where they lie: a long script is
    // not copied twice more on its way to the interpreter's form. The lines
    // are split at any line end.
    const auto length = static_cast<std::size_t>(editor.SendScintilla(QsciScintilla::SCI_GETLENGTH));
    const auto* bytes = reinterpret_cast<const char*>(editor.SendScintilla(QsciScintilla::SCI_GETCHARACTERPOINTER));
    if (bytes == nullptr || length == 0) return SplitLines(std::string());
    return SplitLines(Utf8ToCp1250(std::string_view(bytes, length)));
}

}  // namespace kresbon
