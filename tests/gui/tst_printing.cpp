// Printing the drawing: the print run at the printer's scale, onto a PDF
// file chosen by a stand-in for the printer dialog, and the print log.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <map>
#include <regex>

#include "platform/surface.h"
#include "platform/texts.h"
#include "shell/print/print_job.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

// Chooses a PDF file as the printer, on a sheet of the given size in inches
// at the given resolution, without margins, so that the page figures are
// known exactly.
class PdfPrinterDialogs : public FakeDialogs {
public:
    bool setUpPrinter(QWidget*, QPrinter& printer, PrintChoice& choice) override
    {
        ++printerRequests;
        offeredName = printer.outputFileName();
        shownVectors = choice.vectors;
        if (!accept) return false;
        if (vectors) choice.vectors = *vectors;
        setUp(printer);
        if (beforePrint) beforePrint();
        return true;
    }

    void setUp(QPrinter& printer) const
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        printer.setResolution(resolution);
        printer.setPageSize(QPageSize(sheetInches, QPageSize::Inch));
        printer.setPageOrientation(orientation);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
    }

    bool accept = true;
    // The "Print as vectors" choice given back; nothing keeps the one shown.
    std::optional<bool> vectors;
    bool shownVectors = false;
    QString offeredName;
    QString pdfPath;
    int resolution = 100;
    QSizeF sheetInches{4, 3};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    std::function<void()> beforePrint;
};

// Shows the preview in the toolkit's own preview widget, zoomed so that
// eight page pixels make one screen pixel, and keeps what it showed.
class PreviewWidgetDialogs : public PdfPrinterDialogs {
public:
    bool previewPrint(QWidget*, QPrinter& printer, const std::function<void(QPrinter&)>& paint) override
    {
        ++previewRequests;
        setUp(printer);
        QPrintPreviewWidget preview(&printer);
        QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter* target) { paint(*target); });
        preview.resize(500, 400);
        preview.show();
        if (!QTest::qWaitForWindowExposed(&preview)) return false;
        preview.setZoomFactor(resolution / (8.0 * preview.logicalDpiY()));
        QCoreApplication::processEvents();
        shown = preview.grab().toImage().convertToFormat(QImage::Format_RGB32);
        return false;
    }

    QImage shown;
};

// The mean grey of the page's upper left quarter, away from its edges, in
// a preview; -1 without a page.
double MeanOfDrawnPart(const QImage& image)
{
    QRect paper;
    // The preview's own frame is left out.
    for (int y = 5; y < image.height() - 5; ++y)
        for (int x = 5; x < image.width() - 5; ++x) {
            // The grey around the page is darker than the page.
            if (qGray(image.pixel(x, y)) > 180) paper |= QRect(x, y, 1, 1);
        }
    if (paper.width() < 40 || paper.height() < 40) return -1;
    const QRect part(paper.x() + paper.width() / 8, paper.y() + paper.height() / 8, paper.width() / 2,
                     paper.height() / 2);
    double sum = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x) sum += qGray(image.pixel(x, y));
    return sum / (part.width() * part.height());
}

struct Printing {
    Sandbox box;
    PdfPrinterDialogs dialogs;
    std::unique_ptr<MainWindow> window;

    void print() { window->action(QStringLiteral("MnuPrintPic"))->trigger(); }
    std::string pdf() const { return box.read(QStringLiteral("out.pdf")); }
    std::string log() const { return box.read(QStringLiteral("LastPrint.log")); }
};

// Starts the window on script, with files that must be in the program
// folder before the first run.
std::unique_ptr<Printing> StartWith(const std::string& script, const std::string& settings = {},
                                    const std::map<QString, std::string>& files = {})
{
    auto p = std::make_unique<Printing>();
    p->box.write("demo.krs", script);
    for (const auto& [name, bytes] : files) p->box.write(name, bytes);
    if (!settings.empty()) p->box.writeSettings(settings);
    p->dialogs.pdfPath = p->box.path(QStringLiteral("out.pdf"));
    p->window = std::make_unique<MainWindow>(p->box.environment(), p->dialogs);
    if (!Started(*p->window)) return nullptr;
    p->dialogs.forget();
    return p;
}

std::vector<std::string> LogLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = log.find("\r\n", from)) != std::string::npos; from = end + 2)
        lines.push_back(log.substr(from, end - from));
    return lines;
}

