#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/surface.h"
#include "platform/surface_detail.h"

namespace kresbon {
namespace {

using namespace surface_detail;

// One shape of a wide stroke, as the part of each row it covers: the pen's
// disk on a run of vertices in one row or one column, a rectangle, or the
// band along a slanted segment.
struct Piece {
    enum class Kind { Disks, Rectangle, Band } kind;
    // Rows top <= y < bottom.
    i64 top;
    i64 bottom;
    // Disks: the vertices x0..x1 (inclusive) of row y0, or y0..y1 of
    // column x0. Rectangle: columns x0 <= x < x1. Band: bands[x0].
    i64 x0;
    i64 x1;
    i64 y0;
    i64 y1;
};

struct Span {
    i64 left;
    i64 right;
    i64 width() const { return right - left; }
};

// Consecutive vertices that step by one pixel along one row or one column
// (back and forth too): their columns x0..x1 or rows y0..y1 have no gap.
struct VertexRun {
    Point last;
    i64 x0 = last.x;
    i64 x1 = last.x;
    i64 y0 = last.y;
    i64 y1 = last.y;

    bool extend(Point p)
    {
        if (p == last) return true;
        const bool rowStep = p.y == last.y && std::abs(p.x - last.x) == 1 && y0 == y1;
        const bool columnStep = p.x == last.x && std::abs(p.y - last.y) == 1 && x0 == x1;
        if (!rowStep && !columnStep) return false;
        if (rowStep && columnStep) return false;
        last = p;
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
        return true;
    }
};

// Whether the band a pen of width w paints along the step (0, 0) to
// (dx, dy) lies wholly in the pen's disks (rows disk from row diskTop) on
// the two ends.
bool diagonalBandCovered(i64 dx, i64 dy, i64 w, const std::vector<std::array<int, 2>>& disk, i64 diskTop)
{
    Point band[4];
    penBand(Point{0, 0}, Point{dx, dy}, w, band);
    i64 top = band[0].y;
    i64 bottom = band[0].y;
    for (const Point& p : band) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const i64 rows = static_cast<i64>(disk.size());
    // The row of the disk centred on (centreX, centreY) at row y, empty
    // where the disk has none.
    const auto diskRow = [&](i64 centreX, i64 centreY, i64 y) -> Span {
        const i64 r = y - centreY - diskTop;
        if (r < 0 || r >= rows) return {0, 0};
        const auto& row = disk[static_cast<std::size_t>(r)];
        return {centreX + row[0], centreX + row[1]};
    };
    std::array<i64, 8> crossings{};
    for (i64 y = top; y < bottom; ++y) {
        const Span first = diskRow(0, 0, y);
        const Span second = diskRow(dx, dy, y);
        const int found = polygonCrossings(band, 4, y, crossings);
        for (int k = 0; k + 1 < found; k += 2) {
            // Each pixel of the band's span must lie in one of the disks'.
            for (i64 x = crossings[k]; x < crossings[k + 1];) {
                if (x >= first.left && x < first.right) {
                    x = first.right;
                } else if (x >= second.left && x < second.right) {
                    x = second.right;
                } else {
                    return false;
                }
            }
        }
    }
    return true;
}

constexpr i64 Far = std::numeric_limits<i64>::max();

// The columns a band reaches on any row.
Span bandColumns(const std::array<Point, 4>& band)
{
    Span columns{Far, -Far};
    for (const Point& p : band) {
        columns.left = std::min(columns.left, p.x);
        columns.right = std::max(columns.right, p.x + 1);
    }
    return columns;
}

// The covered parts of the rows of the drawing, from the pieces of a wide
// stroke. The pieces are kept in a tree whose every node bounds what its
// pieces reach on a row, so that a row looks only into the nodes that could
// add to what it already has covered: a ring far wider than the drawing costs
// what its rows on the drawing cost, not what its outline does. The pieces
// that added to a row are looked at first on the next one, where they most
// likely add again. A stroke whose rows meet few pieces each needs no tree:
// each row goes through the pieces that reach it.
class StrokeRows {
public:
    StrokeRows(const std::vector<std::array<int, 2>>& disk, i64 diskTop, i64 widest, i64 width, i64 height,
               const std::vector<std::array<Point, 4>>& bands, std::vector<Piece> pieces)
        : disk_(disk), diskTop_(diskTop), widest_(widest), width_(width), bands_(bands)
    {
        // Pieces that miss the drawing are dropped at once.
        std::erase_if(pieces, [&](Piece& p) {
            p.top = std::max<i64>(p.top, 0);
            p.bottom = std::min<i64>(p.bottom, height);
            if (p.top >= p.bottom) return true;
            const Span reach = p.kind == Piece::Kind::Disks ? diskReach(p.x0, p.x1, p.y0, p.y1, p.top, p.bottom - 1)
                               : p.kind == Piece::Kind::Rectangle ? Span{p.x0, p.x1}
                                                                  : bandColumns(bands_[static_cast<std::size_t>(p.x0)]);
            return reach.right <= 0 || reach.left >= width_ || reach.left >= reach.right;
        });
        pieces_ = std::move(pieces);
        i64 meetings = 0;
        for (const Piece& p : pieces_) {
            top_ = std::min(top_, p.top);
            bottom_ = std::max(bottom_, p.bottom);
            meetings += p.bottom - p.top;
        }
        if (meetings > FewPieces * (bottom_ - top_)) {
            build(0, pieces_.size());
        } else {
            std::stable_sort(pieces_.begin(), pieces_.end(), [](const Piece& a, const Piece& b) { return a.top < b.top; });
        }
    }

