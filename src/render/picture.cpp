#include "render/picture.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <span>
#include <filesystem>
#include <memory>
#include <optional>

#include "codecs/file_access.h"
#include "codecs/picture.h"
#include "codecs/png_reader.h"
#include "platform/expression.h"
#include "platform/script_path.h"
#include "platform/shape_sink.h"
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

// PNG pictures of more pixels are not decoded whole and kept: they are
// drawn row by row as they are decoded, each time they are placed, so that
// whatever size a file declares they take a few rows of memory.
constexpr long long WholePngPixels = 4LL << 20;

// Draws the rows of a PNG picture into its box as they are decoded; a size
// of 0 is the picture's own.
class PlacedRows : public PictureRowSink {
public:
    PlacedRows(Surface& canvas, int x, int y, int w, int h) : canvas_(canvas), x_(x), y_(y), w_(w), h_(h) {}
    void begin(int width, int height) override
    {
        stretch_.emplace(canvas_, width, height, x_, y_, w_ > 0 ? w_ : width, h_ > 0 ? h_ : height);
    }
    bool wants(int y) const override { return stretch_->wants(y); }
    void row(int y, const Rgb* pixels) override { stretch_->row(y, pixels); }

private:
    Surface& canvas_;
    int x_, y_, w_, h_;
    std::optional<StretchRows> stretch_;
};

[[noreturn]] void raiseOnFile(int lang, TextId before, const std::string& path, TextId after)
{
    throw vyjimka(Text(lang, before) + '"' + Utf8ToCp1250(path) + '"' + Text(lang, after));
}

}  // namespace

void DrawPicture(Surface& canvas, int x, int y, std::string_view fileParameter,
                 std::string_view widthParameter, std::string_view heightParameter,
                 const PictureSettings& settings)
{
    const int lang = settings.languageBase;
    const std::string name = Trim(PlainField(fileParameter, QuoteChar, 2));
    if (name.empty()) throw vyjimka(Text(lang, TextId::PictureFileNameMissing));
    const std::string path =
        ResolveScriptFileName(name, settings.currentScriptFile, settings.programFolder);
    if (settings.filesNamed) settings.filesNamed->insert(path);
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

    // Vector output keeps every picture whole.
    const long long wholePixels = canvas.shapeSink() ? std::numeric_limits<long long>::max() : WholePngPixels;
    std::shared_ptr<const Picture> picture;
    try {
        PictureOrRows loaded = LoadPictureOrRows(path, *kind, canvas.stopFlag(), wholePixels);
        if (!loaded.picture) {
            PlacedRows rows(canvas, x, y, w, h);
            ReadPngRows(std::span(reinterpret_cast<const std::uint8_t*>(loaded.pngBytes.data()), loaded.pngBytes.size()),
                        rows, DecodeLimits{.stop = canvas.stopFlag()});
            return;
        }
        picture = std::move(loaded.picture);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        // A stopped run ends with its own message.
        if (canvas.stopped()) return;
        raiseOnFile(lang, TextId::FileCorruptedHead, path, TextId::FileCorruptedTail);
    }
    if (w == 0) w = picture->drawnWidth();
    if (h == 0) h = picture->drawnHeight();
    if (ShapeSink* sink = canvas.shapeSink())
        sink->picture({picture, path, *kind == PictureKind::Jpeg, *kind == PictureKind::Png, x, y, w, h});
    DrawPlacedPicture(canvas, *picture, x, y, w, h);
}

}  // namespace kresbon
