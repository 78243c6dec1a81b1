// The script and the drawing bound: a click names the line that drew the
// pixel at every zoom and scroll, the caret's line is marked in the view
// only, measuring on the drawing, and the shape of a two-click action.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "interpreter/drawing_state.h"
#include "platform/texts.h"
#include "shell/bond/bond_worker.h"
#include "shell/bond/drawing_bond.h"
#include "shell/editor/script_editor.h"
#include "shell/texts/interface_text.h"
#include "shell/view/drawing_overlay.h"
#include "shell/view/drawing_view.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

// Lines from 0 as the editor counts them; the comments push the drawing
// lines below the editor's first screen.
std::string Script()
{
    std::string text = "MaximumX = 200\nMaximumY = 150\nBackgroundColor = White\n";
    for (int i = 0; i < 120; ++i) text += "% filler\n";
    text += "Rectangle 8, 12, 60, 40, Solid, 1, Red\n";     // 123
    text += "Line 100, 100, 190, 100, Solid, 1, Blue\n";    // 124
    text += "Procedure Dot #x, #y\n";                        // 125
    text += "  Circle #x, #y, 8, Solid, 1, Green\n";         // 126
    text += "End\n";                                         // 127
    text += "Dot 152, 40\n";                                 // 128
    text += "Point 32, 120, Blue\n";                         // 129
    return text;
}
constexpr int RectangleLine = 123;
constexpr int LineLine = 124;
constexpr int BodyLine = 126;
constexpr int CallLine = 128;
constexpr int PointLine = 129;
// Where each of them drew.
const QRect Rectangle(8, 12, 53, 29);
const QRect Line(100, 100, 91, 1);
const QRect Circle(144, 32, 17, 17);
// A pixel alone: a click a pixel off in any direction misses it.
const QPoint Alone(32, 120);

struct Session {
    Sandbox box;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;

    DrawingView* view() { return window->form().IMAGE_VYKRES; }
    ScriptEditor& editor() { return Editor(*window); }
    DrawingBond& bond() { return *window->drawingBond(); }
    int caretLine()
    {
        int line = 0;
        int index = 0;
        editor().getCursorPosition(&line, &index);
        return line;
    }
    // A drawn pixel inside the box whose both coordinates are multiples of
    // four, so that it is the one a screen pixel shows at a quarter's zoom.
    QPoint drawnIn(QRect box)
    {
        const Surface& drawing = window->interpreter().canvas();
        const Rgb background = drawing.pixel(0, 0);
        for (int y = box.top() / 4 * 4; y <= box.bottom(); y += 4)
            for (int x = box.left() / 4 * 4; x <= box.right(); x += 4)
                if (box.contains(x, y) && drawing.pixel(x, y) != background) return {x, y};
        return {-1, -1};
    }
    // A left click through the window, where the pixel is on screen.
    void clickPixel(QPoint pixel, Qt::KeyboardModifiers keys = {})
    {
        const double z = view()->zoom();
        const QPoint at(static_cast<int>((pixel.x() + 0.5) * z), static_cast<int>((pixel.y() + 0.5) * z));
        window->form().ScrollBox_VYKRES->ensureVisible(at.x(), at.y(), 40, 40);
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, keys, view()->mapTo(window.get(), at));
    }
    QPoint at(QPoint pixel)
    {
        const double z = view()->zoom();
        return {static_cast<int>((pixel.x() + 0.5) * z), static_cast<int>((pixel.y() + 0.5) * z)};
    }
    QString ask(QPoint pixel)
    {
        QSignalSpy answered(&bond(), &DrawingBond::answered);
        clickPixel(pixel);
        if (answered.isEmpty() && !answered.wait(5000)) return QStringLiteral("(no answer)");
        return answered.takeFirst().at(0).toString();
    }
};

std::unique_ptr<Session> StartWith(const std::string& script, const std::string& settings = {})
{
    auto s = std::make_unique<Session>();
    s->box.write("demo.krs", script);
    if (!settings.empty()) s->box.writeSettings(settings);
    s->window = std::make_unique<MainWindow>(s->box.environment(), s->dialogs);
    s->window->resize(900, 600);
    if (!Started(*s->window)) return nullptr;
    return s;
}

