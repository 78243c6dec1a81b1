#pragma once

#include <QMessageBox>
#include <QString>

namespace kresbon {

// The localized captions of the message box buttons and the box titles,
// loaded whenever the interface texts are applied.
struct MessageCaptions {
    QString yes, no, ok, cancel, help, abort, retry, ignore, all;
    QString warning, error, information, confirm;
};

MessageCaptions LoadMessageCaptions(int languageBase);

enum class MessageKind { Warning, Error, Information, Confirmation };

// One message box as the program asks for it.
struct MessageRequest {
    QString title;
    QString text;
    MessageKind kind = MessageKind::Error;
    QMessageBox::StandardButtons buttons = QMessageBox::Yes;
    QMessageBox::StandardButton defaultButton = QMessageBox::Yes;
    MessageCaptions captions;
};

// The four boxes of the program. Texts are UTF-8 QStrings; line breaks may be
// carriage returns, as the interpreter writes them.
MessageRequest ErrorNotice(const MessageCaptions& captions, const QString& message);
MessageRequest WarningNotice(const MessageCaptions& captions, const QString& message);
// "Save changes?" before unsaved work would be lost; names the file when
// there is one.
MessageRequest SaveQuestion(const MessageCaptions& captions, int languageBase,
                            const QString& currentScriptFile);
MessageRequest OverwriteQuestion(const MessageCaptions& captions, int languageBase,
                                 const QString& fileName);

// The program's message box: the standard dialog with the localized captions,
// shown centred on the screen. Escape presses Cancel when the box has it,
// else No when it has it, and does nothing otherwise; closing the box by its
// window control answers Cancel.
class KresbonMessageBox : public QMessageBox {
    Q_OBJECT
public:
    explicit KresbonMessageBox(const MessageRequest& request, QWidget* parent = nullptr);

    // The button that closed the box; Cancel when it was closed otherwise.
    StandardButton answer() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool closedByWindow_ = false;
};

}  // namespace kresbon
