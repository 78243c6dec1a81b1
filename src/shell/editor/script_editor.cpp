#include "shell/editor/script_editor.h"

#include <QKeyEvent>
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include "platform/encoding.h"
#include "platform/fonts.h"
#include "shell/editor/script_completion.h"
#include "shell/editor/script_lexer.h"

namespace kresbon {

namespace {

// The margins, left to right.
constexpr int LinesMargin = 0;
constexpr int MarkMargin = 1;
constexpr int FoldMargin = 2;

// How long the editor waits after a change before it looks for the
// script's procedures again: a long script is not rescanned per key.
constexpr int ProcedureScanDelayMs = 250;

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@');
}

}  // namespace

ScriptEditor::ScriptEditor(QWidget* parent)
    : QsciScintilla(parent),
      errorStyle_(-1, QStringLiteral("run error"), QColor(150, 0, 0), QColor(255, 232, 232), font())
{
    setUtf8(true);
    setEolMode(EolUnix);
    setWrapMode(WrapNone);
    setTabWidth(4);
    setAutoIndent(false);

    lexer_ = new ScriptLexer(this);
    setLexer(lexer_);

    setMarginType(LinesMargin, NumberMargin);
    setMarginLineNumbers(LinesMargin, true);
    setMarginsBackgroundColor(QColor(240, 240, 240));
    setMarginsForegroundColor(QColor(120, 120, 120));
    setMarginType(MarkMargin, SymbolMargin);
    setMarginWidth(MarkMargin, 14);
    errorMarker_ = markerDefine(QsciScintilla::RightTriangle);
    setMarkerBackgroundColor(QColor(200, 0, 0), errorMarker_);
    setMarkerForegroundColor(QColor(120, 0, 0), errorMarker_);
    setMarginMarkerMask(MarkMargin, 1 << errorMarker_);
    setMarginMarkerMask(LinesMargin, 0);
    setFolding(BoxedTreeFoldStyle, FoldMargin);
    updateLineNumberWidth();
    connect(this, &QsciScintilla::linesChanged, this, &ScriptEditor::updateLineNumberWidth);

    setCaretLineVisible(true);
    setCaretLineBackgroundColor(QColor(232, 242, 254));
    setBraceMatching(SloppyBraceMatch);
    setMatchedBraceBackgroundColor(QColor(180, 230, 180));
    setUnmatchedBraceForegroundColor(QColor(220, 0, 0));
    setAnnotationDisplay(AnnotationBoxed);

    // The drawing owns Ctrl++ and Ctrl+-; Ctrl+Shift+Z redoes as well.
    QsciCommandSet* commands = standardCommands();
    for (QsciCommand::Command command : {QsciCommand::ZoomIn, QsciCommand::ZoomOut}) {
        if (QsciCommand* c = commands->find(command)) {
            c->setKey(0);
            c->setAlternateKey(0);
        }
    }
    if (QsciCommand* redo = commands->find(QsciCommand::Redo))
        redo->setAlternateKey(QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z).toCombined());

    // Completion lists are ours; Scintilla only shows them.
    setAutoCompletionSource(AcsNone);
    SendScintilla(SCI_AUTOCSETIGNORECASE, 1);
    SendScintilla(SCI_AUTOCSETORDER, 1);
    setCallTipsStyle(CallTipsNone);
    connect(this, qOverload<int>(&QsciScintillaBase::SCN_CHARADDED), this, &ScriptEditor::onCharacterAdded);

    for (const std::string& family : InstalledFontFamilies())
        fonts_ << QString::fromStdString(Cp1250ToUtf8(family));

    procedureScan_.setSingleShot(true);
    procedureScan_.setInterval(ProcedureScanDelayMs);
    connect(&procedureScan_, &QTimer::timeout, this, &ScriptEditor::refreshProcedures);
    connect(this, &QsciScintilla::textChanged, this, [this] { procedureScan_.start(); });
}

void ScriptEditor::setPlainText(const QString& text)
{
    SendScintilla(SCI_CALLTIPCANCEL);
    setText(text);
    clearRunError();
    refreshProcedures();
    setCursorPosition(0, 0);
}

void ScriptEditor::setScriptFont(const QFont& font, const QColor& colour)
{
    QWidget::setFont(font);
    lexer_->setDefaultFont(font);
    lexer_->setFont(font, -1);
    lexer_->setTextColour(colour.isValid() ? colour : palette().color(QPalette::Text));
    setMarginsFont(font);
    errorStyle_.setFont(font);
    recolor();
    updateLineNumberWidth();
}

