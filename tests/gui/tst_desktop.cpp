// Desktop conventions: shortcuts, keyboard focus, the recent scripts, dropped
// scripts, the window state, the toolkit's own translation, F1 in a modal
// box, the font colour and the preview of a saved drawing.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include "shell/editor/script_editor.h"
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "platform/texts.h"
#include "shell/dialogs/about_dialog.h"
#include "shell/help/help_window.h"
#include "shell/document/recent_files.h"
#include "shell/settings/settings_file.h"
#include "shell/app/window_state.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

std::string Setting(const Sandbox& box, const char* section, const std::string& key)
{
    return SettingsFile(box.path("Kresbon.ini").toStdString()).Read(section, key);
}

QMimeData* FilesDragged(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// Drags the files over the widget and drops them; true when the drop was
// accepted.
bool Drop(QWidget* target, const QStringList& paths)
{
    std::unique_ptr<QMimeData> data(FilesDragged(paths));
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

HelpWindow* FindHelpWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<HelpWindow*>(w)) return help;
    return nullptr;
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString helpRoot = QFINDTESTDATA("../../resources/help");
        QVERIFY(!helpRoot.isEmpty());
        qputenv("KRESBON_HELP_DIR", helpRoot.toUtf8());
    }

    // ---- shortcuts and focus

    void standardShortcutsRunTheirCommands()
    {
        Sandbox box;
        box.write("a.krs", "Point 1, 1, Black");
        FakeDialogs dialogs;
        MainWindow w(box.environment({box.path("a.krs")}), dialogs);
        QVERIFY(Started(w));
        QTRY_VERIFY(QApplication::focusWidget() == Editor(w).viewport() ||
                    QApplication::focusWidget() == &Editor(w));
        // A script given on the command line counts as opened.
        QCOMPARE(w.recentFiles(), QStringList{box.path("a.krs")});

        Type(w, "\n");
        QTest::keyClick(&Editor(w), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(w.saved());
        QCOMPARE(box.read("a.krs"), std::string("Point 1, 1, Black\r\n"));
        QTest::keyClick(&Editor(w), Qt::Key_F2);  // F2 stays
        QVERIFY(w.saved());

        QTest::keyClick(&Editor(w), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(dialogs.saveRequests.size(), size_t(1));
        QTest::keyClick(&Editor(w), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(dialogs.openRequests.size(), size_t(1));
        QTest::keyClick(&Editor(w), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(dialogs.printerRequests, 1);
        QTest::keyClick(&Editor(w), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(Editor(w).toPlainText().isEmpty());
        QVERIFY(w.scriptFile().isEmpty());

        QSignalSpy closed(&w, &MainWindow::closed);
        QTest::keyClick(&Editor(w), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(closed.count(), 1);
    }

    void keysRightAfterStartGoToTheEditorAndButtonsLeaveItThere()
    {
        Sandbox box;
        box.write("demo.krs", "Point 1, 1, Black");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QTRY_VERIFY(Editor(w).hasFocus());
        QVERIFY(w.recentFiles().isEmpty());  // the demo is no script of the user's
        // Space on a focused New button would have emptied the editor.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(Editor(w).toPlainText().contains(QStringLiteral("Black ")) ||
                Editor(w).toPlainText().startsWith(QStringLiteral(" ")));
        const int runs = w.runCount();
        QTest::mouseClick(w.form().BtnRefresh, Qt::LeftButton);
        QCOMPARE(w.runCount(), runs + 1);
        QVERIFY(Editor(w).hasFocus());
        QTest::mouseClick(w.form().ChLayer3, Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(!w.form().ChLayer3->isChecked());
        QVERIFY(Editor(w).hasFocus());
    }

    // ---- recent scripts

    void recentListKeepsTheLastEightNewestFirst()
    {
        QStringList list;
        for (int i = 0; i < 10; ++i) list = WithRecentFile(list, QStringLiteral("/s/%1.krs").arg(i));
        QCOMPARE(list.size(), MaxRecentFiles);
        QCOMPARE(list.first(), QStringLiteral("/s/9.krs"));
        QCOMPARE(list.last(), QStringLiteral("/s/2.krs"));
        list = WithRecentFile(list, QStringLiteral("/s/x/../5.krs"));
        QCOMPARE(list.first(), QStringLiteral("/s/5.krs"));
        QCOMPARE(list.count(QStringLiteral("/s/5.krs")), 1);
        QCOMPARE(list.size(), MaxRecentFiles);
        QCOMPARE(WithRecentFile(list, QStringLiteral("/s/a\n[Print]\nStretch=9.krs")), list);
        QCOMPARE(RecentFileCaption(0, QStringLiteral("/a&b/c&d.krs")), QStringLiteral("&1 c&&d.krs  (/a&&b)"));
    }

    void openedAndSavedScriptsAreListedAndKept()
    {
        Sandbox box;
        box.write("a.krs", "Point 1, 1, Black");
        box.writeSettings("[RecentFiles]\nFile1=" + box.path("old.krs").toStdString() + "\nFile2=\nFile3=" +
                          box.path("old.krs").toStdString() + "\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QCOMPARE(w.recentFiles(), QStringList{box.path("old.krs")});

        dialogs.openNames = {box.path("a.krs")};
        w.openScript();
        dialogs.saveNames = {box.path("b.krs")};
        w.saveScriptAs();
        const QStringList expected{box.path("b.krs"), box.path("a.krs"), box.path("old.krs")};
        QCOMPARE(w.recentFiles(), expected);
        QCOMPARE(Setting(box, "RecentFiles", "File1"), box.path("b.krs").toStdString());
        QCOMPARE(Setting(box, "RecentFiles", "File2"), box.path("a.krs").toStdString());
        QCOMPARE(Setting(box, "RecentFiles", "File3"), box.path("old.krs").toStdString());
        QCOMPARE(Setting(box, "RecentFiles", "File4"), std::string());

        // The menu lists them newest first, then the item that clears them.
        const QList<QAction*> items = w.recentMenu()->actions();
        QCOMPARE(items.size(), 3 + 2);
        QVERIFY(items[0]->text().startsWith(QStringLiteral("&1 b.krs")));
        QVERIFY(items[2]->text().startsWith(QStringLiteral("&3 old.krs")));
        QCOMPARE(w.recentMenu()->title(), QString::fromStdString(TextUtf8(EnglishBase, 560)));
        QVERIFY(w.form().MnuScript->actions().contains(w.recentMenu()->menuAction()));

        // Choosing one opens it and draws it.
        items[1]->trigger();
        QCOMPARE(w.scriptFile(), box.path("a.krs"));
        QCOMPARE(w.recentFiles().first(), box.path("a.krs"));

        w.clearRecentFiles();
        QVERIFY(w.recentFiles().isEmpty());
        QCOMPARE(Setting(box, "RecentFiles", "File1"), std::string());
    }

    void missingRecentScriptIsDroppedWithAWarning()
    {
        Sandbox box;
        box.write("a.krs", "Point 1, 1, Black");
        box.writeSettings("[RecentFiles]\nFile1=" + box.path("gone.krs").toStdString() + "\nFile2=" +
                          box.path("a.krs").toStdString() + "\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "typed");
        w.openRecentFile(box.path("gone.krs"));
        QCOMPARE(dialogs.notices().size(), size_t(1));
        QCOMPARE(dialogs.notices()[0].title, QStringLiteral("Warning"));
        QVERIFY(dialogs.notices()[0].text.contains(u'"' + box.path("gone.krs") + u'"'));
        QVERIFY(dialogs.questions().empty());
        QCOMPARE(w.recentFiles(), QStringList{box.path("a.krs")});
        QCOMPARE(Setting(box, "RecentFiles", "File1"), box.path("a.krs").toStdString());
        QCOMPARE(Editor(w).toPlainText(), QStringLiteral("typed"));
        QVERIFY(!w.saved());
    }

    void recentScriptPassesTheGuard()
    {
        Sandbox box;
        box.write("a.krs", "Point 1, 1, Black");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "typed");
        dialogs.answers = {QMessageBox::Cancel};
        w.openRecentFile(box.path("a.krs"));
        QCOMPARE(dialogs.questions().size(), size_t(1));
        QCOMPARE(Editor(w).toPlainText(), QStringLiteral("typed"));
        QVERIFY(w.scriptFile().isEmpty());

        dialogs.answers = {QMessageBox::No};
        w.openRecentFile(box.path("a.krs"));
        QCOMPARE(Editor(w).toPlainText(), QStringLiteral("Point 1, 1, Black"));
        QVERIFY(w.saved());
    }

    // ---- dropped scripts

    void droppedScriptOpensThroughTheGuard()
    {
        Sandbox box;
        box.write("a.krs", "Point 1, 1, Black");
        box.write("b.txt", "not a script");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));

        QVERIFY(!Drop(&w, {box.path("b.txt")}));
        Type(w, "typed");
        dialogs.answers = {QMessageBox::Cancel};
        QVERIFY(Drop(&w, {box.path("b.txt"), box.path("a.krs")}));
        QTRY_COMPARE(dialogs.questions().size(), size_t(1));
        QCOMPARE(Editor(w).toPlainText(), QStringLiteral("typed"));

        // Dropped on the editor, the script is opened, not pasted as text.
        dialogs.answers = {QMessageBox::No};
        QVERIFY(Drop(Editor(w).viewport(), {box.path("a.krs")}));
        QTRY_COMPARE(w.scriptFile(), box.path("a.krs"));
        QCOMPARE(Editor(w).toPlainText(), QStringLiteral("Point 1, 1, Black"));
        QCOMPARE(w.recentFiles().first(), box.path("a.krs"));
    }

    // ---- window state

    void positionOffEveryScreenIsMended()
    {
        const QRect primary(0, 0, 1920, 1080);
        const QRect second(1920, 0, 1280, 1024);
        const QList<QRect> screens{primary, second};
        const QSize size(533, 335);
        const auto mended = [&](QPoint at) { return MendedWindowPosition(QRect(at, size), screens, primary); };
        QCOMPARE(mended(QPoint(195, 110)), QPoint(195, 110));
        QCOMPARE(mended(QPoint(2500, 300)), QPoint(2500, 300));  // on the second screen
        // Exactly 100 x 50 visible stays; one pixel less on either side moves.
        QCOMPARE(mended(QPoint(-433, 1030)), QPoint(-433, 1030));
        QCOMPARE(mended(QPoint(-434, 500)), QPoint(0, 500));
        QCOMPARE(mended(QPoint(500, 1031)), QPoint(500, 1080 - 335));
        QCOMPARE(mended(QPoint(-5000, -5000)), QPoint(0, 0));
        QCOMPARE(mended(QPoint(4000, 200)), QPoint(1920 - 533, 200));
        // Below the second screen, which is taller than the primary one.
        QCOMPARE(mended(QPoint(2500, 1100)), QPoint(1920 - 533, 1080 - 335));
        // A window larger than the primary screen keeps its corner on it.
        QCOMPARE(MendedWindowPosition(QRect(-3000, 50, 3000, 2000), screens, primary), QPoint(0, 0));
    }

    void maximizedStateIsRestoredAndNormalGeometryKept()
    {
        Sandbox box;
        box.writeSettings("[MainForm]\nWidth=600\nHeight=400\nLeft=-9000\nTop=20\nMaximized=1\n");
        FakeDialogs dialogs;
        {
            MainWindow w(box.environment(), dialogs);
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(screen.contains(QRect(w.pos(), QSize(100, 50))));
            QVERIFY(w.windowState() & Qt::WindowMaximized);
            QVERIFY(Started(w));
            QVERIFY(w.close());
        }
        QCOMPARE(Setting(box, "MainForm", "Maximized"), std::string("1"));
        QCOMPARE(Setting(box, "MainForm", "Width"), std::string("600"));
        QCOMPARE(Setting(box, "MainForm", "Height"), std::string("400"));
        {
            MainWindow w(box.environment(), dialogs);
            QVERIFY(Started(w));
            w.showNormal();
            QVERIFY(w.close());
        }
        QCOMPARE(Setting(box, "MainForm", "Maximized"), std::string("0"));
    }

    // ---- languages

    void czechLoadsTheToolkitTranslationAndEnglishDropsIt()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        const auto toolkitNo = [] { return QCoreApplication::translate("QPlatformTheme", "&No"); };
        QCOMPARE(toolkitNo(), QStringLiteral("&No"));
        w.switchLanguage(CzechBase);
        QCOMPARE(toolkitNo(), QStringLiteral("&Ne"));
        w.switchLanguage(CzechBase);
        QCOMPARE(toolkitNo(), QStringLiteral("&Ne"));
        QCOMPARE(w.recentMenu()->title(), QString::fromStdString(TextUtf8(CzechBase, 560)));
        QCOMPARE(w.printPreviewItem()->text(), QString::fromStdString(TextUtf8(CzechBase, 562)));
        w.switchLanguage(EnglishBase);
        QCOMPARE(toolkitNo(), QStringLiteral("&No"));
    }

    // ---- help

    void f1InAModalBoxOpensTheHelpAboveIt()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        AboutDialog about(&w);
        w.setAboutDialog(&about);
        QVERIFY(Started(w));
        bool helpShown = false;
        bool helpAboveBox = false;
        QTimer::singleShot(0, &about, [&] {
            QTest::keyClick(about.focusWidget() ? about.focusWidget() : &about, Qt::Key_F1);
            helpShown = QTest::qWaitFor([] { return FindHelpWindow() && FindHelpWindow()->isVisible(); }, 3000);
            helpAboveBox = helpShown && FindHelpWindow()->windowModality() == Qt::ApplicationModal;
            // F1 in the help itself keeps it above the box.
            if (helpShown) {
                QTest::keyClick(FindHelpWindow(), Qt::Key_F1);
                QTest::qWait(50);
                helpAboveBox = helpAboveBox && FindHelpWindow()->isVisible() &&
                               FindHelpWindow()->windowModality() == Qt::ApplicationModal;
            }
            about.accept();
        });
        w.showAbout();
        QVERIFY(helpShown);
        QVERIFY(helpAboveBox);
        // With the box closed the help stays open and blocks nothing.
        QVERIFY(FindHelpWindow()->isVisible());
        QCOMPARE(FindHelpWindow()->windowModality(), Qt::NonModal);
        FindHelpWindow()->close();
        // Asked for from the window itself, it is an ordinary window again.
        w.activateWindow();
        QTRY_VERIFY(w.isActiveWindow());
        QTest::keyClick(&Editor(w), Qt::Key_F1);
        QTRY_VERIFY(FindHelpWindow() && FindHelpWindow()->isVisible());
        QCOMPARE(FindHelpWindow()->windowModality(), Qt::NonModal);
        delete FindHelpWindow();
    }

    // ---- font colour and the preview of a saved drawing

    void fontDialogColourIsShownAndStored()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QFont font(QStringLiteral("DejaVu Sans Mono"), 13);
        dialogs.font = font;
        w.chooseEditorFont();
        QCOMPARE(dialogs.colourCaption, QString::fromStdString(TextUtf8(EnglishBase, 570)));
        // The colour shown was kept: the system colour stays a system colour.
        QCOMPARE(Setting(box, "ScriptFont", "Color"), std::string("-2147483640"));

        dialogs.colour = QColor(10, 20, 30);
        w.chooseEditorFont();
        QCOMPARE(Setting(box, "ScriptFont", "Color"), std::to_string(10 + 20 * 256 + 30 * 65536));
        QCOMPARE(Editor(w).palette().color(QPalette::Text), QColor(10, 20, 30));
        QCOMPARE(Editor(w).font().pointSize(), 13);
        dialogs.colour.reset();
        w.chooseEditorFont();
        QCOMPARE(dialogs.shownColour, QColor(10, 20, 30));
        QCOMPARE(Setting(box, "ScriptFont", "Color"), std::to_string(10 + 20 * 256 + 30 * 65536));
    }

    void saveDrawingDialogShowsTheDrawing()
    {
        Sandbox box;
        box.write("demo.krs", "PixelsPerUnit = 1\nMaximumX = 600\nMaximumY = 300\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        dialogs.saveNames = {std::nullopt};
        w.saveDrawing();
        QCOMPARE(dialogs.saveRequests.size(), size_t(1));
        const QImage preview = dialogs.saveRequests[0].preview;
        QCOMPARE(preview.size(), QSize(240, 120));
        QCOMPARE(QColor(preview.pixel(120, 60)), QColor(Qt::white));
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
