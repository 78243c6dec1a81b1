// The mark and note of a failed run in the editor: they stay with their
// line's text and go when that line is changed or deleted.

#include <algorithm>
#include <cstdlib>

#include "shell/editor/script_editor.h"

namespace kresbon {

void ScriptEditor::showRunError(int lineNumber, const QString& message)
{
    clearRunError();
    if (lineNumber < 1 || lineNumber > lines()) return;
    errorHandle_ = markerAdd(lineNumber - 1, errorMarker_);
    errorLineHint_ = lineNumber - 1;
    errorText_ = lineText(lineNumber - 1);
    annotate(lineNumber - 1, message, errorStyle_);
}

void ScriptEditor::clearRunError()
{
    if (errorHandle_ < 0) return;
    // The note moves with the mark, so it is cleared on the mark's line.
    const int line = markerLine(errorHandle_);
    markerDeleteHandle(errorHandle_);
    if (line >= 0) clearAnnotations(line);
    errorHandle_ = -1;
    errorText_.clear();
}

int ScriptEditor::errorLine() const
{
    if (errorHandle_ < 0) return 0;
    const int line = markerLine(errorHandle_);
    // A changed line loses its mark as soon as the change is settled.
    return line >= 0 && lineText(line) == errorText_ ? line + 1 : 0;
}

bool ScriptEditor::errorStillOnItsLine()
{
    // One change moves the mark by at most the lines it added or took away:
    // it is looked for from there rather than from the top of the script.
    const int shift = std::abs(lines() - lineCount_);
    int line = -1;
    if (changes_ == 1) {
        const auto found = static_cast<int>(
            SendScintilla(SCI_MARKERNEXT, std::max(0, errorLineHint_ - shift), 1L << errorMarker_));
        if (found >= 0 && found <= errorLineHint_ + shift) line = found;
    }
    if (line < 0) line = markerLine(errorHandle_);
    if (line < 0 || lineText(line) != errorText_) return false;
    errorLineHint_ = line;
    return true;
}

QString ScriptEditor::errorNote() const
{
    const int line = errorLine();
    return line > 0 ? annotation(line - 1) : QString();
}

}  // namespace kresbon
