#pragma once

// Writers of small GIF, JPEG and PNG files for the picture tests, built on the
// same libraries the readers use.

#include <gif_lib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "platform/surface.h"

namespace kresbon::test_pictures {

using Bytes = std::vector<std::uint8_t>;

struct Frame {
    int left = 0;
    int top = 0;
    int width = 1;
    int height = 1;
    bool interlaced = false;
    std::vector<Rgb> colours;  // local colour table; empty for the global one
    int transparent = -1;
    std::vector<std::uint8_t> indices;  // row-major, top row first
};

struct GifLayout {
    int width = 1;
    int height = 1;
    std::vector<Rgb> colours;  // global colour table
    std::vector<Frame> frames;
};

inline int appendToBytes(GifFileType* gif, const GifByteType* data, int n)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

// giflib wants tables of 2, 4, ... 256 entries.
inline ColorMapObject* colourMap(std::vector<Rgb> colours)
{
    std::size_t size = 2;
    while (size < colours.size()) size *= 2;
    colours.resize(size, 0);
    std::vector<GifColorType> entries;
    for (Rgb c : colours)
        entries.push_back({static_cast<GifByteType>(redOf(c)), static_cast<GifByteType>(greenOf(c)),
                           static_cast<GifByteType>(blueOf(c))});
    return GifMakeMapObject(static_cast<int>(size), entries.data());
}

inline void checkGif(int result)
{
    if (result != GIF_OK) throw std::runtime_error("giflib could not write the test picture");
}

// Writes the picture with giflib's encoder; interlaced frames get their rows
// in the order of the four passes.
inline Bytes encodeGif(const GifLayout& layout)
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = layout.colours.empty() ? nullptr : colourMap(layout.colours);
    checkGif(EGifPutScreenDesc(gif, layout.width, layout.height, 8, 0, global));
    for (const Frame& f : layout.frames) {
        if (f.transparent >= 0) {
            GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, f.transparent};
            GifByteType block[4];
            EGifGCBToExtension(&control, block);
            checkGif(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block));
        }
        ColorMapObject* local = f.colours.empty() ? nullptr : colourMap(f.colours);
        checkGif(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local));
        static constexpr int start[] = {0, 4, 2, 1};
        static constexpr int step[] = {8, 8, 4, 2};
        std::vector<int> rows;
        for (int pass = 0; pass < (f.interlaced ? 4 : 1); ++pass)
            for (int r = f.interlaced ? start[pass] : 0; r < f.height; r += f.interlaced ? step[pass] : 1)
                rows.push_back(r);
        for (int r : rows) {
            std::vector<GifPixelType> line(f.indices.begin() + r * f.width,
                                           f.indices.begin() + (r + 1) * f.width);
            checkGif(EGifPutLine(gif, line.data(), f.width));
        }
        if (local) GifFreeMapObject(local);
    }
    checkGif(EGifCloseFile(gif, &error));
    if (global) GifFreeMapObject(global);
    return out;
}

struct JpegLayout {
    int width = 16;
    int height = 16;
    J_COLOR_SPACE input = JCS_RGB;  // what samples hold
    J_COLOR_SPACE stored = JCS_RGB;  // colour space inside the file
    bool adobeMarker = true;         // only for CMYK and YCCK files
    bool progressive = false;
    std::vector<jpeg_scan_info> scans;
    std::vector<std::uint8_t> samples;  // row-major, input's components per pixel
};

inline int componentsOf(J_COLOR_SPACE space)
{
    return space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK || space == JCS_YCCK ? 4 : 3;
}

// Quality 100 without chroma subsampling, so solid 8x8 blocks come back
// within a step or two of what went in.
inline Bytes encodeJpeg(const JpegLayout& layout)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = layout.width;
    info.image_height = layout.height;
    info.input_components = componentsOf(layout.input);
    info.in_color_space = layout.input;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, layout.stored);
    if (layout.stored == JCS_CMYK || layout.stored == JCS_YCCK) info.write_Adobe_marker = layout.adobeMarker;
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    if (layout.progressive) jpeg_simple_progression(&info);
    if (!layout.scans.empty()) {
        info.scan_info = layout.scans.data();
        info.num_scans = static_cast<int>(layout.scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    const int stride = layout.width * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(layout.samples.data()) + info.next_scanline * stride;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

struct PngLayout {
    int width = 1;
    int height = 1;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> transparency;  // tRNS: alphas of palette entries
    std::vector<std::uint8_t> samples;       // packed rows as the file holds them, top row first
    bool quick = false;                      // written fast: rows unfiltered, run-length compression
};

inline void appendPngBytes(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// Writes the samples as they are with libpng, which interlaces them itself.
inline Bytes encodePng(const PngLayout& layout)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng could not write the test picture");
    png_set_write_fn(png, &out, appendPngBytes, nullptr);
    if (layout.quick) {
        png_set_filter(png, 0, PNG_FILTER_NONE);
        png_set_compression_level(png, 1);
        png_set_compression_strategy(png, Z_RLE);
    }
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (Rgb c : layout.palette)
        palette.push_back({static_cast<png_byte>(redOf(c)), static_cast<png_byte>(greenOf(c)),
                           static_cast<png_byte>(blueOf(c))});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!layout.transparency.empty())
        png_set_tRNS(png, info, layout.transparency.data(), static_cast<int>(layout.transparency.size()), nullptr);
    png_write_info(png, info);
    const std::size_t stride = layout.samples.size() / layout.height;
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < layout.height; ++y)
            png_write_row(png, layout.samples.data() + y * stride);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace kresbon::test_pictures
