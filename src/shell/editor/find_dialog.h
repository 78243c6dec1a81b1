#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kresbon {

class ScriptEditor;

// Find and Replace over the script editor; stays open beside the window.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    FindDialog(ScriptEditor& editor, QWidget* parent);

    void applyTexts(int languageBase);
    // Shows the dialog with or without the replace row, the selection (one
    // line) as the text to find.
    void open(bool replace);

    // Finds the text again from the caret; F3 and Shift+F3.
    bool findAgain(bool forward);

    QLineEdit* findField() const { return find_; }
    QLineEdit* replaceField() const { return replace_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    // The result of the last search, empty when it found something.
    QString outcome() const;

private:
    void replaceOne();
    void replaceEvery();
    void showOutcome(bool found);

    ScriptEditor& editor_;
    int language_ = 1000;
    QLabel* findLabel_ = nullptr;
    QLabel* replaceLabel_ = nullptr;
    QLineEdit* find_ = nullptr;
    QLineEdit* replace_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* replaceButton_ = nullptr;
    QPushButton* replaceAllButton_ = nullptr;
    QLabel* outcome_ = nullptr;
};

}  // namespace kresbon
