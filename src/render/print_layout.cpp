#include "render/print_layout.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <limits>
#include <stdexcept>

#include "platform/texts.h"

namespace kresbon {

namespace {

// floor(scale * extent) as a pixel count; no extent gives none.
long long FlooredPixels(long double scale, long double extent)
{
    const long double pixels = std::floor(scale * extent);
    if (!(pixels > 0)) return 0;
    if (pixels >= static_cast<long double>(std::numeric_limits<long long>::max()))
        return std::numeric_limits<long long>::max();
    return static_cast<long long>(pixels);
}

// How many times the drawing fits one page dimension; infinity for a
// dimension the drawing does not extend in.
long double FitFactor(int pagePixels, long double drawingPixels)
{
    if (!(drawingPixels > 0)) return std::numeric_limits<long double>::infinity();
    return static_cast<long double>(pagePixels) / drawingPixels;
}

void AppendPadded(std::string& text, int value, int width)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    text += digits;
}

}  // namespace

PrintLayout FitDrawingToPage(int pageWidth, int pageHeight, int pixelsPerUnit,
                             long double maximumX, long double maximumY, int stretch)
{
    PrintLayout layout;
    if (pixelsPerUnit <= 0 || stretch <= 0) return layout;
    const long double p = pixelsPerUnit;
    const long double d = std::min(FitFactor(pageHeight, p * maximumY), FitFactor(pageWidth, p * maximumX));
    const long double scale = std::floor(p * d / stretch);
    if (!(scale >= 1) || !std::isfinite(scale)) return layout;
    layout.scale = scale >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                            : static_cast<int>(scale);
    layout.bitmapWidth = FlooredPixels(layout.scale, maximumX);
    layout.bitmapHeight = FlooredPixels(layout.scale, maximumY);
    layout.placedWidth = FlooredPixels(static_cast<long double>(stretch) * layout.scale, maximumX);
    layout.placedHeight = FlooredPixels(static_cast<long double>(stretch) * layout.scale, maximumY);
    return layout;
}

std::string NowStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::string stamp;
    AppendPadded(stamp, local.tm_year + 1900, 4);
    AppendPadded(stamp, local.tm_mon + 1, 2);
    AppendPadded(stamp, local.tm_mday, 2);
    AppendPadded(stamp, local.tm_hour, 2);
    AppendPadded(stamp, local.tm_min, 2);
    AppendPadded(stamp, local.tm_sec, 2);
    return stamp;
}

std::string FormatStamp(std::string_view stamp)
{
    if (stamp.empty()) return {};
    // Characters counted from 1, as the stamp's fields are described.
    const auto part = [stamp](std::size_t from, std::size_t count) {
        return from - 1 < stamp.size() ? std::string(stamp.substr(from - 1, count)) : std::string();
    };
    return part(7, 2) + "/" + part(5, 2) + "/" + part(1, 4) + " " + part(9, 2) + ":" + part(11, 2) +
           ":" + part(13, 2);
}

std::string CentimetresText(long long pixels, int dpi)
{
    if (dpi <= 0) return "0.00";
    // Hundredths of a centimetre: pixels * 254 / dpi, rounded half away from zero.
    const long long numerator = pixels * 254;
    const bool negative = numerator < 0;
    const unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(numerator) : static_cast<unsigned long long>(numerator);
    const unsigned long long hundredths = (2 * magnitude + static_cast<unsigned long long>(dpi)) /
                                          (2 * static_cast<unsigned long long>(dpi));
    std::string text = negative && hundredths != 0 ? "-" : "";
    text += std::to_string(hundredths / 100);
    text += '.';
    AppendPadded(text, static_cast<int>(hundredths % 100), 2);
    return text;
}

std::string PrintLogText(const PrintRecord& r)
{
    const auto line = [](std::string_view label, const std::string& value) {
        std::string text(label);
        text.resize(19, ' ');
        return text + value + "\r\n";
    };
    const auto n = [](long long v) { return std::to_string(v); };
    const auto pair = [](const std::string& a, const std::string& b) { return a + " x " + b; };
    std::string text;
    text += line("ScriptName:", r.scriptName);
    text += line("Date:", FormatStamp(r.stamp));
    text += line("Printer:", r.printer);
    text += line("PixelsPerInch:", n(r.dpiX) + " dpi x " + n(r.dpiY) + " dpi");
    text += line("PageWidth:", n(r.pageWidth));
    text += line("PageHeight:", n(r.pageHeight));
    text += line("PageRes:", pair(n(r.pageWidth), n(r.pageHeight)));
    text += line("PageRes (cm):", pair(CentimetresText(r.pageWidth, r.dpiX), CentimetresText(r.pageHeight, r.dpiY)));
    text += line("PhysPageSize:", pair(n(r.physicalWidth), n(r.physicalHeight)));
    text += line("PhysPageSize (cm):",
                 pair(CentimetresText(r.physicalWidth, r.dpiX), CentimetresText(r.physicalHeight, r.dpiY)));
    text += line("Orientation:", r.landscape ? "Landscape" : "Portrait");
    return text;
}

void WritePrintLog(const std::string& path, const std::string& text, int languageBase)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (file) file.close();
    if (!file) {
        const int error = errno;
        throw std::runtime_error(TextUtf8(languageBase, 571) + '"' + path + "\": " +
                                 (error != 0 ? std::string(std::strerror(error)) : TextUtf8(languageBase, 572)) +
                                 ".");
    }
}

}  // namespace kresbon
