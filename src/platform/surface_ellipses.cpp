#include "platform/surface.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/surface_detail.h"

namespace kresbon {
namespace {

using namespace surface_detail;

// Ellipses and arcs whose box is larger than this are drawn from a fine
// polygon: the integer ellipse would need more steps and memory than any
// visible part of such a curve is worth.
constexpr i64 kLargestExactEllipse = i64{1} << 18;

}  // namespace

namespace surface_detail {

void ellipseRegionInsets(i64 width, i64 height, std::vector<i64>& inset)
{
    inset.assign(static_cast<std::size_t>(height), -1);
    const i64 a = width - 1;
    const i64 b = height - 1;
    const i64 asq = 8 * a * a;
    const i64 bsq = 8 * b * b;
    i64 dx = 4 * b * b * (1 - a);
    i64 dy = 4 * a * a * (1 + b % 2);
    i64 err = dx + dy + a * a * (b % 2);
    i64 x = 0;
    i64 y = height / 2;
    inset[y] = 0;
    while (x <= width / 2) {
        const i64 e2 = 2 * err;
        if (e2 >= dx) {
            ++x;
            dx += bsq;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += asq;
            err += dy;
            if (y < height) inset[y] = x;
        }
    }
    for (i64 i = height / 2 + 1; i < height; ++i) {
        if (inset[i] < 0) inset[i] = inset[i - 1];
    }
    for (i64 i = 0; i < height / 2; ++i) inset[i] = inset[b - i];
}

}  // namespace surface_detail

void Surface::ellipse(int x1, int y1, int x2, int y2)
{
    const Box box = orderedBox(x1, y1, x2, y2);
    if (box.width() == 0 || box.height() == 0) return;
    if (box.width() <= 2 || box.height() <= 2) {
        rectangle(x1, y1, x2, y2);
        return;
    }
    if (!intersectsImage(box, penWidth_)) return;

    dashPos_ = 0;
    if (box.width() > kLargestExactEllipse || box.height() > kLargestExactEllipse) {
        if (brushStyle_ != BrushStyle::Clear) fillApproximateEllipse(box);
        approximateEllipseArc(box, 0.0, 2 * std::numbers::pi, true);
        return;
    }
    if (brushStyle_ != BrushStyle::Clear) fillEllipseInterior(box);
    ellipseOutline(box, outline_);
    strokePolyline(outline_.data(), outline_.size(), true);
}

void Surface::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const Box box = orderedBox(x1, y1, x2, y2);
    const i64 width = box.width();
    const i64 height = box.height();
    if (width == 0 || height == 0 || !intersectsImage(box, penWidth_)) return;

    // Radials relative to the centre, y pointing up: counter-clockwise on
    // screen is then the mathematical positive direction.
    const i64 centreX = box.left + width / 2;
    const i64 centreY = box.top + height / 2;
    const i64 startX = x3 - centreX;
    const i64 startY = centreY - y3;
    const i64 endX = x4 - centreX;
    const i64 endY = centreY - y4;
    dashPos_ = 0;

    if (width > kLargestExactEllipse || height > kLargestExactEllipse) {
        const double rx = static_cast<double>(width);
        const double ry = static_cast<double>(height);
        const double from = std::atan2(static_cast<double>(startY) * rx, static_cast<double>(startX) * ry);
        double to = std::atan2(static_cast<double>(endY) * rx, static_cast<double>(endX) * ry);
        if (to <= from) to += 2 * std::numbers::pi;
        approximateEllipseArc(box, from, to, false);
        return;
    }

    collectFirstQuadrant(width, height);
    const i64 count = static_cast<i64>(quadrant_.size());
    const auto qx = [&](i64 i) { return quadrant_[i].x - width / 2; };
    const auto qy = [&](i64 i) { return quadrant_[i].y - height / 2; };

    // The first outline point at or past the radial's angle, counting the
    // four mirrored quadrants as one sequence of 4 * count points.
    const auto position = [&](i64 x, i64 y) -> i64 {
        i64 i = 0;
        if (y >= 0 && x >= 0) {
            while (i < count && qx(i) * y > qy(i) * x) ++i;
            return i;
        }
        if (y >= 0) {
            while (i < count && qx(i) * y >= qy(i) * -x) ++i;
            return 2 * count - i;
        }
        if (x >= 0) {
            while (i < count && qx(i) * -y > qy(i) * x) ++i;
            return 4 * count - i;
        }
        while (i < count && qx(i) * -y >= qy(i) * -x) ++i;
        return 2 * count + i;
    };
    const i64 start = position(startX, startY);
    i64 end = position(endX, endY);
    if (end <= start) end += 4 * count;

    outline_.clear();
    const i64 right = box.right - 1;
    const i64 bottom = box.bottom - 1;
    for (i64 i = start; i < end; ++i) {
        const i64 k = i % count;
        const i64 mirrored = count - 1 - k;
        switch ((i / count) % 4) {
        case 0:
            outline_.push_back({box.left + width / 2 + qx(k), bottom - height / 2 - qy(k)});
            break;
        case 1:
            outline_.push_back({right - width / 2 - qx(mirrored), bottom - height / 2 - qy(mirrored)});
            break;
        case 2:
            outline_.push_back({right - width / 2 - qx(k), box.top + height / 2 + qy(k)});
            break;
        default:
            outline_.push_back({box.left + width / 2 + qx(mirrored), box.top + height / 2 + qy(mirrored)});
            break;
        }
    }
    if (outline_.size() >= 2) strokePolyline(outline_.data(), outline_.size(), false);
}

