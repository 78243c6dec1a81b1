#pragma once

// Error callbacks shared by the PNG reader and writer.

#include <png.h>

#include <cstdio>

namespace kresbon::png_callbacks {

// Keeps the library's message in the message member of the callbacks' own
// data (the error pointer, a Data) and jumps back to the caller's setjmp.
template <typename Data>
void keepError(png_structp png, png_const_charp message)
{
    auto* data = static_cast<Data*>(png_get_error_ptr(png));
    std::snprintf(data->message, sizeof data->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings change nothing the program does.
inline void ignoreWarning(png_structp, png_const_charp) {}

}  // namespace kresbon::png_callbacks
