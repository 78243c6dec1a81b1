#pragma once

#include <functional>
#include <optional>

#include "shell/dialogs/user_dialogs.h"

namespace kresbon::bench {

// Answers every box at once, so that nothing waits for a person; the
// question about unsaved changes is answered No, so that the script a
// benchmark opens is never overwritten.
class NoDialogs : public UserDialogs {
public:
    QMessageBox::StandardButton ask(QWidget*, const MessageRequest&) override { return QMessageBox::No; }
    std::optional<QString> openFileName(QWidget*, const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(QWidget*, const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QFont> chooseFont(QWidget*, const QFont&) override { return std::nullopt; }
    bool setUpPrinter(QWidget*, QPrinter&, PrintChoice&) override { return false; }
    bool previewPrint(QWidget*, QPrinter&, const std::function<void(QPrinter&)>&) override { return false; }
};

}  // namespace kresbon::bench