// The pixel size of the one picture the PDF holds, as its dictionary says.
std::pair<int, int> PictureSize(const std::string& pdf)
{
    std::smatch width, height;
    if (!std::regex_search(pdf, width, std::regex("/Width (\\d+)")) ||
        !std::regex_search(pdf, height, std::regex("/Height (\\d+)")))
        return {-1, -1};
    return {std::stoi(width[1]), std::stoi(height[1])};
}

// A 2 x 2 white 24-bit BMP.
std::string SmallBmp()
{
    std::string b = "BM";
    const auto le32 = [&b](unsigned v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const auto le16 = [&b](unsigned v) {
        b.push_back(static_cast<char>(v & 0xFF));
        b.push_back(static_cast<char>(v >> 8));
    };
    le32(54 + 16), le32(0), le32(54), le32(40), le32(2), le32(2), le16(1), le16(24), le32(0), le32(16);
    le32(2835), le32(2835), le32(0), le32(0);
    for (int row = 0; row < 2; ++row) b += std::string(6, '\xFF') + std::string(2, '\0');
    return b;
}

const std::string Frame = "PixelsPerUnit = 2\nMaximumX = 100\nMaximumY = 50\n"
                          "Rectangle 5, 5, 95, 45, Solid, 1, Black\n";

}  // namespace

class PrintingTest : public QObject {
    Q_OBJECT
private slots:
    void printsAtThePrinterScaleAndWritesTheLog()
    {
        // 400 x 300 printer pixels; the drawing is 100 x 50 units at 2.
        // Fit: min(300 / 100, 400 / 200) = 2, so with stretch 1 the print
        // run draws at 4 pixels per unit into a 400 x 200 bitmap.
        auto p = StartWith(Frame, "[Print]\nStretch=1\nBitsPerPixel=24\n");
        QVERIFY(p);
        p->print();
        QCOMPARE(p->dialogs.printerRequests, 1);
        QVERIFY(p->dialogs.notices().empty());
        const std::string pdf = p->pdf();
        QVERIFY(pdf.rfind("%PDF", 0) == 0);
        QCOMPARE(PictureSize(pdf), std::make_pair(400, 200));
        QVERIFY(pdf.find("/DCTDecode") == std::string::npos);  // no lossy picture
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);

