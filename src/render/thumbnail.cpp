#include "render/thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <vector>

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
    std::vector<Rgb> source(static_cast<std::size_t>(width));
    std::vector<Rgb> scaledRow(static_cast<std::size_t>(scaledWidth));
    for (int y = 0; y < scaledHeight; ++y) {
        // The drawing's pixel under the centre of the scaled pixel.
        drawing.readRow(static_cast<int>((2 * y + 1) * height / (2 * scaledHeight)), source);
        for (int x = 0; x < scaledWidth; ++x) scaledRow[x] = source[(2 * x + 1) * width / (2 * scaledWidth)];
        thumbnail.setPixels(0, y, scaledRow);
    }
    return thumbnail;
}

Surface Enlarge(const Surface& drawing, int factor)
{
    const int width = drawing.width();
    Surface enlarged(width * factor, drawing.height() * factor, drawing.depth());
    std::vector<Rgb> source(static_cast<std::size_t>(width));
    std::vector<Rgb> row(static_cast<std::size_t>(width) * factor);
    for (int y = 0; y < drawing.height(); ++y) {
        drawing.readRow(y, source);
        for (std::size_t x = 0; x < row.size(); ++x) row[x] = source[x / factor];
        for (int copy = 0; copy < factor; ++copy) enlarged.setPixels(0, y * factor + copy, row);
    }
    return enlarged;
}

}  // namespace kresbon
