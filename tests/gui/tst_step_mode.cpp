// Drawing up to the caret line and stepping through the drawing: the view
// shows exactly what a run of the script cut after the line draws, the
// stepping keys visit the drawing lines only, step into walks a procedure's
// body, and switching off (or saving) gives the whole drawing.

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "interpreter/interpreter.h"
#include "shell/editor/script_editor.h"
#include "shell/step/step_mode.h"
#include "shell/view/drawing_view.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

const std::string Script =
    "PixelsPerUnit = 1\n"                          // 1
    "MaximumX = 60\n"                              // 2
    "MaximumY = 40\n"                              // 3
    "% a frame\n"                                  // 4
    "Rectangle 2, 2, 58, 38, Solid, 1, Blue\n"     // 5
    "\n"                                           // 6
    "Procedure Bolt #x, #y\n"                      // 7
    "Line #x, #y, #x+6, #y, Solid, 1, Red\n"       // 8
    "Circle #x, #y, 3, Solid, 1, Green\n"          // 9
    "End\n"                                        // 10
    "DefaultColor = Maroon\n"                      // 11
    "Bolt 10, 10\n"                                // 12
    "% between\n"                                  // 13
    "Point 30, 30, Black\n"                        // 14
    "Bolt 40, 20\n"                                // 15
    "Line 1, 1, 1, 30\n";                          // 16

// The lines (from 0) that draw, in order.
const QList<int> DrawingLines{4, 11, 13, 14, 15};

struct Window {
    Sandbox box;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> w;
};

std::unique_ptr<Window> Start(const std::string& settings = {})
{
    auto s = std::make_unique<Window>();
    s->box.write("demo.krs", Script);
    if (!settings.empty()) s->box.writeSettings(settings);
    s->w = std::make_unique<MainWindow>(s->box.environment(), s->dialogs);
    if (!Started(*s->w)) return nullptr;
    return s;
}

bool Settled(MainWindow& w)
{
    return QTest::qWaitFor([&] { return w.stepMode().settled(); }, 10000 * SlowBuild);
}

// The view's picture of a surface.
QImage Shown(const Surface& surface)
{
    DrawingView view;
    view.showSurface(&surface);
    return view.image();
}

// What a run of the first count lines of the editor's script draws.
QImage CutAfter(MainWindow& w, int count)
{
    RunController::RunHost host([&w] { return w.runs().lastRunHost(); });
    Interpreter interpreter(host);
    ScriptLines lines;
    for (int k = 0; k < count; ++k) {
        QString text = Editor(w).text(k);
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
        lines.push_back(text.toStdString());
    }
    interpreter.RunScript(lines);
    return Shown(interpreter.canvas());
}

QImage OnView(MainWindow& w)
{
    return w.form().IMAGE_VYKRES->image();
}

int CaretLine(MainWindow& w)
{
    int line = 0;
    int index = 0;
    Editor(w).getCursorPosition(&line, &index);
    return line;
}

void Press(MainWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(&Editor(w), key, modifiers);
}

// A script whose drawing up to its last line takes a while: the whole
// drawing flooded again and again, one colour after the other.
QString Floods(int count)
{
    QString text = QStringLiteral("PixelsPerUnit = 1\nMaximumX = 2000\nMaximumY = 2000\n");
    for (int k = 0; k < count; ++k)
        text += QStringLiteral("FillArea 700, 700, Solid, %1\n").arg(k % 2 == 0 ? u"Red" : u"Blue");
    return text;
}

// Waits until no step is being made; the time it took, -1 when it never came.
qint64 StepEnded(MainWindow& w)
{
    QElapsedTimer clock;
    clock.start();
    return QTest::qWaitFor([&] { return !w.stepMode().stepping(); }, 60000) ? clock.elapsed() : -1;
}

}  // namespace