    // Rows top() <= y < bottom() may have covered parts.
    i64 top() const { return pieces_.empty() ? 0 : top_; }
    i64 bottom() const { return pieces_.empty() ? 0 : bottom_; }

    // The covered parts of row y within the drawing, left to right, neither
    // overlapping nor touching.
    const std::vector<Span>& cover(i64 y)
    {
        spans_.clear();
        if (nodes_.empty()) {
            while (next_ < pieces_.size() && pieces_[next_].top <= y) active_.push_back(next_++);
            std::erase_if(active_, [&](std::size_t i) { return pieces_[i].bottom <= y; });
            for (std::size_t k = 0; k < active_.size() && !whole(); ++k) visit(active_[k], y);
            return spans_;
        }
        added_.clear();
        for (const Added& seed : seeds_) visit(seed.piece, y);
        stack_.assign(1, 0);
        while (!stack_.empty() && !whole()) {
            const Node& node = nodes_[stack_.back()];
            stack_.pop_back();
            if (y < node.bounds.top || y >= node.bounds.bottom || covered(hull(node.bounds, y))) continue;
            if (node.left < 0) {
                for (std::size_t i = node.first; i < node.last; ++i) visit(i, y);
            } else {
                stack_.push_back(static_cast<std::size_t>(node.right));
                stack_.push_back(static_cast<std::size_t>(node.left));
            }
        }
        // The pieces that added the most come first on the next row.
        const auto most = added_.begin() + static_cast<std::ptrdiff_t>(std::min(Seeds, added_.size()));
        std::partial_sort(added_.begin(), most, added_.end(),
                          [](const Added& a, const Added& b) { return a.width > b.width; });
        added_.erase(most, added_.end());
        seeds_.swap(added_);
        return spans_;
    }

private:
    // What a node's pieces reach: disks on vertices in a box, and
    // rectangles and bands in a box.
    struct Bounds {
        i64 top = Far;
        i64 bottom = -Far;
        // Vertex columns diskLeft..diskRight, rows diskTop..diskBottom.
        i64 diskLeft = Far;
        i64 diskRight = -Far;
        i64 diskTop = Far;
        i64 diskBottom = -Far;
        // Columns boxLeft <= x < boxRight of rows boxTop <= y < boxBottom.
        i64 boxLeft = Far;
        i64 boxRight = -Far;
        i64 boxTop = Far;
        i64 boxBottom = -Far;

        void addBox(Span columns, i64 rowTop, i64 rowBottom)
        {
            boxLeft = std::min(boxLeft, columns.left);
            boxRight = std::max(boxRight, columns.right);
            boxTop = std::min(boxTop, rowTop);
            boxBottom = std::max(boxBottom, rowBottom);
        }
        void add(const Bounds& b)
        {
            top = std::min(top, b.top);
            bottom = std::max(bottom, b.bottom);
            diskLeft = std::min(diskLeft, b.diskLeft);
            diskRight = std::max(diskRight, b.diskRight);
            diskTop = std::min(diskTop, b.diskTop);
            diskBottom = std::max(diskBottom, b.diskBottom);
            addBox({b.boxLeft, b.boxRight}, b.boxTop, b.boxBottom);
        }
    };
    struct Node {
        Bounds bounds;
        // A leaf holds pieces first <= i < last; other nodes two children.
        std::size_t first = 0;
        std::size_t last = 0;
        std::ptrdiff_t left = -1;
        std::ptrdiff_t right = -1;
    };
    static constexpr std::size_t LeafPieces = 8;
    // Strokes whose rows meet at most this many pieces on average go
    // without the tree.
    static constexpr i64 FewPieces = 48;
    // At most this many pieces are remembered to be looked at first.
    static constexpr std::size_t Seeds = 64;

