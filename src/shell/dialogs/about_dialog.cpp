#include "shell/dialogs/about_dialog.h"

#include <QApplication>

#include <algorithm>

#include "platform/texts.h"
#include "ui_about.h"
#include "shell/texts/interface_text.h"

#ifndef KRESBON_VERSION
#define KRESBON_VERSION "1.02"
#endif

namespace kresbon {

namespace {

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::FormAbou>())
{
    ui_->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(size());
    ui_->ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(82, 82));
    ui_->L_VERZE->setText(QStringLiteral(KRESBON_VERSION));
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::applyTexts(int languageBase)
{
    setWindowTitle(UiText(languageBase, TextId::AboutTitle));
    ui_->L_PRODUKT->setText(UiText(languageBase, TextId::AboutProduct));
    ui_->L_VERZE_TITL->setText(UiText(languageBase, TextId::Version));
    ui_->OKButton->setText(UiText(languageBase, TextId::AboutOk));

    // The version stands after its title; a title wider than designed pushes
    // it to the right instead of being cut.
    QLabel* title = ui_->L_VERZE_TITL;
    const int titleWidth = title->fontMetrics().horizontalAdvance(title->text()) + 2;
    title->resize(std::max(63, titleWidth), title->height());
    const int versionLeft = std::max(136, title->x() + titleWidth + 6);
    ui_->L_VERZE->setGeometry(versionLeft, ui_->L_VERZE->y(),
                              ui_->Panel1->width() - 13 - versionLeft, ui_->L_VERZE->height());
}

}  // namespace kresbon
