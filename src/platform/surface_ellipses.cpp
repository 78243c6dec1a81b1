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

void ellipseQuadrant(i64 width, i64 height, std::vector<Point>& quadrant)
{
    quadrant.clear();
    walkEllipseQuadrant(width, height, [&](i64 x, i64 y) { quadrant.push_back(Point{x, y}); });
}

void ellipseOutline(const Box& box, const std::vector<Point>& quadrant, std::vector<Point>& out)
{
    const i64 width = box.width();
    const i64 height = box.height();
    const std::size_t count = quadrant.size();

    // Counter-clockwise from the middle of the right side; mirrored
    // horizontally, then vertically, without doubling the middle points of
    // odd sizes.
    out.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = Point{box.left + quadrant[i].x, box.top + height - 1 - quadrant[i].y};
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

ArcSpan arcSpan(const Box& box, const std::vector<Point>& quadrant, i64 x3, i64 y3, i64 x4, i64 y4)
{
    const i64 width = box.width();
    const i64 height = box.height();
    const i64 count = static_cast<i64>(quadrant.size());
    const auto qx = [&](i64 i) { return quadrant[i].x - width / 2; };
    const auto qy = [&](i64 i) { return quadrant[i].y - height / 2; };

    // The first outline point at or past the radial's angle, with radials
    // relative to the centre and y pointing up: counter-clockwise on screen
    // is then the mathematical positive direction.
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
    const i64 centreX = box.left + width / 2;
    const i64 centreY = box.top + height / 2;
    const i64 start = position(x3 - centreX, centreY - y3);
    i64 end = position(x4 - centreX, centreY - y4);
    if (end <= start) end += 4 * count;
    return ArcSpan{start, end};
}

Point arcPoint(const Box& box, const std::vector<Point>& quadrant, i64 i)
{
    const i64 count = static_cast<i64>(quadrant.size());
    const i64 k = i % count;
    const Point& q = quadrant[k];
    const Point& m = quadrant[count - 1 - k];
    switch ((i / count) % 4) {
    case 0:
        return {box.left + q.x, box.bottom - 1 - q.y};
    case 1:
        return {box.right - 1 - m.x, box.bottom - 1 - m.y};
    case 2:
        return {box.right - 1 - q.x, box.top + q.y};
    default:
        return {box.left + m.x, box.top + m.y};
    }
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
    if (thinSolidPen()) {
        plotThinEllipse(box);
        return;
    }
    ellipseQuadrant(box.width(), box.height(), quadrant_);
    ellipseOutline(box, quadrant_, outline_);
    strokePolyline(outline_.data(), outline_.size(), true);
}

void Surface::plotThinEllipse(const Box& box)
{
    // Stroking the closed outline with a thin solid pen paints exactly its
    // points, so the four mirror images of each quadrant point are painted
    // straight away; a box inside the image needs no clipping at all.
    std::uint32_t* const words = words_.data();
    const std::uint32_t value = penValue_;
    const i64 stride = static_cast<i64>(stride_);
    const i64 right = box.right - 1;
    const i64 bottom = box.bottom - 1;
    writePacked([&](auto packing) {
        const auto put = [&](i64 x, i64 y) { packing.set(words, static_cast<std::size_t>(y * stride + x), value); };
        if (box.left >= 0 && box.top >= 0 && box.right <= width_ && box.bottom <= height_) {
            walkEllipseQuadrant(box.width(), box.height(), [&](i64 x, i64 y) {
                put(box.left + x, bottom - y);
                put(right - x, bottom - y);
                put(box.left + x, box.top + y);
                put(right - x, box.top + y);
            });
            return;
        }
        const auto inside = [&](i64 v, i64 limit) { return v >= 0 && v < limit; };
        walkEllipseQuadrant(box.width(), box.height(), [&](i64 x, i64 y) {
            const i64 xs[2] = {box.left + x, right - x};
            const i64 ys[2] = {bottom - y, box.top + y};
            for (const i64 py : ys) {
                if (!inside(py, height_)) continue;
                for (const i64 px : xs) {
                    if (inside(px, width_)) put(px, py);
                }
            }
        });
    });
}

void Surface::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const Box box = orderedBox(x1, y1, x2, y2);
    const i64 width = box.width();
    const i64 height = box.height();
    if (width == 0 || height == 0 || !intersectsImage(box, penWidth_)) return;
    dashPos_ = 0;

    if (width > kLargestExactEllipse || height > kLargestExactEllipse) {
        const i64 centreX = box.left + width / 2;
        const i64 centreY = box.top + height / 2;
        const double rx = static_cast<double>(width);
        const double ry = static_cast<double>(height);
        const double from = std::atan2(static_cast<double>(centreY - y3) * rx, static_cast<double>(x3 - centreX) * ry);
        double to = std::atan2(static_cast<double>(centreY - y4) * rx, static_cast<double>(x4 - centreX) * ry);
        if (to <= from) to += 2 * std::numbers::pi;
        approximateEllipseArc(box, from, to, false);
        return;
    }

    ellipseQuadrant(width, height, quadrant_);
    const ArcSpan span = arcSpan(box, quadrant_, x3, y3, x4, y4);
    if (thinSolidPen()) {
        plotThinArc(box, span.start, span.end);
        return;
    }
    outline_.clear();
    for (i64 i = span.start; i < span.end; ++i) outline_.push_back(arcPoint(box, quadrant_, i));
    if (outline_.size() >= 2) strokePolyline(outline_.data(), outline_.size(), false);
}

void Surface::plotThinArc(const Box& box, i64 start, i64 end)
{
    // A thin solid open stroke paints every point but the last; where two
    // quadrants meet in a doubled point, the second copy paints it.
    const bool inside = box.left >= 0 && box.top >= 0 && box.right <= width_ && box.bottom <= height_;
    if (start >= end) return;
    std::uint32_t* const words = words_.data();
    const std::uint32_t value = penValue_;
    const i64 stride = static_cast<i64>(stride_);
    writePacked([&](auto packing) {
        Point next = arcPoint(box, quadrant_, start);
        for (i64 i = start; i + 1 < end; ++i) {
            const Point p = next;
            next = arcPoint(box, quadrant_, i + 1);
            if (p == next) continue;
            if (inside || (p.x >= 0 && p.y >= 0 && p.x < width_ && p.y < height_)) {
                packing.set(words, static_cast<std::size_t>(p.y * stride + p.x), value);
            }
        }
    });
}

void Surface::fillEllipseInterior(const Box& box)
{
    std::vector<i64> inset;
    ellipseRegionInsets(box.width(), box.height(), inset);
    const i64 first = std::max<i64>(box.top, 0);
    const i64 last = std::min<i64>(box.bottom, height_);
    for (i64 y = first; y < last && !stopped(); ++y) {
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
    for (i64 y = first; y < last && !stopped(); ++y) {
        const double v = (static_cast<double>(y) + 0.5 - cy) / halfHeight;
        if (std::abs(v) >= 1) continue;
        const double reach = halfWidth * std::sqrt(1 - v * v);
        const i64 x0 = static_cast<i64>(std::ceil(cx - reach - 0.5));
        const i64 x1 = static_cast<i64>(std::ceil(cx + reach - 0.5));
        paintBrushSpan(y, x0, x1);
    }
}

}  // namespace kresbon
