#include "vector/vector_painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <unordered_map>

namespace kresbon {

namespace {

using Interval = std::pair<int, int>;

// Pieces of the sorted, disjoint intervals a that no interval of b covers.
template <typename Emit>
void Subtract(const FillSpan* a, const FillSpan* aEnd, const FillSpan* b, const FillSpan* bEnd, Emit emit)
{
    for (; a != aEnd; ++a) {
        int from = a->x0;
        while (b != bEnd && b->x1 <= from) ++b;
        for (const FillSpan* c = b; c != bEnd && c->x0 < a->x1 && from < a->x1; ++c) {
            if (c->x0 > from) emit(from, c->x0);
            from = std::max(from, c->x1);
        }
        if (from < a->x1) emit(from, a->x1);
    }
}

std::uint64_t VertexKey(int x, int y)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) << 32) | static_cast<std::uint32_t>(x);
}

bool Collinear(const VectorPoint& a, const VectorPoint& b, const VectorPoint& c)
{
    return (a.x == b.x && b.x == c.x) || (a.y == b.y && b.y == c.y);
}

// The pen's dashes in pixels along the path: the screen counts the rhythm in
// steps along the major axis, so a path that is longer than its steps gets
// runs stretched by that ratio.
std::vector<double> Dashes(const ShapePen& pen, double stretch)
{
    std::vector<double> dashes;
    for (int run : DashRuns(pen.style)) dashes.push_back(run * stretch);
    return dashes;
}

// An ellipse's outline takes about pi / (2 sqrt 2) of its length in steps.
constexpr double EllipseStretch = std::numbers::pi / (2 * std::numbers::sqrt2);

VectorEllipse EllipseOf(const RecordedEllipse& e)
{
    const int left = std::min(e.x1, e.x2), right = std::max(e.x1, e.x2);
    const int top = std::min(e.y1, e.y2), bottom = std::max(e.y1, e.y2);
    VectorEllipse v{(left + right) / 2.0, (top + bottom) / 2.0, std::max(0.0, (right - left - 1) / 2.0),
                    std::max(0.0, (bottom - top - 1) / 2.0)};
    if (!e.arc) return v;
    // The rays run from the centre through the two points, as on the screen;
    // an ellipse's parameter angle differs from the ray's by its axes.
    auto parameter = [&](int x, int y) {
        return std::atan2((v.cy - (y + 0.5)) * std::max(v.rx, 0.5), (x + 0.5 - v.cx) * std::max(v.ry, 0.5));
    };
    v.arc = true;
    v.from = parameter(e.x3, e.y3);
    v.to = parameter(e.x4, e.y4);
    if (v.to <= v.from) v.to += 2 * std::numbers::pi;
    return v;
}

class RecordPainter {
public:
    explicit RecordPainter(VectorPainter& painter) : p_(painter) {}

    void operator()(const RecordedPoint& s) { p_.fillRectangle(s.x, s.y, 1, 1, s.colour); }

    void operator()(const RecordedLine& s)
    {
        const double dx = std::abs(s.x2 - s.x1), dy = std::abs(s.y2 - s.y1);
        const double major = std::max(dx, dy);
        const double stretch = major > 0 ? std::hypot(dx, dy) / major : 1;
        stroke({{s.x1 + 0.5, s.y1 + 0.5}, {s.x2 + 0.5, s.y2 + 0.5}}, false, s.pen, stretch);
    }

    void operator()(const RecordedRectangle& s)
    {
        const double l = s.x1 + 0.5, t = s.y1 + 0.5, r = s.x2 + 0.5, b = s.y2 + 0.5;
        stroke({{l, t}, {r, t}, {r, b}, {l, b}}, true, s.pen, 1);
    }

    void operator()(const RecordedEllipse& s)
    {
        const VectorEllipse e = EllipseOf(s);
        if (s.pen.gapColour) p_.strokeEllipse(e, solid(s.pen, *s.pen.gapColour));
        VectorStroke st = solid(s.pen, s.pen.colour);
        st.dashes = Dashes(s.pen, EllipseStretch);
        st.style = s.pen.style;
        st.dashStretch = EllipseStretch;
        p_.strokeEllipse(e, st);
    }

    void operator()(const std::unique_ptr<RecordedFill>& s) { p_.fillRegion(TraceRegion(s->region), s->colour, s->style); }
    void operator()(const std::unique_ptr<TextShape>& s) { p_.text(*s); }
    void operator()(const std::unique_ptr<PictureShape>& s) { p_.picture(*s); }

private:
    static VectorStroke solid(const ShapePen& pen, Rgb colour)
    {
        return VectorStroke{colour, static_cast<double>(pen.width), {}, pen.width > 1};
    }

