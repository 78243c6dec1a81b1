#include "vector/save_as.h"

#include <charconv>
#include <stdexcept>

#include "codecs/atomic_file.h"
#include "interpreter/script_text.h"
#include "platform/encoding.h"
#include "platform/text_helpers.h"
#include "platform/vyjimka.h"
#include "render/save_drawing.h"
#include "vector/vector_writers.h"

namespace kresbon {

namespace {

enum class VectorFormat { None, Svg, Pdf, Dxf };

VectorFormat VectorFormatOf(std::string_view path)
{
    const std::string extension = UpperText(PathExtension(path));
    if (extension == "SVG") return VectorFormat::Svg;
    if (extension == "PDF") return VectorFormat::Pdf;
    if (extension == "DXF") return VectorFormat::Dxf;
    return VectorFormat::None;
}

}  // namespace

std::optional<double> ParseMillimetresPerUnit(std::string_view text)
{
    double mm = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), mm);
    if (ec != std::errc() || end != text.data() + text.size() || !(mm > 0) || mm > LargestMillimetresPerUnit)
        return std::nullopt;
    return mm;
}

std::string MillimetresPerUnitText(double millimetres)
{
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, millimetres);
    return ec == std::errc() ? std::string(buffer, end) : std::string("1");
}

bool IsVectorFileName(std::string_view path) { return VectorFormatOf(path) != VectorFormat::None; }

bool IsDrawingFileName(std::string_view path) { return IsVectorFileName(path) || DrawingFileFormatOf(path); }

void SaveDrawingAs(const Surface& drawing, const DrawingRecord* record, const std::string& path,
                   const SaveOptions& options)
{
    const VectorFormat format = VectorFormatOf(path);
    if (format == VectorFormat::None) {
        SaveDrawingToFile(drawing, path, options.languageBase);
        return;
    }
    if (record == nullptr) throw std::invalid_argument("vector output needs the run's shapes recorded");
    const int lang = options.languageBase;
    if (record->width() <= 0 || record->height() <= 0) {
        const std::string_view name = format == VectorFormat::Svg ? "SVG" : format == VectorFormat::Pdf ? "PDF" : "DXF";
        throw vyjimka(Text(lang, TextId::FormatTooSmallHead) + '"' + Utf8ToCp1250(path) + '"' +
                      Text(lang, TextId::FormatTooSmallBeforeFormat) + std::string(name) +
                      Text(lang, TextId::FormatTooSmallBeforeSize) + std::to_string(record->width()) + " x " +
                      std::to_string(record->height()) + Text(lang, TextId::FormatTooSmallTail));
    }
    const VectorFileSettings settings{options.millimetresPerUnit, TextUtf8(lang, TextId::VectorLayerName)};
    std::string bytes;
    try {
        switch (format) {
        case VectorFormat::Svg: bytes = SvgDocument(*record, settings); break;
        case VectorFormat::Pdf: bytes = PdfDocument(*record, settings); break;
        default: bytes = DxfDocument(*record, settings); break;
        }
    } catch (const std::runtime_error& e) {
        ThrowFileWriteError(path, e.what());
    }
    AtomicFile file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

std::vector<std::uint8_t> EmbeddedJpeg(const PictureShape& shape)
{
    if (!shape.jpegFile || shape.picture->frame) return {};
    try {
        const std::string bytes = ReadFileBytes(shape.file);
        return {bytes.begin(), bytes.end()};
    } catch (const std::exception&) {
        // The file went away since the run: its decoded pixels stand in.
        return {};
    }
}

PictureBox StoredPixelsBox(const PictureShape& shape)
{
    const Picture& p = *shape.picture;
    if (!p.frame || p.frame->screenWidth <= 0 || p.frame->screenHeight <= 0)
        return {static_cast<double>(shape.x), static_cast<double>(shape.y), static_cast<double>(shape.width),
                static_cast<double>(shape.height)};
    const double sx = static_cast<double>(shape.width) / p.frame->screenWidth;
    const double sy = static_cast<double>(shape.height) / p.frame->screenHeight;
    return {shape.x + p.frame->left * sx, shape.y + p.frame->top * sy, p.width * sx, p.height * sy};
}

}  // namespace kresbon
