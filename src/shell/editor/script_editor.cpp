#include "shell/editor/script_editor.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include "platform/encoding.h"
#include "platform/fonts.h"
#include "shell/editor/script_completion.h"
#include "shell/editor/script_lexer.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace kresbon {

namespace {

// The margins, left to right.
constexpr int LinesMargin = 0;
constexpr int MarkMargin = 1;
constexpr int FoldMargin = 2;

// How long the editor waits after a change before it looks for the
// script's procedures again: a long script is not rescanned per key.
constexpr int ProcedureScanDelayMs = 250;

// How many lines are recoloured in one go when the procedures change.
constexpr int RestyleSliceLines = 2000;
// A deletion of more lines than this is not searched for procedure
// headers: the procedures are looked for again anyway.
constexpr int ScannedDeletionLines = 200;

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@');
}

// The toolkit's accessibility support for the editor counts every
// character up to the caret at each change and each repaint, so that typing
// in a long script takes longer the further down it goes. Unless assistive
// technology is running when the editor is first asked for, it is described
// as a plain editable widget.
QAccessibleInterface* PlainEditorAccessible(const QString&, QObject* object)
{
    if (QAccessible::isActive()) return nullptr;
    if (auto* editor = qobject_cast<ScriptEditor*>(object))
        return new QAccessibleWidget(editor, QAccessible::EditableText);
    return nullptr;
}

// The modifications the editor is told about. Scintilla's notices after an
// insertion or deletion are left out: the toolkit layer counts characters
// up to the change on each of them. The notices before a change tell where
// it happens.
constexpr int ModificationsTold = QsciScintillaBase::SC_MODEVENTMASKALL &
                                  ~(QsciScintillaBase::SC_MOD_INSERTTEXT | QsciScintillaBase::SC_MOD_DELETETEXT |
                                    QsciScintillaBase::SC_PERFORMED_USER | QsciScintillaBase::SC_PERFORMED_UNDO |
                                    QsciScintillaBase::SC_PERFORMED_REDO | QsciScintillaBase::SC_MULTISTEPUNDOREDO |
                                    QsciScintillaBase::SC_LASTSTEPINUNDOREDO | QsciScintillaBase::SC_STARTACTION |
                                    QsciScintillaBase::SC_MULTILINEUNDOREDO);

}  // namespace

ScriptEditor::ScriptEditor(QWidget* parent)
    : QsciScintilla(parent),
      errorStyle_(-1, QStringLiteral("run error"), QColor(150, 0, 0), QColor(255, 232, 232), font())
{
    static const bool plainAccessible = [] {
        QAccessible::installFactory(PlainEditorAccessible);
        return true;
    }();
    Q_UNUSED(plainAccessible);
    // A save point ends the mark of a text changed elsewhere.
    connect(this, &QsciScintilla::modificationChanged, this, [this](bool modified) {
        if (!modified) markedUnsaved_ = false;
    });
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
    // Ctrl+/ is the window's key for commenting lines, not a move to the
    // previous word part.
    if (QsciCommand* wordPart = commands->find(QsciCommand::WordPartLeft)) wordPart->setKey(0);

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
    restyle_.setInterval(0);
    connect(&restyle_, &QTimer::timeout, this, &ScriptEditor::restyleSlice);

    SendScintilla(SCI_SETMODEVENTMASK, ModificationsTold);
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this, &ScriptEditor::onModified);
    // Painting follows the change: whatever it settles is settled first.
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this] {
        if (changePending_) settleChange();
    });
}

void ScriptEditor::markUnsaved()
{
    if (unsaved()) return;
    markedUnsaved_ = true;
    emit modificationChanged(true);
}

