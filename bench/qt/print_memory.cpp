// Prints a script onto an A4 page at a given resolution into a PDF file, the
// way File > Print does, and ends: run it under /usr/bin/time to see the
// peak memory of a print at printer resolution.
//   print_memory SCRIPT OUT.pdf [DPI] [STRETCH] [BITS]

#include <QApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "shell/app/main_window.h"
#include "shell/dialogs/user_dialogs.h"

namespace {

class A4Pdf : public kresbon::ToolkitDialogs {
public:
    QMessageBox::StandardButton ask(QWidget*, const kresbon::MessageRequest& request) override
    {
        std::fprintf(stderr, "%s\n", request.text.toLocal8Bit().constData());
        failed = true;
        return QMessageBox::Yes;
    }
    bool setUpPrinter(QWidget*, QPrinter& printer, kresbon::PrintChoice&) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(output);
        printer.setResolution(dpi);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        return true;
    }
    QString output;
    int dpi = 1200;
    bool failed = false;
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: print_memory SCRIPT OUT.pdf [DPI] [STRETCH] [BITS]\n");
        return 2;
    }
    QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("Kresbon.ini"));
    QFile ini(settings);
    if (!ini.open(QIODevice::WriteOnly)) return 2;
    ini.write(QStringLiteral("[MainForm]\nDemoScript=1\n[Print]\nStretch=%1\nBitsPerPixel=%2\n")
                  .arg(args.value(4, QStringLiteral("1")), args.value(5, QStringLiteral("4")))
                  .toUtf8());
    ini.close();

    A4Pdf dialogs;
    dialogs.output = args[2];
    dialogs.dpi = args.value(3, QStringLiteral("1200")).toInt();
    kresbon::ShellEnvironment environment;
    environment.programFolder = folder.path();
    environment.settingsPath = settings;
    environment.arguments = QStringList{args[1]};
    kresbon::MainWindow window(environment, dialogs);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (!window.firstActivationDone()) return;
        poll.stop();
        window.printDrawing();
        QCoreApplication::exit(dialogs.failed ? 1 : 0);
    });
    poll.start(10);
    window.show();
    return app.exec();
}
