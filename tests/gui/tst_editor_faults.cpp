// The script editor as it is typed into: Return beside the completion list,
// the error mark that belongs to its line, the unsaved state and the title,
// the Replace dialog, commenting lines, keys in a very long script, keys
// during runs, the run status beside the pointer readout, and errors inside
// included files.

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <ctime>

#include "shell/editor/find_dialog.h"
#include "shell/editor/script_editor.h"
#include "shell/editor/script_lexer.h"
#include "shell/view/drawing_view.h"
#include "test_session.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

using Session = WindowSession;

std::unique_ptr<Session> StartWith(const std::string& script)
{
    auto s = StartSession(script, {800, 500});
    if (s) s->editor().setFocus();
    return s;
}

// Types text as keys, one a character, then lets the editor settle.
void Keys(ScriptEditor& e, const QString& text)
{
    QTest::keyClicks(&e, text);
    QCoreApplication::processEvents();
}

void Key(ScriptEditor& e, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(&e, key, modifiers);
    QCoreApplication::processEvents();
}

// A chain of procedures that doubles at each step: A<depth> draws 2^depth
// points. Deep enough, no run ends.
std::string DoublingScript(int depth)
{
    std::string script = "MaximumX = 50\nMaximumY = 50\nProcedure A0\nPoint 2, 2\nEnd\n";
    for (int i = 1; i <= depth; ++i)
        script += "Procedure A" + std::to_string(i) + "\nA" + std::to_string(i - 1) + "\nA" +
                  std::to_string(i - 1) + "\nEnd\n";
    return script + "A" + std::to_string(depth) + "\n";
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

class EditorFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void returnEndsTheLineAfterAWordTypedInFull()
    {
        auto s = StartWith("");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        e.setPlainText("");
        e.setFocus();
        // The list shows "Red" while it is typed and closes once it is whole.
        Keys(e, "DefaultColor = Re");
        QVERIFY(e.isListActive());
        Keys(e, "d");
        QVERIFY(!e.isListActive());
        Key(e, Qt::Key_Return);
        // Two suggestions remain (DashDot, DashDotDot): Return still ends
        // the line, and so it does after a word typed in another case.
        Keys(e, "Line 1, 1, 9, 9, DashDot");
        QVERIFY(e.isListActive());
        Key(e, Qt::Key_Return);
        Keys(e, "BackgroundColor = white");
        Key(e, Qt::Key_Return);
        Keys(e, "Procedure P");
        Key(e, Qt::Key_Return);
        Keys(e, "End");
        Key(e, Qt::Key_Return);
        // Tab takes the chosen suggestion, Return a word not yet whole.
        Keys(e, "Circ");
        QVERIFY(e.isListActive());
        Key(e, Qt::Key_Tab);
        Keys(e, " 5, 5, 5, Dash");
        QVERIFY(e.isListActive());
        Key(e, Qt::Key_Tab);
        Keys(e, ", 1, NavyB");
        Key(e, Qt::Key_Return);
        Key(e, Qt::Key_Return);
        QCOMPARE(e.text(), QString("DefaultColor = Red\nLine 1, 1, 9, 9, DashDot\nBackgroundColor = white\n"
                                   "Procedure P\nEnd\nCircle 5, 5, 5, Dash, 1, NavyBlue\n"));
    }

    void errorMarkBelongsToItsLine()
    {
        auto s = StartWith("MaximumX = 100\n");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        const QString script = "MaximumX = 100\nMaximumY = 60\nLine 10, 10, 90, 50, Solid, 1, Red\n"
                               "Circle 50, 30, 10, Solid, 1, Blu";
        e.setPlainText(script);
        s->w().refresh();
        QCOMPARE(e.errorLine(), 4);
        QCOMPARE(e.errorNote(), QString("Colour \"Blu\" not exist."));

        // A line typed above moves the mark and its note with their line.
        e.setFocus();
        e.setCursorPosition(0, 0);
        Key(e, Qt::Key_Return);
        QCOMPARE(e.errorLine(), 5);
        QVERIFY(e.markersAtLine(4) != 0);
        QCOMPARE(e.annotation(4), QString("Colour \"Blu\" not exist."));
        Key(e, Qt::Key_Backspace);
        QCOMPARE(e.errorLine(), 4);

        // The failing line deleted as a person does it: the mark goes with
        // it and the valid line above gets neither mark nor note.
        Key(e, Qt::Key_End, Qt::ControlModifier);
        Key(e, Qt::Key_Home, Qt::ShiftModifier);
        Key(e, Qt::Key_Delete);
        Key(e, Qt::Key_Backspace);
        QCOMPARE(e.text(), QString("MaximumX = 100\nMaximumY = 60\nLine 10, 10, 90, 50, Solid, 1, Red"));
        QCOMPARE(e.errorLine(), 0);
        QVERIFY(e.errorNote().isEmpty());
        for (int line = 0; line < e.lines(); ++line) {
            QCOMPARE(e.markersAtLine(line), 0u);
            QVERIFY(e.annotation(line).isEmpty());
        }

        // A changed line loses its mark at the first key, a joined one too.
        e.setPlainText(script);
        s->w().refresh();
        QCOMPARE(e.errorLine(), 4);
        e.setCursorPosition(3, 0);
        Key(e, Qt::Key_Backspace);
        QCOMPARE(e.errorLine(), 0);
        QCOMPARE(e.markersAtLine(2), 0u);
        QVERIFY(e.annotation(2).isEmpty());
        e.setPlainText(script);
        s->w().refresh();
        e.setCursorPosition(3, 33);
        Keys(e, "e");
        QCOMPARE(e.errorLine(), 0);
        QCOMPARE(e.markersAtLine(3), 0u);
        QVERIFY(e.annotation(3).isEmpty());
    }

    void unsavedStateFollowsTheSavePoint()
    {
        auto s = StartWith("Point 1, 1\n");
        QVERIFY(s);
        MainWindow& w = s->w();
        ScriptEditor& e = s->editor();
        QVERIFY(w.saved());
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        e.setCursorPosition(0, 10);
        Keys(e, "0");
        QVERIFY(!w.saved());
        QCOMPARE(w.windowTitle(), QString("*Kresbon (demo.krs)"));
        // Undone back to the save point: nothing to ask about on closing.
        Key(e, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(w.saved());
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        Keys(e, "2");
        w.saveScript();
        QVERIFY(w.saved());
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        QCOMPARE(QString::fromStdString(s->box.read("demo.krs")), QString("Point 1, 12\r\n"));
        // Undoing past the save point is a change again; the title set by a
        // language switch keeps its mark and the script's name.
        Key(e, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!w.saved());
        w.switchLanguage(2000);
        QCOMPARE(w.windowTitle(), QString("*Kresbon (demo.krs)"));
        Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        s->dialogs.forget();
        w.close();
        QVERIFY(s->dialogs.questions().empty());
    }

    void replaceDialogIsTitledAndCounts()
    {
        auto s = StartWith("Point 1, 1, Red\nPoint 2, 2, Red\nPoint 3, 3, red\n");
        QVERIFY(s);
        FindDialog& d = *s->w().findDialog();
        s->w().showFindDialog(true);
        QCOMPARE(d.windowTitle(), QString("Replace"));
        s->w().showFindDialog(false);
        QCOMPARE(d.windowTitle(), QString("Find"));
        s->w().switchLanguage(2000);
        s->w().showFindDialog(true);
        QCOMPARE(d.windowTitle(), QString("Nahradit"));
        d.findField()->setText("Red");
        d.replaceField()->setText("Blue");
        d.matchCaseBox()->setChecked(false);
        auto* replaceAll = d.findChildren<QPushButton*>().at(3);
        replaceAll->click();
        QCOMPARE(d.outcome(), QString("Nahrazeno výskytů: 3"));
        QCOMPARE(s->editor().text(2), QString("Point 3, 3, Blue\n"));
        replaceAll->click();
        QCOMPARE(d.outcome(), QString("Text nenalezen: Red"));
    }

    void ctrlSlashTogglesComments()
    {
        auto s = StartWith("Point 1, 1\n");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        const QString script = "Point 1, 1\n\n  Point 2, 2 % two\nPoint 3, 3\n";
        e.setPlainText(script);
        e.setFocus();
        // Lines 1 to 3 selected, the selection ending at the start of line 4.
        e.setSelection(0, 3, 3, 0);
        Key(e, Qt::Key_Slash, Qt::ControlModifier);
        QCOMPARE(e.text(), QString("%Point 1, 1\n\n%  Point 2, 2 % two\nPoint 3, 3\n"));
        e.setSelection(0, 0, 2, 2);
        Key(e, Qt::Key_Slash, Qt::ControlModifier);
        QCOMPARE(e.text(), script);
        // One line with the caret in it; a mixed selection is commented.
        e.setCursorPosition(3, 4);
        Key(e, Qt::Key_Slash, Qt::ControlModifier);
        QCOMPARE(e.text(3), QString("%Point 3, 3\n"));
        e.selectAll();
        Key(e, Qt::Key_Slash, Qt::ControlModifier);
        QCOMPARE(e.text(), QString("%Point 1, 1\n\n%  Point 2, 2 % two\n%%Point 3, 3\n"));
        // Each toggle is one undo step.
        Key(e, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.text(), QString("Point 1, 1\n\n  Point 2, 2 % two\n%Point 3, 3\n"));
        Key(e, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.text(), script);
    }

    void procedureCallsRecolourWhenDeclared()
    {
        auto s = StartWith("");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        e.setPlainText("Hole 1, 2\nPoint 1, 1\n");
        e.viewport()->repaint();
        auto styleAt = [&e](int line, int index) {
            return static_cast<int>(e.SendScintilla(QsciScintilla::SCI_GETSTYLEAT, e.positionFromLineIndex(line, index)));
        };
        QCOMPARE(styleAt(0, 1), static_cast<int>(ScriptStyle::Default));
        e.setCursorPosition(2, 0);
        Keys(e, "Procedure Hole #x, #y");
        QTRY_COMPARE(styleAt(0, 1), static_cast<int>(ScriptStyle::ProcedureName));
        QCOMPARE(e.procedures().size(), std::size_t(1));
        e.setCursorPosition(2, 0);
        Keys(e, "%");
        QTRY_VERIFY(e.procedures().empty());
        QTRY_COMPARE(styleAt(0, 1), static_cast<int>(ScriptStyle::Default));
    }

    void keysInAVeryLongScriptCostWhatTheyDoInAShortOne()
    {
        auto s = StartWith("");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        QString script;
        for (int i = 0; i < 300000; ++i) script += QStringLiteral("Line %1, 1, 20, 30, DashDot, 1, NavyBlue\n").arg(i);
        e.setPlainText(script);
        e.setFocus();
        e.setCursorPosition(250000, 6);
        e.ensureLineVisible(250000);
        e.viewport()->repaint();
        // Processor time of this thread: other work on the machine does not
        // count. Before, each key and each repaint counted the characters
        // up to the caret (tens of milliseconds here).
        std::vector<double> costs;
        for (int i = 0; i < 21; ++i) {
            const double start = ThreadCpuMs();
            QTest::keyClick(&e, i % 2 == 0 ? Qt::Key_A : Qt::Key_Backspace);
            QCoreApplication::processEvents();
            e.viewport()->repaint();
            costs.push_back(ThreadCpuMs() - start);
        }
        std::sort(costs.begin(), costs.end());
        QVERIFY2(costs[10] < 15, qPrintable(QString::number(costs[10]) + " ms"));
        QCOMPARE(e.text(250000), QString("Line 2a50000, 1, 20, 30, DashDot, 1, NavyBlue\n"));
        // An input method is told about the caret's line only.
        const QWidget& widget = e;
        QCOMPARE(widget.inputMethodQuery(Qt::ImSurroundingText).toString(),
                 QString("Line 2a50000, 1, 20, 30, DashDot, 1, NavyBlue"));
        QCOMPARE(widget.inputMethodQuery(Qt::ImCursorPosition).toInt(), 7);
    }

    void escStopsARunMadeWhileTyping()
    {
        auto s = StartWith("MaximumX = 50\nMaximumY = 50\n");
        QVERIFY(s);
        s->w().setLiveRefresh(true);
        ScriptEditor& e = s->editor();
        e.setFocus();
        QTRY_VERIFY(e.hasFocus());
        e.setPlainText(QString::fromStdString(DoublingScript(40)));
        QTRY_VERIFY_WITH_TIMEOUT(s->w().stopButton()->isVisible(), 5000);
        // As the window system delivers it: to the editor, which has the focus.
        QTest::keyClick(s->w().windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!s->w().runInProgress(), 2000);
        QVERIFY(s->w().runStatusLabel()->text().startsWith("Stopped at line "));
        // Without a run, Esc still closes the completion list.
        s->w().setLiveRefresh(false);
        e.setPlainText("");
        Keys(e, "DefaultColor = Re");
        QVERIFY(e.isListActive());
        QTest::keyClick(s->w().windowHandle(), Qt::Key_Escape);
        QVERIFY(!e.isListActive());
    }

    void keysTypedDuringARunAreKept()
    {
        auto s = StartWith("Point 1, 1\n");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        // A run of a second or more that ends in an error.
        e.setPlainText(QString::fromStdString(DoublingScript(21)) + "Foo\n");
        const int fooLine = e.lines() - 1;  // from 1
        e.setFocus();
        QTRY_VERIFY(e.hasFocus());
        e.setCursorPosition(0, 13);
        s->dialogs.forget();
        bool typedWhileRunning = false;
        QTimer::singleShot(300, &s->w(), [&] {
            typedWhileRunning = s->w().runInProgress();
            QTest::keyClicks(&e, " % typed");
            QTest::keyClick(&e, Qt::Key_F, Qt::ControlModifier);
        });
        s->w().refresh();
        QVERIFY2(typedWhileRunning, "the run ended before the keys came");
        QCOMPARE(e.text(0), QString("MaximumX = 50 % typed\n"));
        // The result is out of date: no box takes the next keys and the
        // caret stays; the error is marked and in the status line.
        QVERIFY(s->dialogs.asked.empty());
        int line = 0;
        int index = 0;
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 0);
        QCOMPARE(index, 21);
        QCOMPARE(e.errorLine(), fooLine);
        QVERIFY(s->w().runStatusLabel()->text().contains("Foo"));
        // The shortcut pressed meanwhile does its work after the run.
        QTRY_VERIFY(s->w().findDialog()->isVisible());
        s->w().findDialog()->hide();

        // A line typed over during the run loses its mark.
        e.setCursorPosition(fooLine - 1, 0);
        QTimer::singleShot(300, &s->w(), [&] {
            typedWhileRunning = s->w().runInProgress();
            QTest::keyClicks(&e, "Bar");
        });
        s->w().refresh();
        QVERIFY(typedWhileRunning);
        QCOMPARE(e.text(fooLine - 1), QString("BarFoo\n"));
        QCOMPARE(e.errorLine(), 0);
        QVERIFY(s->dialogs.asked.empty());
    }

    void runStatusHasAFieldBesideThePointerReadout()
    {
        auto s = StartWith("MaximumX = 100\nMaximumY = 60\nLine 10, 10, 90, 50, Solid, 1, Red\n");
        QVERIFY(s);
        QLabel* readout = s->w().form().L_SOURADNICE;
        QLabel* status = s->w().runStatusLabel();
        DrawingView* view = s->w().form().IMAGE_VYKRES;
        view->setZoom(1);
        QTest::mouseMove(view, QPoint(53, 41));
        QTRY_VERIFY(!readout->text().isEmpty());
        const QString position = readout->text();
        QVERIFY2(QRegularExpression(R"(^\(x=[0-9.]+, y=[0-9.]+\)$)").match(position).hasMatch(), qPrintable(position));
        const int width = s->w().width();
        // An error far longer than the pane is wide.
        s->editor().setPlainText("MaximumX = 100\nMaximumY = 60\nCircle 50, 30, 10, Solid, 1, " + QString(300, 'B') +
                                 "\n");
        s->dialogs.forget();
        s->w().refresh();
        QCoreApplication::processEvents();
        QVERIFY(status->text().startsWith("Colour \"BBB"));
        QCOMPARE(readout->text(), position);
        QCOMPARE(s->w().width(), width);
        // Two fields apart: the readout whole, the status after a gap and
        // inside the pane.
        QVERIFY(readout->width() >= readout->sizeHint().width());
        QVERIFY2(status->x() >= readout->x() + readout->width() + 4,
                 qPrintable(QString("%1 %2").arg(status->x()).arg(readout->geometry().right())));
        QVERIFY(status->x() + status->width() <= status->parentWidget()->width());
        QVERIFY(status->width() > 0);
    }

    void anErrorInAnIncludedFileNamesItsLineAndOpensIt()
    {
        auto s = StartWith("Point 1, 1\n");
        QVERIFY(s);
        // Alone, the included file fails on its first line; in the script,
        // on its second.
        s->box.write("main.krs", "MaximumX = 20\nProcedure Mark #x\nPoint #x, 1\nEnd\n@include \"inc.krs\"\n");
        s->box.write("inc.krs", "Mark 1\nCircle 3, 3\n");
        s->dialogs.forget();
        s->w().openScriptFile(s->box.path("main.krs"));
        const QString where = "In file \"" + s->box.path("inc.krs") + "\", line 2";
        QCOMPARE(s->dialogs.notices().size(), size_t(1));
        const QString box = s->dialogs.notices().front().text;
        QVERIFY2(box.contains("(@include \"inc.krs\")") && box.contains(where), qPrintable(box));
        ScriptEditor& e = s->editor();
        QCOMPARE(e.errorLine(), 5);
        QVERIFY2(e.errorNote().contains(where), qPrintable(e.errorNote()));
        QVERIFY(s->w().runStatusLabel()->text().contains(where));

        // F4 opens the file at the line.
        e.setFocus();
        s->dialogs.forget();
        QTest::keyClick(s->w().windowHandle(), Qt::Key_F4);
        QCOMPARE(s->w().scriptFile(), s->box.path("inc.krs"));
        int line = 0;
        int index = 0;
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 1);

        // So does a click on the note under the marked line.
        s->w().openScriptFile(s->box.path("main.krs"));
        QCOMPARE(e.errorLine(), 5);
        const int top = static_cast<int>(
            e.SendScintilla(QsciScintilla::SCI_POINTYFROMPOSITION, 0UL, e.SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, 4)));
        const int rowHeight = static_cast<int>(e.SendScintilla(QsciScintilla::SCI_TEXTHEIGHT, 4));
        QTest::mouseClick(e.viewport(), Qt::LeftButton, {}, QPoint(80, top + rowHeight + rowHeight / 2));
        QTRY_COMPARE(s->w().scriptFile(), s->box.path("inc.krs"));
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 1);

        // An error on a line of the script itself opens nothing.
        s->w().openScriptFile(s->box.path("main.krs"));
        e.setPlainText("Foo\n");
        s->w().refresh();
        QTest::keyClick(s->w().windowHandle(), Qt::Key_F4);
        QCOMPARE(s->w().scriptFile(), s->box.path("main.krs"));
    }
};

QTEST_MAIN(EditorFaultsTest)
#include "tst_editor_faults.moc"
