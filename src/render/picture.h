#pragma once

#include <string>
#include <string_view>

#include "platform/surface.h"

namespace kresbon {

// What placing a picture needs to know of the run around it.
struct PictureSettings {
    int pixelsPerUnit = 1;
    int languageBase = 1000;
    // UTF-8 paths; the script file is empty while no script file is current.
    std::string currentScriptFile;
    std::string programFolder;
};

// The full path (UTF-8) of the picture file named in double quotes by the
// Picture command's file parameter; raises a script error when no name is
// given.
std::string PictureFilePath(std::string_view fileParameter, const PictureSettings& settings);

// The Picture command from its file name on: places the BMP, GIF or JPEG
// file named in double quotes by fileParameter with its top-left corner at
// pixel (x, y), widthParameter and heightParameter (drawing units; empty,
// zero or negative for the picture's own size) scaling it. Raises a script
// error (vyjimka) naming the completed path when the name is missing, the
// file cannot be opened, its extension is not BMP, GIF, JPG or JPEG, a size
// is not a number, or the file cannot be read as a picture; nothing is drawn
// then.
void DrawPicture(Surface& canvas, int x, int y, std::string_view fileParameter,
                 std::string_view widthParameter, std::string_view heightParameter,
                 const PictureSettings& settings);

}  // namespace kresbon
