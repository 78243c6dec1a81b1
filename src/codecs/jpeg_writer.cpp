#include "codecs/jpeg_writer.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <csetjmp>
#include <vector>

#include "codecs/atomic_file.h"

namespace kresbon {
namespace {

constexpr int kLargestSide = LargestJpegSide;
static_assert(LargestJpegSide == JPEG_MAX_DIMENSION);
constexpr JDIMENSION kRowsPerBatch = 64;
constexpr std::size_t kOutputBufferSize = std::size_t{256} << 10;

// A pixel word 0x00RRGGBB read as bytes, which the library takes as it is.
constexpr J_COLOR_SPACE kPixelLayout = std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;

std::string decimal(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The library reports a failure through error_exit, which must not return;
// it jumps back into compress() with the library's message kept here.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings and trace messages are of no use to the user.
void ignoreMessage(j_common_ptr) {}

struct Destination {
    jpeg_destination_mgr base;
    AtomicFile* file;
    std::vector<JOCTET> buffer;
};

Destination& destinationOf(j_compress_ptr info) { return *reinterpret_cast<Destination*>(info->dest); }

void failWrite(j_compress_ptr info)
{
    info->err->msg_code = JERR_FILE_WRITE;
    (*info->err->error_exit)(reinterpret_cast<j_common_ptr>(info));
}

void startOutput(j_compress_ptr info)
{
    Destination& destination = destinationOf(info);
    destination.base.next_output_byte = destination.buffer.data();
    destination.base.free_in_buffer = destination.buffer.size();
}

boolean passOnFullBuffer(j_compress_ptr info)
{
    Destination& destination = destinationOf(info);
    if (!destination.file->write(destination.buffer.data(), destination.buffer.size())) failWrite(info);
    startOutput(info);
    return TRUE;
}

void passOnRest(j_compress_ptr info)
{
    Destination& destination = destinationOf(info);
    const std::size_t used = destination.buffer.size() - destination.base.free_in_buffer;
    if (!destination.file->write(destination.buffer.data(), used)) failWrite(info);
}

void checkSize(const Surface& surface, const std::string& path)
{
    const int width = surface.width();
    const int height = surface.height();
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
        ThrowFileWriteError(path, "a JPEG file holds 1 to " + decimal(kLargestSide) +
                                      " pixels a side, the drawing has " + decimal(width) + " x " + decimal(height));
    }
}

// Runs the whole compression; false when the library reports an error. The
// error exit jumps over this function's frame, so nothing here may need a
// destructor.
bool compress(jpeg_compress_struct& info, Destination& destination, const Surface& surface, Rgb* batch)
{
    if (setjmp(reinterpret_cast<ErrorManager*>(info.err)->jump) != 0) return false;
    jpeg_create_compress(&info);
    info.dest = &destination.base;
    info.image_width = static_cast<JDIMENSION>(surface.width());
    info.image_height = static_cast<JDIMENSION>(surface.height());
    info.input_components = 4;
    info.in_color_space = kPixelLayout;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);

    // The rows go to the library as 0x00RRGGBB words, a batch at a time,
    // through a buffer the caller owns (nothing here may own memory).
    auto* pixels = reinterpret_cast<JSAMPLE*>(batch);
    const std::size_t stride = static_cast<std::size_t>(surface.width()) * sizeof(Rgb);
    JSAMPROW rows[kRowsPerBatch];
    while (info.next_scanline < info.image_height) {
        const JDIMENSION first = info.next_scanline;
        const JDIMENSION count = std::min(kRowsPerBatch, info.image_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            surface.readRow(static_cast<int>(first + i),
                            std::span<Rgb>(batch + i * static_cast<std::size_t>(surface.width()),
                                           static_cast<std::size_t>(surface.width())));
            rows[i] = pixels + i * stride;
        }
        jpeg_write_scanlines(&info, rows, count);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

void WriteJpegFile(const Surface& surface, const std::string& path)
{
    checkSize(surface, path);
    AtomicFile file(path);

    ErrorManager errors{};
    jpeg_compress_struct info{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = errorExit;
    errors.base.output_message = ignoreMessage;

    Destination destination{};
    destination.base.init_destination = startOutput;
    destination.base.empty_output_buffer = passOnFullBuffer;
    destination.base.term_destination = passOnRest;
    destination.file = &file;
    destination.buffer.resize(kOutputBufferSize);

    std::vector<Rgb> batch(static_cast<std::size_t>(surface.width()) * kRowsPerBatch);
    const bool done = compress(info, destination, surface, batch.data());
    jpeg_destroy_compress(&info);
    if (!done) {
        file.throwIfWriteFailed();
        file.fail(std::string("JPEG encoder: ") + errors.message);
    }
    file.commit();
}

}  // namespace kresbon
