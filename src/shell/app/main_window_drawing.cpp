// The drawing side of the main window: runs, Refresh, Clear, the layer
// controls, saving and printing the drawing.

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <exception>
#include <stdexcept>

#include "platform/encoding.h"
#include "platform/texts.h"
#include "vector/save_as.h"
#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/dialogs/file_filters.h"
#include "shell/app/main_window.h"
#include "shell/print/print_job.h"
#include "shell/step/step_mode.h"
#include "ui_main_window.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

// The busy pointer for as long as a run holds the program.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { release(); }
    void release()
    {
        if (active_) QApplication::restoreOverrideCursor();
        active_ = false;
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool active_ = true;
};

}  // namespace

void MainWindow::showDrawing()
{
    // Drawing up to the caret line, the view shows the step's drawing.
    if (stepMode_ && stepMode_->on()) return;
    ui_->IMAGE_VYKRES->showSurface(&runs_->settled().canvas());
}

void MainWindow::runScript(bool recordShapes)
{
    BusyPointer busy;
    const RunReport report = runs_->runAndWait(EditorLines(*ui_->MEMO_SCRIPT), recordShapes);
    showDrawing();
    busy.release();
    markRunError(report);
    if (!report.valid && runs_->lastRunStopped()) {
        // The user stopped the run and the status line says so.
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
    runs_->settled();
    FileDialogRequest request;
    request.nameFilters = ToNameFilters(pictureFilter_);
    request.defaultSuffix = QStringLiteral("bmp");
    const QImage& drawing = ui_->IMAGE_VYKRES->image();
    if (!drawing.isNull())
        request.preview = drawing.scaled(QSize(240, 240).boundedTo(drawing.size()), Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation);
    double millimetres = ParseMillimetresPerUnit(settings_.Read("Export", "MillimetresPerUnit")).value_or(1);
    request.millimetresPerUnit = &millimetres;
    request.millimetresLabel = UiText(language_, TextId::MillimetresPerUnitLabel);
    const std::optional<QString> chosen = dialogs_.saveFileName(this, request);
    if (!chosen) return;
    try {
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

// Prints the drawing from a fresh run: the script runs again at the
// printer's scale and the result is enlarged onto the page, or, printed as
// vectors, the shapes of the screen run are drawn onto the same place. The
// print log is written after every print that reached the print run.
void MainWindow::printDrawing()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!prepareToPrint(printer)) return;
    PrintChoice choice{printVectors_, UiText(language_, TextId::PrintAsVectors),
                       UiText(language_, TextId::PrintOptionsTab)};
    if (!dialogs_.setUpPrinter(this, printer, choice)) return;
    rememberPrintFile(printer);
    if (choice.vectors != printVectors_) {
        printVectors_ = choice.vectors;
        try {
            settings_.Write("Print", "Vectors", printVectors_ ? "1" : "0");
        } catch (const std::exception&) {
            // A read-only settings file: the choice holds for this session.
        }
        // Chosen only now: the shapes come from a run that records them.
        if (printVectors_) {
            runScript(true);
            if (!runs_->settled().drawingValid() || runs_->lastRunStopped()) return;
        }
    }
    {
        BusyPointer busy;
        try {
            runPrintJob(printer);
        } catch (const std::exception& error) {
            busy.release();
            showErrorNotice(ErrorMessage(error, language_));
        }
    }
    writePrintLog(printer);
}

// The print run goes to the worker as the screen run does: the window keeps
// painting and shows the line being run, and Stop or Esc ends the run before
// anything reaches the printer; the status line then says where it stopped.
// A failure of the print is thrown here.
void MainWindow::runPrintJob(QPrinter& printer)
{
    const ScriptLines lines = EditorLines(*ui_->MEMO_SCRIPT);
    std::exception_ptr failure;
    const bool finished = runs_->runJobAndWait(
        [&, stretch = printStretch_, depth = printDepth_, vectors = printVectors_](Interpreter& interpreter) {
            try {
                PrintDrawingOn(printer, interpreter, lines, stretch, depth,
                               vectors ? interpreter.shapeRecord() : nullptr);
            } catch (...) {
                failure = std::current_exception();
            }
            return RunReport{};
        });
    if (!finished) return;
    if (failure) std::rethrow_exception(failure);
}

// Runs the script for the screen, as every print starts, and readies the
// printer; false when the run failed and there is nothing to print.
bool MainWindow::prepareToPrint(QPrinter& printer)
{
    runScript(printVectors_);
    if (!runs_->settled().drawingValid()) return false;
    printer.setDocName(UiText(language_, TextId::PrintDocumentName));
    if (!printFileName_.isEmpty()) printer.setOutputFileName(printFileName_);
    return true;
}

// A PDF file chosen for a print is offered again for the next one.
void MainWindow::rememberPrintFile(const QPrinter& printer)
{
    printFileName_ = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
}

void MainWindow::writePrintLog(const QPrinter& printer)
{
    PrintRecord record = PrinterFigures(printer);
    record.scriptName = scriptFile_.toStdString();
    record.stamp = NowStamp();
    WritePrintLog(PrintLogPath(environment_.settingsPath).toStdString(), PrintLogText(record), language_);
}

// The preview shows the page the print run makes: the same scale, the same
// bitmap, redrawn whenever the page set-up changes in the preview.
void MainWindow::printPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!prepareToPrint(printer)) return;
    const ScriptLines lines = EditorLines(*ui_->MEMO_SCRIPT);
    // Each page the preview asks for starts where the screen run ended.
    Interpreter& interpreter = runs_->settled();
    const DrawingState screenState = interpreter.state();
    QString failure;
    const bool printed = dialogs_.previewPrint(this, printer, [&](QPrinter& target) {
        interpreter.state() = screenState;
        BusyPointer busy;
        try {
            PrintDrawingOn(target, interpreter, lines, printStretch_, printDepth_,
                           printVectors_ ? interpreter.shapeRecord() : nullptr);
        } catch (const std::exception& error) {
            failure = ErrorMessage(error, language_);
        }
    });
    interpreter.state() = screenState;
    if (!failure.isEmpty()) showErrorNotice(failure);
    if (!printed) return;
    rememberPrintFile(printer);
    writePrintLog(printer);
}

}  // namespace kresbon
