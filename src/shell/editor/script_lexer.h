#pragma once

#include <QSet>
#include <QString>
#include <Qsci/qscilexercustom.h>
#include <string_view>
#include <vector>

namespace kresbon {

// The colour classes of script text.
enum class ScriptStyle : int {
    Default = 0,
    Comment,
    Command,
    Global,
    Keyword,
    Include,
    Vocabulary,
    Number,
    QuotedText,
    Parameter,
    ProcedureName,
    Count
};

struct StyledSpan {
    // Byte offset and length within the line's UTF-8 text.
    int start;
    int length;
    ScriptStyle style;
};

// Lower-case names of the procedures a script declares.
using ProcedureNames = QSet<QString>;

// The spans of one script line (UTF-8, without its line end) that are not
// in the default colour, in order. Words are recognised from the language's
// word table, so the colours follow the interpreter's vocabulary.
std::vector<StyledSpan> StyleScriptLine(std::string_view line, const ProcedureNames& procedures);

// Whether the line opens or closes a procedure body.
bool OpensProcedure(std::string_view line);
bool ClosesProcedure(std::string_view line);

// Colours and folds the editor's text line by line with the rules above;
// Procedure ... End blocks fold.
class ScriptLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit ScriptLexer(QObject* parent = nullptr);

    const char* language() const override { return "Kresbon"; }
    QString description(int style) const override;
    void styleText(int start, int end) override;
    const char* wordCharacters() const override;

    // Takes the script's procedure names; returns whether they changed, in
    // which case the caller recolours the text.
    bool setProcedures(ProcedureNames procedures);

    // The text colour of the editor's font, used for the default class.
    void setTextColour(const QColor& colour);

private:
    ProcedureNames procedures_;
};

}  // namespace kresbon
