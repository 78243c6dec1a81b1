// A small fixed set of files for the fuzz targets to include, place and
// save next to: made once per process in a scratch folder of its own.
#pragma once

#include <string>

namespace kresbon::fuzzing {

// The folder, with a trailing separator. It holds part.krs (a short
// script), nest.krs (which includes part.krs), self.krs (which includes
// itself), small.bmp, small.gif (a frame inside a larger screen), small.jpg,
// small.png, pipe.gif (a named pipe), folder.bmp (a folder), link.bmp (a
// link to small.bmp) and loop.bmp (a link to itself).
const std::string& FuzzFolder();

}  // namespace kresbon::fuzzing
