// Runs from the window, the layer controls, Refresh, Clear and saving the
// drawing.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include "shell/editor/script_editor.h"
#include <QScrollArea>
#include <QScrollBar>
#include <QFileInfo>
#include <QTest>

#include "platform/texts.h"
#include "shell/view/drawing_view.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

// Boxes, menu marks and flags agree for every layer.
bool LayersInStep(MainWindow& w)
{
    for (int layer = 1; layer <= 9; ++layer) {
        const bool ticked = w.layerBox(layer)->isChecked();
        if (w.layerItem(layer)->isChecked() != ticked || w.layerFlag(layer) != (ticked ? 1 : 0)) return false;
    }
    return true;
}

struct Started_ {
    Sandbox box;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

std::unique_ptr<Started_> StartWith(const std::string& script, const std::string& settings = {})
{
    auto s = std::make_unique<Started_>();
    s->box.write("demo.krs", script);
    if (!settings.empty()) s->box.writeSettings(settings);
    s->window = std::make_unique<MainWindow>(s->box.environment(), s->dialogs);
    if (!Started(*s->window)) return nullptr;
    return s;
}

const std::string TwoLayers = "Layer 1\nRectangle 0, 0, 10, 10\nLayer 2\nPoint 5, 5\n";

}  // namespace

class DrawingTest : public QObject {
    Q_OBJECT
private slots:
    void layerBoxChangesRefreshOnce()
    {
        auto s = StartWith(TwoLayers);
        QVERIFY(s);
        MainWindow& w = *s->window;
        const int runs = w.runCount();
        QTest::mouseClick(w.layerBox(3), Qt::LeftButton);
        QVERIFY(!w.layerBox(3)->isChecked());
        QVERIFY(!w.layerItem(3)->isChecked());
        QCOMPARE(w.layerFlag(3), 0);
        QVERIFY(!w.layerShown(3));
        QCOMPARE(w.runCount(), runs + 1);
        QVERIFY(LayersInStep(w));

        w.layerItem(3)->trigger();
        QVERIFY(w.layerBox(3)->isChecked());
        QVERIFY(w.layerItem(3)->isChecked());
        QCOMPARE(w.layerFlag(3), 1);
        QCOMPARE(w.runCount(), runs + 2);
        QVERIFY(LayersInStep(w));

        // Ticking a ticked box reports no change.
        w.layerBox(3)->setChecked(true);
        QCOMPARE(w.runCount(), runs + 2);
    }

    void checkAllAndNoneRefreshOnce()
    {
        auto s = StartWith(TwoLayers);
        QVERIFY(s);
        MainWindow& w = *s->window;
        int runs = w.runCount();
        w.action(QStringLiteral("MnuLayerAll"))->trigger();
        QCOMPARE(w.runCount(), ++runs);
        QVERIFY(LayersInStep(w));

        w.layerBox(2)->setChecked(false);
        w.layerBox(5)->setChecked(false);
        runs += 2;
        w.action(QStringLiteral("MnuLayerAll"))->trigger();
        QCOMPARE(w.runCount(), ++runs);
        for (int layer = 1; layer <= 9; ++layer) QVERIFY(w.layerBox(layer)->isChecked());
        QVERIFY(LayersInStep(w));
        QVERIFY(w.layerRefreshOn());

        s->dialogs.forget();
        w.action(QStringLiteral("MnuLayerNone"))->trigger();
        QCOMPARE(w.runCount(), ++runs);
        for (int layer = 1; layer <= 9; ++layer) QVERIFY(!w.layerBox(layer)->isChecked());
        QVERIFY(LayersInStep(w));
        QCOMPARE(s->dialogs.notices().size(), size_t(1));
        QCOMPARE(s->dialogs.notices().front().title, QString("Warning"));
        QCOMPARE(s->dialogs.notices().front().kind, MessageKind::Warning);
        QCOMPARE(s->dialogs.notices().front().text, QString("Some Layer must be selected."));
        // Only the background is drawn, and the run counts as valid.
        QVERIFY(w.interpreter().drawingValid());
        QCOMPARE(w.interpreter().canvas().pixel(0, 0), Rgb(0xFFFFFF));
    }