void ScriptEditor::setPlainText(const QString& text)
{
    SendScintilla(SCI_CALLTIPCANCEL);
    markedUnsaved_ = false;
    setText(text);
    // A script put in by the program starts its own history.
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    clearRunError();
    refreshProcedures();
    proceduresTouched_ = false;
    insertedAt_ = -1;
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
    procedures_ = DeclaredProcedures(procedureHeaders());
    procedureNames_.clear();
    ProcedureNames lower;
    for (const DeclaredProcedure& procedure : procedures_) {
        procedureNames_ << procedure.name;
        lower.insert(procedure.name.toLower());
    }
    if (!lexer_->setProcedures(std::move(lower))) return;
    // Calls change colour: the lines on screen at once, the rest of the
    // coloured lines a slice at a time while the editor is idle.
    const int first = static_cast<int>(SendScintilla(SCI_DOCLINEFROMVISIBLE, firstVisibleLine()));
    restyleLines(first, first + static_cast<int>(SendScintilla(SCI_LINESONSCREEN)) + 1);
    restyleFrom_ = 0;
    restyle_.start();
}

QString ScriptEditor::procedureHeaders() const
{
    // The text lies in two runs around the buffer's gap; reading each run
    // where it lies leaves the gap, and the typing at it, alone.
    const long length = SendScintilla(SCI_GETLENGTH);
    const long gap = std::clamp(SendScintilla(SCI_GETGAPPOSITION), 0L, length);
    std::string headers;
    std::string cut;  // a line the gap splits
    auto take = [&headers](std::string_view line) {
        if (!OpensProcedure(line)) return;
        headers.append(line);
        headers.push_back('\n');
    };
    auto scan = [&](long from, long to) {
        if (to <= from) return;
        const auto* data = reinterpret_cast<const char*>(
            static_cast<std::intptr_t>(SendScintilla(SCI_GETRANGEPOINTER, from, to - from)));
        const std::string_view text(data, static_cast<std::size_t>(to - from));
        std::size_t start = 0;
        for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
            if (cut.empty()) {
                take(text.substr(start, end - start));
            } else {
                cut.append(text.substr(start, end - start));
                take(cut);
                cut.clear();
            }
            start = end + 1;
        }
        cut.append(text.substr(start));
    };
    scan(0, gap);
    scan(gap, length);
    take(cut);
    return QString::fromUtf8(headers.data(), static_cast<qsizetype>(headers.size()));
}

void ScriptEditor::restyleLines(int first, int last)
{
    // Only lines Scintilla has coloured already; it colours the others
    // itself, with the new names, when they come into view.
    const long styled = SendScintilla(SCI_GETENDSTYLED);
    last = std::min(last, static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, styled)) - 1);
    if (first > last) return;
    lexer_->styleText(static_cast<int>(SendScintilla(SCI_POSITIONFROMLINE, first)),
                      static_cast<int>(SendScintilla(SCI_GETLINEENDPOSITION, last)));
    SendScintilla(SCI_STARTSTYLING, styled, 0L);
}

void ScriptEditor::restyleSlice()
{
    const int styledLines = static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETENDSTYLED)));
    if (restyleFrom_ >= styledLines) {
        restyle_.stop();
        return;
    }
    restyleLines(restyleFrom_, restyleFrom_ + RestyleSliceLines - 1);
    restyleFrom_ += RestyleSliceLines;
}

bool ScriptEditor::linesOpenProcedure(int first, int last) const
{
    for (int line = std::max(first, 0); line <= last; ++line)
        if (OpensProcedure(lineText(line).toStdString())) return true;
    return false;
}

void ScriptEditor::onModified(int position, int type, const char*, int length, int, int, int, int, int, int)
{
    const bool inserting = (type & SC_MOD_BEFOREINSERT) != 0;
    if (!inserting && (type & SC_MOD_BEFOREDELETE) == 0) return;
    // Told before the text changes: the lines as they still are.
    const int first = static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, position));
    if (!proceduresTouched_) {
        if (inserting) {
            proceduresTouched_ = linesOpenProcedure(first, first);
        } else {
            const int last = static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, position + length));
            proceduresTouched_ = last - first > ScannedDeletionLines || linesOpenProcedure(first, last);
        }
    }
    if (inserting) {
        insertedAt_ = position;
        insertedLength_ = length;
    }
    ++changes_;
    ++editCount_;
    if (!changePending_) {
        changePending_ = true;
        QMetaObject::invokeMethod(this, &ScriptEditor::settleChange, Qt::QueuedConnection);
    }
}

