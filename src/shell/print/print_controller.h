#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "interpreter/script_text.h"

class QPrinter;
class QWidget;

namespace kresbon {

class RunController;
class SettingsFile;
class UserDialogs;

// What printing asks of the window around it.
struct PrintHooks {
    // Runs the script for the screen, as Refresh does; with recordShapes
    // the run also records the shapes printed as vectors.
    std::function<void(bool recordShapes)> runScript;
    // The script's lines as the interpreter reads them.
    std::function<ScriptLines()> scriptLines;
    std::function<QString()> scriptFile;
    std::function<void(const QString& message)> showError;
    // Where the busy pointer shows during the print run, as during the
    // screen run: the editor takes keys meanwhile. The whole program when
    // none is given.
    QWidget* busyArea = nullptr;
};

// Printing the drawing and its preview: the print settings, the printer
// dialog, the print run through the run controller, the PDF file offered
// again and LastPrint.log beside the settings file.
class PrintController : public QObject {
    Q_OBJECT
public:
    PrintController(QWidget& window, RunController& runs, SettingsFile& settings, UserDialogs& dialogs,
                    QString settingsPath, PrintHooks hooks);

    // [Print] Stretch, BitsPerPixel and Vectors, with the defaults written
    // back for values missing or wrong.
    void readPrintSettings();
    void setLanguage(int languageBase) { language_ = languageBase; }

    void printDrawing();
    void printPreview();

    int printStretch() const { return printStretch_; }
    int printDepth() const { return printDepth_; }
    // The PDF file the last print went into, offered again to the next one.
    QString printFileName() const { return printFileName_; }

private:
    bool prepareToPrint(QPrinter& printer);
    void runPrintJob(QPrinter& printer);
    void rememberPrintFile(const QPrinter& printer);
    void writePrintLog(const QPrinter& printer);

    QWidget& window_;
    RunController& runs_;
    SettingsFile& settings_;
    UserDialogs& dialogs_;
    QString settingsPath_;
    PrintHooks hooks_;
    int language_ = 1000;

    int printStretch_ = 4;
    int printDepth_ = 4;
    bool printVectors_ = false;
    QString printFileName_;
};

}  // namespace kresbon
