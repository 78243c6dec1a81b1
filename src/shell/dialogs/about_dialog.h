#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class FormAbou;
}

namespace kresbon {

// The About box: program icon, product name and version. Made once with the
// main window and shown modally; it closes with its button, Enter or the
// window's close control.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

    // Caption, product name, version title and button in the language given
    // (1000 English, 2000 Czech).
    void applyTexts(int languageBase);

private:
    std::unique_ptr<Ui::FormAbou> ui_;
};

}  // namespace kresbon
