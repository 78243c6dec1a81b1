#include "shell/print/print_job.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>

#include "platform/surface.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "shell/print/record_painter.h"
#include "shell/run/print_run.h"
#include "vector/drawing_record.h"

namespace kresbon {

namespace {

// CUPS hands out no port, so a printer is reported as on CUPS and a file
// as what it is printed into.
std::string PrinterEntry(const QPrinter& printer)
{
    const bool toFile = !printer.outputFileName().isEmpty();
    QString name = printer.printerName();
    if (name.isEmpty()) name = printer.outputFormat() == QPrinter::PdfFormat ? QStringLiteral("PDF") : QStringLiteral("?");
    const QString port = toFile ? printer.outputFileName() : QStringLiteral("CUPS");
    return (name + QStringLiteral(" on ") + port).toStdString();
}

std::unique_ptr<Surface> MakePrintBitmap(const PrintLayout& layout, int depth, Rgb background,
                                         int languageBase)
{
    const long long width = layout.bitmapWidth;
    const long long height = layout.bitmapHeight;
    const auto tooLarge = [&] {
        return vyjimka(Text(languageBase, TextId::DrawingTooLargeHead) + std::to_string(width) + " x " +
                       std::to_string(height) + Text(languageBase, TextId::DrawingTooLargeTail));
    };
    if (width > std::numeric_limits<int>::max() || height > std::numeric_limits<int>::max() ||
        (height > 0 && width > PrintRun::MaxBitmapPixels() / height))
        throw tooLarge();
    std::unique_ptr<Surface> bitmap;
    try {
        bitmap = std::make_unique<Surface>(static_cast<int>(width), static_cast<int>(height), depth);
    } catch (const std::bad_alloc&) {
        throw tooLarge();
    }
    bitmap->setBrush(background, BrushStyle::Solid);
    bitmap->fillRect(0, 0, bitmap->width(), bitmap->height());
    return bitmap;
}

// Rows top .. top + rows of the bitmap. A palette bitmap goes to the printer
// as a palette image, so that a PDF keeps it small and free of compression
// artefacts.
QImage PageImage(const Surface& bitmap, int top, int rows)
{
    const std::size_t width = static_cast<std::size_t>(bitmap.width());
    if (bitmap.palette().empty()) {
        QImage image(bitmap.width(), rows, QImage::Format_RGB32);
        for (int y = 0; y < rows; ++y)
            bitmap.readRow(top + y, std::span<Rgb>(reinterpret_cast<Rgb*>(image.scanLine(y)), width));
        return image;
    }
    QImage image(bitmap.width(), rows, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (Rgb c : bitmap.palette()) colours.push_back(qRgb(redOf(c), greenOf(c), blueOf(c)));
    image.setColorTable(colours);
    for (int y = 0; y < rows; ++y)
        bitmap.readIndices(top + y, std::span<std::uint8_t>(image.scanLine(y), width));
    return image;
}

QString PrinterDescription(const QPrinter& printer)
{
    return printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
}

std::runtime_error PrinterError(int languageBase, TextId head, TextId tail, const QPrinter& printer)
{
    return std::runtime_error(TextUtf8(languageBase, head) + '"' + PrinterDescription(printer).toStdString() + '"' +
                              TextUtf8(languageBase, tail));
}

void SendToPrinter(QPrinter& printer, int languageBase, const std::function<void(QPainter&)>& paint)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrinterError(languageBase, TextId::CannotStartPrintingOnHead, TextId::CannotStartPrintingOnTail, printer);
    paint(painter);
    if (!painter.end())
        throw PrinterError(languageBase, TextId::PrintingOnFailedHead, TextId::PrintingOnFailedTail, printer);
}

}  // namespace

void DrawPrintBitmap(QPainter& painter, const Surface& bitmap, long long placedWidth, long long placedHeight,
                     qsizetype bandBytes)
{
    if (bitmap.width() <= 0 || bitmap.height() <= 0) return;
    const auto clamp = [](long long v) {
        return std::min<long long>(v, std::numeric_limits<int>::max());
    };
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Thin lines must reach the paper without compression artefacts.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    // Band edges fall on whole printer pixels, so the bands meet without a
    // gap or an overlap.
    const long long width = clamp(placedWidth);
    const long long height = clamp(placedHeight);
    const qsizetype rowBytes = static_cast<qsizetype>(bitmap.width()) * 4;
    const int bandRows = static_cast<int>(std::clamp<qsizetype>(bandBytes / rowBytes, 1, bitmap.height()));
    const auto edge = [&](int row) { return static_cast<int>(height * row / bitmap.height()); };
    for (int top = 0; top < bitmap.height(); top += bandRows) {
        const int rows = std::min(bandRows, bitmap.height() - top);
        painter.drawImage(QRect(0, edge(top), static_cast<int>(width), edge(top + rows) - edge(top)),
                          PageImage(bitmap, top, rows));
    }
}

PrintRecord PrinterFigures(const QPrinter& printer)
{
    PrintRecord record;
    record.printer = PrinterEntry(printer);
    record.dpiX = printer.logicalDpiX();
    record.dpiY = printer.logicalDpiY();
    record.pageWidth = printer.width();
    record.pageHeight = printer.height();
    const QRect sheet = printer.pageLayout().fullRectPixels(printer.resolution());
    record.physicalWidth = sheet.width();
    record.physicalHeight = sheet.height();
    record.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    return record;
}

QString PrintLogPath(const QString& settingsPath)
{
    return QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("LastPrint.log"));
}

void PrintDrawingOn(QPrinter& printer, PrintRun& run, const ScriptLines& lines, int stretch, int depth,
                    bool vectors)
{
    const DrawingState& state = run.state();
    const PrintLayout layout = FitDrawingToPage(printer.width(), printer.height(), state.pixelsPerUnit,
                                                state.maximumX, state.maximumY, stretch);
    if (vectors && run.shapes() != nullptr) {
        const DrawingRecord& shapes = *run.shapes();
        SendToPrinter(printer, run.languageBase(), [&](QPainter& painter) {
            if (shapes.width() <= 0 || shapes.height() <= 0) return;
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.scale(static_cast<double>(layout.placedWidth) / shapes.width(),
                          static_cast<double>(layout.placedHeight) / shapes.height());
            PaintRecordOn(painter, shapes);
        });
        return;
    }
    const std::unique_ptr<Surface> bitmap =
        MakePrintBitmap(layout, depth, state.backgroundColor, run.languageBase());
    run.runOnto(*bitmap, lines, layout.scale);
    SendToPrinter(printer, run.languageBase(), [&](QPainter& painter) {
        DrawPrintBitmap(painter, *bitmap, layout.placedWidth, layout.placedHeight);
    });
}

}  // namespace kresbon
