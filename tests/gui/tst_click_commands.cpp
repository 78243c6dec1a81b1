// Drawing by clicks: actions from the drawing's popup menu, clicks on the
// drawing, the command appended and drawn, and the pointer readout.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include "shell/editor/script_editor.h"
#include <QRegularExpression>
#include <QScrollArea>
#include <QTest>
#include <QTimer>

#include "platform/texts.h"
#include "shell/view/drawing_view.h"
#include "shell/texts/interface_text.h"
#include "test_session.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

struct Session : WindowSession {
    DrawingView* image() { return window->form().IMAGE_VYKRES; }
    void choose(const char* item)
    {
        QAction* action = window->drawingPopup()->findChild<QAction*>(QString::fromLatin1(item));
        QVERIFY2(action, item);
        action->trigger();
    }
    void click(int x, int y) { QTest::mouseClick(image(), Qt::LeftButton, {}, QPoint(x, y)); }
    QStringList lines() { return editor().toPlainText().split('\n'); }
    // The last non-empty editor line.
    QString lastCommand()
    {
        const QStringList all = lines();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (!it->isEmpty()) return *it;
        return {};
    }
};

std::unique_ptr<Session> StartWith(const std::string& script)
{
    return StartSession<Session>(script, {700, 500});
}

const std::string ScaleTwo = "PixelsPerUnit = 2\nMaximumX = 100\nMaximumY = 80\nBackgroundColor = White\n";

bool CrossShown()
{
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::CrossCursor;
}

}  // namespace

class ClickCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void lineFromTwoClicksIsAppendedAndDrawn()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        const int runs = s->w().runCount();
        const Rgb white(0xFFFFFF);
        QCOMPARE(s->w().interpreter().canvas().pixel(20, 20), white);

        s->choose("PopLine");
        QVERIFY(CrossShown());
        s->click(10, 20);
        QVERIFY(!s->lastCommand().startsWith("Line"));
        // A right click opens the popup menu and is not a click of the action.
        bool popupShown = false;
        QTimer::singleShot(50, [&] {
            if (QWidget* open = QApplication::activePopupWidget()) {
                popupShown = open == s->w().drawingPopup();
                open->close();
            }
        });
        QTest::mouseClick(s->w().windowHandle(), Qt::RightButton, {},
                          s->image()->mapTo(&s->w(), QPoint(40, 40)));
        QTRY_VERIFY(popupShown);
        QCOMPARE(s->w().clickTool().clickCount(), 1);
        s->click(31, 20);

        QCOMPARE(s->lastCommand(), QStringLiteral("Line 5, 10, 15.5, 10, Solid, 1, DefaultColor"));
        QVERIFY(s->lines().first().startsWith("PixelsPerUnit"));
        QVERIFY(!s->w().saved());
        // Drawn at once, without running the script again.
        QCOMPARE(s->w().runCount(), runs);
        QVERIFY(s->w().interpreter().canvas().pixel(20, 20) != white);
        QVERIFY((s->image()->image().pixel(20, 20) & 0xFFFFFF) != 0xFFFFFF);
        QVERIFY(!s->w().clickTool().Armed());
        QVERIFY(!CrossShown());

        // The appended line runs like any other on the next refresh.
        s->w().refresh();
        QVERIFY(s->dialogs.notices().empty());
        QVERIFY(s->w().interpreter().canvas().pixel(20, 20) != white);
    }

    void anInsertedCommandIsOneUndoStepAndKeepsTheHistory()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        ScriptEditor& editor = s->editor();
        editor.setFocus();
        editor.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
        QTest::keyClicks(&editor, "Line 1,1,2,2");
        const QString typed = editor.text();
        QVERIFY(typed.contains("Line 1,1,2,2"));

        s->choose("PopPoint");
        s->click(10, 20);
        QVERIFY(s->lastCommand().startsWith("Point"));
        QVERIFY(editor.isUndoAvailable());
        editor.undo();
        QCOMPARE(editor.text(), typed);
        // The history before the insert is still there.
        editor.undo();
        QVERIFY(editor.text() != typed);
        editor.redo();
        editor.redo();
        QVERIFY(s->lastCommand().startsWith("Point"));
    }

    void shiftMovesTheObjectNotTheNumbers()
    {
        auto s = StartWith("MaximumX = 100\nMaximumY = 80\nBackgroundColor = White\nShiftX = 10\n");
        QVERIFY(s);
        s->choose("PopPoint");
        s->click(5, 6);
        QCOMPARE(s->lastCommand(), QStringLiteral("Point 5, 6, DefaultColor"));
        QVERIFY(s->w().interpreter().canvas().pixel(15, 6) != Rgb(0xFFFFFF));
        QCOMPARE(s->w().interpreter().canvas().pixel(5, 6), Rgb(0xFFFFFF));
    }

    void doubleClickGivesBothClicks()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        s->choose("PopRectangle");
        // A double click arrives as a press followed by a double-click event.
        s->click(8, 6);
        QTest::mouseDClick(s->image(), Qt::LeftButton, {}, QPoint(8, 6));
        QCOMPARE(s->lastCommand(), QStringLiteral("Rectangle 4, 3, 4, 3, Solid, 1, DefaultColor"));
        QVERIFY(!s->w().clickTool().Armed());
    }

    void cancelAndEditorClickStopTheAction()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        const QString before = s->editor().toPlainText();

        s->choose("PopCircle");
        s->click(10, 10);
        QTest::mouseClick(s->editor().viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!s->w().clickTool().Armed());
        QVERIFY(!CrossShown());
        s->click(20, 20);
        s->click(30, 30);
        QCOMPARE(s->editor().toPlainText(), before);

        s->choose("PopRectangle");
        QVERIFY(CrossShown());
        s->choose("PopZrusAkci");
        QVERIFY(!CrossShown());
        s->click(20, 20);
        s->click(30, 30);
        QCOMPARE(s->editor().toPlainText(), before);
    }

    void failingCommandStaysInsertedAndTheActionPending()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        s->choose("PopPicture");
        s->click(4, 6);
        QCOMPARE(s->lastCommand(), QStringLiteral("Picture 2, 3, \"example.gif\""));
        QCOMPARE(s->dialogs.notices().size(), std::size_t(1));
        QVERIFY(s->dialogs.notices().front().text.contains("example.gif"));
        QVERIFY(CrossShown());
        const QString after = s->editor().toPlainText();
        s->click(8, 8);
        QCOMPARE(s->editor().toPlainText(), after);
        s->choose("PopZrusAkci");
        QVERIFY(!CrossShown());
    }

    void noClickActionsInsertAtOnce()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        QCOMPARE(s->w().interpreter().state().pixelsPerUnit, 2);
        s->choose("PopGlobals");
        const QStringList lines = s->lines();
        const qsizetype first = lines.lastIndexOf(QRegularExpression("^MaximumX = \\d+$"));
        QVERIFY(first > 0);
        QCOMPARE(lines.at(first + 2), QStringLiteral("PixelsPerUnit = 1"));
        QCOMPARE(lines.at(first + 10), QStringLiteral("ShiftY = 0"));
        QCOMPARE(s->w().interpreter().state().pixelsPerUnit, 1);
        QVERIFY(s->dialogs.notices().empty());
        QVERIFY(!CrossShown());

        s->choose("PopProcedure");
        s->choose("PopLayer");
        s->choose("PopComment");
        QCOMPARE(s->lastCommand(), QStringLiteral("% comment"));
        QVERIFY(s->lines().contains("Procedure MyProc #x, #y, #z"));
        QVERIFY(s->lines().contains("Layer = 1"));
        // The declaration is one the interpreter accepts as it stands.
        s->w().refresh();
        QVERIFY(s->dialogs.notices().empty());
    }

    void pointerReadoutInUnits()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        QCOMPARE(s->w().form().L_SOURADNICE->text(), QString());
        QTest::mouseMove(s->image(), QPoint(10, 31));
        QTRY_COMPARE(s->w().form().L_SOURADNICE->text(), QStringLiteral("(x=5, y=15.5)"));
        // Beside the image the position is taken in the scroll box.
        QWidget* box = s->w().form().ScrollBox_VYKRES->viewport();
        QCOMPARE(s->image()->width(), 200);
        QVERIFY(box->width() > 230);
        QTest::mouseMove(box, QPoint(221, 4));
        QTRY_COMPARE(s->w().form().L_SOURADNICE->text(), QStringLiteral("(x=110.5, y=2)"));
    }

    void popupFollowsTheLanguage()
    {
        auto s = StartWith(ScaleTwo);
        QVERIFY(s);
        QMenu* popup = s->w().drawingPopup();
        QCOMPARE(popup->actions().size(), 21);  // 17 items and 4 separators
        QCOMPARE(popup->actions().at(0)->objectName(), QStringLiteral("PopWhichLine"));
        QVERIFY(popup->actions().at(2)->isSeparator());
        QVERIFY(popup->actions().at(6)->isSeparator());
        s->w().switchLanguage(CzechBase);
        QCOMPARE(popup->findChild<QAction*>("PopLine")->text(), UiText(CzechBase, TextId::Line2Clicks));
        QCOMPARE(popup->findChild<QAction*>("PopWhichLine")->text(), UiText(CzechBase, TextId::BondWhichLine));
        QCOMPARE(popup->findChild<QAction*>("PopZrusAkci")->text(), UiText(CzechBase, TextId::CancelDrawingAction));
        s->choose("PopComment");
        QCOMPARE(s->lastCommand(), "%" + UiText(CzechBase, TextId::CommentSuffix));
        s->w().switchLanguage(EnglishBase);
        QCOMPARE(popup->findChild<QAction*>("PopPicture")->text(), QStringLiteral("Picture (1 click)"));
    }
};

QTEST_MAIN(ClickCommandsTest)
#include "tst_click_commands.moc"
