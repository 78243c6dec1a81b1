#include "shell/dialogs/message_box.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

#include "platform/texts.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

// The interpreter separates the lines of a report with carriage returns.
QString WithLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::Icon IconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString CaptionOf(const MessageCaptions& c, QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Yes: return c.yes;
    case QMessageBox::No: return c.no;
    case QMessageBox::Ok: return c.ok;
    case QMessageBox::Cancel: return c.cancel;
    case QMessageBox::Help: return c.help;
    case QMessageBox::Abort: return c.abort;
    case QMessageBox::Retry: return c.retry;
    case QMessageBox::Ignore: return c.ignore;
    case QMessageBox::YesToAll:
    case QMessageBox::NoToAll: return {};
    default: return {};
    }
}

MessageRequest Box(QString title, QString text, MessageKind kind,
                   QMessageBox::StandardButtons buttons, const MessageCaptions& captions)
{
    MessageRequest r;
    r.title = std::move(title);
    r.text = std::move(text);
    r.kind = kind;
    r.buttons = buttons;
    r.defaultButton = QMessageBox::Yes;
    r.captions = captions;
    return r;
}

}  // namespace

MessageCaptions LoadMessageCaptions(int languageBase)
{
    auto t = [languageBase](TextId id) { return UiText(languageBase, id); };
    return MessageCaptions{t(TextId::Yes),        t(TextId::No),      t(TextId::OK),    t(TextId::Cancel),
                           t(TextId::HelpButton), t(TextId::Abort),   t(TextId::Retry), t(TextId::Ignore),
                           t(TextId::AllButton),  t(TextId::Warning), t(TextId::Error), t(TextId::Information),
                           t(TextId::Confirm)};
}

MessageRequest ErrorNotice(const MessageCaptions& captions, const QString& message)
{
    return Box(captions.error, message, MessageKind::Error, QMessageBox::Yes, captions);
}

MessageRequest WarningNotice(const MessageCaptions& captions, const QString& message)
{
    return Box(captions.warning, message, MessageKind::Warning, QMessageBox::Yes, captions);
}

MessageRequest SaveQuestion(const MessageCaptions& captions, int languageBase,
                            const QString& currentScriptFile)
{
    const QString text = currentScriptFile.isEmpty() ? UiText(languageBase, TextId::DoYouWantToSaveChanges)
                                                     : UiText(languageBase, TextId::DoYouWantToSaveChangesToHead) +
                                                           QLatin1Char('"') + currentScriptFile + QLatin1Char('"') +
                                                           UiText(languageBase, TextId::DoYouWantToSaveChangesToTail);
    return Box(captions.warning, text, MessageKind::Warning,
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, captions);
}

MessageRequest OverwriteQuestion(const MessageCaptions& captions, int languageBase,
                                 const QString& fileName)
{
    const QString text = UiText(languageBase, TextId::FileAlreadyExistRewriteHead) + QLatin1Char('"') + fileName +
                         QLatin1Char('"') + UiText(languageBase, TextId::FileAlreadyExistRewriteTail);
    return Box(captions.warning, text, MessageKind::Warning, QMessageBox::Yes | QMessageBox::No,
               captions);
}

KresbonMessageBox::KresbonMessageBox(const MessageRequest& request, QWidget* parent)
    : QMessageBox(IconOf(request.kind), request.title, WithLineBreaks(request.text),
                  request.buttons, parent)
{
    setTextFormat(Qt::PlainText);
    for (QAbstractButton* b : buttons()) {
        const StandardButton which = standardButton(b);
        const QString caption = CaptionOf(request.captions, which);
        if (!caption.isEmpty()) b->setText(caption);
    }
    if (auto* preferred = qobject_cast<QPushButton*>(button(request.defaultButton))) {
        setDefaultButton(preferred);
        preferred->setFocus();
    }
}

QMessageBox::StandardButton KresbonMessageBox::answer() const
{
    if (closedByWindow_ || clickedButton() == nullptr) return Cancel;
    return standardButton(clickedButton());
}

void KresbonMessageBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
        QMessageBox::keyPressEvent(event);
        return;
    }
    event->accept();
    if (QAbstractButton* cancel = button(Cancel))
        cancel->click();
    else if (QAbstractButton* no = button(No))
        no->click();
}

void KresbonMessageBox::closeEvent(QCloseEvent* event)
{
    // The standard box refuses the window control when it has no escape
    // button, or turns it into that button; here it always means Cancel.
    if (clickedButton() == nullptr) closedByWindow_ = true;
    QDialog::closeEvent(event);
}

void KresbonMessageBox::showEvent(QShowEvent* event)
{
    QMessageBox::showEvent(event);
    const QScreen* where = parentWidget() ? parentWidget()->screen() : screen();
    if (where) move(where->availableGeometry().center() - rect().center());
}

}  // namespace kresbon
