// The copy of unsaved work kept against a crash: written on each run while
// there are unsaved edits, offered at the next start after a window that
// never closed, removed by a clean close, and never over the script.

#include <QSignalSpy>
#include <QTest>

#include "shell/document/recovery.h"
#include "shell/editor/script_editor.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

class RecoveryTest : public QObject {
    Q_OBJECT
private slots:
    void unsavedWorkOfAWindowThatNeverClosedIsOfferedAndRestored()
    {
        Sandbox box;
        box.write("plate.krs", "Point 1, 1\n");
        const QString script = box.path("plate.krs");
        const QString copy = box.path("state/unsaved.krs");
        FakeDialogs dialogs;
        {
            MainWindow w(box.environment({script}), dialogs);
            QVERIFY(Started(w));
            // Saved work leaves no copy.
            w.refresh();
            QVERIFY(!QFile::exists(copy));
            Type(w, "Point 2, 2, Red");
            w.refresh();
            QVERIFY(QFile::exists(copy));
            // Dropped without closing, as a crash would.
        }
        QCOMPARE(box.read("plate.krs"), std::string("Point 1, 1\n"));
        QVERIFY(dialogs.asked.empty());

        // The demo drawn at start, saved work, comes before the question
        // and must not take the copy away.
        box.write("demo.krs", "Point 5, 5\n");
        dialogs.answers = {QMessageBox::Yes};
        MainWindow again(box.environment(), dialogs);
        QVERIFY(Started(again));
        QCOMPARE(dialogs.questions().size(), size_t(1));
        const MessageRequest q = dialogs.questions().front();
        QCOMPARE(q.text, QString("Kresbon was not closed properly last time. Restore the unsaved script it kept?"));
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(q.defaultButton, QMessageBox::Yes);
        QCOMPARE(Editor(again).toPlainText(), QString("Point 1, 1\nPoint 2, 2, Red"));
        QCOMPARE(again.scriptFile(), script);
        QVERIFY(!again.saved());
        QCOMPARE(again.interpreter().canvas().pixel(2, 2), makeRgb(255, 0, 0));

        // A clean close, the changes not saved, removes the copy.
        dialogs.answers = {QMessageBox::No};
        QVERIFY(again.close());
        QVERIFY(!QFile::exists(copy));
        QCOMPARE(box.read("plate.krs"), std::string("Point 1, 1\n"));
    }

    void aRefusedCopyIsRemovedAndCzechAsks()
    {
        Sandbox box;
        box.write("Kresbon.ini", "[MainForm]\nLanguage=2000\n");
        {
            Recovery left(box.path("state"));
            left.store(QStringLiteral("Point 3, 3"), QString());
        }
        FakeDialogs dialogs;
        dialogs.answers = {QMessageBox::No};
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QCOMPARE(dialogs.questions().size(), size_t(1));
        QCOMPARE(dialogs.questions().front().text,
                 QString::fromUtf8("Kresbon nebyl minule řádně ukončen. Obnovit neuložený skript, který si uchoval?"));
        QVERIFY(Editor(w).toPlainText() != QString("Point 3, 3"));
        QVERIFY(!box.exists("state/unsaved.krs"));
    }

    void onlyOneRunningProgramKeepsTheCopy()
    {
        Sandbox box;
        {
            Recovery first(box.path("state"));
            QVERIFY(first.active());
            first.store(QStringLiteral("Line 1, 1, 5, 5"), QStringLiteral("/odd\nname.krs"));
            Recovery second(box.path("state"));
            QVERIFY(!second.active());
            QVERIFY(!second.takeLeftOver());
            second.discard();
            QVERIFY(box.exists("state/unsaved.krs"));
        }
        Recovery next(box.path("state"));
        // The copy stays until it has been taken.
        next.discard();
        next.store(QStringLiteral("other"), QString());
        const auto copy = next.takeLeftOver();
        QVERIFY(copy);
        QCOMPARE(copy->text, QString("Line 1, 1, 5, 5"));
        QCOMPARE(copy->scriptFile, QString("/odd\nname.krs"));
        next.discard();
        QVERIFY(!box.exists("state/unsaved.krs"));
    }
};

QTEST_MAIN(RecoveryTest)
#include "tst_recovery.moc"
