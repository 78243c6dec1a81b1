#include "codecs/png_reader.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "codecs/png_callbacks.h"

namespace kresbon {
namespace {

// deflate cannot expand its input more than about 1032 times; the margin
// covers stream headers and the last block.
constexpr unsigned long long kLargestInflation = 1033;
constexpr unsigned long long kInflationMargin = 4096;

// Ancillary chunks that nothing here uses; skipping them keeps the library
// from inflating text or colour profiles a file may carry.
constexpr png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                      "sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";

struct Input {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
    char message[200] = "out of memory";
};

void takeBytes(png_structp png, png_bytep out, png_size_t size)
{
    auto* input = static_cast<Input*>(png_get_error_ptr(png));
    if (input->bytes.size() - input->at < size) png_error(png, "file is cut short");
    std::memcpy(out, input->bytes.data() + input->at, size);
    input->at += size;
}

std::uint32_t bigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The bytes of image data the file holds, counting what a chunk cut short
// still has.
unsigned long long compressedImageBytes(std::span<const std::uint8_t> bytes)
{
    unsigned long long total = 0;
    std::size_t at = 8;
    while (bytes.size() >= at + 8) {
        const unsigned long long length = bigEndian32(&bytes[at]);
        const bool imageData = std::memcmp(&bytes[at + 4], "IDAT", 4) == 0;
        if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0) break;
        at += 8;
        const unsigned long long present = std::min<unsigned long long>(length, bytes.size() - at);
        if (imageData) total += present;
        if (present < length) break;
        at += length + 4;
    }
    return total;
}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitsPerPixel = 0;
    bool interlaced = false;
    // Sixteen-bit alpha is kept whole: only an alpha of exactly 0 makes a
    // pixel transparent, and 1 of 65535 would shrink to 0 in eight bits.
    bool wideAlpha = false;
};

// Reads up to the first image data; false when the library reports an
// error. The error exit jumps over this function's frame, so nothing here
// may need a destructor (nor in the other functions that set a jump).
bool readHeader(png_structp png, png_infop info, Header& header)
{
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                static_cast<int>(sizeof kIgnoredChunks / 5));
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_read_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.bitsPerPixel = png_get_bit_depth(png, info) * png_get_channels(png, info);
    header.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    header.wideAlpha =
        png_get_bit_depth(png, info) == 16 && (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0;
    return true;
}

// Sets the transformations that give red, green, blue and alpha samples of
// one byte each, or of two bytes with wideAlpha. The library takes its row
// memory here, so the size must have been checked before.
bool prepareRows(png_structp png, png_infop info, const Header& header)
{
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_expand(png);
    if (!header.wideAlpha) png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != header.width * (header.wideAlpha ? 8 : 4))
        png_error(png, "unexpected row layout");
    return true;
}

// Row by row and pass by pass into rows that hold four bytes a pixel;
// libpng writes each pass's pixels of a row and leaves the others.
bool readNarrowRows(png_structp png, png_bytepp rows, int height, bool interlaced, const DecodeLimits& limits)
{
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            if (limits.stopped()) png_error(png, "stopped");
            png_read_row(png, rows[y], nullptr);
        }
    }
    return true;
}

// Pixels of a row of 8-bit samples, which may lie in the pixels themselves.
void takeNarrowRow(const std::uint8_t* rgba, Rgb* out, int width, bool& transparency)
{
    for (int x = 0; x < width; ++x, rgba += 4) {
        const bool clear = rgba[3] == 0;
        transparency |= clear;
        out[x] = clear ? Picture::TransparentPixel : makeRgb(rgba[0], rgba[1], rgba[2]);
    }
}

// Pixels of a row of 16-bit samples, most significant byte first.
void takeWideRow(const std::uint8_t* rgba, Rgb* out, int width, bool& transparency)
{
    for (int x = 0; x < width; ++x, rgba += 8) {
        const bool clear = (rgba[6] | rgba[7]) == 0;
        transparency |= clear;
        out[x] = clear ? Picture::TransparentPixel : makeRgb(rgba[0], rgba[2], rgba[4]);
    }
}

// Row by row through one row of samples into the pixels. An interlaced file
// is read pass by pass, each pass's pixels of a row taken as they come, so
// that the image is held once, at a pixel's four bytes.
bool readWideRows(png_structp png, png_bytep row, Picture& p, bool interlaced, const DecodeLimits& limits)
{
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    const std::size_t width = static_cast<std::size_t>(p.width);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < p.height; ++y) {
            if (limits.stopped()) png_error(png, "stopped");
            png_read_row(png, row, nullptr);
            if (interlaced && !PNG_ROW_IN_INTERLACE_PASS(y, pass)) continue;
            Rgb* out = &p.pixels[static_cast<std::size_t>(y) * width];
            if (!interlaced) {
                takeWideRow(row, out, p.width, p.hasTransparency);
                continue;
            }
            for (std::size_t x = PNG_PASS_START_COL(pass); x < width; x += std::size_t{1} << PNG_PASS_COL_SHIFT(pass))
                takeWideRow(row + 8 * x, out + x, 1, p.hasTransparency);
        }
    }
    return true;
}

