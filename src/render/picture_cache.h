#pragma once

#include <memory>
#include <string>

#include "codecs/picture.h"

namespace kresbon {

// Decodes the picture file at path (UTF-8) with the reader of its kind.
// Decoded pictures are kept for the rest of the process, keyed by the path,
// the kind and the file's identity, size and modification time, so a
// picture placed many times is read once while a changed file is read
// again. Throws PictureError (or std::bad_alloc) when the file cannot be read
// or decoded, or when stop is set while it is decoded. Safe to call from
// several threads.
std::shared_ptr<const Picture> LoadPictureFile(const std::string& path, PictureKind kind,
                                               const std::atomic<bool>* stop = nullptr);

// What LoadPictureOrRows found: the decoded picture, or else the bytes of a
// PNG file to be decoded row by row.
struct PictureOrRows {
    std::shared_ptr<const Picture> picture;
    std::string pngBytes;
};

// LoadPictureFile, except that a PNG file that is not kept already, is not
// interlaced and declares more than wholePixels pixels is only read, not
// decoded.
PictureOrRows LoadPictureOrRows(const std::string& path, PictureKind kind, const std::atomic<bool>* stop,
                                long long wholePixels);

}  // namespace kresbon
