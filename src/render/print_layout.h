#pragma once

#include <string>
#include <string_view>

namespace kresbon {

// Where the drawing goes on the printed page. The print bitmap is rendered
// at 1/stretch of the printer's resolution and enlarged stretch times onto
// the page, from the top-left corner of the printable area.
struct PrintLayout {
    // Pixels per drawing unit of the print run.
    int scale = 0;
    long long bitmapWidth = 0;
    long long bitmapHeight = 0;
    // Size of the rectangle at (0, 0) of the page that the bitmap fills.
    long long placedWidth = 0;
    long long placedHeight = 0;
};

// The largest whole scale at which a drawing of maximumX x maximumY units,
// drawn at pixelsPerUnit on screen, fits a printable area of pageWidth x
// pageHeight printer pixels with its proportions kept. A drawing without
// extent, or a scale below one, gives scale 0 and an empty bitmap.
PrintLayout FitDrawingToPage(int pageWidth, int pageHeight, int pixelsPerUnit,
                             long double maximumX, long double maximumY, int stretch);

// What the print log records of one print. Texts are UTF-8.
struct PrintRecord {
    std::string scriptName;
    // Local time as 14 digits YYYYMMDDHHMISS.
    std::string stamp;
    // The printer as "name on port".
    std::string printer;
    int dpiX = 0;
    int dpiY = 0;
    // Printable area, in printer pixels.
    int pageWidth = 0;
    int pageHeight = 0;
    // The whole sheet, in printer pixels.
    int physicalWidth = 0;
    int physicalHeight = 0;
    bool landscape = false;
};

// The current local date and time as YYYYMMDDHHMISS.
std::string NowStamp();

// A YYYYMMDDHHMISS stamp as DD/MM/YYYY HH:MI:SS; an empty stamp gives
// empty text.
std::string FormatStamp(std::string_view stamp);

// pixels at dpi as centimetres with two decimals, rounded half up.
std::string CentimetresText(long long pixels, int dpi);

// The eleven lines of LastPrint.log, each ending in CR LF.
std::string PrintLogText(const PrintRecord& record);

// Replaces the file at path (UTF-8) with text. Throws std::runtime_error
// naming the file, in the interface language, when it cannot be written.
void WritePrintLog(const std::string& path, const std::string& text, int languageBase);

}  // namespace kresbon
