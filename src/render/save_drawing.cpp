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
    // None of the formats holds a picture without pixels (their readers,
    // ours included, refuse one), so such a drawing is refused before any
    // file is made.
    if (drawing.width() <= 0 || drawing.height() <= 0) {
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
