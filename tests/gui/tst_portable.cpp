// A copy of the program that keeps its settings beside itself writes nothing
// into the user's home: not what the toolkit's file dialog remembers, nor the
// copy of unsaved work.

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "shell/app/program_location.h"
#include "shell/dialogs/user_dialogs.h"
#include "shell/document/recovery.h"

using namespace kresbon;

namespace {

// The home folder the program is run with: empty, and set before the toolkit
// starts, as it is read once.
QTemporaryDir* Home = nullptr;

QStringList FilesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next();
    return found;
}

}  // namespace

class PortableTest : public QObject {
    Q_OBJECT
private slots:
    void fileDialogWritesNothingUnderHome()
    {
        QTemporaryDir program;
        const ProgramLocation location =
            LocateProgram(program.path(), IsWritableFolder, QString(), Home->path());
        QCOMPARE(location.settingsPath, program.filePath(QStringLiteral("Kresbon.ini")));
        KeepToolkitSettingsWithProgram(location);

        ToolkitDialogs dialogs;
        FileDialogRequest request;
        request.nameFilters = QStringList{QStringLiteral("KRS Files (*.krs)")};
        bool seen = false;
        QTimer::singleShot(0, [&seen] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            seen = dialog != nullptr;
            if (dialog) dialog->reject();
        });
        QVERIFY(!dialogs.openFileName(nullptr, request));
        QVERIFY(seen);

        QCOMPARE(FilesUnder(Home->path()), QStringList());
        // What the dialog remembers is kept beside the program instead.
        QVERIFY(QFileInfo::exists(program.filePath(QStringLiteral("QtProject.conf"))));

        Recovery recovery(RecoveryFolderFor(location));
        QVERIFY(recovery.active());
        recovery.store(QStringLiteral("Line 1, 1, 5, 5\n"), QString());
        QCOMPARE(FilesUnder(Home->path()), QStringList());
        QVERIFY(QFileInfo::exists(recovery.copyPath()));

        // Settings in the user's folder keep the copy in the user's state folder.
        QVERIFY(RecoveryFolderFor(LocateProgram(program.path(), [](const QString&) { return false; }, QString(),
                                                Home->path()))
                    .isEmpty());
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir home;
    Home = &home;
    qputenv("HOME", home.path().toUtf8());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(name);
    QApplication app(argc, argv);
    PortableTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portable.moc"
