// Following the files on disk: the script changed by writing in place, by
// renaming a new file over it, by deleting and creating it again; an
// included file changed; the bar while the editor holds unsaved edits; the
// program's own saves; the setting.

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <unistd.h>

#include "shell/document/script_follow.h"
#include "shell/editor/script_editor.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

constexpr Rgb Red = makeRgb(255, 0, 0);
constexpr Rgb Blue = makeRgb(0, 0, 255);

const std::string RedScript = "MaximumX = 20\nMaximumY = 20\nPoint 2, 2, Red\nPoint 3, 3, Red\n";
const std::string BlueScript = "MaximumX = 20\nMaximumY = 20\nPoint 2, 2, Blue\nPoint 3, 3, Blue\n";

struct Window {
    Sandbox box;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> w;
    std::unique_ptr<QSignalSpy> shown;

    QString script() const { return box.path(QStringLiteral("demo.krs")); }
    Rgb pixel(int x, int y) { return w->interpreter().canvas().pixel(x, y); }
    DiskChangeBar& bar() { return w->fileFollow()->bar(); }
    // Waits for the next drawing made because of a change on disk.
    bool redrawn(int count) { return QTest::qWaitFor([&] { return shown->count() >= count; }, 3000); }
    // Gives the watch time to notice a change it must not act on.
    void quietWhile() { QTest::qWait(400); }
};

std::unique_ptr<Window> Open(const std::string& script, const std::string& settings = {},
                             const std::function<void(Sandbox&)>& more = {})
{
    auto s = std::make_unique<Window>();
    s->box.write("demo.krs", script);
    if (more) more(s->box);
    if (!settings.empty()) s->box.writeSettings(settings);
    s->w = std::make_unique<MainWindow>(s->box.environment(), s->dialogs);
    if (!Started(*s->w)) return nullptr;
    s->shown = std::make_unique<QSignalSpy>(s->w.get(), &MainWindow::liveRunShown);
    return s;
}

// Text typed at the end of the script, as one undo step.
void TypeAtEnd(MainWindow& w, const QString& text)
{
    Editor(w).SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    Editor(w).replaceSelectedText(text);
}

void RenameOver(Window& s, const std::string& bytes)
{
    s.box.write("new.krs", bytes);
    if (std::rename(s.box.path("new.krs").toLocal8Bit().constData(), s.script().toLocal8Bit().constData()) != 0)
        qFatal("rename failed");
}

}  // namespace

class FileWatchTest : public QObject {
    Q_OBJECT
private slots:
    void changedScriptIsReloadedAsOneUndoStepKeepingTheCaretLine()
    {
        auto s = Open(RedScript);
        QVERIFY(s);
        QCOMPARE(s->pixel(2, 2), Red);
        Editor(*s->w).setCursorPosition(2, 3);

        s->box.write("demo.krs", BlueScript);  // written in place
        QVERIFY(s->redrawn(1));
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(BlueScript));
        QCOMPARE(s->pixel(2, 2), Blue);
        QVERIFY(s->w->saved());
        QVERIFY(s->bar().isHidden());
        int line = 0;
        int index = 0;
        Editor(*s->w).getCursorPosition(&line, &index);
        QCOMPARE(line, 2);

