#include "shell/user_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "shell/file_filters.h"

namespace kresbon {

QMessageBox::StandardButton ToolkitDialogs::ask(QWidget* parent, const MessageRequest& request)
{
    KresbonMessageBox box(request, parent);
    box.exec();
    return box.answer();
}

std::optional<QString> ToolkitDialogs::openFileName(QWidget* parent, const FileDialogRequest& request)
{
    return runFileDialog(parent, request, false);
}

std::optional<QString> ToolkitDialogs::saveFileName(QWidget* parent, const FileDialogRequest& request)
{
    return runFileDialog(parent, request, true);
}

std::optional<QString> ToolkitDialogs::runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                                     bool saving)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(request.nameFilters);
    if (request.selectedFilter >= 0 && request.selectedFilter < request.nameFilters.size())
        dialog.selectNameFilter(request.nameFilters[request.selectedFilter]);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (saving) {
        // A name typed without extension takes the one of the chosen filter.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, &request](const QString& filter) {
                             const QString suffix = FirstSuffixOf(filter);
                             dialog.setDefaultSuffix(suffix.isEmpty() ? request.defaultSuffix : suffix);
                         });
    }
    if (!lastFolder_.isEmpty()) dialog.setDirectory(lastFolder_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(chosen).absolutePath();
    return chosen;
}

std::optional<QFont> ToolkitDialogs::chooseFont(QWidget* parent, const QFont& current)
{
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, current, parent);
    if (!accepted) return std::nullopt;
    return font;
}

bool ToolkitDialogs::setUpPrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kresbon
