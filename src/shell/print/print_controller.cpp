#include "shell/print/print_controller.h"

#include <QPrinter>
#include <exception>

#include "render/print_layout.h"
#include "shell/dialogs/user_dialogs.h"
#include "shell/print/print_job.h"
#include "shell/run/busy_pointer.h"
#include "shell/run/run_controller.h"
#include "shell/settings/settings_file.h"
#include "shell/settings/settings_values.h"
#include "shell/texts/error_text.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

PrintController::PrintController(QWidget& window, RunController& runs, SettingsFile& settings,
                                 UserDialogs& dialogs, QString settingsPath, PrintHooks hooks)
    : QObject(&window), window_(window), runs_(runs), settings_(settings), dialogs_(dialogs),
      settingsPath_(std::move(settingsPath)), hooks_(std::move(hooks))
{
}

void PrintController::readPrintSettings()
{
    // A default written back here may fail on a read-only folder; the value
    // in use is the default all the same.
    auto writeBack = [this](const char* key, int value) {
        try {
            settings_.Write("Print", key, std::to_string(value));
        } catch (const std::exception&) {
        }
    };
    const auto stretch = PrintStretchFromSetting(settings_.Read("Print", "Stretch"));
    printStretch_ = stretch.value_or(DefaultPrintStretch);
    if (!stretch) writeBack("Stretch", DefaultPrintStretch);
    const auto depth = PrintDepthFromSetting(settings_.Read("Print", "BitsPerPixel"));
    printDepth_ = depth.value_or(DefaultPrintDepth);
    if (!depth) writeBack("BitsPerPixel", DefaultPrintDepth);
    printVectors_ = settings_.Read("Print", "Vectors") == "1";
}

// Prints the drawing from a fresh run: the script runs again at the
// printer's scale and the result is enlarged onto the page, or, printed as
// vectors, the shapes of the screen run are drawn onto the same place. The
// print log is written after every print that reached the print run.
void PrintController::printDrawing()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!prepareToPrint(printer)) return;
    PrintChoice choice{printVectors_, UiText(language_, TextId::PrintAsVectors),
                       UiText(language_, TextId::PrintOptionsTab)};
    if (!dialogs_.setUpPrinter(&window_, printer, choice)) return;
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
            hooks_.runScript(true);
            if (!runs_.settled().drawingValid() || runs_.lastRunStopped()) return;
        }
    }
    {
        BusyPointer busy(hooks_.busyArea);
        try {
            runPrintJob(printer);
        } catch (const std::exception& error) {
            busy.release();
            hooks_.showError(ErrorMessage(error, language_));
        }
    }
    writePrintLog(printer);
}

// The print run goes to the worker as the screen run does: the window keeps
// painting and shows the line being run, and Stop or Esc ends the run before
// anything reaches the printer; the status line then says where it stopped.
// A failure of the print is thrown here.
void PrintController::runPrintJob(QPrinter& printer)
{
    const ScriptLines lines = hooks_.scriptLines();
    std::exception_ptr failure;
    const bool finished = runs_.runPrintAndWait(
        [&, stretch = printStretch_, depth = printDepth_, vectors = printVectors_](PrintRun& run) {
            try {
                PrintDrawingOn(printer, run, lines, stretch, depth, vectors);
            } catch (...) {
                failure = std::current_exception();
            }
        });
    if (!finished) return;
    if (failure) std::rethrow_exception(failure);
}

// Runs the script for the screen, as every print starts, and readies the
// printer; false when the run failed and there is nothing to print.
bool PrintController::prepareToPrint(QPrinter& printer)
{
    hooks_.runScript(printVectors_);
    if (!runs_.settled().drawingValid()) return false;
    printer.setDocName(UiText(language_, TextId::PrintDocumentName));
    if (!printFileName_.isEmpty()) printer.setOutputFileName(printFileName_);
    return true;
}

// A PDF file chosen for a print is offered again for the next one.
void PrintController::rememberPrintFile(const QPrinter& printer)
{
    printFileName_ = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
}

void PrintController::writePrintLog(const QPrinter& printer)
{
    PrintRecord record = PrinterFigures(printer);
    record.scriptName = hooks_.scriptFile().toStdString();
    record.stamp = NowStamp();
    WritePrintLog(PrintLogPath(settingsPath_).toStdString(), PrintLogText(record), language_);
}

// The preview shows the page the print run makes: the same scale, the same
// bitmap, redrawn whenever the page set-up changes in the preview.
void PrintController::printPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!prepareToPrint(printer)) return;
    const ScriptLines lines = hooks_.scriptLines();
    QString failure;
    bool printed = false;
    // Each page the preview asks for starts where the screen run ended.
    runs_.withPrintRun([&](PrintRun& run) {
        printed = dialogs_.previewPrint(&window_, printer, [&](QPrinter& target) {
            run.restoreScreenState();
            BusyPointer busy;
            try {
                PrintDrawingOn(target, run, lines, printStretch_, printDepth_, printVectors_);
            } catch (const std::exception& error) {
                failure = ErrorMessage(error, language_);
            }
        });
    });
    if (!failure.isEmpty()) hooks_.showError(failure);
    if (!printed) return;
    rememberPrintFile(printer);
    writePrintLog(printer);
}

}  // namespace kresbon
