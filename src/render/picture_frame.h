#pragma once

#include "codecs/picture.h"
#include "platform/surface.h"

namespace kresbon {

// Draws a picture into the box left x, top y, width w, height h exactly as
// StretchDraw draws it, also when the picture keeps only a frame of itself
// (Picture::frame): the part of the box inside the surface is sampled from
// the frame first, so the memory taken is at most that part, whatever the
// size the picture declares.
void DrawPlacedPicture(Surface& surface, const Picture& picture, int x, int y, int w, int h);

}  // namespace kresbon
