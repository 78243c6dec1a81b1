#include "codecs/png_writer.h"

#include <png.h>

#include <algorithm>
#include <charconv>
#include <csetjmp>
#include <optional>
#include <span>
#include <vector>

#include "codecs/atomic_file.h"
#include "codecs/colour_lookup.h"
#include "codecs/png_callbacks.h"
#include "platform/palette.h"

namespace kresbon {
namespace {

std::string decimal(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// What the library's callbacks need: where the bytes go and the library's
// last error message.
struct Output {
    AtomicFile* file;
    char message[200];
};

void putBytes(png_structp png, png_bytep data, png_size_t size)
{
    auto* output = static_cast<Output*>(png_get_error_ptr(png));
    if (!output->file->write(data, size)) png_error(png, "write failed");
}

void flushNothing(png_structp) {}

// One row of the surface in the file's own pixel layout.
class RowMaker {
public:
    explicit RowMaker(const Surface& surface) : surface_(surface)
    {
        const std::vector<Rgb>& palette = surface.palette();
        colours_.resize(static_cast<std::size_t>(surface.width()));
        if (palette.empty()) {
            row_.resize(static_cast<std::size_t>(surface.width()) * 3);
        } else {
            row_.resize(static_cast<std::size_t>(surface.width()));
            lookup_ = std::ranges::equal(palette, halftonePalette()) ? &halftoneLookup()
                                                                     : &ownLookup_.emplace(palette);
        }
    }

    png_bytep row(int y)
    {
        surface_.readRow(y, colours_);
        const Rgb* pixel = colours_.data();
        const Rgb* end = pixel + surface_.width();
        std::uint8_t* out = row_.data();
        if (lookup_ == nullptr) {
            for (; pixel != end; ++pixel, out += 3) {
                out[0] = static_cast<std::uint8_t>(redOf(*pixel));
                out[1] = static_cast<std::uint8_t>(greenOf(*pixel));
                out[2] = static_cast<std::uint8_t>(blueOf(*pixel));
            }
        } else {
            // Drawings are mostly long runs of one colour.
            for (; pixel != end; ++pixel, ++out) {
                if (*pixel != last_) {
                    last_ = *pixel;
                    lastIndex_ = (*lookup_)(last_);
                }
                *out = lastIndex_;
            }
        }
        return row_.data();
    }

private:
    const Surface& surface_;
    std::vector<Rgb> colours_;
    std::vector<std::uint8_t> row_;
    std::optional<ColourLookup> ownLookup_;
    const ColourLookup* lookup_ = nullptr;
    Rgb last_ = 0xFFFFFFFFu;
    std::uint8_t lastIndex_ = 0;
};

// Runs the whole encoding; false when the library reports an error. The
// error exit jumps over this function's frame, so nothing here may need a
// destructor.
bool encode(png_structp png, png_infop info, const Surface& surface, const png_color* palette, int colours,
            RowMaker& rows)
{
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_write_fn(png, nullptr, putBytes, flushNothing);
    // The library refuses more than a million pixels a side unless told
    // otherwise; the format itself allows 2^31 - 1.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_IHDR(png, info, static_cast<png_uint_32>(surface.width()), static_cast<png_uint_32>(surface.height()),
                 8, colours > 0 ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colours > 0) png_set_PLTE(png, info, palette, colours);
    png_write_info(png, info);
    for (int y = 0; y < surface.height(); ++y) png_write_row(png, rows.row(y));
    png_write_end(png, info);
    return true;
}

}  // namespace

void WritePngFile(const Surface& surface, const std::string& path)
{
    if (surface.width() < 1 || surface.height() < 1) {
        ThrowFileWriteError(path, "a PNG file holds at least one pixel a side, the drawing has " +
                                      decimal(surface.width()) + " x " + decimal(surface.height()));
    }
    std::vector<png_color> palette;
    for (const Rgb c : surface.palette()) {
        palette.push_back(png_color{static_cast<png_byte>(redOf(c)), static_cast<png_byte>(greenOf(c)),
                                    static_cast<png_byte>(blueOf(c))});
    }
    RowMaker rows(surface);

    AtomicFile file(path);
    Output output{&file, "out of memory"};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &output, png_callbacks::keepError<Output>,
                                              png_callbacks::ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool done =
        info != nullptr && encode(png, info, surface, palette.data(), static_cast<int>(palette.size()), rows);
    png_destroy_write_struct(&png, &info);
    if (!done) {
        file.throwIfWriteFailed();
        file.fail(std::string("PNG encoder: ") + output.message);
    }
    file.commit();
}

}  // namespace kresbon
