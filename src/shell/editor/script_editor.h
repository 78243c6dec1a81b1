#pragma once

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
class ScriptEditor : public QsciScintilla {
    Q_OBJECT
public:
    explicit ScriptEditor(QWidget* parent = nullptr);

    void setPlainText(const QString& text);
    QString toPlainText() const { return text(); }

    // The language of the call tips.
    void setLanguage(int languageBase) { language_ = languageBase; }
    // The editor font and its text colour (invalid: the palette's).
    void setScriptFont(const QFont& font, const QColor& colour);

    // Marks the 1-based line of a failed run in the margin and shows the
    // message under it; a line outside the text marks nothing.
    void showRunError(int lineNumber, const QString& message);
    void clearRunError();
    // The 1-based marked line, 0 when none.
    int errorLine() const { return errorLine_; }
    QString errorNote() const;

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

protected:
    bool event(QEvent* event) override;

private:
    void onCharacterAdded(int character);
    QString lineBeforeCaret() const;
    void updateLineNumberWidth();

    ScriptLexer* lexer_ = nullptr;
    QTimer procedureScan_;
    std::vector<DeclaredProcedure> procedures_;
    // Their names, as completion offers them.
    QStringList procedureNames_;
    QStringList fonts_;
    QsciStyle errorStyle_;
    int errorMarker_ = 0;
    int errorLine_ = 0;
    int language_ = 1000;
};

}  // namespace kresbon