void Surface::collectFirstQuadrant(i64 width, i64 height)
{
    // Alois Zingl's integer ellipse for the pixel box [0, width-1] x
    // [0, height-1]: the quarter from the middle of the right side to the
    // middle column, in y-up order.
    quadrant_.clear();
    const i64 a = width - 1;
    const i64 b = height - 1;
    const i64 asq = 8 * a * a;
    const i64 bsq = 8 * b * b;
    i64 dx = 4 * b * b * (1 - a);
    i64 dy = 4 * a * a * (1 + b % 2);
    i64 err = dx + dy + a * a * (b % 2);
    Point p{a, height / 2};
    while (p.x >= width / 2) {
        const i64 e2 = 2 * err;
        quadrant_.push_back(p);
        if (e2 >= dx) {
            --p.x;
            dx += bsq;
            err += dx;
        }
        if (e2 <= dy) {
            ++p.y;
            dy += asq;
            err += dy;
        }
    }
    // Thin ellipses leave the loop before reaching the tip; Zingl finishes
    // them with a straight run in the middle column.
    if (!quadrant_.empty()) {
        for (i64 y = quadrant_.back().y + 1; y < height; ++y) quadrant_.push_back(Point{width / 2, y});
    }
}

void Surface::ellipseOutline(const Box& box, std::vector<Point>& out)
{
    const i64 width = box.width();
    const i64 height = box.height();
    collectFirstQuadrant(width, height);
    const std::size_t count = quadrant_.size();

    // Counter-clockwise from the middle of the right side; mirrored
    // horizontally, then vertically, without doubling the middle points of
    // odd sizes.
    out.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = Point{box.left + quadrant_[i].x, box.top + height - 1 - quadrant_[i].y};
    }
    std::size_t end = 2 * count - 1;
    if (width % 2 != 0) --end;
    for (std::size_t i = 0; i < count; ++i) {
        out[end - i] = Point{box.left + box.right - 1 - out[i].x, out[i].y};
    }
    const std::size_t half = end + 1;
    end = 2 * half - 1;
    if (height % 2 != 0) --end;
    for (std::size_t i = 0; i < half; ++i) {
        out[end - i] = Point{out[i].x, box.top + box.bottom - 1 - out[i].y};
    }
    out.resize(end + 1);
}

void Surface::fillEllipseInterior(const Box& box)
{
    std::vector<i64> inset;
    ellipseRegionInsets(box.width(), box.height(), inset);
    const i64 first = std::max<i64>(box.top, 0);
    const i64 last = std::min<i64>(box.bottom, height_);
    for (i64 y = first; y < last; ++y) {
        const i64 in = inset[y - box.top];
        paintBrushSpan(y, box.left + in, box.right - in);
    }
}

void Surface::approximateEllipseArc(const Box& box, double fromAngle, double toAngle, bool closed)
{
    const double rx = static_cast<double>(box.width() - 1) / 2;
    const double ry = static_cast<double>(box.height() - 1) / 2;
    const double cx = static_cast<double>(box.left) + rx;
    const double cy = static_cast<double>(box.top) + ry;
    // Chords whose sagitta stays below half a pixel.
    const double step = std::sqrt(4.0 / std::max({rx, ry, 1.0}));
    const double span = toAngle - fromAngle;
    const i64 segments = std::clamp<i64>(static_cast<i64>(std::ceil(span / step)), 1, i64{1} << 20);

    outline_.clear();
    for (i64 k = 0; k <= segments; ++k) {
        const double t = fromAngle + span * static_cast<double>(k) / static_cast<double>(segments);
        const Point p{std::llround(cx + rx * std::cos(t)), std::llround(cy - ry * std::sin(t))};
        if (outline_.empty() || p.x != outline_.back().x || p.y != outline_.back().y) {
            outline_.push_back(p);
        }
    }
    if (closed && outline_.size() > 1 && outline_.back().x == outline_.front().x &&
        outline_.back().y == outline_.front().y) {
        outline_.pop_back();
    }
    if (outline_.size() >= 2) strokePolyline(outline_.data(), outline_.size(), closed);
}

void Surface::fillApproximateEllipse(const Box& box)
{
    const double halfWidth = static_cast<double>(box.width()) / 2;
    const double halfHeight = static_cast<double>(box.height()) / 2;
    const double cx = static_cast<double>(box.left) + halfWidth;
    const double cy = static_cast<double>(box.top) + halfHeight;
    const i64 first = std::max<i64>(box.top, 0);
    const i64 last = std::min<i64>(box.bottom, height_);
    for (i64 y = first; y < last; ++y) {
        const double v = (static_cast<double>(y) + 0.5 - cy) / halfHeight;
        if (std::abs(v) >= 1) continue;
        const double reach = halfWidth * std::sqrt(1 - v * v);
        const i64 x0 = static_cast<i64>(std::ceil(cx - reach - 0.5));
        const i64 x1 = static_cast<i64>(std::ceil(cx + reach - 0.5));
        paintBrushSpan(y, x0, x1);
    }
}

}  // namespace kresbon
