// The editing loop: colours and completion from the word table, the error
// mark after each run, refresh while typing, the zoomed drawing's pixel
// mapping, and stopping a long run.

#include <QAction>
#include <QApplication>
#include <QWheelEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QElapsedTimer>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include "platform/texts.h"
#include "shell/view/drawing_view.h"
#include "shell/editor/find_dialog.h"
#include "shell/help/help_window.h"
#include "shell/editor/script_completion.h"
#include "shell/editor/script_editor.h"
#include "shell/editor/script_lexer.h"
#include "test_session.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

struct Session : WindowSession {
    DrawingView* image() { return window->form().IMAGE_VYKRES; }
    QScrollArea* scrollBox() { return window->form().ScrollBox_VYKRES; }
    QString readout() { return window->form().L_SOURADNICE->text(); }
};

std::unique_ptr<Session> StartWith(const std::string& script, const std::string& settings = {})
{
    return StartSession<Session>(script, {800, 500}, settings);
}

// The style of each styled span, by its text.
QMap<QString, ScriptStyle> Styles(const std::string& line, const ProcedureNames& procedures = {})
{
    QMap<QString, ScriptStyle> styles;
    for (const StyledSpan& span : StyleScriptLine(line, procedures))
        styles.insert(QString::fromUtf8(line.substr(static_cast<std::size_t>(span.start),
                                                    static_cast<std::size_t>(span.length))),
                      span.style);
    return styles;
}

// Calls in a chain of procedures that doubles at each step: far more than
// any run finishes.
std::string EndlessScript()
{
    std::string script = "MaximumX = 50\nMaximumY = 50\nPoint 1, 1, Red\nProcedure A0\nPoint 2, 2\nEnd\n";
    for (int i = 1; i <= 40; ++i)
        script += "Procedure A" + std::to_string(i) + "\nA" + std::to_string(i - 1) + "\nA" +
                  std::to_string(i - 1) + "\nEnd\n";
    return script + "A40\n";
}

}  // namespace

class EditingTest : public QObject {
    Q_OBJECT
private slots:
    void lexerClassesEveryKindOfToken()
    {
        auto styles = Styles("Line 0, 1.5, #x, y, DashDot, 2, NavyBlue % a \"comment\"");
        QCOMPARE(styles.value("Line"), ScriptStyle::Command);
        QCOMPARE(styles.value("0"), ScriptStyle::Number);
        QCOMPARE(styles.value("1.5"), ScriptStyle::Number);
        QCOMPARE(styles.value("#x"), ScriptStyle::Parameter);
        QCOMPARE(styles.value("DashDot"), ScriptStyle::Vocabulary);
        QCOMPARE(styles.value("NavyBlue"), ScriptStyle::Vocabulary);
        QCOMPARE(styles.value("% a \"comment\""), ScriptStyle::Comment);
        QVERIFY(!styles.contains("y"));

        styles = Styles("  text 1, 2, \"Line % not a comment\", 0,0,0,0, DefaultFontName");
        QCOMPARE(styles.value("text"), ScriptStyle::Command);
        QCOMPARE(styles.value("\"Line % not a comment\""), ScriptStyle::QuotedText);
        QCOMPARE(styles.value("DefaultFontName"), ScriptStyle::Global);

        styles = Styles("BackgroundColor = Yellow");
        QCOMPARE(styles.value("BackgroundColor"), ScriptStyle::Global);
        QCOMPARE(styles.value("Yellow"), ScriptStyle::Vocabulary);

        styles = Styles("@include \"parts.krs\"");
        QCOMPARE(styles.value("@include"), ScriptStyle::Include);
        QCOMPARE(styles.value("\"parts.krs\""), ScriptStyle::QuotedText);

        styles = Styles("Procedure Hole #x, #y");
        QCOMPARE(styles.value("Procedure"), ScriptStyle::Keyword);
        QCOMPARE(styles.value("Hole"), ScriptStyle::ProcedureName);
        QCOMPARE(Styles("END").value("END"), ScriptStyle::Keyword);

        // A call is coloured once the script declares the procedure, in any case.
        QVERIFY(!Styles("Hole 1, 2").contains("Hole"));
        QCOMPARE(Styles("hole 1, 2", {"hole"}).value("hole"), ScriptStyle::ProcedureName);
        // Command words are commands only at the start of a line.
        QVERIFY(!Styles("Hole Line, 2", {"hole"}).contains("Line"));
        // An unclosed quote runs to the end of the line; a word with digits is no number.
        QCOMPARE(Styles("Text 1, 2, \"open").value("\"open"), ScriptStyle::QuotedText);
        QVERIFY(!Styles("x1 = 3").contains("1"));
        QCOMPARE(Styles("Točka 1", {"točka"}).value("Točka"), ScriptStyle::ProcedureName);
    }

