#pragma once

#include <string_view>

#include "platform/surface.h"
#include "render/shapes.h"

namespace kresbon {

struct TextStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// Writes one line of text (Windows-1250 bytes) in the font of that name, with
// the top-left corner of its first character cell at the anchor, turned
// counter-clockwise as seen on the screen by angle degrees about that point.
// The height is the character cell height in pixels; 0 chooses a default.
// While the surface's brush is solid the character cells are first filled
// with the brush colour; with any other brush only the glyphs are drawn.
//
// A non-zero angle needs a scalable font: for a raster font this raises the
// script error naming the font and draws nothing.
void DrawRotatedText(Surface& s, PixelPoint anchor, int angle, int height, Rgb colour,
                     std::string_view fontName, TextStyle style, std::string_view text,
                     int languageBase);

}  // namespace kresbon
