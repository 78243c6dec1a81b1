#include "shell/app/window_state.h"

#include <algorithm>

namespace kresbon {

QPoint MendedWindowPosition(const QRect& saved, const QList<QRect>& screens, const QRect& primary)
{
    for (const QRect& screen : screens) {
        const QRect visible = saved.intersected(screen);
        if (visible.width() >= MinimumVisibleWidth && visible.height() >= MinimumVisibleHeight)
            return saved.topLeft();
    }
    if (primary.isEmpty()) return saved.topLeft();
    const auto placed = [](int start, int length, int areaStart, int areaLength) {
        return std::max(areaStart, std::min(start, areaStart + areaLength - length));
    };
    return {placed(saved.x(), saved.width(), primary.x(), primary.width()),
            placed(saved.y(), saved.height(), primary.y(), primary.height())};
}

}  // namespace kresbon
