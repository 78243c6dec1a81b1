#include "shell/dialogs/user_dialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <QFileInfo>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "shell/texts/file_filters.h"
#include "vector/save_as.h"

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
    if (!request.preview.isNull()) {
        // The toolkit's own dialog has room for a picture beside the files.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* preview = new QLabel(&dialog);
            preview->setObjectName(QStringLiteral("DrawingPreview"));
            preview->setPixmap(QPixmap::fromImage(request.preview));
            preview->setAlignment(Qt::AlignCenter);
            preview->setFrameShape(QFrame::StyledPanel);
            preview->setMinimumSize(request.preview.size() + QSize(8, 8));
            grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
        }
    }
    QDoubleSpinBox* millimetres = nullptr;
    if (saving && request.millimetresPerUnit != nullptr) {
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            const int row = grid->rowCount();
            auto* label = new QLabel(request.millimetresLabel, &dialog);
            millimetres = new QDoubleSpinBox(&dialog);
            millimetres->setObjectName(QStringLiteral("MillimetresPerUnit"));
            millimetres->setDecimals(4);
            millimetres->setRange(0.0001, LargestMillimetresPerUnit);
            millimetres->setValue(*request.millimetresPerUnit);
            label->setBuddy(millimetres);
            grid->addWidget(label, row, 0);
            grid->addWidget(millimetres, row, 1);
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    if (millimetres != nullptr) *request.millimetresPerUnit = millimetres->value();
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

bool ToolkitDialogs::setUpPrinter(QWidget* parent, QPrinter& printer, PrintChoice& choice)
{
    QPrintDialog dialog(&printer, parent);
    auto* tab = new QWidget(&dialog);
    tab->setWindowTitle(choice.tabName);
    auto* vectors = new QCheckBox(choice.vectorsLabel, tab);
    vectors->setObjectName(QStringLiteral("PrintAsVectors"));
    vectors->setChecked(choice.vectors);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(vectors);
    layout->addStretch();
    dialog.setOptionTabs({tab});
    if (dialog.exec() != QDialog::Accepted) return false;
    choice.vectors = vectors->isChecked();
    return true;
}

}  // namespace kresbon

namespace kresbon {

namespace {

QIcon ColourSwatch(const QColor& colour)
{
    QPixmap swatch(16, 16);
    swatch.fill(colour);
    return QIcon(swatch);
}

}  // namespace

std::optional<ChosenFont> ToolkitDialogs::chooseFontAndColour(QWidget* parent, const QFont& current,
                                                              const QColor& colour, const QString& colourCaption)
{
    QFontDialog dialog(current, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog, true);
    QColor chosen = colour;
    // The colour sits with the effects, beside strike-out and underline.
    QGroupBox* effects = nullptr;
    QList<QLineEdit*> samples;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty())
            effects = group;
        else
            samples << group->findChildren<QLineEdit*>();
    }
    const auto showColour = [&samples](const QColor& c) {
        for (QLineEdit* sample : samples) {
            QPalette palette = sample->palette();
            palette.setColor(QPalette::Text, c);
            sample->setPalette(palette);
        }
    };
    showColour(chosen);
    auto* button = new QPushButton(ColourSwatch(chosen), colourCaption,
                                   effects ? static_cast<QWidget*>(effects) : &dialog);
    button->setObjectName(QStringLiteral("FontColour"));
    if (effects && effects->layout())
        effects->layout()->addWidget(button);
    else if (dialog.layout())
        dialog.layout()->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&] {
        const QColor picked = QColorDialog::getColor(chosen, &dialog);
        if (!picked.isValid()) return;
        chosen = picked;
        button->setIcon(ColourSwatch(chosen));
        showColour(chosen);
    });
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ChosenFont{dialog.selectedFont(), chosen};
}

bool ToolkitDialogs::previewPrint(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter&)>& paint)
{
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* target) { paint(*target); });
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kresbon