    void stroke(const std::vector<VectorPoint>& points, bool closed, const ShapePen& pen, double stretch)
    {
        if (pen.gapColour) p_.strokePath(points, closed, solid(pen, *pen.gapColour));
        VectorStroke st = solid(pen, pen.colour);
        st.dashes = Dashes(pen, stretch);
        st.style = pen.style;
        // Solid strokes of one pen stay equal, so that writers may join them.
        if (!st.dashes.empty()) st.dashStretch = stretch;
        p_.strokePath(points, closed, st);
    }

    VectorPainter& p_;
};

}  // namespace

VectorPoint VectorEllipse::at(double t) const { return {cx + rx * std::cos(t), cy - ry * std::sin(t)}; }

std::vector<PixelLoop> TraceRegion(const std::vector<FillSpan>& region)
{
    // Every boundary edge of the region's pixels, directed so that the
    // region lies on its right on the screen (y down): tops run right,
    // bottoms left, right sides down, left sides up.
    struct Edge {
        int fromX, fromY, toX, toY;
    };
    std::vector<Edge> edges;
    auto rowOf = [&](int y) {
        const auto lo = std::lower_bound(region.begin(), region.end(), y,
                                         [](const FillSpan& s, int row) { return s.y < row; });
        auto hi = lo;
        while (hi != region.end() && hi->y == y) ++hi;
        return std::pair{region.data() + (lo - region.begin()), region.data() + (hi - region.begin())};
    };
    for (auto it = region.begin(); it != region.end();) {
        const int y = it->y;
        const auto [begin, end] = rowOf(y);
        const auto [aboveBegin, aboveEnd] = rowOf(y - 1);
        const auto [belowBegin, belowEnd] = rowOf(y + 1);
        for (const FillSpan* s = begin; s != end; ++s) {
            edges.push_back({s->x0, y + 1, s->x0, y});
            edges.push_back({s->x1, y, s->x1, y + 1});
        }
        Subtract(begin, end, aboveBegin, aboveEnd, [&](int a, int b) { edges.push_back({a, y, b, y}); });
        Subtract(begin, end, belowBegin, belowEnd, [&](int a, int b) { edges.push_back({b, y + 1, a, y + 1}); });
        it += end - begin;
    }

    // A corner where two pixels meet diagonally starts two edges.
    std::unordered_map<std::uint64_t, std::array<int, 2>> leaving;
    leaving.reserve(edges.size());
    for (int i = 0; i < static_cast<int>(edges.size()); ++i) {
        auto [slot, added] = leaving.try_emplace(VertexKey(edges[i].fromX, edges[i].fromY), std::array{i, -1});
        if (!added) slot->second[1] = i;
    }
    std::vector<bool> used(edges.size(), false);
    std::vector<PixelLoop> loops;
    for (std::size_t first = 0; first < edges.size(); ++first) {
        if (used[first]) continue;
        PixelLoop loop;
        int e = static_cast<int>(first);
        while (e >= 0 && !used[e]) {
            used[e] = true;
            const VectorPoint corner{static_cast<double>(edges[e].fromX), static_cast<double>(edges[e].fromY)};
            if (loop.size() >= 2 && Collinear(loop[loop.size() - 2], loop.back(), corner))
                loop.back() = corner;
            else
                loop.push_back(corner);
            const auto& next = leaving[VertexKey(edges[e].toX, edges[e].toY)];
            e = !used[next[0]] ? next[0] : (next[1] >= 0 && !used[next[1]] ? next[1] : -1);
        }
        while (loop.size() >= 3 && Collinear(loop[loop.size() - 2], loop.back(), loop.front())) loop.pop_back();
        while (loop.size() >= 3 && Collinear(loop.back(), loop[0], loop[1])) loop.erase(loop.begin());
        loops.push_back(std::move(loop));
    }
    return loops;
}

std::vector<TileRectangle> HatchTile(BrushStyle style)
{
    std::vector<TileRectangle> rectangles;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8;) {
            if (!HatchPixel(style, x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < 8 && HatchPixel(style, end, y)) ++end;
            bool joined = false;
            for (TileRectangle& r : rectangles) {
                if (r.x == x && r.width == end - x && r.y + r.height == y) {
                    ++r.height;
                    joined = true;
                    break;
                }
            }
            if (!joined) rectangles.push_back({x, y, end - x, 1});
            x = end;
        }
    }
    return rectangles;
}

void PaintRecord(const DrawingRecord& record, VectorPainter& painter)
{
    painter.fillRectangle(0, 0, record.width(), record.height(), record.background());
    RecordPainter shapes(painter);
    for (const DrawingRecord::Layer& layer : record.layers()) {
        painter.beginLayer(layer.number);
        for (const RecordedShape& shape : layer.shapes) std::visit(shapes, shape);
        painter.endLayer();
    }
}

}  // namespace kresbon
