// kresbon: the desktop program.

#include <QElapsedTimer>
#include <QIcon>
#include <QStringList>
#include <cstdio>

#include "shell/dialogs/about_dialog.h"
#include "shell/app/application.h"
#include "shell/app/main_window.h"
#include "shell/app/program_location.h"
#include "shell/dialogs/user_dialogs.h"

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    kresbon::KresbonApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("kresbon"));
    QIcon programIcon(QStringLiteral(":/icons/kresbon-64.png"));
    programIcon.addFile(QStringLiteral(":/icons/kresbon-256.png"));
    QApplication::setWindowIcon(programIcon);

    // --measure-startup prints the time from start to the first drawing on
    // screen and ends the program there, without writing any settings.
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool measureStartup = arguments.removeAll(QStringLiteral("--measure-startup")) > 0;

    const kresbon::ProgramLocation location = kresbon::CurrentProgramLocation();
    kresbon::KeepToolkitSettingsWithProgram(location);
    kresbon::ShellEnvironment environment;
    environment.programFolder = location.programFolder;
    environment.settingsPath = location.settingsPath;
    environment.demoScript = kresbon::FindProgramFile(location.programFolder, QStringLiteral("demo.krs"));
    environment.examplesFolder = kresbon::FindProgramFile(location.programFolder, QStringLiteral("examples"));
    environment.arguments = arguments;
    environment.stateFolder = kresbon::RecoveryFolderFor(location);

    kresbon::ToolkitDialogs dialogs;
    kresbon::MainWindow window(environment, dialogs);
    kresbon::AboutDialog about(&window);
    window.setAboutDialog(&about);

    QObject::connect(&window, &kresbon::MainWindow::closed, &app, &QCoreApplication::quit);
    if (measureStartup) {
        QObject::connect(&window, &kresbon::MainWindow::firstDrawingShown, &app, [&] {
            std::printf("first drawing shown after %.1f ms\n", sinceStart.nsecsElapsed() / 1e6);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    window.show();
    return app.exec();
}
