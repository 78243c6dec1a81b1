#include "codecs/jpeg_reader.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <csetjmp>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

namespace kresbon {
namespace {

// Progressive files may hold any number of scans, each a full pass over the
// coefficients; real files have a dozen or so.
constexpr int MostScans = 500;

// The library reports fatal errors by calling error_exit, which must not
// return; it jumps back to the setjmp of the decoding step under way. The
// steps that call setjmp hold no objects with destructors, so the jump skips
// no clean-up.
struct ErrorManager {
    jpeg_error_mgr base;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

ErrorManager& managerOf(j_common_ptr info) { return *reinterpret_cast<ErrorManager*>(info->err); }

[[noreturn]] void errorExit(j_common_ptr info)
{
    ErrorManager& m = managerOf(info);
    (*info->err->format_message)(info, m.message);
    std::longjmp(m.jump, 1);
}

// Most corrupt-data warnings are let pass, as every viewer does, but image
// data that ends early is refused rather than shown with a grey tail.
void emitMessage(j_common_ptr info, int level)
{
    const int code = info->err->msg_code;
    if (level == -1 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) errorExit(info);
}

void checkScanCount(j_common_ptr info)
{
    const auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > MostScans) {
        ErrorManager& m = managerOf(info);
        std::snprintf(m.message, sizeof m.message, "more than %d scans", MostScans);
        std::longjmp(m.jump, 1);
    }
}

bool readHeader(jpeg_decompress_struct* d, ErrorManager* m, const std::uint8_t* data,
                unsigned long size)
{
    if (setjmp(m->jump)) return false;
    jpeg_mem_src(d, data, size);
    jpeg_read_header(d, TRUE);
    return true;
}

void cmykToRgb(const JSAMPLE* in, Rgb* out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Now every value is the share of light left: 255 means no ink.
        out[x] = makeRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

// Decodes row after row through row (four samples a pixel) and appends each
// to pixels, whose capacity already holds the picture: memory is touched
// only as far as the file really reaches.
bool readPixels(jpeg_decompress_struct* d, ErrorManager* m, std::vector<Rgb>* pixels, JSAMPLE* row,
                const DecodeLimits* limits)
{
    if (setjmp(m->jump)) return false;
    jpeg_start_decompress(d);
    const bool cmyk = d->out_color_space == JCS_CMYK;
    const bool inverted = d->saw_Adobe_marker;
    Rgb* const rgbRow = reinterpret_cast<Rgb*>(row);
    while (d->output_scanline < d->output_height) {
        if (limits->stopped()) return false;
        if (jpeg_read_scanlines(d, &row, 1) != 1) return false;
        if (cmyk)
            cmykToRgb(row, rgbRow, d->output_width, inverted);
        else
            for (JDIMENSION x = 0; x < d->output_width; ++x) rgbRow[x] &= 0xFFFFFF;
        pixels->insert(pixels->end(), rgbRow, rgbRow + d->output_width);
    }
    jpeg_finish_decompress(d);
    return true;
}

struct Decompressor {
    jpeg_decompress_struct info{};
    ErrorManager errors{};

    Decompressor()
    {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = errorExit;
        errors.base.emit_message = emitMessage;
        errors.progress.progress_monitor = checkScanCount;
        jpeg_create_decompress(&info);
        info.progress = &errors.progress;
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    [[noreturn]] void fail(const char* what) const
    {
        throw PictureError(std::string(what) + ": " + errors.message);
    }
};

}  // namespace

Picture ReadJpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        throw PictureError("not a JPEG file (no start-of-image marker)");
    Decompressor j;
    if (!readHeader(&j.info, &j.errors, bytes.data(), static_cast<unsigned long>(bytes.size())))
        j.fail("JPEG header is damaged");
    CheckPictureSize(j.info.image_width, j.info.image_height, limits);

    // Progressive files keep every coefficient in memory, about 2 bytes a
    // sample; more than that is a forged header.
    j.info.mem->max_memory_to_use = static_cast<long>(
        std::min<long long>(std::max<long long>(limits.maxPixels * 8, 64LL << 20), 1LL << 40));
    const bool cmyk = j.info.jpeg_color_space == JCS_CMYK || j.info.jpeg_color_space == JCS_YCCK;
    j.info.out_color_space = cmyk ? JCS_CMYK
                             : std::endian::native == std::endian::little ? JCS_EXT_BGRX
                                                                          : JCS_EXT_XRGB;

    Picture p;
    p.width = static_cast<int>(j.info.image_width);
    p.height = static_cast<int>(j.info.image_height);
    p.pixels.reserve(static_cast<std::size_t>(p.width) * p.height);
    // Every colour space comes out as four samples a pixel.
    std::vector<Rgb> row(static_cast<std::size_t>(p.width));
    if (!readPixels(&j.info, &j.errors, &p.pixels, reinterpret_cast<JSAMPLE*>(row.data()), &limits))
        j.fail("JPEG image data is damaged or cut short");
    return p;
}

}  // namespace kresbon
