#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What the editor offers while a script line is typed: the words that may
// stand at the caret, and the parameter list of the command being written.
// Both come from the language's word table.
namespace kresbon {

struct Completion {
    // The part of the word already typed before the caret.
    QString prefix;
    // Candidate words starting with the prefix (any case), sorted.
    QStringList words;
};

// The words that may complete the text before the caret on its line:
// commands, globals, keywords and the script's procedures at the start of a
// line; the vocabulary of the parameter's kind inside a command (colours,
// line types, fill types, dimension ends, font names, default words).
Completion CompletionAt(const QString& lineBeforeCaret, const QStringList& procedures,
                        const QStringList& fonts);

struct CallTip {
    // "Line x1, y1, x2, y2, line type, thickness, colour" in the language.
    QString text;
    // The parameter the caret is in, as a character range of text.
    int highlightStart = 0;
    int highlightEnd = 0;
};

// A procedure declared in the script: its name and its parameters, as
// written.
struct DeclaredProcedure {
    QString name;
    QStringList parameters;
};

// The call tip of the command, assignment or procedure call being written,
// if any.
std::optional<CallTip> CallTipAt(const QString& lineBeforeCaret, int languageBase,
                                 const std::vector<DeclaredProcedure>& procedures = {});

// The word table's help page for a word, empty when the word is not in it.
// A word with two meanings (Solid is a line type and a fill type) takes the
// one its parameter gives it, from the line's text before the word.
QString HelpPageOfWord(const QString& word, const QString& lineBeforeWord = QString());

// The procedures declared in the script text, in order; a name declared
// again counts once, with its first parameters.
std::vector<DeclaredProcedure> DeclaredProcedures(const QString& text);

}  // namespace kresbon
