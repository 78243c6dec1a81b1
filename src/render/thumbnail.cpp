#include "render/thumbnail.h"

#include <algorithm>
#include <cstdint>

namespace kresbon {

Surface ScaleToFit(const Surface& drawing, int size)
{
    const std::int64_t width = drawing.width();
    const std::int64_t height = drawing.height();
    if (width < 1 || height < 1 || size < 1) return Surface(0, 0, drawing.depth());
    const std::int64_t longer = std::max(width, height);
    // Rounded to the nearest whole pixel.
    const auto scaled = [&](std::int64_t side) {
        return static_cast<int>(std::max<std::int64_t>(1, (2 * side * size + longer) / (2 * longer)));
    };
    const int scaledWidth = scaled(width);
    const int scaledHeight = scaled(height);

    Surface thumbnail(scaledWidth, scaledHeight, drawing.depth());
    const Rgb* source = drawing.pixels().data();
    for (int y = 0; y < scaledHeight; ++y) {
        // The drawing's pixel under the centre of the scaled pixel.
        const std::int64_t row = (2 * y + 1) * height / (2 * scaledHeight);
        for (int x = 0; x < scaledWidth; ++x) {
            const std::int64_t column = (2 * x + 1) * width / (2 * scaledWidth);
            thumbnail.setPixel(x, y, source[row * width + column]);
        }
    }
    return thumbnail;
}

}  // namespace kresbon
