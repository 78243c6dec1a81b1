#include "shell/editor/script_completion.h"

#include <QSet>
#include <algorithm>

#include "interpreter/vocabulary.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

QString ToQString(std::string_view word)
{
    return QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size()));
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@');
}

// Where the script line stands at the caret.
struct LineContext {
    // The line's first word, when the caret is past it.
    QString command;
    bool assignment = false;
    // 0 while the caret is in the first word; then the 1-based parameter.
    int parameter = 0;
    bool inQuotes = false;
    bool inComment = false;
};

LineContext ContextOf(const QString& line)
{
    LineContext context;
    qsizetype i = 0;
    while (i < line.size() && line[i].isSpace()) ++i;
    const qsizetype wordStart = i;
    while (i < line.size() && IsWordChar(line[i])) ++i;
    if (i == line.size()) return context;
    context.command = line.mid(wordStart, i - wordStart);
    context.parameter = 1;
    for (; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"')) context.inQuotes = !context.inQuotes;
        if (context.inQuotes) continue;
        if (c == QLatin1Char('%')) {
            context.inComment = true;
            return context;
        }
        if (c == QLatin1Char('=')) context.assignment = true;
        if (c == QLatin1Char(',')) ++context.parameter;
    }
    return context;
}

const ParameterInfo* ParameterOf(const LineContext& context)
{
    const WordInfo* info = FindWord(context.command.toStdString());
    if (info == nullptr || context.parameter < 1) return nullptr;
    const bool assignment = info->kind == WordKind::Global && context.assignment;
    if (info->kind != WordKind::Command && !assignment) return nullptr;
    if (context.parameter > static_cast<int>(info->parameters.size())) return nullptr;
    return &info->parameters[static_cast<std::size_t>(context.parameter - 1)];
}

QStringList WordsOfKind(WordKind kind)
{
    QStringList words;
    for (const WordInfo& info : Vocabulary())
        if (info.kind == kind) words << ToQString(info.word);
    return words;
}

}  // namespace