    void hiddenLayerIsNotDrawn()
    {
        auto s = StartWith(TwoLayers);
        QVERIFY(s);
        MainWindow& w = *s->window;
        QCOMPARE(w.interpreter().canvas().pixel(0, 0), Rgb(0));
        w.layerBox(1)->setChecked(false);
        QCOMPARE(w.interpreter().canvas().pixel(0, 0), Rgb(0xFFFFFF));
        QCOMPARE(w.interpreter().canvas().pixel(5, 5), Rgb(0));
    }

    void refreshByMenuKeyAndButton()
    {
        auto s = StartWith(TwoLayers);
        QVERIFY(s);
        MainWindow& w = *s->window;
        const int runs = w.runCount();
        w.action(QStringLiteral("MnuRefresh"))->trigger();
        QTest::mouseClick(w.form().BtnRefresh, Qt::LeftButton);
        QCOMPARE(w.action(QStringLiteral("MnuRefresh"))->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(w.action(QStringLiteral("MnuSaveScr"))->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(w.runCount(), runs + 2);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void errorMovesTheCaretToTheFailingLine()
    {
        auto s = StartWith("% fine\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        ScriptEditor& editor = *w.form().MEMO_SCRIPT;
        editor.setPlainText("Point 1, 1\nPoint 2, 2\n  Foo 3 % comment\nPoint 4, 4\n");
        s->dialogs.forget();
        w.refresh();
        QCOMPARE(s->dialogs.notices().size(), size_t(1));
        const MessageRequest notice = s->dialogs.notices().front();
        QCOMPARE(notice.kind, MessageKind::Error);
        QCOMPARE(notice.text, QString("Line 3: \rCommand \"Foo\" is unappropriated.\r(Foo 3 % comment)"));
        int line = -1;
        int index = -1;
        editor.getCursorPosition(&line, &index);
        QCOMPARE(line, 2);
        QCOMPARE(index, 0);
        QCOMPARE(w.form().L_POZICE->text(), QString("3:1"));
        QVERIFY(!w.interpreter().drawingValid());
        // Lines before the error are drawn.
        QCOMPARE(w.interpreter().canvas().pixel(2, 2), Rgb(0));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void czechReportAfterSwitch()
    {
        auto s = StartWith("Foo\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        w.switchLanguage(CzechBase);
        s->dialogs.forget();
        w.refresh();
        const MessageRequest notice = s->dialogs.notices().front();
        QCOMPARE(notice.title, QString::fromUtf8("Chyba"));
        QCOMPARE(notice.captions.yes, QString::fromUtf8("&Ano"));
        QVERIFY(notice.text.startsWith(QString::fromUtf8("Řádek 1: \r")));
    }

    void refreshKeepsTheScrollPosition()
    {
        auto s = StartWith("MaximumX = 2000\nMaximumY = 1500\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        QScrollArea& scroll = *w.form().ScrollBox_VYKRES;
        QTRY_VERIFY(scroll.horizontalScrollBar()->maximum() > 400);
        scroll.horizontalScrollBar()->setValue(300);
        scroll.verticalScrollBar()->setValue(200);
        w.refresh();
        QCOMPARE(scroll.horizontalScrollBar()->value(), 300);
        QCOMPARE(scroll.verticalScrollBar()->value(), 200);

        // A smaller drawing takes what the scroll bars allow.
        w.form().MEMO_SCRIPT->setPlainText("MaximumX = 20\nMaximumY = 20\n");
        w.refresh();
        QCOMPARE(scroll.horizontalScrollBar()->maximum(), 0);
        QCOMPARE(scroll.horizontalScrollBar()->value(), 0);
    }

    void openDoesNotKeepTheScrollPosition()
    {
        auto s = StartWith("MaximumX = 2000\nMaximumY = 1500\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        QScrollArea& scroll = *w.form().ScrollBox_VYKRES;
        QTRY_VERIFY(scroll.horizontalScrollBar()->maximum() > 400);
        scroll.horizontalScrollBar()->setValue(300);
        s->dialogs.openNames = {s->box.path("demo.krs")};
        w.openScript();
        QCOMPARE(scroll.horizontalScrollBar()->value(), 0);
    }

    void clearKeepsSizeBackgroundAndEditor()
    {
        auto s = StartWith("PixelsPerUnit = 2\nMaximumX = 30\nMaximumY = 20\nBackgroundColor = Yellow\n"
                           "Rectangle 1, 1, 10, 10, Solid, 1, Blue\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        w.form().MEMO_SCRIPT->append("% typed");
        const QString text = w.form().MEMO_SCRIPT->toPlainText();
        const Rgb background = w.interpreter().canvas().pixel(0, 0);
        QVERIFY(w.interpreter().canvas().pixel(2, 2) != background);
        const int runs = w.runCount();
        w.action(QStringLiteral("MnuClear"))->trigger();
        const Surface& canvas = w.interpreter().canvas();
        QCOMPARE(canvas.width(), 60);
        QCOMPARE(canvas.height(), 40);
        QCOMPARE(canvas.pixel(2, 2), background);
        QCOMPARE(w.form().MEMO_SCRIPT->toPlainText(), text);
        QVERIFY(!w.saved());
        QCOMPARE(w.runCount(), runs);
        QVERIFY(LayersInStep(w));
    }

    void drawingViewShowsTheSurface()
    {
        auto s = StartWith("MaximumX = 40\nMaximumY = 30\nBackgroundColor = Aqua\nLine 0, 0, 10, 0, Solid, 1, Red\n",
                           "[Print]\nBitsPerPixel=24\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        const QImage& image = w.form().IMAGE_VYKRES->image();
        QCOMPARE(image.size(), QSize(40, 30));
        QCOMPARE(w.form().IMAGE_VYKRES->size(), QSize(40, 30));
        QCOMPARE(image.pixel(5, 0) & 0xFFFFFF, w.interpreter().canvas().pixel(5, 0));
        QCOMPARE(image.pixel(20, 20) & 0xFFFFFF, w.interpreter().canvas().pixel(20, 20));
        const QImage grabbed = w.form().IMAGE_VYKRES->grab().toImage();
        QCOMPARE(grabbed.pixelColor(5, 0), QColor(QRgb(0xFF000000 | w.interpreter().canvas().pixel(5, 0))));
        QCOMPARE(grabbed.pixelColor(20, 20), QColor(QRgb(0xFF000000 | w.interpreter().canvas().pixel(20, 20))));
    }

    void saveDrawing()
    {
        auto s = StartWith("MaximumX = 20\nMaximumY = 10\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        s->dialogs.saveNames = {std::nullopt};
        w.saveDrawing();
        const FileDialogRequest& request = s->dialogs.saveRequests.front();
        QCOMPARE(request.nameFilters,
                 QStringList({"BMP Files (*.bmp)", "JPEG Files (*.jpg *.jpeg)", "GIF Files (*.gif)",
                              "PNG Files (*.png)", "SVG Files (*.svg)", "PDF Files (*.pdf)", "DXF Files (*.dxf)",
                              "Pictures (*.bmp *.jpg *.jpeg *.gif *.png *.svg *.pdf *.dxf)", "All Files (*)"}));
        QCOMPARE(request.selectedFilter, 0);
        QCOMPARE(request.defaultSuffix, QString("bmp"));

        s->dialogs.saveNames = {s->box.path("out.bmp")};
        w.saveDrawing();
        QVERIFY(s->box.read("out.bmp").starts_with("BM"));

        s->box.write("out.bmp", "old");
        s->dialogs.saveNames = {s->box.path("out.bmp")};
        s->dialogs.answers = {QMessageBox::No};
        w.saveDrawing();
        QCOMPARE(s->box.read("out.bmp"), std::string("old"));
        s->dialogs.saveNames = {s->box.path("out.bmp")};
        s->dialogs.answers = {QMessageBox::Yes};
        w.saveDrawing();
        QVERIFY(s->box.read("out.bmp").starts_with("BM"));
        QCOMPARE(s->dialogs.unexpected, 0);
    }

    // The format saved last is offered first, in the folder saved into,
    // after a restart too.
    void saveDrawingOffersTheFormatAndFolderUsedLast()
    {
        auto s = StartWith("MaximumX = 20\nMaximumY = 10\n");
        QVERIFY(s);
        QVERIFY(QDir(s->box.path(".")).mkdir("pictures"));
        s->dialogs.saveNames = {s->box.path("pictures/out.PNG"), std::nullopt};
        s->window->saveDrawing();
        s->window->saveDrawing();
        const FileDialogRequest& offered = s->dialogs.saveRequests.back();
        QCOMPARE(offered.selectedFilter, 3);
        QCOMPARE(offered.defaultSuffix, QString("png"));
        QCOMPARE(offered.folder, s->box.path("pictures"));
        s->window->close();

        MainWindow again(s->box.environment(), s->dialogs);
        QVERIFY(Started(again));
        s->dialogs.saveNames = {std::nullopt};
        again.saveDrawing();
        QCOMPARE(s->dialogs.saveRequests.back().selectedFilter, 3);
        QCOMPARE(s->dialogs.saveRequests.back().folder, s->box.path("pictures"));
    }

    // A vector file comes from a run of its own that records the shapes, at
    // the millimetres per unit chosen in the dialog, which the settings keep.
    void saveDrawingAsVectors()
    {
        auto s = StartWith("MaximumX = 40\nMaximumY = 20\nLine 1, 1, 30, 10\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        int runs = w.runCount();
        s->dialogs.saveNames = {s->box.path("out.png")};
        w.saveDrawing();
        QCOMPARE(w.runCount(), runs);
        QCOMPARE(s->dialogs.shownMillimetres, 1.0);
        QVERIFY(w.interpreter().shapeRecord() == nullptr);

        s->dialogs.saveNames = {s->box.path("out.svg")};
        s->dialogs.millimetres = 0.5;
        w.saveDrawing();
        QCOMPARE(w.runCount(), runs + 1);
        QVERIFY(s->box.read("out.svg").find("width=\"20mm\" height=\"10mm\" viewBox=\"0 0 40 20\"") !=
                std::string::npos);
        QVERIFY(s->box.settings().find("MillimetresPerUnit=0.5") != std::string::npos);

        s->dialogs.millimetres.reset();
        s->dialogs.saveNames = {s->box.path("OUT.PDF"), s->box.path("out.dxf")};
        w.saveDrawing();
        QCOMPARE(s->dialogs.shownMillimetres, 0.5);
        QVERIFY(s->box.read("OUT.PDF").starts_with("%PDF-"));
        w.saveDrawing();
        QVERIFY(s->box.read("out.dxf").find("SECTION") != std::string::npos);
        QCOMPARE(w.runCount(), runs + 3);

        // The next run for the screen records nothing.
        w.refresh();
        QVERIFY(w.interpreter().shapeRecord() == nullptr);
        QCOMPARE(s->dialogs.unexpected, 0);

        // A value no file can be written at is offered as the default.
        for (const char* bad : {"0", "-2", "abc", "1e9"}) {
            auto t = StartWith("Point 1, 1\n", std::string("[Export]\nMillimetresPerUnit=") + bad + "\n");
            QVERIFY(t);
            t->dialogs.saveNames = {std::nullopt};
            t->window->saveDrawing();
            QCOMPARE(t->dialogs.shownMillimetres, 1.0);
        }
    }

    void printRunsFirstAndStopsOnError()
    {
        auto s = StartWith("Foo\n");
        QVERIFY(s);
        MainWindow& w = *s->window;
        const int runs = w.runCount();
        w.printDrawing();
        QCOMPARE(w.runCount(), runs + 1);
        QCOMPARE(s->dialogs.printerRequests, 0);
        w.form().MEMO_SCRIPT->setPlainText("Point 1, 1\n");
        w.printDrawing();
        QCOMPARE(s->dialogs.printerRequests, 1);
    }
};

QTEST_MAIN(DrawingTest)
#include "tst_drawing.moc"
