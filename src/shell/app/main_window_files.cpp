// The editor's font and colour, and its caret readout, as the main window
// shows them. The script file commands are the document's.

#include <QLabel>

#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/texts/interface_text.h"
#include "shell/app/main_window.h"
#include "shell/editor/script_editor.h"
#include "ui_main_window.h"

namespace kresbon {

void MainWindow::updateCaretReadout()
{
    ui_->L_POZICE->setText(CaretReadout(*ui_->MEMO_SCRIPT));
}

void MainWindow::applyScriptFont()
{
    scriptFont_ = DesignScriptFont();
    ApplyScriptFontSettings(scriptFont_, settings_, logicalDpiY());
    ui_->MEMO_SCRIPT->setFont(scriptFont_.font);
    showScriptFontColour();
}

void MainWindow::showScriptFontColour()
{
    QPalette palette = ui_->MEMO_SCRIPT->palette();
    palette.setColor(QPalette::Text, ExplicitColour(scriptFont_.color).value_or(
                                         QPalette().color(QPalette::Text)));
    ui_->MEMO_SCRIPT->setPalette(palette);
    ui_->MEMO_SCRIPT->setScriptFont(scriptFont_.font, palette.color(QPalette::Text));
}

void MainWindow::chooseEditorFont()
{
    const QColor shown = ui_->MEMO_SCRIPT->palette().color(QPalette::Text);
    const std::optional<ChosenFont> chosen =
        dialogs_.chooseFontAndColour(this, scriptFont_.font, shown, UiText(language_, TextId::ColourMenu));
    if (!chosen) return;
    TakeChosenFont(scriptFont_, chosen->font);
    // The system's text colour is kept as such until another one is chosen.
    if (chosen->colour.isValid() && chosen->colour != shown)
        scriptFont_.color = static_cast<std::int32_t>(chosen->colour.red() | (chosen->colour.green() << 8) |
                                                      (chosen->colour.blue() << 16));
    ui_->MEMO_SCRIPT->setFont(scriptFont_.font);
    showScriptFontColour();
    try {
        WriteScriptFontSettings(scriptFont_, settings_, logicalDpiY());
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
    }
}

}  // namespace kresbon