        Editor(*s->w).undo();
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(RedScript));
        QVERIFY(!s->w->saved());
    }

    void renamedOverAndRecreatedScriptsAreReloadedEachTime()
    {
        auto s = Open(RedScript);
        QVERIFY(s);
        // An editor saving through a new file renamed over the old one.
        RenameOver(*s, BlueScript);
        QVERIFY(s->redrawn(1));
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(BlueScript));
        // The file is a new one now: it is still followed.
        RenameOver(*s, RedScript);
        QVERIFY(s->redrawn(2));
        QCOMPARE(s->pixel(2, 2), Red);
        // Deleted and written again at once: a change, not a loss.
        QVERIFY(QFile::remove(s->script()));
        s->box.write("demo.krs", BlueScript);
        QVERIFY(s->redrawn(3));
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(BlueScript));
        QVERIFY(s->bar().isHidden());
        QCOMPARE(s->pixel(3, 3), Blue);
    }

    void deletedScriptIsToldAndKeptAndItsReturnIsOffered()
    {
        auto s = Open(RedScript);
        QVERIFY(s);
        QVERIFY(QFile::remove(s->script()));
        QTRY_VERIFY_WITH_TIMEOUT(s->bar().isVisible(), 3000);
        QCOMPARE(s->bar().message()->text(), QString("The file was deleted or moved away: demo.krs"));
        QVERIFY(s->bar().reloadButton()->isHidden());
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(RedScript));
        // The editor holds the only copy now: closing would ask.
        QVERIFY(!s->w->saved());

        s->box.write("demo.krs", BlueScript);
        QTRY_VERIFY_WITH_TIMEOUT(s->bar().reloadButton()->isVisible(), 3000);
        QCOMPARE(s->bar().message()->text(), QString("The file changed on disk: demo.krs"));
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(RedScript));
    }

    void unsavedEditsAreKeptUntilReloadIsChosen()
    {
        auto s = Open(RedScript);
        QVERIFY(s);
        TypeAtEnd(*s->w, "Point 4, 4, Red");
        const QString mine = Editor(*s->w).toPlainText();
        RenameOver(*s, BlueScript);
        QTRY_VERIFY_WITH_TIMEOUT(s->bar().isVisible(), 3000);
        QCOMPARE(s->bar().reloadButton()->text(), QString("&Reload"));
        QCOMPARE(s->bar().keepMineButton()->text(), QString("&Keep mine"));
        QCOMPARE(Editor(*s->w).toPlainText(), mine);
        // The editor's text was not touched: its drawing stands.
        s->quietWhile();
        QCOMPARE(s->shown->count(), 0);
        // F5 runs the editor's text.
        s->w->refresh();
        QCOMPARE(s->pixel(4, 4), Red);

        QTest::mouseClick(s->bar().reloadButton(), Qt::LeftButton);
        QVERIFY(s->bar().isHidden());
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(BlueScript));
        QVERIFY(s->w->saved());
        QVERIFY(s->redrawn(s->shown->count() + 1));
        QCOMPARE(s->pixel(2, 2), Blue);
        Editor(*s->w).undo();
        QCOMPARE(Editor(*s->w).toPlainText(), mine);
    }

    void keepMineLeavesTheEditorUnsavedAndAsksNoMore()
    {
        auto s = Open(RedScript);
        QVERIFY(s);
        s->w->switchLanguage(2000);
        TypeAtEnd(*s->w, "Point 4, 4, Red");
        const QString mine = Editor(*s->w).toPlainText();
        s->box.write("demo.krs", BlueScript);
        QTRY_VERIFY_WITH_TIMEOUT(s->bar().isVisible(), 3000);
        QCOMPARE(s->bar().message()->text(), QString::fromUtf8("Soubor se na disku změnil: demo.krs"));
        QCOMPARE(s->bar().keepMineButton()->text(), QString::fromUtf8("&Ponechat moji verzi"));
        QTest::mouseClick(s->bar().keepMineButton(), Qt::LeftButton);
        QVERIFY(s->bar().isHidden());
        s->quietWhile();
        QVERIFY(s->bar().isHidden());
        QCOMPARE(Editor(*s->w).toPlainText(), mine);
        QVERIFY(!s->w->saved());
    }

    void changedIncludeRedrawsTheEditorsText()
    {
        auto s = Open("MaximumX = 20\nMaximumY = 20\n@include \"part.krs\"\n", {},
                      [](Sandbox& box) { box.write("part.krs", "Point 5, 5, Red\n"); });
        QVERIFY(s);
        QCOMPARE(s->pixel(5, 5), Red);
        QTRY_VERIFY(s->w->fileFollow()->watch().followed().contains(s->box.path("part.krs")));

        s->box.write("part.krs", "Point 5, 5, Blue\n");
        QVERIFY(s->redrawn(1));
        QCOMPARE(s->pixel(5, 5), Blue);
        // Unsaved edits stay; the drawing follows the included file anyway.
        Type(*s->w, "Point 6, 6, Red");
        const QString mine = Editor(*s->w).toPlainText();
        s->box.write("part.krs", "Point 5, 5, Red\n");
        QVERIFY(s->redrawn(2));
        QCOMPARE(s->pixel(5, 5), Red);
        QCOMPARE(s->pixel(6, 6), Red);
        QCOMPARE(Editor(*s->w).toPlainText(), mine);
        QVERIFY(s->bar().isHidden());
    }

    void ownSaveDoesNotReload()
    {
        auto s = Open(RedScript);
        QVERIFY(s);
        TypeAtEnd(*s->w, "Point 4, 4, Red");
        const int runs = s->w->runCount();
        s->w->saveScript();
        QVERIFY(s->w->saved());
        s->quietWhile();
        QCOMPARE(s->shown->count(), 0);
        QCOMPARE(s->w->runCount(), runs);
        QVERIFY(s->bar().isHidden());
        // Undo takes back the typing, not a reload.
        Editor(*s->w).undo();
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(RedScript));
    }

    void watchingCanBeSwitchedOffAndIsStored()
    {
        auto s = Open(RedScript, "[MainForm]\nWatchFiles=0\n");
        QVERIFY(s);
        QVERIFY(!s->w->watchFilesItem()->isChecked());
        s->box.write("demo.krs", BlueScript);
        s->quietWhile();
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(RedScript));
        // Switched on, the change made meanwhile is taken in.
        s->w->watchFilesItem()->trigger();
        QVERIFY(s->redrawn(1));
        QCOMPARE(Editor(*s->w).toPlainText(), QString::fromStdString(BlueScript));
        QVERIFY(s->box.settings().find("WatchFiles=1") != std::string::npos);
        s->w->watchFilesItem()->trigger();
        QVERIFY(s->box.settings().find("WatchFiles=0") != std::string::npos);

        auto fresh = Open(RedScript);
        QVERIFY(fresh);
        QVERIFY(fresh->w->watchFilesItem()->isChecked());
    }
};

QTEST_MAIN(FileWatchTest)
#include "tst_file_watch.moc"