    void completionOffersTheWordsOfThePlace()
    {
        const QStringList procedures{"Hole", "Label"};
        const QStringList fonts{"DejaVu Sans", "Liberation Serif"};
        Completion c = CompletionAt("  Ci", procedures, fonts);
        QCOMPARE(c.prefix, QString("Ci"));
        QCOMPARE(c.words, QStringList({"Circle", "CirclePart"}));
        c = CompletionAt("ho", procedures, fonts);
        QCOMPARE(c.words, QStringList({"Hole"}));
        c = CompletionAt("Line 0, 0, 1, 1, Da", procedures, fonts);
        QCOMPARE(c.words, QStringList({"Dash", "DashDot", "DashDotDot"}));
        c = CompletionAt("Line 0, 0, 1, 1, Solid, 1, ", procedures, fonts);
        QVERIFY(c.words.contains("NavyBlue"));
        QVERIFY(c.words.contains("DefaultColor"));
        QVERIFY(!c.words.contains("Dash"));
        c = CompletionAt("FillArea 1, 1, ", procedures, fonts);
        QVERIFY(c.words.contains("DiagCross"));
        QVERIFY(!c.words.contains("Dash"));
        c = CompletionAt("DimLine 0, 0, ", procedures, fonts);
        QCOMPARE(c.words, QStringList({"Inner", "None", "Outer"}));
        c = CompletionAt("Text 1, 1, \"a, b\", 0, 0, 0, 0, \"Lib", procedures, fonts);
        QCOMPARE(c.words, QStringList({"Liberation Serif"}));
        c = CompletionAt("Text 1, 1, \"a\", 0, 0, 0, 0, \"DejaVu S", procedures, fonts);
        QCOMPARE(c.prefix, QString("DejaVu S"));
        QCOMPARE(c.words, QStringList({"DejaVu Sans"}));
        c = CompletionAt("BackgroundColor = Ye", procedures, fonts);
        QCOMPARE(c.words, QStringList({"Yellow"}));
        // Nothing inside a comment or after the last parameter.
        QVERIFY(CompletionAt("Point 1, 2 % Re", procedures, fonts).words.isEmpty());
        QVERIFY(CompletionAt("Point 1, 2, Red, Re", procedures, fonts).words.isEmpty());
    }

    void callTipNamesTheParameterAtTheCaret()
    {
        auto tip = CallTipAt("Line 0, 0, ", EnglishBase);
        QVERIFY(tip);
        QCOMPARE(tip->text, QString("Line x1, y1, x2, y2, line type, thickness, colour"));
        QCOMPARE(tip->text.mid(tip->highlightStart, tip->highlightEnd - tip->highlightStart), QString("x2"));
        tip = CallTipAt("Line 0, 0, 5, 5, \"a,b\", ", EnglishBase);
        QCOMPARE(tip->text.mid(tip->highlightStart, tip->highlightEnd - tip->highlightStart), QString("thickness"));
        tip = CallTipAt("circle ", CzechBase);
        QCOMPARE(tip->text, QString::fromUtf8("Circle x, y, r, typ čáry, tloušťka, barva"));
        tip = CallTipAt("PixelsPerUnit = ", EnglishBase);
        QCOMPARE(tip->text, QString("PixelsPerUnit = value"));
        QVERIFY(!CallTipAt("Line", EnglishBase));
        QVERIFY(!CallTipAt("Hole 1, ", EnglishBase));
        // A procedure's tip is its declaration; a name declared again keeps
        // the first declaration, and a comment is no parameter.
        const auto procedures = DeclaredProcedures(
            "Procedure Hole #x, #y,#r % centre and radius\n  procedure  Mark\nPROCEDURE hole #a\n"
            "Procedure Label#x , #words\nProcedure\n");
        QCOMPARE(procedures.size(), std::size_t{3});
        QCOMPARE(procedures[1].name, QString("Mark"));
        QVERIFY(procedures[1].parameters.isEmpty());
        tip = CallTipAt("  hole 1, ", EnglishBase, procedures);
        QVERIFY(tip);
        QCOMPARE(tip->text, QString("Hole #x, #y, #r"));
        QCOMPARE(tip->text.mid(tip->highlightStart, tip->highlightEnd - tip->highlightStart), QString("#y"));
        tip = CallTipAt("Label ", EnglishBase, procedures);
        QCOMPARE(tip->text, QString("Label #x, #words"));
        QCOMPARE(tip->text.mid(tip->highlightStart, tip->highlightEnd - tip->highlightStart), QString("#x"));
        QVERIFY(!CallTipAt("Mark ", EnglishBase, procedures));
        QVERIFY(!CallTipAt("Hole 1, 2 % ", EnglishBase, procedures));
        QCOMPARE(HelpPageOfWord("dimline"), QString("dimline.html"));
        QCOMPARE(HelpPageOfWord("Hole"), QString());
        // Solid is a line type and a fill type: its parameter decides.
        QCOMPARE(HelpPageOfWord("Solid"), QString("linetypes.html"));
        QCOMPARE(HelpPageOfWord("solid", "FillArea 1, 2, "), QString("filltypes.html"));
        QCOMPARE(HelpPageOfWord("Solid", "Rectangle 0, 0, 5, 5, "), QString("linetypes.html"));
        QCOMPARE(HelpPageOfWord("Red", "FillArea 1, 2, Solid, "), QString("colours.html"));
    }