void ScriptEditor::updateLineNumberWidth()
{
    setMarginWidth(LinesMargin, QStringLiteral("0%1").arg(lines()));
}

void ScriptEditor::showRunError(int lineNumber, const QString& message)
{
    clearRunError();
    if (lineNumber < 1 || lineNumber > lines()) return;
    errorLine_ = lineNumber;
    markerAdd(lineNumber - 1, errorMarker_);
    annotate(lineNumber - 1, message, errorStyle_);
}

void ScriptEditor::clearRunError()
{
    if (errorLine_ == 0) return;
    markerDeleteAll(errorMarker_);
    clearAnnotations();
    errorLine_ = 0;
}

QString ScriptEditor::errorNote() const
{
    return errorLine_ > 0 ? annotation(errorLine_ - 1) : QString();
}

void ScriptEditor::goToLine(int lineNumber)
{
    if (lineNumber < 1 || lineNumber > lines()) return;
    setCursorPosition(lineNumber - 1, 0);
    ensureLineVisible(lineNumber - 1);
}

QString ScriptEditor::wordAtCaret(QString* before) const
{
    int line = 0;
    int index = 0;
    getCursorPosition(&line, &index);
    QString text = this->text(line);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
    qsizetype start = std::min<qsizetype>(index, text.size());
    qsizetype end = start;
    while (start > 0 && IsWordChar(text[start - 1])) --start;
    while (end < text.size() && IsWordChar(text[end])) ++end;
    if (before != nullptr) *before = text.left(start);
    return text.mid(start, end - start);
}

void ScriptEditor::refreshProcedures()
{
    procedureScan_.stop();
    procedures_ = DeclaredProcedures(text());
    procedureNames_.clear();
    ProcedureNames lower;
    for (const DeclaredProcedure& procedure : procedures_) {
        procedureNames_ << procedure.name;
        lower.insert(procedure.name.toLower());
    }
    if (lexer_->setProcedures(std::move(lower))) recolor();
}

QString ScriptEditor::lineBeforeCaret() const
{
    int line = 0;
    int index = 0;
    getCursorPosition(&line, &index);
    return text(line).left(index);
}

void ScriptEditor::showCompletion()
{
    const Completion completion = CompletionAt(lineBeforeCaret(), procedureNames_, fonts_);
    if (completion.words.isEmpty()) return;
    const QByteArray list = completion.words.join(QLatin1Char('\n')).toUtf8();
    SendScintilla(SCI_AUTOCSETSEPARATOR, static_cast<long>('\n'));
    SendScintilla(SCI_AUTOCSHOW, static_cast<unsigned long>(completion.prefix.toUtf8().size()),
                  list.constData());
}

void ScriptEditor::showCallTip()
{
    const std::optional<CallTip> tip = CallTipAt(lineBeforeCaret(), language_, procedures_);
    if (!tip) {
        SendScintilla(SCI_CALLTIPCANCEL);
        return;
    }
    const QByteArray bytes = tip->text.toUtf8();
    const long position = SendScintilla(SCI_GETCURRENTPOS);
    SendScintilla(SCI_CALLTIPSHOW, static_cast<unsigned long>(position), bytes.constData());
    const long start = tip->text.left(tip->highlightStart).toUtf8().size();
    const long end = tip->text.left(tip->highlightEnd).toUtf8().size();
    SendScintilla(SCI_CALLTIPSETHLT, static_cast<unsigned long>(start), end);
}

bool ScriptEditor::event(QEvent* event)
{
    // Ctrl+Space asks for the completions and the call tip at the caret.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::ControlModifier) {
            // A call tip would close the list, so it comes first.
            if (event->type() == QEvent::KeyPress) {
                showCallTip();
                showCompletion();
            }
            event->accept();
            return true;
        }
    }
    return QsciScintilla::event(event);
}

void ScriptEditor::onCharacterAdded(int character)
{
    if (character == '\n') {
        SendScintilla(SCI_CALLTIPCANCEL);
        return;
    }
    if (character == ' ' || character == ',' || character == '=' || isCallTipActive()) showCallTip();
    // A list is offered once a word has two letters, or at once inside a
    // parameter with a vocabulary.
    const QString before = lineBeforeCaret();
    qsizetype start = before.size();
    while (start > 0 && IsWordChar(before[start - 1])) --start;
    const qsizetype typed = before.size() - start;
    if (!isListActive() && typed >= 2) showCompletion();
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
