#include "shell/editor_status.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include "interpreter/script_text.h"
#include "platform/encoding.h"
#include "platform/texts.h"
#include "shell/interface_text.h"

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

QString CaretReadout(const QPlainTextEdit& editor)
{
    const int caret = editor.textCursor().selectionStart();
    const QTextBlock block = editor.document()->findBlock(caret);
    const int line = block.isValid() ? block.blockNumber() + 1 : 1;
    const int column = block.isValid() ? caret - block.position() + 1 : 1;
    return QString::number(line) + QLatin1Char(':') + QString::number(column);
}

void SelectEditorLine(QPlainTextEdit& editor, int lineNumber)
{
    editor.setFocus(Qt::OtherFocusReason);
    if (lineNumber <= 0 || lineNumber > editor.document()->blockCount()) return;
    QTextCursor cursor(editor.document()->findBlockByNumber(lineNumber - 1));
    editor.setTextCursor(cursor);
    editor.ensureCursorVisible();
}

QString EditorText(const QPlainTextEdit& editor)
{
    // The raw text keeps characters that the plain-text export would change
    // (a no-break space); blocks are separated by paragraph separators.
    QString text = editor.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

ScriptLines EditorLines(const QPlainTextEdit& editor)
{
    return SplitLines(Utf8ToCp1250(EditorText(editor).toStdString()));
}

}  // namespace kresbon
