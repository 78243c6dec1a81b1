#include "shell/editor/script_lexer.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <Qsci/qsciscintilla.h>

#include "interpreter/vocabulary.h"

namespace kresbon {

namespace {

bool IsWordByte(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80;
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

std::string_view FirstWord(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t end = i;
    while (end < line.size() && (IsWordByte(static_cast<unsigned char>(line[end])) || line[end] == '@'))
        ++end;
    return line.substr(i, end - i);
}

bool SameAscii(std::string_view word, std::string_view lower)
{
    if (word.size() != lower.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

ScriptStyle StyleOfWord(std::string_view word, bool first, const ProcedureNames& procedures)
{
    if (const WordInfo* info = FindWord(word)) {
        switch (info->kind) {
        case WordKind::Command: return first ? ScriptStyle::Command : ScriptStyle::Default;
        case WordKind::Global: return ScriptStyle::Global;
        case WordKind::Keyword:
            if (!first) return ScriptStyle::Default;
            return word.front() == '@' ? ScriptStyle::Include : ScriptStyle::Keyword;
        default: return ScriptStyle::Vocabulary;
        }
    }
    if (!procedures.isEmpty() &&
        procedures.contains(QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size())).toLower()))
        return ScriptStyle::ProcedureName;
    return ScriptStyle::Default;
}

}  // namespace

std::vector<StyledSpan> StyleScriptLine(std::string_view line, const ProcedureNames& procedures)
{
    std::vector<StyledSpan> spans;
    auto add = [&spans](std::size_t start, std::size_t end, ScriptStyle style) {
        if (style != ScriptStyle::Default && end > start)
            spans.push_back({static_cast<int>(start), static_cast<int>(end - start), style});
    };
    bool first = true;
    bool afterProcedure = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c == '%') {
            add(i, line.size(), ScriptStyle::Comment);
            break;
        }
        if (c == '"') {
            std::size_t end = line.find('"', i + 1);
            end = end == std::string_view::npos ? line.size() : end + 1;
            add(i, end, ScriptStyle::QuotedText);
            i = end;
            first = false;
            continue;
        }
        if (c == '#') {
            std::size_t end = i + 1;
            while (end < line.size() && IsWordByte(static_cast<unsigned char>(line[end]))) ++end;
            add(i, end, ScriptStyle::Parameter);
            i = end;
            first = false;
            continue;
        }
        if (IsDigit(c) || (c == '.' && i + 1 < line.size() && IsDigit(static_cast<unsigned char>(line[i + 1])))) {
            std::size_t end = i;
            while (end < line.size() && (IsDigit(static_cast<unsigned char>(line[end])) || line[end] == '.'))
                ++end;
            add(i, end, ScriptStyle::Number);
            i = end;
            first = false;
            continue;
        }
        if (IsWordByte(c) || c == '@') {
            std::size_t end = i + 1;
            while (end < line.size() && IsWordByte(static_cast<unsigned char>(line[end]))) ++end;
            const std::string_view word = line.substr(i, end - i);
            // The name in a procedure header is the procedure's own.
            add(i, end, afterProcedure ? ScriptStyle::ProcedureName : StyleOfWord(word, first, procedures));
            afterProcedure = first && SameAscii(word, "procedure");
            first = false;
            i = end;
            continue;
        }
        if (c != ' ' && c != '\t') {
            first = false;
            afterProcedure = false;
        }
        ++i;
    }
    return spans;
}

bool OpensProcedure(std::string_view line)
{
    return SameAscii(FirstWord(line), "procedure");
}

bool ClosesProcedure(std::string_view line)
{
    return SameAscii(FirstWord(line), "end");
}

// ---------------------------------------------------------------- lexer

ScriptLexer::ScriptLexer(QObject* parent) : QsciLexerCustom(parent)
{
    const QColor colours[] = {
        QColor(0, 0, 0),       QColor(0, 128, 0),   QColor(0, 0, 192),  QColor(128, 0, 128),
        QColor(0, 0, 192),     QColor(160, 80, 0),  QColor(0, 128, 128), QColor(192, 64, 0),
        QColor(163, 21, 21),   QColor(128, 96, 0),  QColor(0, 96, 160),
    };
    for (int style = 0; style < static_cast<int>(ScriptStyle::Count); ++style)
        setColor(colours[style], style);
    setPaper(QColor(255, 255, 255));
}

void ScriptLexer::setTextColour(const QColor& colour)
{
    setColor(colour, static_cast<int>(ScriptStyle::Default));
}

QString ScriptLexer::description(int style) const
{
    static const char* const names[] = {"Default", "Comment", "Command", "Global", "Keyword", "Include",
                                        "Vocabulary", "Number", "Quoted text", "Parameter",
                                        "Procedure name"};
    if (style < 0 || style >= static_cast<int>(ScriptStyle::Count)) return QString();
    return QString::fromLatin1(names[style]);
}

const char* ScriptLexer::wordCharacters() const
{
    return "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_@#";
}

bool ScriptLexer::setProcedures(ProcedureNames procedures)
{
    if (procedures == procedures_) return false;
    procedures_ = std::move(procedures);
    return true;
}

void ScriptLexer::styleText(int start, int end)
{
    QsciScintilla* editor = this->editor();
    if (editor == nullptr || end <= start) return;
    constexpr int FoldBase = QsciScintilla::SC_FOLDLEVELBASE;
    int line = static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, start));
    const int lastLine = static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, end));
    // Whether the lines above left a procedure body open.
    bool inside = line > 0 && editor->SendScintilla(QsciScintilla::SCI_GETLINESTATE, line - 1) == 1;
    const int lineCount = static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_GETLINECOUNT));
    const int documentLength = static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_GETLENGTH));
    QByteArray text;
    for (; line <= lastLine; ++line) {
        const int lineStart = static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, line));
        const int lineEnd = static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_GETLINEENDPOSITION, line));
        const int length = lineEnd - lineStart;
        text.resize(length + 1);
        editor->SendScintilla(QsciScintilla::SCI_GETTEXTRANGE, lineStart, lineEnd, text.data());
        const std::string_view lineText(text.constData(), static_cast<std::size_t>(length));

        startStyling(lineStart);
        int at = 0;
        for (const StyledSpan& span : StyleScriptLine(lineText, procedures_)) {
            if (span.start > at) setStyling(span.start - at, static_cast<int>(ScriptStyle::Default));
            setStyling(span.length, static_cast<int>(span.style));
            at = span.start + span.length;
        }
        const int nextLine = line + 1 < lineCount
                                 ? static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, line + 1))
                                 : documentLength;
        const int rest = nextLine - lineStart - at;
        if (rest > 0) setStyling(rest, static_cast<int>(ScriptStyle::Default));

        int level = FoldBase + (inside ? 1 : 0);
        if (OpensProcedure(lineText) && !inside) {
            level = FoldBase | QsciScintilla::SC_FOLDLEVELHEADERFLAG;
            inside = true;
        } else if (ClosesProcedure(lineText) && inside) {
            inside = false;
        }
        editor->SendScintilla(QsciScintilla::SCI_SETFOLDLEVEL, line, level);
        editor->SendScintilla(QsciScintilla::SCI_SETLINESTATE, line, inside ? 1 : 0);
    }
}

}  // namespace kresbon
