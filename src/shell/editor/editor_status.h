#pragma once

#include <QString>

class QWidget;
#include <string>
#include <vector>

#include "interpreter/script_text.h"

namespace kresbon {

class ScriptEditor;

// Keeps "*" before the window's title while the editor's text differs from
// its save point, whatever sets the title.
void MarkModifiedTitle(QWidget& window, ScriptEditor& editor);

// "line:column" of the caret (the start of the selection), both from 1.
QString CaretReadout(const ScriptEditor& editor);

// Focuses the editor and, when the 1-based line exists, puts the caret at
// its start.
void SelectEditorLine(ScriptEditor& editor, int lineNumber);

// Whether the 1-based line of the editor still reads as a run saw it (the
// trimmed Windows-1250 line of a RunReport).
bool EditorLineReads(const ScriptEditor& editor, int lineNumber, const std::string& runLine);

// The editor's text as the interpreter reads it: Windows-1250 lines.
ScriptLines EditorLines(const ScriptEditor& editor);

// The editor's text exactly, with "\n" line breaks.
QString EditorText(const ScriptEditor& editor);

}  // namespace kresbon
