// The drawing side of the main window: runs, Refresh, Clear, the layer
// controls and saving the drawing.

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QPainter>
#include <QScrollBar>
#include <exception>
#include <stdexcept>

#include "platform/encoding.h"
#include "platform/texts.h"
#include "vector/save_as.h"
#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/texts/file_filters.h"
#include "shell/app/main_window.h"
#include "shell/run/busy_pointer.h"
#include "shell/settings/window_settings.h"
#include "shell/step/step_mode.h"
#include "shell/view/drawing_view.h"
#include "ui_main_window.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

void MainWindow::showDrawing()
{
    // Drawing up to the caret line, the view shows the step's drawing.
    if (stepMode_ && stepMode_->on()) return;
    ui_->IMAGE_VYKRES->showSurface(&runs_->settled().canvas());
}

void MainWindow::runScript(bool recordShapes)
{
    // The editor takes keys during the run; only the drawing waits for it.
    BusyPointer busy(ui_->ScrollBox_VYKRES);
    const quint64 edits = ui_->MEMO_SCRIPT->editCount();
    const RunReport report = runs_->runAndWait(EditorLines(*ui_->MEMO_SCRIPT), recordShapes);
    showDrawing();
    busy.release();
    markRunError(report);
    if (!report.valid && runs_->lastRunStopped()) {
        // The user stopped the run and the status line says so.
    } else if (!report.valid && ui_->MEMO_SCRIPT->editCount() != edits) {
        // Typed into during the run: the result is out of date, as after a
        // run made while typing. The mark and the status line tell the
        // error; a notice would take the next keys, the caret stays.
    } else if (!report.valid) {
        showErrorNotice(QString::fromStdString(Cp1250ToUtf8(report.Text(language_))));
        if (caretToError_) SelectEditorLine(*ui_->MEMO_SCRIPT, report.lineNumber);
        updateCaretReadout();
    } else if (report.noLayerShown) {
        ask(WarningNotice(captions_, UiText(language_, TextId::SomeLayerMustBeSelected)));
    }
}

void MainWindow::refresh()
{
    QScrollBar* horizontal = ui_->ScrollBox_VYKRES->horizontalScrollBar();
    QScrollBar* vertical = ui_->ScrollBox_VYKRES->verticalScrollBar();
    const int x = horizontal->maximum() > 0 ? horizontal->value() : 0;
    const int y = vertical->maximum() > 0 ? vertical->value() : 0;
    runScript();
    // A position of 0 is never written back; one beyond the new drawing is
    // clamped by the scroll bar.
    if (x != 0 && horizontal->maximum() > 0) horizontal->setValue(x);
    if (y != 0 && vertical->maximum() > 0) vertical->setValue(y);
}

void MainWindow::clearDrawing()
{
    runs_->settled().ClearDrawing();
    showDrawing();
}

void MainWindow::onLayerBoxChanged(int layer, bool ticked)
{
    layerItem(layer)->setChecked(ticked);
    layerFlags_[static_cast<std::size_t>(layer)] = ticked ? 1 : 0;
    if (layerRefresh_) refresh();
}

void MainWindow::toggleLayer(int layer)
{
    // The box's change handler sets the item's mark and the flag.
    layerBox(layer)->setChecked(layerFlags_[static_cast<std::size_t>(layer)] != 1);
}

void MainWindow::setAllLayerBoxes(bool ticked)
{
    layerRefresh_ = false;
    for (int layer = 1; layer <= 9; ++layer) layerBox(layer)->setChecked(ticked);
    layerRefresh_ = true;
    refresh();
}

void MainWindow::checkAllLayers()
{
    setAllLayerBoxes(true);
}

void MainWindow::checkNoLayers()
{
    setAllLayerBoxes(false);
}

void MainWindow::saveDrawing()
{
    FileDialogRequest request;
    request.nameFilters = ToNameFilters(pictureFilter_);
    request.defaultSuffix = QStringLiteral("bmp");
    // The format saved last is offered first, in the folder used last.
    const QString lastFormat = QString::fromStdString(settings_.Read("MainForm", "LastDrawingFormat"));
    if (const int filter = FilterOfSuffix(request.nameFilters, lastFormat); filter >= 0) {
        request.selectedFilter = filter;
        request.defaultSuffix = lastFormat.toLower();
    }
    request.folder = LastFolder(settings_);
    // The whole drawing, which is saved, also while the view shows a step.
    const QImage drawing = DrawingView::ImageOf(&runs_->settled().canvas());
    if (!drawing.isNull())
        request.preview = drawing.scaled(QSize(240, 240).boundedTo(drawing.size()), Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation);
    double millimetres = ParseMillimetresPerUnit(settings_.Read("Export", "MillimetresPerUnit")).value_or(1);
    request.millimetresPerUnit = &millimetres;
    request.millimetresLabel = UiText(language_, TextId::MillimetresPerUnitLabel);
    const std::optional<QString> chosen = dialogs_.saveFileName(this, request);
    if (!chosen) return;
    RememberLastFolder(settings_, *chosen);
    const QString format = QFileInfo(*chosen).suffix().toLower();
    try {
        if (FilterOfSuffix(request.nameFilters, format) >= 0)
            settings_.Write("MainForm", "LastDrawingFormat", format.toStdString());
        settings_.Write("Export", "MillimetresPerUnit", MillimetresPerUnitText(millimetres));
    } catch (const std::exception&) {
        // A read-only settings file: the value chosen is used all the same.
    }
    if (FileCanBeRead(*chosen) &&
        ask(OverwriteQuestion(captions_, language_, *chosen)) != QMessageBox::Yes)
        return;
    const std::string path = chosen->toStdString();
    if (IsVectorFileName(path)) {
        // Only this run records the shapes a vector file is written from;
        // a run the user stops writes nothing.
        runScript(true);
        if (runs_->lastRunStopped()) return;
    }
    const Interpreter& drawn = runs_->settled();
    SaveDrawingAs(drawn.canvas(), drawn.shapeRecord(), path, {millimetres, language_});
}

}  // namespace kresbon
