#include "render/save_drawing.h"

#include "codecs/bmp_writer.h"
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

void SaveDrawingToFile(const Surface& drawing, const std::string& path, int languageBase)
{
    const std::optional<DrawingFileFormat> format = DrawingFileFormatOf(path);
    if (!format) {
        throw vyjimka(Text(languageBase, 364) + '"' + Utf8ToCp1250(path) + '"' + Text(languageBase, 365));
    }
    switch (*format) {
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

}  // namespace kresbon
