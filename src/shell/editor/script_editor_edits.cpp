// The editor's commands on its text: a line by its number, lines commented
// out and back, find and replace.

#include "shell/editor/script_editor.h"

namespace kresbon {

QString ScriptEditor::lineText(int line) const
{
    QString text = this->text(line);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
    return text;
}

void ScriptEditor::goToLine(int lineNumber)
{
    if (lineNumber < 1 || lineNumber > lines()) return;
    setCursorPosition(lineNumber - 1, 0);
    ensureLineVisible(lineNumber - 1);
}

void ScriptEditor::toggleComment()
{
    int first = 0;
    int last = 0;
    int index = 0;
    if (hasSelectedText()) {
        int lastIndex = 0;
        getSelection(&first, &index, &last, &lastIndex);
        // A selection that ends at the start of a line leaves that line out.
        if (last > first && lastIndex == 0) --last;
    } else {
        getCursorPosition(&first, &index);
        last = first;
    }
    bool any = false;
    bool allComments = true;
    for (int line = first; line <= last; ++line) {
        const QString text = lineText(line).trimmed();
        if (text.isEmpty()) continue;
        any = true;
        allComments = allComments && text.startsWith(QLatin1Char('%'));
    }
    if (!any) return;
    beginUndoAction();
    for (int line = first; line <= last; ++line) {
        const QString text = lineText(line);
        qsizetype at = 0;
        while (at < text.size() && text[at].isSpace()) ++at;
        if (at == text.size()) continue;
        const long start = SendScintilla(SCI_POSITIONFROMLINE, line);
        if (allComments) {
            const long blanks = text.left(at).toUtf8().size();
            SendScintilla(SCI_DELETERANGE, static_cast<unsigned long>(start + blanks), 1L);
        } else {
            SendScintilla(SCI_INSERTTEXT, static_cast<unsigned long>(start), "%");
        }
    }
    endUndoAction();
    setSelection(first, 0, last, static_cast<int>(lineText(last).toUtf8().size()));
}

bool ScriptEditor::find(const QString& text, bool forward, bool matchCase)
{
    if (text.isEmpty()) return false;
    int line = 0;
    int index = 0;
    if (!forward && hasSelectedText()) {
        int lineTo = 0;
        int indexTo = 0;
        getSelection(&line, &index, &lineTo, &indexTo);
    } else {
        getCursorPosition(&line, &index);
    }
    return findFirst(text, false, matchCase, false, true, forward, line, index, true);
}

bool ScriptEditor::replaceAndFind(const QString& text, const QString& replacement, bool matchCase)
{
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (hasSelectedText() && selectedText().compare(text, cs) == 0) replaceSelectedText(replacement);
    return find(text, true, matchCase);
}

int ScriptEditor::replaceAll(const QString& text, const QString& replacement, bool matchCase)
{
    if (text.isEmpty()) return 0;
    int count = 0;
    beginUndoAction();
    // Without wrapping, each search starts after the last replacement, so a
    // replacement that contains the text is not found again.
    bool found = findFirst(text, false, matchCase, false, false, true, 0, 0, false);
    while (found) {
        replace(replacement);
        ++count;
        found = findNext();
    }
    endUndoAction();
    return count;
}

}  // namespace kresbon