QString Text(TextId id)
{
    return UiText(EnglishBase, id);
}

bool WaitForMark(Session& s, int line)
{
    return QTest::qWaitFor([&] { return s.bond().markedLine() == line; }, 5000);
}

}  // namespace

class BondTest : public QObject {
    Q_OBJECT
private slots:
    void aClickNamesTheLineAtEveryZoomAndScroll()
    {
        auto s = StartWith(Script());
        QVERIFY(s);
        const QPoint red = s->drawnIn(Rectangle);
        const QPoint blue = s->drawnIn(Line);
        const QPoint green = s->drawnIn(Circle);
        QVERIFY(red.x() >= 0 && blue.x() >= 0 && green.x() >= 0);
        for (double zoom : {1.0, 3.0, 16.0, 0.25}) {
            s->window->setDrawingZoom(zoom);
            QCOMPARE(s->view()->zoom(), zoom);
            const QString rectangle = s->ask(red);
            QVERIFY2(rectangle.startsWith(QStringLiteral("Line %1: Rectangle").arg(RectangleLine + 1)),
                     qPrintable(rectangle));
            QCOMPARE(s->caretLine(), RectangleLine);
            QCOMPARE(s->window->runStatusLabel()->text(), rectangle);
            QVERIFY(s->ask(blue).startsWith(QStringLiteral("Line %1: Line").arg(LineLine + 1)));
            QCOMPARE(s->caretLine(), LineLine);
            // A body line: the caret goes to it, the status names the call.
            const QString circle = s->ask(green);
            QVERIFY2(circle.contains(QStringLiteral("Dot (line %1)").arg(BodyLine + 1)), qPrintable(circle));
            QVERIFY(circle.contains(QStringLiteral("called from line %1").arg(CallLine + 1)));
            QCOMPARE(s->caretLine(), BodyLine);
            QVERIFY(s->ask({4, 140}).startsWith(Text(TextId::InkBackground)));
            QCOMPARE(s->caretLine(), BodyLine);
            const QString alone = s->ask(Alone);
            QVERIFY2(alone.startsWith(QStringLiteral("Line %1: Point").arg(PointLine + 1)), qPrintable(alone));
        }
        // The line answered is shown away from the editor's edges.
        s->ask(red);
        ScriptEditor& e = s->editor();
        const long first = e.SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE);
        const long onScreen = e.SendScintilla(QsciScintilla::SCI_LINESONSCREEN);
        QVERIFY(onScreen > 4);
        QVERIFY2(RectangleLine - first >= 2 && first + onScreen - 1 - RectangleLine >= 2,
                 qPrintable(QStringLiteral("first %1, lines %2").arg(first).arg(onScreen)));
    }

    void anEditedScriptGetsTheNoteOrTheLineItNowHas()
    {
        auto s = StartWith(Script());
        QVERIFY(s);
        const QPoint red = s->drawnIn(Rectangle);
        ScriptEditor& e = s->editor();
        // A comment added above: the drawing is the same, the line is not.
        e.insertAt(QStringLiteral("% new first line\n"), 0, 0);
        const QString moved = s->ask(red);
        QVERIFY2(moved.startsWith(QStringLiteral("Line %1: Rectangle").arg(RectangleLine + 2)), qPrintable(moved));
        QCOMPARE(s->caretLine(), RectangleLine + 1);
        // The rectangle moved in the text only: never a wrong line.
        e.setCursorPosition(0, 0);
        e.setSelection(RectangleLine + 1, 0, RectangleLine + 1, 14);
        e.replaceSelectedText(QStringLiteral("Rectangle 9, 9"));
        QCOMPARE(s->ask(red), Text(TextId::InkOutOfDate));
        QCOMPARE(s->caretLine(), RectangleLine + 1);
        // The mark of a line waits for the drawing of the text.
        s->bond().showLineInk(LineLine + 1);
        QTest::qWait(100);
        QCOMPARE(s->bond().markedLine(), -1);
        QVERIFY(s->view()->overlay()->ink().empty());
    }

    void afterAnEditTheMarkReturnsOnceTheDrawingIsKnownAgain()
    {
        auto s = StartWith(Script());
        QVERIFY(s);
        const QPoint red = s->drawnIn(Rectangle);
        ScriptEditor& e = s->editor();
        // Asked by a click: the answer in the status line gives way to the
        // note below.
        QVERIFY(s->ask(red).startsWith(QStringLiteral("Line %1: Rectangle").arg(RectangleLine + 1)));
        QVERIFY(WaitForMark(*s, RectangleLine));
        // Without refresh while typing: a comment added above draws the
        // same, and once typing pauses the mark is at the line's new place.
        e.insertAt(QStringLiteral("% new first line\n"), 0, 0);
        e.setCursorPosition(RectangleLine + 1, 0);
        QCOMPARE(s->bond().markedLine(), -1);
        QVERIFY(WaitForMark(*s, RectangleLine + 1));
        QVERIFY(s->view()->overlay()->ink().contains(red.x(), red.y()));
        // An edit that changes the drawing: no mark, and a note.
        e.setSelection(RectangleLine + 1, 0, RectangleLine + 1, 14);
        e.replaceSelectedText(QStringLiteral("Rectangle 9, 9"));
        e.setCursorPosition(RectangleLine + 1, 0);
        QTRY_COMPARE_WITH_TIMEOUT(s->window->runStatusLabel()->text(), Text(TextId::InkOutOfDate), 5000);
        QCOMPARE(s->bond().markedLine(), -1);
        QVERIFY(s->view()->overlay()->ink().empty());
        // With refresh while typing the mark comes with the refresh's drawing.
        s->window->setLiveRefresh(true);
        e.insertAt(QStringLiteral("% another\n"), 0, 0);
        e.setCursorPosition(RectangleLine + 2, 0);
        QVERIFY(WaitForMark(*s, RectangleLine + 2));
        // The rectangle now runs from (9, 92) to (60, 40).
        QVERIFY(s->view()->overlay()->ink().contains(9, 60));
    }

    void theBondRunsOneQuestionAtATimeAQuestionBeforeAMark()
    {
        BondWorker worker;
        std::mutex mutex;
        std::vector<QString> order;
        std::atomic<int> going{0};
        std::atomic<int> most{0};
        const auto note = [&](const QString& what) {
            most = std::max(most.load(), ++going);
            std::lock_guard lock(mutex);
            order.push_back(what);
            --going;
        };
        const auto done = [&](std::size_t n) {
            std::lock_guard lock(mutex);
            return order.size() >= n;
        };
        // A mark that goes on until it is cancelled, the first time.
        std::atomic<int> markRuns{0};
        std::atomic<bool> markGoing{false};
        worker.post(BondWorker::Kind::Mark, [&](RunControl& control) {
            if (++markRuns == 1) {
                markGoing = true;
                while (!control.cancel) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            note(control.cancel ? QStringLiteral("mark cancelled") : QStringLiteral("mark"));
        });
        QTRY_VERIFY(markGoing.load());
        worker.post(BondWorker::Kind::Question, [&](RunControl&) { note(QStringLiteral("question")); });
        QTRY_VERIFY(done(3));
        QCOMPARE(order, (std::vector<QString>{"mark cancelled", "question", "mark"}));
        QCOMPARE(most.load(), 1);

        // A newer mark (the caret moved on) cancels the one going, which is
        // not run again.
        markGoing = false;
        worker.post(BondWorker::Kind::Mark, [&](RunControl& control) {
            markGoing = true;
            while (!control.cancel) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            note(QStringLiteral("old mark cancelled"));
        });
        QTRY_VERIFY(markGoing.load());
        worker.post(BondWorker::Kind::Mark, [&](RunControl&) { note(QStringLiteral("new mark")); });
        QTRY_VERIFY(done(5));
        QTest::qWait(50);
        QCOMPARE(order, (std::vector<QString>{"mark cancelled", "question", "mark", "old mark cancelled", "new mark"}));

        // A drawing handed to the window holds the next run back.
        std::shared_ptr<const Surface> held;
        std::atomic<bool> kept{false};
        std::atomic<bool> next{false};
        worker.post(BondWorker::Kind::Question, [&](RunControl&) {
            Surface drawn(8, 8, 4);
            std::lock_guard lock(mutex);
            held = worker.keep(drawn);
            kept = true;
        });
        worker.post(BondWorker::Kind::Mark, [&](RunControl&) { next = true; });
        QTRY_VERIFY(kept.load());
        QTest::qWait(100);
        QVERIFY(!next.load());
        {
            std::lock_guard lock(mutex);
            QCOMPARE(held->width(), 8);
            held.reset();
        }
        QTRY_VERIFY(next.load());
    }

    void hiddenLayersAndARunStoppedOnAnErrorCountWhatIsShown()
    {
        std::string script = "MaximumX = 100\nMaximumY = 80\nBackgroundColor = White\n";
        script += "Rectangle 10, 10, 50, 50, Solid, 1, Red\n";      // 3
        script += "Layer = 2\n";
        script += "Rectangle 10, 10, 50, 50, Solid, 1, Blue\n";     // 5
        script += "Layer = 1\n";
        script += "Line 0, 70, 90, 70, Solid, 1, Green\n";           // 7
        script += "Circle 3, 3\n";                                   // 8: an error
        auto s = StartWith(script, "[Layers]\nLayer2=0\n");
        QVERIFY(s);
        QVERIFY(!s->window->layerShown(2));
        QVERIFY(s->ask({10, 30}).startsWith(QStringLiteral("Line 4: Rectangle")));
        QVERIFY(s->ask({20, 70}).startsWith(QStringLiteral("Line 8: Line")));
        // A layer ticked again without a new run: the drawing shown counts.
        s->window->layerBox(2)->blockSignals(true);
        s->window->layerBox(2)->setChecked(true);
        s->window->layerBox(2)->blockSignals(false);
        QVERIFY(s->ask({10, 30}).startsWith(QStringLiteral("Line 4: Rectangle")));
    }

    void theMarkFollowsTheCaretInTheViewOnly()
    {
        auto s = StartWith(Script());
        QVERIFY(s);
        QVERIFY(s->bond().showLineInkOn());
        const QPoint red = s->drawnIn(Rectangle);
        const QPoint green = s->drawnIn(Circle);
        const QImage before = s->view()->image();
        ScriptEditor& e = s->editor();
        e.setCursorPosition(RectangleLine, 3);
        QVERIFY(WaitForMark(*s, RectangleLine));
        const InkMask& ink = s->view()->overlay()->ink();
        QVERIFY(ink.contains(red.x(), red.y()));
        QVERIFY(!ink.contains(green.x(), green.y()));
        // The halo shows on screen beside the mark, and nowhere in the drawing.
        s->window->setDrawingZoom(4);
        s->window->form().ScrollBox_VYKRES->ensureVisible(0, 0);
        const QImage shown = s->view()->grab(QRect(0, 0, 70 * 4, 50 * 4)).toImage();
        const QRgb halo = DrawingOverlay::HaloColour(qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(30 * 4, 12 * 4 - 1) & 0xFFFFFF, halo & 0xFFFFFF);
        QCOMPARE(shown.pixel(30 * 4, 12 * 4 - 4) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(s->view()->image(), before);

        // A call marks what its procedure drew; a comment marks nothing.
        e.setCursorPosition(CallLine, 0);
        QVERIFY(WaitForMark(*s, CallLine));
        QVERIFY(s->view()->overlay()->ink().contains(green.x(), green.y()));
        e.setCursorPosition(5, 0);
        QVERIFY(WaitForMark(*s, -1));
        QVERIFY(s->view()->overlay()->ink().empty());

        // Turned off, the caret marks nothing; the choice is kept.
        e.setCursorPosition(LineLine, 0);
        QVERIFY(WaitForMark(*s, LineLine));
        s->window->action(QStringLiteral("MnuShowLineInk"))->trigger();
        QVERIFY(WaitForMark(*s, -1));
        e.setCursorPosition(RectangleLine, 0);
        QTest::qWait(100);
        QCOMPARE(s->bond().markedLine(), -1);
        QVERIFY(s->box.settings().find("ShowLineInk=0") != std::string::npos);

        // Started with the mark turned off, the caret marks nothing.
        auto off = StartWith(Script(), "[MainForm]\nShowLineInk=0\n");
        QVERIFY(off);
        QVERIFY(!off->bond().showLineInkOn());
        off->editor().setCursorPosition(RectangleLine, 0);
        QTest::qWait(100);
        QCOMPARE(off->bond().markedLine(), -1);
    }

    void measuringGivesTheFiguresInTheScriptsUnits()
    {
        const std::string script =
                "PixelsPerUnit = 2\nMaximumX = 100\nMaximumY = 80\nShiftX = 3\nShiftY = 1.2\n"
                "Line 1, 1, 5, 5, Solid, 1, Red\n";
        auto s = StartWith(script);
        QVERIFY(s);
        s->window->setDrawingZoom(3);
        // Shift and drag from pixel (10, 20) to (40, 60): 30 across, 40 down.
        QWidget* view = s->view();
        QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, s->at({10, 20}));
        QTest::mouseMove(view, s->at({25, 33}));
        QTest::mouseMove(view, s->at({40, 60}));
        QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, s->at({40, 60}));
        const QString text = s->bond().measurement();
        // The shift is 6 and 2 pixels: the ends as the script writes them.
        QCOMPARE(text, QStringLiteral("Distance 25 (50 px), \u0394x 15, \u0394y 20, angle 306.87\u00b0; "
                                      "from (2, 9) to (17, 29)"));
        QCOMPARE(s->window->runStatusLabel()->text(), text);
        QVERIFY(s->view()->overlay()->measuring());
        // No question was asked by the drag.
        QVERIFY(s->bond().answer().isEmpty());

        // The popup's Measure: two clicks; Esc takes the line away.
        s->window->drawingPopup()->findChild<QAction*>(QStringLiteral("PopMeasure"))->trigger();
        QVERIFY(!s->view()->overlay()->measuring());
        QTest::mouseClick(view, Qt::LeftButton, {}, s->at({50, 10}));
        QTest::mouseMove(view, s->at({50, 30}));
        QTest::mouseClick(view, Qt::LeftButton, {}, s->at({50, 40}));
        QVERIFY2(s->bond().measurement().startsWith(QStringLiteral("Distance 15 (30 px), \u0394x 0, \u0394y 15, angle 270.00")),
                 qPrintable(s->bond().measurement()));
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!s->view()->overlay()->measuring());

        s->window->switchLanguage(CzechBase);
        QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, s->at({10, 10}));
        QTest::mouseMove(view, s->at({13, 6}));
        QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, s->at({13, 6}));
        QVERIFY2(s->bond().measurement().startsWith(QStringLiteral("Vzdálenost 2.5 (5 px), \u0394x 1.5, \u0394y -2, úhel 53.13")),
                 qPrintable(s->bond().measurement()));
    }

    void aTwoClickActionShowsItsShapeUntilEsc()
    {
        auto s = StartWith("MaximumX = 100\nMaximumY = 80\n");
        QVERIFY(s);
        QWidget* view = s->view();
        DrawingOverlay* overlay = s->view()->overlay();
        const QString before = s->editor().text();
        s->window->drawingPopup()->findChild<QAction*>(QStringLiteral("PopRectangle"))->trigger();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(view, QPoint(50, 30));
        QTRY_COMPARE(overlay->rubberBand(), RubberShape::Rectangle);
        // Drawn over the drawing, not into it.
        QCOMPARE(s->view()->image().pixel(30, 10) & 0xFFFFFF, 0xFFFFFFu);
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(overlay->rubberBand(), RubberShape::None);
        QVERIFY(!s->window->clickTool().Armed());
        QCOMPARE(s->editor().text(), before);

        // The second click ends the shape with the command.
        s->window->drawingPopup()->findChild<QAction*>(QStringLiteral("PopCircle"))->trigger();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, 40));
        QTest::mouseMove(view, QPoint(50, 40));
        QTRY_COMPARE(overlay->rubberBand(), RubberShape::Circle);
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(50, 40));
        QTRY_COMPARE(overlay->rubberBand(), RubberShape::None);
        QVERIFY(s->editor().text().contains(QStringLiteral("Circle 40, 40, 10")));
    }
};

QTEST_MAIN(BondTest)
#include "tst_bond.moc"
