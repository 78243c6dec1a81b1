#include "render/picture.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>

#include "codecs/file_access.h"
#include "codecs/picture.h"
#include "platform/expression.h"
#include "platform/script_path.h"
#include "platform/text_helpers.h"
#include "platform/encoding.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "render/picture_cache.h"
#include "render/picture_frame.h"
#include "render/stretch_draw.h"

namespace kresbon {
namespace {

// Sizes are held here, as every pixel coordinate is; larger boxes lie far
// beyond any drawing.
constexpr long double PixelLimit = 1LL << 30;

std::optional<PictureKind> kindOfExtension(const std::string& extension)
{
    if (extension == "BMP") return PictureKind::Bmp;
    if (extension == "GIF") return PictureKind::Gif;
    if (extension == "JPG" || extension == "JPEG") return PictureKind::Jpeg;
    if (extension == "PNG") return PictureKind::Png;
    return std::nullopt;
}

// Pixels of an optional size parameter: 0 when it is empty or not positive.
int sizeInPixels(std::string_view parameter, int pixelsPerUnit, TextId message, int lang)
{
    if (parameter.empty()) return 0;
    const std::optional<long double> units = EvaluateNumber(parameter);
    if (!units || std::isnan(*units)) throw vyjimka(Text(lang, message));
    if (*units <= 0) return 0;
    const long double pixels = std::floor(static_cast<long double>(pixelsPerUnit) * *units);
    return static_cast<int>(std::clamp(pixels, 0.0L, PixelLimit));
}

[[noreturn]] void raiseOnFile(int lang, TextId before, const std::string& path, TextId after)
{
    throw vyjimka(Text(lang, before) + '"' + Utf8ToCp1250(path) + '"' + Text(lang, after));
}

}  // namespace

std::string PictureFilePath(std::string_view fileParameter, const PictureSettings& settings)
{
    const std::string name = Trim(PlainField(fileParameter, QuoteChar, 2));
    if (name.empty()) throw vyjimka(Text(settings.languageBase, TextId::PictureFileNameMissing));
    return ResolveScriptFileName(name, settings.currentScriptFile, settings.programFolder);
}

void DrawPicture(Surface& canvas, int x, int y, std::string_view fileParameter,
                 std::string_view widthParameter, std::string_view heightParameter,
                 const PictureSettings& settings)
{
    const int lang = settings.languageBase;
    const std::string path = PictureFilePath(fileParameter, settings);
    if (!IsReadableRegularFile(path)) {
        // A named pipe, a device or a file without read permission is there
        // but cannot be read; a folder counts as no file at all.
        std::error_code ec;
        if (std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec))
            raiseOnFile(lang, TextId::FileCannotBeReadHead, path, TextId::FileCannotBeReadTail);
        raiseOnFile(lang, TextId::FileNotExistHead, path, TextId::FileNotExistTail);
    }
    const std::optional<PictureKind> kind = kindOfExtension(UpperText(PathExtension(Utf8ToCp1250(path))));
    if (!kind) raiseOnFile(lang, TextId::FileNotPictureHead, path, TextId::FileNotPictureTail);
    int w = sizeInPixels(Trim(widthParameter), settings.pixelsPerUnit, TextId::ParameterWidthIsNotNumber, lang);
    int h = sizeInPixels(Trim(heightParameter), settings.pixelsPerUnit, TextId::ParameterHeightIsNotNumber, lang);

    std::shared_ptr<const Picture> picture;
    try {
        picture = LoadPictureFile(path, *kind);
    } catch (const std::exception&) {
        raiseOnFile(lang, TextId::FileCorruptedHead, path, TextId::FileCorruptedTail);
    }
    if (w == 0) w = picture->drawnWidth();
    if (h == 0) h = picture->drawnHeight();
    DrawPlacedPicture(canvas, *picture, x, y, w, h);
}

}  // namespace kresbon
