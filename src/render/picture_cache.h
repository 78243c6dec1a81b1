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

}  // namespace kresbon
