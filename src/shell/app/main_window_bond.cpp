// The script and the drawing bound in the window: which line drew a pixel,
// the mark of what the caret's line drew, measuring and the shape of a
// two-click drawing action (bond/), wired to the window's parts.

#include <QLabel>

#include "shell/app/main_window.h"
#include "shell/bond/drawing_bond.h"
#include "ui_main_window.h"

namespace kresbon {

void MainWindow::setUpDrawingBond()
{
    BondParts parts;
    parts.view = ui_->IMAGE_VYKRES;
    parts.editor = ui_->MEMO_SCRIPT;
    parts.runs = runs_;
    parts.tool = &clickTool_;
    parts.language = [this] { return language_; };
    parts.showStatus = [this](const QString& text) { runs_->statusLabel()->setText(text); };
    parts.cancelTool = [this] { cancelDrawingAction(); };
    bond_ = new DrawingBond(std::move(parts), this);
    bond_->addPopupItems(drawingPopup_);
    // Told to the bond too: an item already unticked sends no toggle.
    const bool on = settings_.Read("MainForm", "ShowLineInk") != "0";
    action(QStringLiteral("MnuShowLineInk"))->setChecked(on);
    bond_->setShowLineInk(on);
}

void MainWindow::lineInkChanged()
{
    const bool on = action(QStringLiteral("MnuShowLineInk"))->isChecked();
    // On unless turned off: the start that reads the choice writes nothing.
    if ((settings_.Read("MainForm", "ShowLineInk") != "0") != on) writeEditingSetting("ShowLineInk", on ? "1" : "0");
    if (bond_) bond_->setShowLineInk(on);
}

}  // namespace kresbon
