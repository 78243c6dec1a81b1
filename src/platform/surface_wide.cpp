#include <algorithm>
#include <array>
#include <cstdlib>
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

// Up to this many spans of a row are sorted to merge them.
constexpr std::size_t SortedSpans = 64;

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

    // Only the rows of the drawing are visited, each with the pieces that
    // reach it.
    std::erase_if(pieces, [&](Piece& p) {
        p.top = std::max<i64>(p.top, 0);
        p.bottom = std::min<i64>(p.bottom, height_);
        return p.top >= p.bottom;
    });
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.top < b.top; });

    std::vector<const Piece*> active;
    std::vector<Span> spans;
    std::vector<i64> reach;
    std::array<i64, 8> crossings{};
    std::size_t next = 0;
    i64 y = pieces.empty() ? height_ : pieces.front().top;
    for (; y < height_ && !stopped(); ++y) {
        while (next < pieces.size() && pieces[next].top <= y) active.push_back(&pieces[next++]);
        spans.clear();
        bool whole = false;
        const auto add = [&](i64 left, i64 right) {
            left = std::max<i64>(left, 0);
            right = std::min<i64>(right, width_);
            if (left >= right) return;
            whole = whole || (left == 0 && right == width_);
            spans.push_back({left, right});
        };
        for (std::size_t i = 0; i < active.size() && !whole;) {
            const Piece& p = *active[i];
            if (p.bottom <= y) {
                active[i] = active.back();
                active.pop_back();
                continue;
            }
            switch (p.kind) {
            case Piece::Kind::Disks: {
                // Disks centred in one column nest, so the widest of their
                // rows on this one is their union.
                const i64 lowest = std::max<i64>(y - p.y1 - penDiskTop_, 0);
                const i64 highest = std::min<i64>(y - p.y0 - penDiskTop_, diskRows - 1);
                const auto& row = penDisk_[static_cast<std::size_t>(std::clamp<i64>(penDiskWidest_, lowest, highest))];
                add(p.x0 + row[0], p.x1 + row[1]);
                break;
            }
            case Piece::Kind::Rectangle:
                add(p.x0, p.x1);
                break;
            case Piece::Kind::Band: {
                const int found = polygonCrossings(bands[static_cast<std::size_t>(p.x0)].data(), 4, y, crossings);
                for (int k = 0; k + 1 < found; k += 2) add(crossings[k], crossings[k + 1]);
                break;
            }
            }
            // A piece that covers the whole row is likely to cover the next
            // one too, and is looked at first there.
            if (whole) std::swap(active[i], active[0]);
            ++i;
        }
        if (whole) {
            paintSpan(y, 0, width_, penValue_);
            continue;
        }
        if (active.empty()) {
            if (next == pieces.size()) break;
            y = pieces[next].top - 1;
            continue;
        }
        if (spans.size() <= SortedSpans) {
            std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
            for (std::size_t k = 0; k < spans.size();) {
                Span merged = spans[k++];
                while (k < spans.size() && spans[k].left <= merged.right)
                    merged.right = std::max(merged.right, spans[k++].right);
                paintSpan(y, merged.left, merged.right, penValue_);
            }
            continue;
        }
        // Many spans are merged through the furthest reach of those that
        // start at each column, without sorting them.
        reach.assign(static_cast<std::size_t>(width_), -1);
        for (const Span& span : spans) {
            i64& furthest = reach[static_cast<std::size_t>(span.left)];
            furthest = std::max(furthest, span.right);
        }
        i64 start = -1;
        i64 end = -1;
        for (i64 x = 0; x < width_; ++x) {
            const i64 r = reach[static_cast<std::size_t>(x)];
            if (r < 0) continue;
            if (x > end) {
                if (start >= 0) paintSpan(y, start, end, penValue_);
                start = x;
            }
            end = std::max(end, r);
        }
        if (start >= 0) paintSpan(y, start, end, penValue_);
    }
}

}  // namespace kresbon