struct ReadStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStruct() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Reads the header, checks the size against the limits and the file, and
// sets up the rows; throws PictureError for a file that is not a sound PNG.
Header openPng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits, Input& input, ReadStruct& read)
{
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) throw PictureError("not a PNG file");
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, png_callbacks::keepError<Input>,
                                      png_callbacks::ignoreWarning);
    if (read.png) read.info = png_create_info_struct(read.png);
    if (!read.info) throw PictureError("PNG decoder: out of memory");
    png_set_read_fn(read.png, nullptr, takeBytes);

    Header header;
    if (!readHeader(read.png, read.info, header))
        throw PictureError(std::string("PNG file is damaged: ") + input.message);
    CheckPictureSize(header.width, header.height, limits);
    const unsigned long long needed =
        static_cast<unsigned long long>(header.width) * header.height * header.bitsPerPixel / 8;
    if (needed > compressedImageBytes(bytes) * kLargestInflation + kInflationMargin)
        throw PictureError("PNG image data is cut short");
    if (!prepareRows(read.png, read.info, header))
        throw PictureError(std::string("PNG file is damaged: ") + input.message);
    return header;
}

// Row by row through one row of samples; the rows the sink wants become
// pixels in line.
bool readRowsInto(png_structp png, png_bytep samples, Rgb* line, const Header& header, PictureRowSink& sink,
                  const DecodeLimits& limits)
{
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    const int width = static_cast<int>(header.width);
    bool transparency = false;
    for (int y = 0; y < static_cast<int>(header.height); ++y) {
        if (limits.stopped()) png_error(png, "stopped");
        png_read_row(png, samples, nullptr);
        if (!sink.wants(y)) continue;
        if (header.wideAlpha)
            takeWideRow(samples, line, width, transparency);
        else
            takeNarrowRow(samples, line, width, transparency);
        sink.row(y, line);
    }
    return true;
}

}  // namespace

Picture ReadPng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    Input input{bytes};
    ReadStruct read;
    const Header header = openPng(bytes, limits, input, read);

    Picture p = AllocatePicture(header.width, header.height, limits);
    const std::size_t width = static_cast<std::size_t>(p.width);
    bool done = false;
    if (!header.wideAlpha) {
        // Four bytes a pixel: the samples go straight into the pixels.
        std::vector<png_bytep> rows(static_cast<std::size_t>(p.height));
        for (std::size_t y = 0; y < rows.size(); ++y)
            rows[y] = reinterpret_cast<png_bytep>(&p.pixels[y * width]);
        done = readNarrowRows(read.png, rows.data(), p.height, header.interlaced, limits);
        for (std::size_t y = 0; done && y < rows.size(); ++y)
            takeNarrowRow(rows[y], &p.pixels[y * width], p.width, p.hasTransparency);
    } else {
        std::vector<std::uint8_t> row(width * 8);
        done = readWideRows(read.png, row.data(), p, header.interlaced, limits);
    }
    if (!done) throw PictureError(std::string("PNG image data is damaged or cut short: ") + input.message);
    return p;
}

namespace {

// The header chunk comes first: its width, height, and last its interlace
// method.
bool hasHeader(std::span<const std::uint8_t> bytes) { return bytes.size() > 28 && std::memcmp(&bytes[12], "IHDR", 4) == 0; }

}  // namespace

bool IsInterlacedPng(std::span<const std::uint8_t> bytes) { return hasHeader(bytes) && bytes[28] != 0; }

long long PngDeclaredPixels(std::span<const std::uint8_t> bytes)
{
    if (!hasHeader(bytes)) return 0;
    return static_cast<long long>(bigEndian32(&bytes[16])) * static_cast<long long>(bigEndian32(&bytes[20]));
}

void ReadPngRows(std::span<const std::uint8_t> bytes, PictureRowSink& sink, const DecodeLimits& limits)
{
    if (IsInterlacedPng(bytes)) {
        // Every pass adds pixels to every part of the image, so it is held
        // whole, once.
        const Picture p = ReadPng(bytes, limits);
        sink.begin(p.width, p.height);
        for (int y = 0; y < p.height; ++y)
            if (sink.wants(y)) sink.row(y, &p.pixels[static_cast<std::size_t>(y) * p.width]);
        return;
    }
    Input input{bytes};
    ReadStruct read;
    const Header header = openPng(bytes, limits, input, read);
    const std::size_t width = header.width;
    std::vector<std::uint8_t> samples(width * (header.wideAlpha ? 8 : 4));
    std::vector<Rgb> line(width);
    sink.begin(static_cast<int>(header.width), static_cast<int>(header.height));
    if (!readRowsInto(read.png, samples.data(), line.data(), header, sink, limits))
        throw PictureError(std::string("PNG image data is damaged or cut short: ") + input.message);
}

}  // namespace kresbon
