#pragma once

// print/: printing the drawing: the print run's bitmap, the printer's
// figures and the print log. The print run itself goes to the worker
// through run/.

#include <QString>
#include <QtGlobal>
#include <string>
#include <vector>

#include "interpreter/script_text.h"
#include "render/print_layout.h"

class QPainter;
class QPrinter;

namespace kresbon {

class PrintRun;
class Surface;

// Rows of the print bitmap go to the printer in bands of about this many
// bytes, so that a page at printer resolution never needs a second copy of
// the whole bitmap on its way.
constexpr qsizetype PrintBandBytes = 8 << 20;

// Paints the print bitmap enlarged onto (0, 0, placedWidth, placedHeight)
// without smoothing, band by band.
void DrawPrintBitmap(QPainter& painter, const Surface& bitmap, long long placedWidth, long long placedHeight,
                     qsizetype bandBytes = PrintBandBytes);

// The chosen printer's page as the page fit and the print log see it:
// resolution, printable area, whole sheet and orientation. The script name
// and the time are left for the caller.
PrintRecord PrinterFigures(const QPrinter& printer);

// LastPrint.log beside the settings file.
QString PrintLogPath(const QString& settingsPath);

// Runs the script a second time onto a print bitmap of its own, at the
// scale that fits the printer's page, and prints the bitmap enlarged
// stretch times from the top-left corner of the printable area. The print
// run starts from the drawing state the screen run left; its PixelsPerUnit
// is restored on every path. Errors propagate; a started print job is
// ended first. With vectors, the page is instead painted from the shapes the
// screen run recorded, at the same place and size the bitmap would fill.
void PrintDrawingOn(QPrinter& printer, PrintRun& run, const ScriptLines& lines, int stretch, int depth,
                    bool vectors = false);

}  // namespace kresbon
