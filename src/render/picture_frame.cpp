#include "render/picture_frame.h"

#include <algorithm>
#include <vector>

#include "render/stretch_draw.h"

namespace kresbon {
namespace {

// The frame's index of the picture pixel under the centre of each
// destination position in [first, end) of a box that starts at origin and
// is size long, for a picture side of length source, or -1 where that pixel
// lies outside the frame [frameStart, frameStart + frameSize).
std::vector<int> frameSamples(long long origin, long long size, long long first, long long end, long long source,
                              long long frameStart, long long frameSize)
{
    std::vector<int> map;
    map.reserve(static_cast<std::size_t>(end - first));
    for (long long d = first; d < end; ++d) {
        const long long s = (2 * (d - origin) + 1) * source / (2 * size) - frameStart;
        map.push_back(s >= 0 && s < frameSize ? static_cast<int>(s) : -1);
    }
    return map;
}

}  // namespace

void DrawPlacedPicture(Surface& surface, const Picture& picture, int x, int y, int w, int h)
{
    if (!picture.frame) {
        StretchDraw(surface, picture, x, y, w, h);
        return;
    }
    const Picture::Frame& frame = *picture.frame;
    if (w <= 0 || h <= 0 || frame.screenWidth <= 0 || frame.screenHeight <= 0) return;
    const auto [left, top, right, bottom] = VisiblePart(surface, x, y, w, h);
    if (left >= right || top >= bottom) return;

    const std::vector<int> columns = frameSamples(x, w, left, right, frame.screenWidth, frame.left, picture.width);
    const std::vector<int> rows = frameSamples(y, h, top, bottom, frame.screenHeight, frame.top, picture.height);
    // The visible part of the box at one picture pixel per surface pixel, a
    // band of rows at a time, which StretchDraw then copies as it is.
    constexpr int BandRows = 64;
    const int width = static_cast<int>(right - left);
    const int height = static_cast<int>(bottom - top);
    Picture band;
    band.width = width;
    band.hasTransparency = true;
    for (int first = 0; first < height; first += BandRows) {
        band.height = std::min(BandRows, height - first);
        band.pixels.assign(static_cast<std::size_t>(width) * band.height, Picture::TransparentPixel);
        for (int r = 0; r < band.height; ++r) {
            const int row = rows[first + r];
            if (row < 0) continue;
            Rgb* out = &band.pixels[static_cast<std::size_t>(r) * width];
            for (int c = 0; c < width; ++c)
                if (columns[c] >= 0) out[c] = picture.at(columns[c], row);
        }
        StretchDraw(surface, band, static_cast<int>(left), static_cast<int>(top) + first, width, band.height);
    }
}

}  // namespace kresbon
