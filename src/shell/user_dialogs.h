#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

#include "shell/message_box.h"

class QPrinter;
class QWidget;

namespace kresbon {

// What a file dialog offers: name filters in the toolkit's form
// ("Pictures (*.bmp *.gif)"), the one selected at first, and the extension
// added to a name typed without one.
struct FileDialogRequest {
    QStringList nameFilters;
    int selectedFilter = 0;
    QString defaultSuffix;
};

// Every modal question and dialog the main window shows goes through here,
// so that tests can answer them without a person.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    virtual QMessageBox::StandardButton ask(QWidget* parent, const MessageRequest& request) = 0;
    // The chosen file, or nothing when the dialog was cancelled.
    virtual std::optional<QString> openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // The save dialog never asks about overwriting; the commands do.
    virtual std::optional<QString> saveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& current) = 0;
    // Lets the user choose the printer and page; false when cancelled.
    virtual bool setUpPrinter(QWidget* parent, QPrinter& printer) = 0;
};

// The real dialogs. The file dialogs remember their last folder while the
// program runs.
class ToolkitDialogs : public UserDialogs {
public:
    QMessageBox::StandardButton ask(QWidget* parent, const MessageRequest& request) override;
    std::optional<QString> openFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& current) override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer) override;

private:
    std::optional<QString> runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                         bool saving);
    QString lastFolder_;
};

}  // namespace kresbon