    void errorMarkFollowsEveryRun()
    {
        auto s = StartWith("Point 1, 1\n");
        QVERIFY(s);
        s->editor().setPlainText("Point 1, 1\nPoint 2, x\nPoint 3, 3\n");
        s->dialogs.forget();
        s->w().refresh();
        QCOMPARE(s->dialogs.notices().size(), size_t(1));
        QCOMPARE(s->editor().errorLine(), 2);
        QCOMPARE(s->editor().errorNote(), QString("Parameter y is not number or missing."));
        QCOMPARE(s->w().runStatusLabel()->text(), s->editor().errorNote());
        QVERIFY(s->editor().markersAtLine(1) != 0);
        QCOMPARE(s->editor().markersAtLine(0), 0u);

        s->editor().setPlainText("Point 1, 1\nPoint 2, 2\n");
        s->w().refresh();
        QCOMPARE(s->editor().errorLine(), 0);
        QVERIFY(s->editor().errorNote().isEmpty());
        QCOMPARE(s->editor().markersAtLine(1), 0u);
        QVERIFY(s->w().runStatusLabel()->text().isEmpty());
    }

    void liveRefreshRunsOnceAfterABurstAndNeverAsks()
    {
        auto s = StartWith("MaximumX = 40\nMaximumY = 40\n");
        QVERIFY(s);
        QVERIFY(!s->w().liveRefreshOn());
        s->w().setLiveRefresh(true);
        QVERIFY(s->box.settings().find("LiveRefresh=1") != std::string::npos);
        QSignalSpy shown(&s->w(), &MainWindow::liveRunShown);
        s->editor().setFocus();
        s->editor().setCursorPosition(2, 0);
        s->dialogs.forget();
        // A burst of typing that passes through an error on its way.
        QTest::keyClicks(&s->editor(), "Point 3, 4, Re", Qt::NoModifier, 20);
        QTest::keyClick(&s->editor(), Qt::Key_Escape);  // the completion list
        QTest::keyClick(&s->editor(), Qt::Key_D);
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 3000);
        QTest::qWait(500);
        QCOMPARE(shown.count(), 1);
        QVERIFY(s->dialogs.asked.empty());
        QCOMPARE(s->w().interpreter().canvas().pixel(3, 4), Rgb(0xFF0000));
        int line = 0;
        int index = 0;
        s->editor().getCursorPosition(&line, &index);
        QCOMPARE(line, 2);
        QCOMPARE(index, 15);