    // The columns the disks on the vertices of columns x0..x1 and rows
    // y0..y1 reach on rows first..last: disks centred in one column nest,
    // so the widest of their rows there is their union.
    Span diskReach(i64 x0, i64 x1, i64 y0, i64 y1, i64 first, i64 last) const
    {
        const i64 lowest = std::max<i64>(first - y1 - diskTop_, 0);
        const i64 highest = std::min<i64>(last - y0 - diskTop_, static_cast<i64>(disk_.size()) - 1);
        if (lowest > highest) return {Far, -Far};
        const auto& row = disk_[static_cast<std::size_t>(std::clamp<i64>(widest_, lowest, highest))];
        return {x0 + row[0], x1 + row[1]};
    }

    Span hull(const Bounds& b, i64 y) const
    {
        Span h = diskReach(b.diskLeft, b.diskRight, b.diskTop, b.diskBottom, y, y);
        if (y >= b.boxTop && y < b.boxBottom) h = {std::min(h.left, b.boxLeft), std::max(h.right, b.boxRight)};
        return h;
    }

    std::ptrdiff_t build(std::size_t first, std::size_t last)
    {
        const auto at = static_cast<std::ptrdiff_t>(nodes_.size());
        nodes_.emplace_back();
        Bounds bounds;
        std::ptrdiff_t left = -1;
        std::ptrdiff_t right = -1;
        if (last - first <= LeafPieces) {
            for (std::size_t i = first; i < last; ++i) {
                const Piece& p = pieces_[i];
                bounds.top = std::min(bounds.top, p.top);
                bounds.bottom = std::max(bounds.bottom, p.bottom);
                if (p.kind == Piece::Kind::Disks) {
                    bounds.diskLeft = std::min(bounds.diskLeft, p.x0);
                    bounds.diskRight = std::max(bounds.diskRight, p.x1);
                    bounds.diskTop = std::min(bounds.diskTop, p.y0);
                    bounds.diskBottom = std::max(bounds.diskBottom, p.y1);
                } else {
                    const Span columns =
                        p.kind == Piece::Kind::Rectangle ? Span{p.x0, p.x1} : bandColumns(bands_[static_cast<std::size_t>(p.x0)]);
                    bounds.addBox(columns, p.top, p.bottom);
                }
            }
        } else {
            const std::size_t middle = first + (last - first) / 2;
            left = build(first, middle);
            right = build(middle, last);
            bounds = nodes_[static_cast<std::size_t>(left)].bounds;
            bounds.add(nodes_[static_cast<std::size_t>(right)].bounds);
        }
        nodes_[static_cast<std::size_t>(at)] = Node{bounds, first, last, left, right};
        return at;
    }

    // Adds the parts of row y that piece i covers.
    void visit(std::size_t i, i64 y)
    {
        const Piece& p = pieces_[i];
        if (y < p.top || y >= p.bottom) return;
        const auto add = [&](Span s) {
            if (extend(s) && !nodes_.empty()) added_.push_back({i, clipped(s).width()});
        };
        switch (p.kind) {
        case Piece::Kind::Disks:
            add(diskReach(p.x0, p.x1, p.y0, p.y1, y, y));
            break;
        case Piece::Kind::Rectangle:
            add({p.x0, p.x1});
            break;
        case Piece::Kind::Band: {
            const int found = polygonCrossings(bands_[static_cast<std::size_t>(p.x0)].data(), 4, y, crossings_);
            for (int k = 0; k + 1 < found; k += 2) add({crossings_[k], crossings_[k + 1]});
            break;
        }
        }
    }

    Span clipped(Span s) const { return {std::max<i64>(s.left, 0), std::min(s.right, width_)}; }
    bool whole() const { return spans_.size() == 1 && spans_[0].left == 0 && spans_[0].right == width_; }

    // Whether the row has all of s covered already.
    bool covered(Span s) const
    {
        s = clipped(s);
        if (s.left >= s.right) return true;
        auto after = std::upper_bound(spans_.begin(), spans_.end(), s.left,
                                      [](i64 x, const Span& span) { return x < span.left; });
        return after != spans_.begin() && std::prev(after)->right >= s.right;
    }

    // Covers s; whether that covered anything new.
    bool extend(Span s)
    {
        if (covered(s)) return false;
        s = clipped(s);
        auto first = std::lower_bound(spans_.begin(), spans_.end(), s.left,
                                      [](const Span& span, i64 x) { return span.right < x; });
        auto last = first;
        while (last != spans_.end() && last->left <= s.right) ++last;
        if (first != last) {
            s.left = std::min(s.left, first->left);
            s.right = std::max(s.right, std::prev(last)->right);
            *first = s;
            spans_.erase(std::next(first), last);
        } else {
            spans_.insert(first, s);
        }
        return true;
    }

