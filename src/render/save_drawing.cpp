#include "render/save_drawing.h"

#include <stdexcept>
#include <string>

#include "codecs/bmp_writer.h"
#include "codecs/file_access.h"
#include "codecs/gif_writer.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "platform/text_helpers.h"
#include "platform/encoding.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

std::optional<DrawingFileFormat> DrawingFileFormatOf(std::string_view path)
{
    const std::string extension = UpperText(PathExtension(path));
    if (extension == "BMP") return DrawingFileFormat::Bmp;
    if (extension == "GIF") return DrawingFileFormat::Gif;
    if (extension == "JPG" || extension == "JPEG") return DrawingFileFormat::Jpeg;
    if (extension == "PNG") return DrawingFileFormat::Png;
    return std::nullopt;
}

namespace {

std::string_view formatName(DrawingFileFormat format)
{
    switch (format) {
    case DrawingFileFormat::Bmp: return "BMP";
    case DrawingFileFormat::Gif: return "GIF";
    case DrawingFileFormat::Jpeg: return "JPEG";
    case DrawingFileFormat::Png: return "PNG";
    }
    return {};
}

// Whether a file of the format can hold a drawing of this size; a drawing
// without pixels fits none of them (their readers, ours included, refuse one).
bool formatHolds(DrawingFileFormat format, int width, int height)
{
    if (width <= 0 || height <= 0) return false;
    switch (format) {
    case DrawingFileFormat::Gif: return width <= LargestGifSide && height <= LargestGifSide;
    case DrawingFileFormat::Jpeg: return width <= LargestJpegSide && height <= LargestJpegSide;
    case DrawingFileFormat::Bmp:
    case DrawingFileFormat::Png: return true;
    }
    return false;
}

void writeFile(const Surface& drawing, const std::string& path, DrawingFileFormat format)
{
    switch (format) {
    case DrawingFileFormat::Bmp:
        WriteBmpFile(drawing, path);
        break;
    case DrawingFileFormat::Gif:
        WriteGifFile(drawing, path);
        break;
    case DrawingFileFormat::Jpeg:
        WriteJpegFile(drawing, path);
        break;
    case DrawingFileFormat::Png:
        WritePngFile(drawing, path);
        break;
    }
}

}  // namespace

void SaveDrawingToFile(const Surface& drawing, const std::string& path, int languageBase)
{
    const std::optional<DrawingFileFormat> format = DrawingFileFormatOf(path);
    if (!format) {
        throw vyjimka(Text(languageBase, TextId::CannotSaveDrawingHead) + '"' + Utf8ToCp1250(path) + '"' +
                      Text(languageBase, TextId::CannotSaveDrawingTail));
    }
    // A drawing the format cannot hold is refused before any file is made.
    if (!formatHolds(*format, drawing.width(), drawing.height())) {
        throw vyjimka(Text(languageBase, TextId::FormatTooSmallHead) + '"' + Utf8ToCp1250(path) + '"' +
                      Text(languageBase, TextId::FormatTooSmallBeforeFormat) + std::string(formatName(*format)) +
                      Text(languageBase, TextId::FormatTooSmallBeforeSize) + std::to_string(drawing.width()) + " x " +
                      std::to_string(drawing.height()) + Text(languageBase, TextId::FormatTooSmallTail));
    }
    try {
        writeFile(drawing, path, *format);
    } catch (const FileError& e) {
        throw std::runtime_error(e.message(languageBase));
    }
}

}  // namespace kresbon