class StepModeTest : public QObject {
    Q_OBJECT
private slots:
    void theViewShowsTheDrawingAfterTheCaretLine()
    {
        auto s = Start();
        QVERIFY(s);
        MainWindow& w = *s->w;
        const QImage whole = Shown(w.interpreter().canvas());
        QVERIFY(!w.stepMode().on());
        Editor(w).setCursorPosition(11, 3);
        Press(w, Qt::Key_F9);
        QVERIFY(w.stepMode().on());
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 12));
        QVERIFY(OnView(w) != whole);
        QVERIFY(s->box.settings().find("DrawToCaret=1") != std::string::npos);

        // The caret moving on and back, each position drawn as its cut
        // (the size of the drawing is set from line 3 on).
        for (const int line : {2, 4, 9, 12, 14, 6, 15}) {
            Editor(w).setCursorPosition(line, 0);
            QVERIFY(Settled(w));
            QVERIFY2(OnView(w) == CutAfter(w, line + 1), qPrintable(QString::number(line + 1)));
        }
        // Many moves at once: only the last one counts.
        for (int line = 15; line >= 0; --line) Editor(w).setCursorPosition(line, 0);
        Editor(w).setCursorPosition(13, 0);
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 14));

        // A run of the script leaves the step on the view; saving writes the
        // whole drawing all the same.
        w.refresh();
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 14));
        s->dialogs.saveNames.push_back(s->box.path(QStringLiteral("saved.png")));
        w.saveDrawing();
        QCOMPARE(QImage(s->box.path(QStringLiteral("saved.png"))).convertToFormat(QImage::Format_RGB32), whole);
        QCOMPARE(s->dialogs.saveRequests.back().preview, whole);

        // Off: the whole drawing again, and the choice is kept.
        Press(w, Qt::Key_F9);
        QVERIFY(!w.stepMode().on());
        QCOMPARE(OnView(w), whole);
        QVERIFY(s->box.settings().find("DrawToCaret=0") != std::string::npos);
    }

    void anEditedScriptIsSteppedAsItNowStands()
    {
        auto s = Start("[MainForm]\nDrawToCaret=1\n");
        QVERIFY(s);
        MainWindow& w = *s->w;
        QVERIFY(w.stepMode().on());
        QVERIFY(w.action(QStringLiteral("MnuDrawToCaret"))->isChecked());
        Editor(w).setCursorPosition(4, 0);
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 5));
        Editor(w).insertAt(QStringLiteral("FillArea 30, 20, Cross, Red\n"), 4, 0);
        Editor(w).setCursorPosition(4, 0);
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 5));
        QVERIFY(OnView(w) != CutAfter(w, 4));
    }

    void theStepKeysVisitTheDrawingLinesOnly()
    {
        auto s = Start();
        QVERIFY(s);
        MainWindow& w = *s->w;
        Editor(w).setCursorPosition(0, 0);
        // A step turns the mode on by itself.
        QList<int> visited;
        for (int k = 0; k < DrawingLines.size(); ++k) {
            Press(w, Qt::Key_F8);
            QVERIFY(Settled(w));
            visited << CaretLine(w);
            QVERIFY2(OnView(w) == CutAfter(w, CaretLine(w) + 1), qPrintable(QString::number(CaretLine(w) + 1)));
        }
        QVERIFY(w.stepMode().on());
        QCOMPARE(visited, DrawingLines);
        // Past the last drawing line the caret stays and the status says so.
        Press(w, Qt::Key_F8);
        QVERIFY(Settled(w));
        QCOMPARE(CaretLine(w), DrawingLines.back());
        QCOMPARE(w.runStatusLabel()->text(), QStringLiteral("No drawing line follows"));

        visited.clear();
        for (int k = 1; k < DrawingLines.size(); ++k) {
            Press(w, Qt::Key_F8, Qt::ShiftModifier);
            QVERIFY(Settled(w));
            visited.prepend(CaretLine(w));
            QVERIFY2(OnView(w) == CutAfter(w, CaretLine(w) + 1), qPrintable(QString::number(CaretLine(w) + 1)));
        }
        QCOMPARE(visited, DrawingLines.mid(0, DrawingLines.size() - 1));
        QCOMPARE(w.runStatusLabel()->text(), QStringLiteral("Line 5: Rectangle; layer 1"));
        // Back before the first drawing line: nothing drawn yet.
        Press(w, Qt::Key_F8, Qt::ShiftModifier);
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 4));
        QCOMPARE(w.runStatusLabel()->text(), QStringLiteral("Nothing drawn yet: the drawing before its first drawing line"));
    }

    void stepIntoWalksTheBodyOfACall()
    {
        auto s = Start();
        QVERIFY(s);
        MainWindow& w = *s->w;
        Editor(w).setCursorPosition(10, 0);
        Press(w, Qt::Key_F9);
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 11));
        const QStringList expected{
            QStringLiteral("Line 12: Line \u2014 in Bolt (line 8), called from line 12; layer 1"),
            QStringLiteral("Line 12: Circle \u2014 in Bolt (line 9), called from line 12; layer 1"),
            QStringLiteral("Line 14: Point; layer 1")};
        const QList<int> caret{7, 8, 13};
        for (int k = 0; k < expected.size(); ++k) {
            Press(w, Qt::Key_F7);
            QVERIFY(Settled(w));
            QCOMPARE(w.runStatusLabel()->text(), expected[k]);
            QCOMPARE(CaretLine(w), caret[k]);
            if (k == 0) {
                // Half of the call: its line, not yet its circle. The caret
                // on the body line asks for no drawing of its own.
                QVERIFY(OnView(w) != CutAfter(w, 11));
                QVERIFY(OnView(w) != CutAfter(w, 12));
            } else if (k == 1) {
                QCOMPARE(OnView(w), CutAfter(w, 12));
            }
        }
        Press(w, Qt::Key_F8, Qt::ShiftModifier);
        QVERIFY(Settled(w));
        QCOMPARE(CaretLine(w), 11);
        QCOMPARE(OnView(w), CutAfter(w, 12));
    }


    void aLongStepEndsAtOnce()
    {
        auto s = Start();
        QVERIFY(s);
        MainWindow& w = *s->w;
        Editor(w).setText(Floods(200));
        const int last = Editor(w).lines() - 2;
        // A stepper built afresh with the caret on line 2 holds its run
        // there; the caret then goes to the last line.
        const auto longStep = [&] {
            if (w.stepMode().on()) Press(w, Qt::Key_F9);
            Editor(w).setCursorPosition(1, 0);
            Press(w, Qt::Key_F9);
            if (!Settled(w) || OnView(w) != CutAfter(w, 2)) return false;
            Editor(w).setCursorPosition(last, 0);
            QTest::qWait(50);
            return w.stepMode().stepping();
        };
        const auto quick = [&](qint64 took, qint64 whole) {
            return took >= 0 && took < whole / 4;
        };
        // The whole step, for scale.
        QVERIFY(longStep());
        const qint64 whole = StepEnded(w) + 50;
        QVERIFY(Settled(w));
        qint64 took = 0;

        // Back past the drawings kept, the run starts again. Stopped on its
        // way, the step back is made later on from where that run is held.
        const QImage end = OnView(w);
        Press(w, Qt::Key_F8, Qt::ShiftModifier);
        QTest::qWait(50);
        QVERIFY(w.stepMode().stepping());
        Press(w, Qt::Key_Escape);
        took = StepEnded(w);
        QVERIFY2(quick(took, whole), qPrintable(QStringLiteral("%1 of %2 ms").arg(took).arg(whole)));
        QCOMPARE(OnView(w), end);
        QCOMPARE(CaretLine(w), last);
        Press(w, Qt::Key_F8, Qt::ShiftModifier);
        QVERIFY(Settled(w));
        QCOMPARE(CaretLine(w), last - 1);
        QCOMPARE(OnView(w), CutAfter(w, last));

        // Esc: the drawing before the step stays, and the stepper steps on
        // from there.
        QVERIFY(longStep());
        Press(w, Qt::Key_Escape);
        took = StepEnded(w);
        QVERIFY2(quick(took, whole), qPrintable(QStringLiteral("%1 of %2 ms").arg(took).arg(whole)));
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 2));
        QCOMPARE(w.runStatusLabel()->text(), QStringLiteral("The step was stopped"));
        // The caret moved along its line asks for the step again.
        Editor(w).setCursorPosition(last, 4);
        QTRY_VERIFY(w.stepMode().stepping());
        Press(w, Qt::Key_Escape);
        QVERIFY(StepEnded(w) >= 0);
        QVERIFY(Settled(w));
        Press(w, Qt::Key_F8);
        QVERIFY(Settled(w));
        QCOMPARE(CaretLine(w), 3);
        QCOMPARE(OnView(w), CutAfter(w, 4));

        // Another caret line replaces the step at once.
        QVERIFY(longStep());
        Editor(w).setCursorPosition(2, 0);
        took = StepEnded(w);
        QVERIFY2(quick(took, whole), qPrintable(QStringLiteral("%1 of %2 ms").arg(took).arg(whole)));
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 3));

        // Clear: the cleared drawing, never the step that was being made.
        QVERIFY(longStep());
        w.action(QStringLiteral("MnuClear"))->trigger();
        const QImage cleared = Shown(w.interpreter().canvas());
        QCOMPARE(OnView(w), cleared);
        QVERIFY(StepEnded(w) >= 0);
        QTest::qWait(50);
        QCOMPARE(OnView(w), cleared);
        QVERIFY(w.stepMode().on());
        Editor(w).setCursorPosition(4, 0);
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 5));

        // The Stop button shows on a long step and stops it.
        QVERIFY(longStep());
        QTRY_VERIFY_WITH_TIMEOUT(w.runs().stopButton()->isVisible(), 20000);
        QVERIFY(w.runStatusLabel()->text().startsWith(QStringLiteral("Running line ")));
        w.runs().stopButton()->click();
        QVERIFY(StepEnded(w) >= 0);
        QVERIFY(!w.runs().stopButton()->isVisible());
        QCOMPARE(OnView(w), CutAfter(w, 2));
        QCOMPARE(w.runStatusLabel()->text(), QStringLiteral("The step was stopped"));

        // An edit: the step of the old text ends at once.
        QVERIFY(longStep());
        Editor(w).insertAt(QStringLiteral("% flooded\n"), 0, 0);
        took = StepEnded(w);
        QVERIFY2(quick(took, whole), qPrintable(QStringLiteral("%1 of %2 ms").arg(took).arg(whole)));
        // Built again for the caret's line once typing pauses.
        Editor(w).setCursorPosition(1, 0);
        QVERIFY(Settled(w));
        Editor(w).undo();
        QVERIFY(Settled(w));

        // Turning the mode off: the whole drawing at once.
        QVERIFY(longStep());
        Press(w, Qt::Key_F9);
        QCOMPARE(OnView(w), Shown(w.interpreter().canvas()));
        took = StepEnded(w);
        QVERIFY2(quick(took, whole), qPrintable(QStringLiteral("%1 of %2 ms").arg(took).arg(whole)));
        QVERIFY(!w.runs().stopButton()->isVisible());
    }

    void newAndOpenShowNoStepOfTheScriptBefore()
    {
        auto s = Start();
        QVERIFY(s);
        MainWindow& w = *s->w;
        s->box.write("other.krs", "MaximumX = 50\nMaximumY = 50\nCircle 25, 25, 20, Solid, 3, NavyBlue\n"
                                  "Line 0, 0, 50, 50, Solid, 2, Green\n");
        Editor(w).setCursorPosition(14, 0);
        Press(w, Qt::Key_F9);
        QVERIFY(Settled(w));
        const QImage before = OnView(w);

        // Open runs the new script, then draws up to the caret in it.
        s->dialogs.openNames.push_back(s->box.path(QStringLiteral("other.krs")));
        w.action(QStringLiteral("MnuOpenScr"))->trigger();
        QVERIFY(OnView(w) != before);
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, CaretLine(w) + 1));
        Editor(w).setCursorPosition(2, 0);
        QVERIFY(Settled(w));
        const QImage circle = OnView(w);
        QCOMPARE(circle, CutAfter(w, 3));

        // New: the cleared drawing, then the empty script's.
        w.action(QStringLiteral("MnuNew"))->trigger();
        QCOMPARE(OnView(w), Shown(w.interpreter().canvas()));
        QVERIFY(Settled(w));
        QCOMPARE(OnView(w), CutAfter(w, 1));
        QVERIFY(s->dialogs.unexpected == 0);
    }
};

QTEST_MAIN(StepModeTest)
#include "tst_step_mode.moc"
