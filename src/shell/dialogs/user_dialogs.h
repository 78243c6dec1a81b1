#pragma once

// dialogs/: every modal question and dialog of the program (message
// boxes, file, font and printer dialogs, the print preview, About), behind
// one interface that tests answer instead of a person.

#include <QColor>
#include <QFont>
#include <QImage>
#include <functional>
#include <QString>
#include <QStringList>
#include <optional>

#include "shell/dialogs/message_box.h"

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
    // Shown beside the files, when not null: what is about to be saved.
    QImage preview;
    // When not null, the save dialog has a field, labelled millimetresLabel,
    // for the millimetres one drawing unit measures in vector files: it
    // shows this value and writes the chosen one back when a file is chosen.
    double* millimetresPerUnit = nullptr;
    QString millimetresLabel;
};

// What the print dialog offers beside the printer: the option to draw the
// page from the shapes instead of a bitmap, labelled vectorsLabel on a tab
// named tabName.
struct PrintChoice {
    bool vectors = false;
    QString vectorsLabel;
    QString tabName;
};

// What the font dialog gives back: the font and the colour of the text.
struct ChosenFont {
    QFont font;
    QColor colour;
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
    // Lets the user choose the printer and page, and whether the page is
    // drawn as vectors (choice.vectors, shown and given back); false when
    // cancelled.
    virtual bool setUpPrinter(QWidget* parent, QPrinter& printer, PrintChoice& choice) = 0;

    // The font dialog with the text colour beside face, size, character set
    // and style; colourCaption names the colour button. Nothing when
    // cancelled. Without a dialog of its own it is the plain font dialog.
    virtual std::optional<ChosenFont> chooseFontAndColour(QWidget* parent, const QFont& current,
                                                          const QColor& colour, const QString& colourCaption)
    {
        (void)colourCaption;
        const std::optional<QFont> font = chooseFont(parent, current);
        if (!font) return std::nullopt;
        return ChosenFont{*font, colour};
    }

    // Previews the print: paint renders the page onto the printer it is
    // handed, as often as the preview needs. True when the user printed
    // from the preview, onto `printer`.
    virtual bool previewPrint(QWidget* parent, QPrinter& printer,
                              const std::function<void(QPrinter&)>& paint) = 0;
};

// The real dialogs. The file dialogs remember their last folder while the
// program runs.
class ToolkitDialogs : public UserDialogs {
public:
    QMessageBox::StandardButton ask(QWidget* parent, const MessageRequest& request) override;
    std::optional<QString> openFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& current) override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer, PrintChoice& choice) override;
    std::optional<ChosenFont> chooseFontAndColour(QWidget* parent, const QFont& current, const QColor& colour,
                                                  const QString& colourCaption) override;
    bool previewPrint(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;

private:
    std::optional<QString> runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                         bool saving);
    QString lastFolder_;
};

}  // namespace kresbon