void ScriptEditor::settleChange()
{
    if (!changePending_) return;
    changePending_ = false;
    // The lines an insertion brought may open procedures; after several
    // changes at once, where they went is not followed.
    if (!proceduresTouched_ && insertedAt_ >= 0) {
        proceduresTouched_ =
            changes_ > 1 ||
            linesOpenProcedure(static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, insertedAt_)),
                               static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, insertedAt_ + insertedLength_)));
    }
    if (proceduresTouched_) procedureScan_.start();
    if (errorHandle_ >= 0 && !errorStillOnItsLine()) clearRunError();
    proceduresTouched_ = false;
    insertedAt_ = -1;
    changes_ = 0;
    emit textChanged();
    if (lines() != lineCount_) {
        lineCount_ = lines();
        emit linesChanged();
    }
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
    // A list that offers nothing, or only the word already typed, is none.
    if (completion.words.isEmpty() ||
        (completion.words.size() == 1 && completion.words.front().compare(completion.prefix, Qt::CaseInsensitive) == 0)) {
        if (isListActive()) SendScintilla(SCI_AUTOCCANCEL);
        return;
    }
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
        // Esc closes the completion list or the call tip; with neither open
        // it is left to the window, where it stops a run.
        if (event->type() == QEvent::ShortcutOverride && key->key() == Qt::Key_Escape &&
            key->modifiers() == Qt::NoModifier && !isListActive() && !isCallTipActive()) {
            event->ignore();
            return false;
        }
    }
    return QsciScintilla::event(event);
}

bool ScriptEditor::typedWordIsOffered() const
{
    const Completion completion = CompletionAt(lineBeforeCaret(), procedureNames_, fonts_);
    return !completion.prefix.isEmpty() && completion.words.contains(completion.prefix, Qt::CaseInsensitive);
}

void ScriptEditor::keyPressEvent(QKeyEvent* event)
{
    // The list completes words: Return after a word typed in full ends the
    // line. Tab takes the chosen suggestion.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && isListActive() && typedWordIsOffered())
        SendScintilla(SCI_AUTOCCANCEL);
    QsciScintilla::keyPressEvent(event);
}

void ScriptEditor::mousePressEvent(QMouseEvent* event)
{
    const int line = errorLine() - 1;
    if (line >= 0 && event->button() == Qt::LeftButton) {
        // The note stands in the rows under its line.
        const auto top = static_cast<int>(
            SendScintilla(SCI_POINTYFROMPOSITION, 0UL, SendScintilla(SCI_POSITIONFROMLINE, line)));
        const auto rowHeight = static_cast<int>(SendScintilla(SCI_TEXTHEIGHT, line));
        const auto rows = static_cast<int>(SendScintilla(SCI_ANNOTATIONGETLINES, line));
        const int y = event->position().toPoint().y();
        if (rows > 0 && y >= top + rowHeight && y < top + rowHeight * (1 + rows)) {
            emit errorNoteClicked();
            return;
        }
    }
    QsciScintilla::mousePressEvent(event);
}

QVariant ScriptEditor::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // Input methods are given the caret's line: Scintilla's own answer is
    // the whole paragraph, in a script without blank lines the whole text.
    if (query == Qt::ImSurroundingText || query == Qt::ImCursorPosition || query == Qt::ImAnchorPosition) {
        if (query == Qt::ImSurroundingText) {
            int line = 0;
            int index = 0;
            getCursorPosition(&line, &index);
            return lineText(line);
        }
        return static_cast<int>(lineBeforeCaret().size());
    }
    return QsciScintilla::inputMethodQuery(query);
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
    if (isListActive() || typed >= 2) showCompletion();
}

}  // namespace kresbon