        const std::vector<std::string> lines = LogLines(p->log());
        QCOMPARE(lines.size(), std::size_t(11));
        // The demo script loaded at start-up is the current script file.
        QCOMPARE(lines[0], "ScriptName:        " + p->box.path(QStringLiteral("demo.krs")).toStdString());
        QVERIFY(std::regex_match(lines[1], std::regex(R"(Date:              \d\d/\d\d/\d{4} \d\d:\d\d:\d\d)")));
        QCOMPARE(lines[2], "Printer:           PDF on " + p->dialogs.pdfPath.toStdString());
        QCOMPARE(lines[3], std::string("PixelsPerInch:     100 dpi x 100 dpi"));
        QCOMPARE(lines[6], std::string("PageRes:           400 x 300"));
        QCOMPARE(lines[7], std::string("PageRes (cm):      10.16 x 7.62"));
        QCOMPARE(lines[8], std::string("PhysPageSize:      400 x 300"));
        QCOMPARE(lines[10], std::string("Orientation:       Portrait"));
    }

    // Printed as vectors, the page holds the shapes and no bitmap; the
    // choice is kept for the next print, and the log is written as ever.
    void printsAsVectorsWhenChosen()
    {
        auto p = StartWith(Frame, "[Print]\nStretch=1\nBitsPerPixel=24\n");
        QVERIFY(p);
        p->dialogs.vectors = true;
        p->print();
        QVERIFY(p->dialogs.notices().empty());
        QVERIFY(!p->dialogs.shownVectors);
        std::string pdf = p->pdf();
        QVERIFY(pdf.rfind("%PDF", 0) == 0);
        QVERIFY(pdf.find("/Type /Page") != std::string::npos || pdf.find("/Type/Page") != std::string::npos);
        QCOMPARE(PictureSize(pdf), std::make_pair(-1, -1));
        QCOMPARE(LogLines(p->log()).size(), std::size_t(11));
        QVERIFY(p->box.settings().find("Vectors=1") != std::string::npos);

        p->dialogs.vectors.reset();
        QVERIFY(QFile::remove(p->dialogs.pdfPath));
        p->print();
        QVERIFY(p->dialogs.shownVectors);
        QCOMPARE(PictureSize(p->pdf()), std::make_pair(-1, -1));

        p->dialogs.vectors = false;
        p->print();
        QCOMPARE(PictureSize(p->pdf()), std::make_pair(400, 200));
        QVERIFY(p->box.settings().find("Vectors=0") != std::string::npos);
    }

    void stretchShrinksTheBitmapAndLandscapeIsLogged()
    {
        // Landscape turns the 3 x 4 inch sheet into 400 x 300 pixels; the
        // default stretch of 4 renders at floor(2 * 2 / 4) = 1 pixel per unit.
        auto p = StartWith(Frame);
        QVERIFY(p);
        p->dialogs.sheetInches = QSizeF(3, 4);
        p->dialogs.orientation = QPageLayout::Landscape;
        p->print();
        QVERIFY(p->dialogs.notices().empty());
        QCOMPARE(PictureSize(p->pdf()), std::make_pair(100, 50));
        const std::vector<std::string> lines = LogLines(p->log());
        QCOMPARE(lines.size(), std::size_t(11));
        QCOMPARE(lines[4], std::string("PageWidth:         400"));
        QCOMPARE(lines[5], std::string("PageHeight:        300"));
        QCOMPARE(lines[10], std::string("Orientation:       Landscape"));
    }

    void demoPrintsOnAPage()
    {
        const auto shipped = [](const char* name) {
            QFile file(QFINDTESTDATA(QStringLiteral("../../resources/") + QLatin1String(name)));
            return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
        };
        const std::string demo = shipped("demo.krs");
        QVERIFY(!demo.empty());
        auto p = StartWith(demo, {}, {{QStringLiteral("demo-logo.gif"), shipped("demo-logo.gif")}});
        QVERIFY(p);
        p->dialogs.sheetInches = QSizeF(8.27, 11.69);
        p->dialogs.resolution = 300;
        p->print();
        QVERIFY(p->dialogs.notices().empty());
        QVERIFY(p->pdf().size() > 1000);
        QCOMPARE(LogLines(p->log()).size(), std::size_t(11));
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);

        // Its text, fills and picture drawn as vectors.
        QVERIFY(QFile::remove(p->dialogs.pdfPath));
        p->dialogs.vectors = true;
        p->print();
        QVERIFY(p->dialogs.notices().empty());
        QVERIFY(p->pdf().size() > 1000);
    }

    void printRunErrorShowsTheBareMessageAndStillLogs()
    {
        auto p = StartWith(Frame + "Picture 10, 10, \"mark.bmp\"\n", {},
                           {{QStringLiteral("mark.bmp"), SmallBmp()}});
        QVERIFY(p);
        QVERIFY(p->window->interpreter().drawingValid());
        // The picture goes away while the printer dialog is open.
        p->dialogs.beforePrint = [&] { QFile::remove(p->box.path(QStringLiteral("mark.bmp"))); };
        p->print();
        const auto notices = p->dialogs.notices();
        QCOMPARE(notices.size(), std::size_t(1));
        const QString expected = QString::fromStdString(Text(1000, 328)) + "\"" +
                                 p->box.path(QStringLiteral("mark.bmp")) + "\"" +
                                 QString::fromStdString(Text(1000, 329));
        QCOMPARE(notices[0].text, expected);
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);
        QCOMPARE(LogLines(p->log()).size(), std::size_t(11));
        QVERIFY(!p->box.exists(QStringLiteral("out.pdf")));
    }

    void printerThatCannotStartIsReportedAndLogged()
    {
        auto p = StartWith(Frame);
        QVERIFY(p);
        p->dialogs.pdfPath = p->box.path(QStringLiteral("no such folder/out.pdf"));
        p->print();
        const auto notices = p->dialogs.notices();
        QCOMPARE(notices.size(), std::size_t(1));
        QVERIFY(notices[0].text.contains(QStringLiteral("no such folder/out.pdf")));
        QCOMPARE(LogLines(p->log()).size(), std::size_t(11));
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);
    }

    void previewShowsThePageOfThePrintRun()
    {
        auto p = StartWith(Frame, "[Print]\nStretch=2\nBitsPerPixel=8\n");
        QVERIFY(p);
        p->print();
        const std::pair<int, int> printed = PictureSize(p->pdf());
        QVERIFY(QFile::remove(p->dialogs.pdfPath));
        QFile::remove(p->box.path(QStringLiteral("LastPrint.log")));

        // The preview paints the same bitmap at the same place; closing it
        // without printing writes no log.
        p->dialogs.previewSetUp = [&](QPrinter& printer) { p->dialogs.setUp(printer); };
        p->window->printPreviewItem()->trigger();
        QCOMPARE(p->dialogs.previewRequests, 1);
        QVERIFY(p->dialogs.notices().empty());
        QCOMPARE(PictureSize(p->pdf()), printed);
        QCOMPARE(printed, std::make_pair(200, 100));
        QVERIFY(!p->box.exists(QStringLiteral("LastPrint.log")));
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);

        p->dialogs.previewPrints = true;
        p->window->printPreviewItem()->trigger();
        QCOMPARE(LogLines(p->log()).size(), std::size_t(11));
        QCOMPARE(p->window->printFileName(), p->dialogs.pdfPath);
    }

    void previewShrinksTheBitmapSmoothly()
    {
        // One black row in eight across the whole drawing: shrunk eight
        // times by dropping pixels it shows all white or all black.
        Sandbox box;
        box.write("demo.krs", "PixelsPerUnit = 1\nMaximumX = 300\nMaximumY = 200\nFillArea 1, 1, Horizontal, Black\n");
        box.writeSettings("[Print]\nStretch=1\n");
        PreviewWidgetDialogs dialogs;
        dialogs.pdfPath = box.path(QStringLiteral("out.pdf"));
        dialogs.resolution = 600;
        MainWindow window(box.environment(), dialogs);
        QVERIFY(Started(window));
        window.printPreviewItem()->trigger();
        QCOMPARE(dialogs.previewRequests, 1);
        QVERIFY(dialogs.notices().empty());
        // The shade of the hatching, as the drawing on the screen has it.
        const Surface& drawn = window.interpreter().canvas();
        double expected = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) expected += qGray(QRgb(drawn.pixel(x, y)));
        expected /= static_cast<double>(drawn.width()) * drawn.height();
        const double mean = MeanOfDrawnPart(dialogs.shown);
        QVERIFY2(std::abs(mean - expected) < 10,
                 qPrintable(QString::number(mean) + " for " + QString::number(expected)));

        // The printed page keeps every pixel of the bitmap.
        window.action(QStringLiteral("MnuPrintPic"))->trigger();
        QCOMPARE(PictureSize(box.read(QStringLiteral("out.pdf"))).first, 2400);
    }

    void previewOfAFailingPrintRunReportsIt()
    {
        auto p = StartWith(Frame + "Picture 10, 10, \"mark.bmp\"\n", {},
                           {{QStringLiteral("mark.bmp"), SmallBmp()}});
        QVERIFY(p);
        p->dialogs.previewSetUp = [&](QPrinter& printer) {
            p->dialogs.setUp(printer);
            QFile::remove(p->box.path(QStringLiteral("mark.bmp")));
        };
        p->window->printPreviewItem()->trigger();
        QCOMPARE(p->dialogs.notices().size(), std::size_t(1));
        QVERIFY(p->dialogs.notices()[0].text.contains(QStringLiteral("mark.bmp")));
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);
    }

    void pdfFileIsOfferedAgainToTheNextPrint()
    {
        auto p = StartWith(Frame);
        QVERIFY(p);
        p->print();
        QVERIFY(p->dialogs.offeredName.isEmpty());
        p->print();
        QCOMPARE(p->dialogs.offeredName, p->dialogs.pdfPath);
    }

    void bitmapGoesToThePageInBandsThatMeet()
    {
        // Every row its own colour; bands of 4 rows.
        Surface bitmap(7, 50, 24);
        for (int y = 0; y < 50; ++y) {
            bitmap.setBrush(makeRgb(y * 5, 255 - y * 5, y % 2 ? 255 : 0), BrushStyle::Solid);
            bitmap.fillRect(0, y, 7, y + 1);
        }
        const auto page = [&](int width, int height, qsizetype bandBytes) {
            QImage image(width + 5, height + 5, QImage::Format_RGB32);
            image.fill(Qt::magenta);
            QPainter painter(&image);
            DrawPrintBitmap(painter, bitmap, width, height, bandBytes);
            return image;
        };
        const QImage enlarged = page(21, 150, 7 * 4 * 4);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 21; x += 5)
                QCOMPARE(enlarged.pixel(x, y) & 0xFFFFFF, bitmap.pixel(x / 3, y / 3));
        QCOMPARE(QColor(enlarged.pixel(21, 0)), QColor(Qt::magenta));
        QCOMPARE(QColor(enlarged.pixel(0, 150)), QColor(Qt::magenta));
        QCOMPARE(enlarged, page(21, 150, PrintBandBytes));

        // An enlargement that is no whole multiple leaves no row unpainted.
        const QImage uneven = page(20, 163, 7 * 4 * 3);
        for (int y = 0; y < 163; ++y) QVERIFY(QColor(uneven.pixel(0, y)) != QColor(Qt::magenta));
        QCOMPARE(QColor(uneven.pixel(0, 163)), QColor(Qt::magenta));
    }

    void invalidDrawingOrCancelledDialogPrintsNothing()
    {
        auto p = StartWith(Frame + "Foo\n");
        QVERIFY(p);
        p->print();
        QCOMPARE(p->dialogs.printerRequests, 0);
        QCOMPARE(p->dialogs.notices().size(), std::size_t(1));  // the screen run's report
        QVERIFY(!p->box.exists(QStringLiteral("LastPrint.log")));

        auto q = StartWith(Frame);
        QVERIFY(q);
        q->dialogs.accept = false;
        q->print();
        QCOMPARE(q->dialogs.printerRequests, 1);
        QVERIFY(q->dialogs.notices().empty());
        QVERIFY(!q->box.exists(QStringLiteral("LastPrint.log")));
        QVERIFY(!q->box.exists(QStringLiteral("out.pdf")));
    }

    void longPrintRunShowsProgressAndStopsBeforeThePrinter()
    {
        auto p = StartWith(Frame);
        QVERIFY(p);
        // The script becomes one that runs for ever while the printer dialog
        // is open, so only the print run meets it.
        std::string endless = Frame + "Procedure A0\nPoint 2, 2\nEnd\n";
        for (int i = 1; i <= 40; ++i)
            endless += "Procedure A" + std::to_string(i) + "\nA" + std::to_string(i - 1) + "\nA" +
                       std::to_string(i - 1) + "\nEnd\n";
        endless += "A40\n";
        p->dialogs.beforePrint = [&] { p->window->form().MEMO_SCRIPT->setPlainText(QString::fromStdString(endless)); };
        bool stopShown = false;
        QString progress;
        bool wholeProgramBusy = true;
        QTimer::singleShot(900 * SlowBuild, p->window.get(), [&] {
            stopShown = p->window->stopButton()->isVisible();
            progress = p->window->runStatusLabel()->text();
            wholeProgramBusy = QApplication::overrideCursor() != nullptr;
            p->window->stopButton()->click();
        });
        QElapsedTimer clock;
        clock.start();
        p->print();
        QVERIFY(clock.elapsed() < 5000 * SlowBuild);
        QVERIFY(stopShown);
        QVERIFY(progress.startsWith("Running line "));
        // The editor keeps taking keys: the busy pointer is not over it.
        QVERIFY(!wholeProgramBusy);
        QVERIFY(!p->window->stopButton()->isVisible());
        QVERIFY(p->window->runStatusLabel()->text().startsWith("Stopped at line "));
        // No box, nothing sent to the printer, the screen drawing kept.
        QVERIFY(p->dialogs.notices().empty());
        QVERIFY(!p->box.exists(QStringLiteral("out.pdf")));
        QVERIFY(p->window->interpreter().drawingValid());
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);

        // The next print runs to its end and reaches the printer.
        p->window->form().MEMO_SCRIPT->setPlainText(QString::fromStdString(Frame));
        p->dialogs.beforePrint = nullptr;
        p->print();
        QVERIFY(p->dialogs.notices().empty());
        QVERIFY(p->box.exists(QStringLiteral("out.pdf")));
        QVERIFY(p->window->runStatusLabel()->text().isEmpty());
    }

    void tooSmallPageGivesABlankPage()
    {
        // floor(2 * 2 / 10) = 0: nothing is drawn, the page is still printed.
        auto p = StartWith(Frame, "[Print]\nStretch=10\n");
        QVERIFY(p);
        p->print();
        QVERIFY(p->dialogs.notices().empty());
        QVERIFY(p->pdf().rfind("%PDF", 0) == 0);
        QCOMPARE(PictureSize(p->pdf()), std::make_pair(-1, -1));
        QCOMPARE(p->window->interpreter().state().pixelsPerUnit, 2);
    }
};

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