    const std::vector<std::array<int, 2>>& disk_;
    i64 diskTop_;
    i64 widest_;
    i64 width_;
    const std::vector<std::array<Point, 4>>& bands_;
    std::vector<Piece> pieces_;
    i64 top_ = Far;
    i64 bottom_ = -Far;
    std::vector<Node> nodes_;
    // Without the tree: pieces before next_ have begun, active_ are those
    // that reach the current row.
    std::size_t next_ = 0;
    std::vector<std::size_t> active_;
    std::vector<Span> spans_;
    // A piece that added to a row, and how wide its part of the row is.
    struct Added {
        std::size_t piece;
        i64 width;
    };
    std::vector<Added> seeds_;
    std::vector<Added> added_;
    std::vector<std::size_t> stack_;
    std::array<i64, 8> crossings_{};
};

}  // namespace

void Surface::strokeWide(const Point* points, std::size_t count, bool closed)
{
    // The stroke is the union of the pen's disk on every vertex and a band
    // along every segment, all in the pen colour. Each row is painted once,
    // as the merged parts of its row that those shapes cover; disks on a run
    // of neighbouring vertices in one row or column merge into one shape, and
    // so do the rectangles of their bands.
    const i64 w = penWidth_;
    const i64 diskRows = static_cast<i64>(penDisk_.size());
    std::vector<Piece> pieces;
    std::vector<std::array<Point, 4>> bands;
    pieces.reserve(2 * count + 1);
    bands.reserve(count);
    const auto addDisks = [&](const VertexRun& run) {
        pieces.push_back(
            {Piece::Kind::Disks, run.y0 + penDiskTop_, run.y1 + penDiskTop_ + diskRows, run.x0, run.x1, run.y0, run.y1});
    };
    VertexRun run{points[0]};
    // Long outlines take a while to take apart too: a stop is looked at
    // every so many points.
    const auto stoppedAt = [&](std::size_t i) { return i % 4096 == 0 && stopped(); };
    for (std::size_t i = 1; i < count; ++i) {
        if (stoppedAt(i)) return;
        if (run.extend(points[i])) continue;
        addDisks(run);
        run = VertexRun{points[i]};
    }
    addDisks(run);

    const auto addRectangle = [&](i64 left, i64 top, i64 right, i64 bottom) {
        if (!pieces.empty()) {
            Piece& last = pieces.back();
            if (last.kind == Piece::Kind::Rectangle) {
                if (last.top == top && last.bottom == bottom && left <= last.x1 && right >= last.x0) {
                    last.x0 = std::min(last.x0, left);
                    last.x1 = std::max(last.x1, right);
                    return;
                }
                if (last.x0 == left && last.x1 == right && top <= last.bottom && bottom >= last.top) {
                    last.top = std::min(last.top, top);
                    last.bottom = std::max(last.bottom, bottom);
                    return;
                }
            }
        }
        pieces.push_back({Piece::Kind::Rectangle, top, bottom, left, right, 0, 0});
    };
    // The band of a diagonal step of one pixel is, for most pens, wholly
    // covered by the disks on its two ends; bands are the same for every
    // step of a direction, so that is found once a direction.
    std::array<int, 4> bandCovered{-1, -1, -1, -1};
    const auto coveredStep = [&](i64 dx, i64 dy) {
        int& known = bandCovered[static_cast<std::size_t>((dx > 0 ? 2 : 0) + (dy > 0 ? 1 : 0))];
        if (known < 0) known = diagonalBandCovered(dx, dy, w, penDisk_, penDiskTop_) ? 1 : 0;
        return known == 1;
    };
    const auto addSegment = [&](Point from, Point to) {
        if (from == to) return;
        if (std::abs(to.x - from.x) == 1 && std::abs(to.y - from.y) == 1 && coveredStep(to.x - from.x, to.y - from.y))
            return;
        if (from.y == to.y) {
            addRectangle(std::min(from.x, to.x), from.y - w / 2, std::max(from.x, to.x), from.y - w / 2 + w);
        } else if (from.x == to.x) {
            addRectangle(from.x - w / 2, std::min(from.y, to.y), from.x - w / 2 + w, std::max(from.y, to.y));
        } else {
            std::array<Point, 4> band;
            penBand(from, to, w, band.data());
            i64 top = band[0].y;
            i64 bottom = band[0].y;
            for (const Point& p : band) {
                top = std::min(top, p.y);
                bottom = std::max(bottom, p.y);
            }
            pieces.push_back({Piece::Kind::Band, top, bottom, static_cast<i64>(bands.size()), 0, 0, 0});
            bands.push_back(band);
        }
    };
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (stoppedAt(i)) return;
        addSegment(points[i], points[i + 1]);
    }
    if (closed) addSegment(points[count - 1], points[0]);

    StrokeRows rows(penDisk_, penDiskTop_, penDiskWidest_, width_, height_, bands, std::move(pieces));
    for (i64 y = rows.top(); y < rows.bottom() && !stopped(); ++y) {
        for (const Span& span : rows.cover(y)) paintSpan(y, span.left, span.right, penValue_);
    }
}

}  // namespace kresbon