        // An error goes to the mark and the status line, not to a box, and
        // the caret stays.
        QTest::keyClicks(&s->editor(), "x");
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 2, 3000);
        QVERIFY(s->dialogs.asked.empty());
        QCOMPARE(s->editor().errorLine(), 3);
        QVERIFY(!s->w().runStatusLabel()->text().isEmpty());
        s->editor().getCursorPosition(&line, &index);
        QCOMPARE(index, 16);

        // A command that runs the script stops a run made while typing
        // rather than waiting for it.
        s->editor().setPlainText(QString::fromStdString(EndlessScript()));
        QTRY_VERIFY_WITH_TIMEOUT(s->w().runInProgress(), 3000);
        QElapsedTimer clock;
        clock.start();
        const int before = shown.count();
        s->editor().setPlainText("Point 1, 1\n");
        s->w().refresh();
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(shown.count(), before);
        QVERIFY(s->w().interpreter().drawingValid());
        QVERIFY(s->w().runStatusLabel()->text().isEmpty());

        // Switched off, typing runs nothing.
        s->w().setLiveRefresh(false);
        const int shownBefore = shown.count();
        QTest::keyClick(&s->editor(), Qt::Key_Backspace);
        QTest::qWait(500);
        QCOMPARE(shown.count(), shownBefore);
    }

    void pointsLeftOfAndAboveTheDrawingMapToNegativePixels()
    {
        // The pointer readout and clicks use these: a point just outside
        // the drawing is outside it, not on its first row or column.
        DrawingView view;
        for (const double zoom : {1.0, 4.0}) {
            view.setZoom(zoom);
            QCOMPARE(view.zoom(), zoom);
            QCOMPARE(view.pixelAt(QPointF(-0.5, -0.5)), QPoint(-1, -1));
            QCOMPARE(view.pixelAt(QPointF(-zoom, -0.25)), QPoint(-1, -1));
            QCOMPARE(view.pixelAt(QPointF(-zoom - 0.5, 0)), QPoint(-2, 0));
            QCOMPARE(view.pixelAt(QPointF(zoom - 0.5, zoom)), QPoint(0, 1));
        }
    }

    void zoomKeepsEveryPixelExact()
    {
        auto s = StartWith("PixelsPerUnit = 1\nMaximumX = 300\nMaximumY = 200\n");
        QVERIFY(s);
        DrawingView* image = s->image();
        QWidget* viewport = s->scrollBox()->viewport();
        QCOMPARE(s->w().drawingZoom(), 1.0);

        const struct {
            double zoom;
            QPoint scroll;
        } cases[] = {{1, {0, 0}}, {3, {250, 130}}, {16, {2000, 1500}}, {0.25, {0, 0}}};
        int step = 0;
        for (const auto& c : cases) {
            s->w().setDrawingZoom(c.zoom);
            QCOMPARE(s->w().drawingZoom(), c.zoom);
            QCOMPARE(image->size(), QSize(int(300 * c.zoom), int(200 * c.zoom)));
            s->scrollBox()->horizontalScrollBar()->setValue(c.scroll.x());
            s->scrollBox()->verticalScrollBar()->setValue(c.scroll.y());
            const QPoint scroll(s->scrollBox()->horizontalScrollBar()->value(),
                                s->scrollBox()->verticalScrollBar()->value());
            QCOMPARE(scroll, c.scroll);
            // A new place each time, so that the pointer moves.
            ++step;
            const QPoint at(37 + step, 21 + 2 * step);
            const QPoint pixel(int(std::floor((at.x() + scroll.x()) / c.zoom)),
                               int(std::floor((at.y() + scroll.y()) / c.zoom)));
            QTest::mouseMove(viewport, at);
            QTRY_COMPARE(s->readout(), QStringLiteral("(x=%1, y=%2)").arg(pixel.x()).arg(pixel.y()));

            QAction* point = s->w().drawingPopup()->findChild<QAction*>("PopPoint");
            point->trigger();
            QTest::mouseClick(image, Qt::LeftButton, {}, image->mapFrom(viewport, at));
            const QStringList lines = s->editor().toPlainText().split('\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.last(), QStringLiteral("Point %1, %2, DefaultColor").arg(pixel.x()).arg(pixel.y()));
        }

        // Steps stop at the ends; the factor stays over a refresh and is stored.
        s->w().setDrawingZoom(32);
        s->w().findChild<QAction*>("MnuZoomIn")->trigger();
        QCOMPARE(s->w().drawingZoom(), 32.0);
        s->w().setDrawingZoom(0.125);
        s->w().findChild<QAction*>("MnuZoomOut")->trigger();
        QCOMPARE(s->w().drawingZoom(), 0.125);
        s->w().findChild<QAction*>("MnuZoomIn")->trigger();
        QCOMPARE(s->w().drawingZoom(), 0.25);
        s->w().setDrawingZoom(4.4);  // the nearest offered factor
        QCOMPARE(s->w().drawingZoom(), 4.0);
        s->w().refresh();
        QCOMPARE(s->w().drawingZoom(), 4.0);
        QCOMPARE(image->size(), QSize(1200, 800));
        QVERIFY(s->box.settings().find("Zoom=4") != std::string::npos);
        s->w().fitDrawingZoom();
        QVERIFY(image->width() <= viewport->width() && image->height() <= viewport->height());
        QVERIFY(image->width() * 2 > viewport->width() || image->height() * 2 > viewport->height());
    }

    void zoomIsReadFromTheSettings()
    {
        auto s = StartWith("MaximumX = 30\nMaximumY = 20\n", "[MainForm]\nZoom=16\n");
        QVERIFY(s);
        QCOMPARE(s->w().drawingZoom(), 16.0);
        auto t = StartWith("MaximumX = 30\nMaximumY = 20\n", "[MainForm]\nZoom=-2\n");
        QVERIFY(t);
        QCOMPARE(t->w().drawingZoom(), 1.0);
    }

    void ctrlWheelZoomsOverTheWholePane()
    {
        auto s = StartWith("MaximumX = 30\nMaximumY = 20\n");
        QVERIFY(s);
        QWidget* viewport = s->scrollBox()->viewport();
        const auto wheel = [](QWidget* target, QPoint at, Qt::KeyboardModifiers keys, int delta) {
            QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, keys,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &event);
        };
        // The grey beside the small drawing, and the drawing itself.
        const QPoint grey(viewport->width() - 5, viewport->height() - 5);
        QVERIFY(!s->image()->geometry().contains(grey));
        wheel(viewport, grey, Qt::ControlModifier, 120);
        QCOMPARE(s->w().drawingZoom(), 2.0);
        wheel(viewport, grey, Qt::ControlModifier, -120);
        QCOMPARE(s->w().drawingZoom(), 1.0);
        wheel(viewport, grey, Qt::NoModifier, 120);
        QCOMPARE(s->w().drawingZoom(), 1.0);
        wheel(s->image(), QPoint(3, 3), Qt::ControlModifier, 120);
        QCOMPARE(s->w().drawingZoom(), 2.0);
    }

    void longRunShowsProgressAndStops()
    {
        auto s = StartWith("MaximumX = 50\nMaximumY = 50\n");
        QVERIFY(s);
        s->editor().setPlainText(QString::fromStdString(EndlessScript()));
        s->dialogs.forget();
        bool stopShown = false;
        QString progress;
        bool wholeProgramBusy = true;
        bool drawingBusy = false;
        QTimer::singleShot(900, &s->w(), [&] {
            stopShown = s->w().stopButton()->isVisible();
            progress = s->w().runStatusLabel()->text();
            wholeProgramBusy = QApplication::overrideCursor() != nullptr;
            drawingBusy = s->scrollBox()->cursor().shape() == Qt::WaitCursor;
            // Through the window, as the window system delivers a click.
            QWidget* stop = s->w().stopButton();
            QTest::mouseClick(s->w().windowHandle(), Qt::LeftButton, {},
                              stop->mapTo(&s->w(), stop->rect().center()));
        });
        QElapsedTimer clock;
        clock.start();
        s->w().refresh();
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(stopShown);
        QVERIFY(progress.startsWith("Running line "));
        // The busy pointer shows over the drawing alone, the editor keeps
        // its own for typing; afterwards the drawing's pointer is back.
        QVERIFY(!wholeProgramBusy);
        QVERIFY(drawingBusy);
        QVERIFY(!s->scrollBox()->testAttribute(Qt::WA_SetCursor));
        QVERIFY(!s->w().stopButton()->isVisible());
        QCOMPARE(s->w().runStatusLabel()->text(), QString("Stopped at line 167"));
        QVERIFY(s->dialogs.asked.empty());
        QVERIFY(!s->w().interpreter().drawingValid());
        // What was drawn before the stop stays.
        QCOMPARE(s->w().interpreter().canvas().pixel(1, 1), Rgb(0xFF0000));

        // Esc stops as well; typing meanwhile reaches the editor, and a
        // shortcut waits for the run to end.
        const QString text = s->editor().toPlainText();
        s->editor().setFocus();
        QTimer::singleShot(300, &s->w(), [&] {
            QTest::keyClick(s->w().windowHandle(), Qt::Key_Z);
            QTest::keyClick(s->w().windowHandle(), Qt::Key_F, Qt::ControlModifier);
        });
        QTimer::singleShot(700, &s->w(), [&] { QTest::keyClick(s->w().windowHandle(), Qt::Key_Escape); });
        s->w().refresh();
        QCOMPARE(s->w().runStatusLabel()->text(), QString("Stopped at line 167"));
        // The status follows a language switch both ways.
        s->w().switchLanguage(CzechBase);
        QCOMPARE(s->w().runStatusLabel()->text(), QString::fromUtf8("Zastaveno na řádku 167"));
        s->w().switchLanguage(EnglishBase);
        QCOMPARE(s->w().runStatusLabel()->text(), QString("Stopped at line 167"));
        QCOMPARE(s->editor().toPlainText().size(), text.size() + 1);
        QTRY_VERIFY(s->w().findDialog()->isVisible());
        s->w().findDialog()->hide();

        // A run that is not stopped reports as before; its error stays in
        // the status over a language switch, the old stop is not brought back.
        s->editor().setPlainText("Point 1, 1\nFoo\n");
        s->w().refresh();
        QCOMPARE(s->dialogs.notices().size(), size_t(1));
        QVERIFY(s->dialogs.notices().front().text.contains("Foo"));
        s->w().switchLanguage(CzechBase);
        QVERIFY(s->w().runStatusLabel()->text().contains("Foo"));
    }

    void f1OpensThePageOfTheWordAtTheCaret()
    {
        const QString root = QFINDTESTDATA("../../resources/help");
        QVERIFY(!root.isEmpty());
        qputenv("KRESBON_HELP_DIR", root.toUtf8());
        auto s = StartWith("Point 1, 1\nDimLine 0, 0, inner, 10, 0, Outer\nHole 1\n");
        QVERIFY(s);
        s->dialogs.forget();
        auto shownPage = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* help = qobject_cast<HelpWindow*>(w); help && help->isVisible())
                    return help->browser()->source().fileName();
            return QString();
        };
        const struct {
            int line;
            int index;
            const char* page;
        } cases[] = {{1, 3, "dimline.html"}, {1, 16, "dimline.html"}, {0, 0, "point.html"}, {2, 2, "index.html"}};
        for (const auto& c : cases) {
            s->editor().setFocus();
            QTRY_VERIFY(s->editor().hasFocus());
            s->editor().setCursorPosition(c.line, c.index);
            QTest::keyClick(s->w().windowHandle(), Qt::Key_F1);
            QTRY_COMPARE(shownPage(), QString::fromLatin1(c.page));
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<HelpWindow*>(w)) w->hide();
            s->w().activateWindow();
        }
    }

    void undoAndRedoKeys()
    {
        auto s = StartWith("Point 1, 1\n");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        e.setFocus();
        e.setCursorPosition(0, 10);
        QTest::keyClicks(&e, "0");
        QCOMPARE(e.text(0), QString("Point 1, 10\n"));
        QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.text(0), QString("Point 1, 1\n"));
        QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e.text(0), QString("Point 1, 10\n"));

        // Ctrl+Space offers the words that fit the place.
        e.setCursorPosition(0, 11);
        QTest::keyClicks(&e, ", ");
        QTest::keyClick(&e, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(e.isListActive());
        QTest::keyClick(&e, Qt::Key_Escape);
        QCOMPARE(e.text(0), QString("Point 1, 10, \n"));
    }

    void findReplaceAndGoToLine()
    {
        auto s = StartWith("Point 1, 1\n");
        QVERIFY(s);
        ScriptEditor& e = s->editor();
        e.setPlainText("Line 1, 1, 2, 2, Red\nline 3, 3, 4, 4, Red\nPoint 5, 5, Red\n");
        QVERIFY(e.find("Red", true, true));
        QCOMPARE(e.selectedText(), QString("Red"));
        int line = 0;
        int index = 0;
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 0);
        QVERIFY(e.find("Red", true, true));
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 1);
        QVERIFY(e.find("Red", false, true));
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 0);
        QVERIFY(!e.find("Blue", true, true));
        // Case decides whether "line" matches "Line".
        e.setCursorPosition(0, 3);
        QVERIFY(e.find("Line", true, true));
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 0);  // wrapped round to the only match
        // Replacing with a text that holds the search text ends.
        QCOMPARE(e.replaceAll("Red", "DarkRed", true), 3);
        QCOMPARE(e.text(2), QString("Point 5, 5, DarkRed\n"));
        e.undo();
        QCOMPARE(e.text(2), QString("Point 5, 5, Red\n"));
        e.goToLine(3);
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 2);
        e.goToLine(9);
        e.getCursorPosition(&line, &index);
        QCOMPARE(line, 2);
    }
};

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
