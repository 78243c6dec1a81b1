#include "shell/editor/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/texts/interface_text.h"
#include "shell/editor/script_editor.h"

namespace kresbon {

FindDialog::FindDialog(ScriptEditor& editor, QWidget* parent) : QDialog(parent), editor_(editor)
{
    setObjectName(QStringLiteral("FindDialog"));
    setModal(false);
    auto* grid = new QGridLayout(this);
    findLabel_ = new QLabel(this);
    replaceLabel_ = new QLabel(this);
    find_ = new QLineEdit(this);
    replace_ = new QLineEdit(this);
    matchCase_ = new QCheckBox(this);
    next_ = new QPushButton(this);
    previous_ = new QPushButton(this);
    replaceButton_ = new QPushButton(this);
    replaceAllButton_ = new QPushButton(this);
    outcome_ = new QLabel(this);
    findLabel_->setBuddy(find_);
    replaceLabel_->setBuddy(replace_);
    next_->setDefault(true);
    grid->addWidget(findLabel_, 0, 0);
    grid->addWidget(find_, 0, 1);
    grid->addWidget(next_, 0, 2);
    grid->addWidget(previous_, 0, 3);
    grid->addWidget(replaceLabel_, 1, 0);
    grid->addWidget(replace_, 1, 1);
    grid->addWidget(replaceButton_, 1, 2);
    grid->addWidget(replaceAllButton_, 1, 3);
    grid->addWidget(matchCase_, 2, 1);
    grid->addWidget(outcome_, 3, 0, 1, 4);
    connect(next_, &QPushButton::clicked, this, [this] { findAgain(true); });
    connect(previous_, &QPushButton::clicked, this, [this] { findAgain(false); });
    connect(replaceButton_, &QPushButton::clicked, this, &FindDialog::replaceOne);
    connect(replaceAllButton_, &QPushButton::clicked, this, &FindDialog::replaceEvery);
}

void FindDialog::applyTexts(int languageBase)
{
    language_ = languageBase;
    findLabel_->setText(UiText(languageBase, TextId::FindLabel));
    replaceLabel_->setText(UiText(languageBase, TextId::ReplaceWithLabel));
    matchCase_->setText(UiText(languageBase, TextId::MatchCase));
    next_->setText(UiText(languageBase, TextId::FindNext));
    previous_->setText(UiText(languageBase, TextId::FindPrevious));
    replaceButton_->setText(UiText(languageBase, TextId::ReplaceButton));
    replaceAllButton_->setText(UiText(languageBase, TextId::ReplaceAll));
    // The mode, not the visibility: the dialog may be hidden still.
    const TextId title = replace_->isHidden() ? TextId::FindTitle : TextId::MenuReplaceInScript;
    setWindowTitle(UiText(languageBase, title).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
}

void FindDialog::open(bool replace)
{
    for (QWidget* w : {static_cast<QWidget*>(replaceLabel_), static_cast<QWidget*>(replace_),
                       static_cast<QWidget*>(replaceButton_), static_cast<QWidget*>(replaceAllButton_)})
        w->setVisible(replace);
    const QString selected = editor_.selectedText();
    if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n'))) find_->setText(selected);
    outcome_->clear();
    applyTexts(language_);
    show();
    raise();
    activateWindow();
    find_->setFocus();
    find_->selectAll();
}

bool FindDialog::findAgain(bool forward)
{
    const bool found = editor_.find(find_->text(), forward, matchCase_->isChecked());
    showOutcome(found);
    return found;
}

void FindDialog::replaceOne()
{
    showOutcome(editor_.replaceAndFind(find_->text(), replace_->text(), matchCase_->isChecked()));
}

void FindDialog::replaceEvery()
{
    const int count = editor_.replaceAll(find_->text(), replace_->text(), matchCase_->isChecked());
    showOutcome(count > 0);
    if (count > 0) outcome_->setText(UiText(language_, TextId::ReplacedCount) + QString::number(count));
}

void FindDialog::showOutcome(bool found)
{
    if (found)
        outcome_->clear();
    else
        outcome_->setText(UiText(language_, TextId::TextNotFound) + find_->text());
}

QString FindDialog::outcome() const
{
    return outcome_->text();
}

}  // namespace kresbon
