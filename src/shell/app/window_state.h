#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace kresbon {

// Smallest part of the window that must lie on some screen for the user to
// reach its title bar and move it.
constexpr int MinimumVisibleWidth = 100;
constexpr int MinimumVisibleHeight = 50;

// Where a window saved at `saved` is put back: where it was when at least
// 100 x 50 pixels of it lie on one of the screens, otherwise moved the least
// distance that puts it inside the primary screen (its top-left corner
// first when it is larger than that screen).
QPoint MendedWindowPosition(const QRect& saved, const QList<QRect>& screens, const QRect& primary);

}  // namespace kresbon