Completion CompletionAt(const QString& lineBeforeCaret, const QStringList& procedures,
                        const QStringList& fonts)
{
    Completion completion;
    qsizetype start = lineBeforeCaret.size();
    while (start > 0 && IsWordChar(lineBeforeCaret[start - 1])) --start;
    completion.prefix = lineBeforeCaret.mid(start);
    const LineContext context = ContextOf(lineBeforeCaret);

    QStringList candidates;
    if (context.inComment) {
        return completion;
    } else if (context.command.isEmpty()) {
        candidates << WordsOfKind(WordKind::Command) << WordsOfKind(WordKind::Global)
                   << WordsOfKind(WordKind::Keyword) << procedures;
    } else if (const ParameterInfo* parameter = ParameterOf(context)) {
        // A font name in quotes may hold spaces: all of it is the prefix.
        if (parameter->kind == ParameterKind::Font && context.inQuotes)
            completion.prefix = lineBeforeCaret.mid(lineBeforeCaret.lastIndexOf(QLatin1Char('"')) + 1);
        switch (parameter->kind) {
        case ParameterKind::Colour: candidates << WordsOfKind(WordKind::Colour); break;
        case ParameterKind::LineType: candidates << WordsOfKind(WordKind::LineType); break;
        case ParameterKind::FillType: candidates << WordsOfKind(WordKind::FillType); break;
        case ParameterKind::DimEnd: candidates << WordsOfKind(WordKind::DimEnd); break;
        case ParameterKind::Font: candidates << fonts; break;
        default: break;
        }
        // A default word fills a parameter that can be left empty.
        if (!parameter->defaultValue.empty() && FindWord(parameter->defaultValue) != nullptr)
            candidates << ToQString(parameter->defaultValue);
        if (parameter->kind == ParameterKind::Colour && context.command.compare(QLatin1String("DefaultColor"),
                                                                               Qt::CaseInsensitive) != 0)
            candidates << QStringLiteral("DefaultColor");
        if (parameter->kind == ParameterKind::Font) candidates << QStringLiteral("DefaultFontName");
    }
    for (const QString& word : std::as_const(candidates))
        if (word.startsWith(completion.prefix, Qt::CaseInsensitive)) completion.words << word;
    completion.words.removeDuplicates();
    std::sort(completion.words.begin(), completion.words.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return completion;
}

std::optional<CallTip> CallTipAt(const QString& lineBeforeCaret, int languageBase,
                                 const std::vector<DeclaredProcedure>& procedures)
{
    const LineContext context = ContextOf(lineBeforeCaret);
    if (context.command.isEmpty() || context.inComment) return std::nullopt;

    // The head of the tip and the parameter names.
    QString head;
    QStringList names;
    if (const WordInfo* info = FindWord(context.command.toStdString())) {
        if (info->kind == WordKind::Global && !context.assignment) return std::nullopt;
        head = ToQString(info->word) + (info->kind == WordKind::Global ? QStringLiteral(" = ") : QStringLiteral(" "));
        for (const ParameterInfo& parameter : info->parameters) names << UiText(languageBase, parameter.nameText);
    } else {
        const auto procedure = std::find_if(procedures.begin(), procedures.end(), [&](const DeclaredProcedure& p) {
            return p.name.compare(context.command, Qt::CaseInsensitive) == 0;
        });
        if (procedure == procedures.end()) return std::nullopt;
        head = procedure->name + QLatin1Char(' ');
        names = procedure->parameters;
    }
    if (names.isEmpty()) return std::nullopt;

    CallTip tip;
    tip.text = head;
    for (qsizetype k = 0; k < names.size(); ++k) {
        if (k > 0) tip.text += QStringLiteral(", ");
        const int start = static_cast<int>(tip.text.size());
        tip.text += names[k];
        if (k + 1 == context.parameter) {
            tip.highlightStart = start;
            tip.highlightEnd = static_cast<int>(tip.text.size());
        }
    }
    return tip;
}

QString HelpPageOfWord(const QString& word, const QString& lineBeforeWord)
{
    if (word.isEmpty()) return QString();
    if (const ParameterInfo* parameter = ParameterOf(ContextOf(lineBeforeWord))) {
        const auto meant = [&](WordKind kind) {
            switch (parameter->kind) {
            case ParameterKind::Colour: return kind == WordKind::Colour;
            case ParameterKind::LineType: return kind == WordKind::LineType;
            case ParameterKind::FillType: return kind == WordKind::FillType;
            case ParameterKind::DimEnd: return kind == WordKind::DimEnd;
            default: return false;
            }
        };
        for (const WordInfo& info : Vocabulary())
            if (meant(info.kind) && word.compare(ToQString(info.word), Qt::CaseInsensitive) == 0)
                return ToQString(info.helpPage);
    }
    const WordInfo* info = FindWord(word.toStdString());
    return info ? ToQString(info->helpPage) : QString();
}

std::vector<DeclaredProcedure> DeclaredProcedures(const QString& text)
{
    std::vector<DeclaredProcedure> procedures;
    QSet<QString> known;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.size() <= 10 || !line.startsWith(QLatin1String("procedure"), Qt::CaseInsensitive) ||
            !line[9].isSpace())
            continue;
        QStringView rest = line.mid(10).trimmed();
        qsizetype end = 0;
        while (end < rest.size() && !rest[end].isSpace() && rest[end] != QLatin1Char('#') &&
               rest[end] != QLatin1Char(',') && rest[end] != QLatin1Char('%'))
            ++end;
        if (end == 0) continue;
        DeclaredProcedure procedure{rest.left(end).toString(), {}};
        const QString folded = procedure.name.toLower();
        if (known.contains(folded)) continue;
        known.insert(folded);
        rest = rest.mid(end);
        if (const qsizetype comment = rest.indexOf(QLatin1Char('%')); comment >= 0) rest = rest.left(comment);
        for (QStringView parameter : rest.split(QLatin1Char(','))) {
            parameter = parameter.trimmed();
            if (!parameter.isEmpty()) procedure.parameters << parameter.toString();
        }
        procedures.push_back(std::move(procedure));
    }
    return procedures;
}

}  // namespace kresbon
