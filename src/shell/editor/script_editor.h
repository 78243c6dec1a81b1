#pragma once

// editor/: the script editor widget and all that works inside it: the
// lexer's colours and folding, completion and call tips, find and replace,
// the error mark of a failed run, and the editor's status readouts (caret
// position, the editor's lines as the interpreter reads them, the modified
// mark in the title). It knows nothing of files, runs or the drawing.

#include <QStringList>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <Qsci/qscistyle.h>
#include <vector>

#include "shell/editor/script_completion.h"

namespace kresbon {

class ScriptLexer;

// The script editor: line numbers, the current line, colours from the
// language's word table, folding of procedure bodies, matching brackets,
// completion and call tips, and the mark and note of a failed run.
//
// A key costs the same in a script of a few lines and in one of hundreds
// of thousands: the editor looks only at the lines a change touched and at
// the lines on screen. Its textChanged and linesChanged signals come once
// the change is complete, as soon as control returns to the event loop.
class ScriptEditor : public QsciScintilla {
    Q_OBJECT
public:
    explicit ScriptEditor(QWidget* parent = nullptr);

    void setPlainText(const QString& text);
    QString toPlainText() const { return text(); }

    // The text differs from its file although nothing was edited here, as
    // when the file was deleted or replaced by another program's copy: the
    // text counts as unsaved until its next save point (setModified(false)).
    void markUnsaved();
    bool unsaved() const { return isModified() || markedUnsaved_; }

    // The language of the call tips.
    void setLanguage(int languageBase) { language_ = languageBase; }
    // The editor font and its text colour (invalid: the palette's).
    void setScriptFont(const QFont& font, const QColor& colour);

    // Marks the 1-based line of a failed run in the margin and shows the
    // message under it; a line outside the text marks nothing. The mark
    // belongs to the line's text: it moves with the line and goes when the
    // line is changed or deleted.
    void showRunError(int lineNumber, const QString& message);
    void clearRunError();
    // The 1-based marked line, 0 when none.
    int errorLine() const;
    QString errorNote() const;

    // Counts every change of the text, so that a caller can tell whether
    // the text changed while it waited.
    quint64 editCount() const { return editCount_; }

    // The caret to the start of a 1-based line, when it exists.
    void goToLine(int lineNumber);

    // The word under the caret (letters, digits, _ and @).
    // The word the caret is in or next to; before, if given, receives the
    // line's text in front of that word.
    QString wordAtCaret(QString* before = nullptr) const;

    // The procedures the script declares, as written; kept up to date a
    // moment after each change.
    const std::vector<DeclaredProcedure>& procedures() const { return procedures_; }
    void refreshProcedures();

    // Offers the completions of the word before the caret.
    void showCompletion();
    // Shows the call tip of the command at the caret, if any.
    void showCallTip();

    // Searches from the caret; wraps around the text. Returns whether found
    // (the match is then selected).
    bool find(const QString& text, bool forward, bool matchCase);
    // Replaces the selection when it is a match, then finds the next one.
    bool replaceAndFind(const QString& text, const QString& replacement, bool matchCase);
    // Replaces every match in one undo step; returns how many.
    int replaceAll(const QString& text, const QString& replacement, bool matchCase);

    // Puts "%" before the selected lines, or the caret's line, that are not
    // blank; when every one of them is a comment already, takes the first
    // "%" of each away instead. One undo step.
    void toggleComment();

signals:
    // A click on the note under the marked line.
    void errorNoteClicked();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    void onCharacterAdded(int character);
    void onModified(int position, int type, const char* text, int length, int linesAdded, int line,
                    int foldNow, int foldPrevious, int token, int annotationLinesAdded);
    void settleChange();
    bool errorStillOnItsLine();
    bool typedWordIsOffered() const;
    QString lineText(int line) const;
    bool linesOpenProcedure(int first, int last) const;
    QString procedureHeaders() const;
    void restyleLines(int first, int last);
    void restyleSlice();
    QString lineBeforeCaret() const;
    void updateLineNumberWidth();

    ScriptLexer* lexer_ = nullptr;
    QTimer procedureScan_;
    // A change in progress: what it touched, told before it happens.
    bool changePending_ = false;
    bool proceduresTouched_ = false;
    bool markedUnsaved_ = false;
    int insertedAt_ = -1;
    int insertedLength_ = 0;
    int changes_ = 0;
    quint64 editCount_ = 0;
    int lineCount_ = 1;
    // Lines coloured before the procedures changed, recoloured a slice at
    // a time from this line on.
    QTimer restyle_;
    int restyleFrom_ = 0;
    std::vector<DeclaredProcedure> procedures_;
    // Their names, as completion offers them.
    QStringList procedureNames_;
    QStringList fonts_;
    QsciStyle errorStyle_;
    int errorMarker_ = 0;
    // The mark's handle (-1: none) and its line's text when it was marked.
    int errorHandle_ = -1;
    int errorLineHint_ = 0;
    QString errorText_;
    int language_ = 1000;
};

}  // namespace kresbon
