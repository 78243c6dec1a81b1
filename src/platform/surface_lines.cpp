#include "platform/surface.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/surface_detail.h"

namespace kresbon {
namespace {

using namespace surface_detail;

struct DashPattern {
    int period;
    std::array<bool, 24> on;
};

// The runs of each styled pen, indexed by pen style - 1; zero ends a list.
constexpr int kDashRuns[4][7] = {
    {18, 6, 0},
    {3, 3, 0},
    {9, 6, 3, 6, 0},
    {9, 3, 3, 3, 3, 3, 0},
};

constexpr DashPattern makeDashPattern(const int (&runs)[7])
{
    DashPattern pattern{0, {}};
    bool on = true;
    for (int i = 0; runs[i] != 0; ++i) {
        for (int j = 0; j < runs[i]; ++j) pattern.on[pattern.period++] = on;
        on = !on;
    }
    return pattern;
}

constexpr std::array<DashPattern, 4> kDashPatterns = {
    makeDashPattern(kDashRuns[0]),
    makeDashPattern(kDashRuns[1]),
    makeDashPattern(kDashRuns[2]),
    makeDashPattern(kDashRuns[3]),
};

}  // namespace

namespace surface_detail {

void penBand(Point from, Point to, i64 w, Point band[4])
{
    const i64 dx = to.x - from.x;
    const i64 dy = to.y - from.y;
    // A band of the pen's width centred on the segment; the half widths are
    // rounded so that the two sides together give the full width.
    const double length = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
    const double widthX = static_cast<double>(w) * static_cast<double>(dy < 0 ? -dy : dy) / length;
    const double widthY = static_cast<double>(w) * static_cast<double>(dx < 0 ? -dx : dx) / length;
    Point narrow{std::llround(widthX / 2), std::llround(widthY / 2)};
    Point wide{std::llround((widthX + 1) / 2), std::llround((widthY + 1) / 2)};
    if (dx < 0) {
        wide.y = -wide.y;
        narrow.y = -narrow.y;
    }
    if (dy < 0) {
        std::swap(narrow, wide);
        wide.x = -wide.x;
        narrow.x = -narrow.x;
    }
    band[0] = {from.x - narrow.x, from.y + narrow.y};
    band[1] = {from.x + wide.x, from.y - wide.y};
    band[2] = {to.x + wide.x, to.y - wide.y};
    band[3] = {to.x - narrow.x, to.y + narrow.y};
}

}  // namespace surface_detail

std::span<const int> DashRuns(PenStyle style)
{
    if (style == PenStyle::Solid) return {};
    const int (&runs)[7] = kDashRuns[static_cast<int>(style) - 1];
    std::size_t count = 0;
    while (runs[count] != 0) ++count;
    return {runs, count};
}

void Surface::lineTo(int x, int y)
{
    const Point points[2] = {{curX_, curY_}, {x, y}};
    dashPos_ = 0;
    strokePolyline(points, 2, false);
    curX_ = x;
    curY_ = y;
}

void Surface::strokePolyline(const Point* points, std::size_t count, bool closed)
{
    if (count < 2) return;
    if (penWidth_ <= 1) {
        for (std::size_t i = 0; i + 1 < count; ++i) thinSegment(points[i], points[i + 1]);
        if (closed) thinSegment(points[count - 1], points[0]);
        return;
    }
    // A wide pen has round caps and round joins: its disk on every vertex,
    // and a band of the pen's width along every segment. Longer strokes are
    // filled row by row, each pixel once.
    if (count > 2 || closed) {
        strokeWide(points, count, closed);
        return;
    }
    for (std::size_t i = 0; i < count && !stopped(); ++i) {
        if (i == 0 || points[i].x != points[i - 1].x || points[i].y != points[i - 1].y) {
            stampPenDisk(points[i]);
        }
    }
    for (std::size_t i = 0; i + 1 < count && !stopped(); ++i) wideSegment(points[i], points[i + 1]);
    if (closed && !stopped()) wideSegment(points[count - 1], points[0]);
}

void Surface::thinSegment(Point from, Point to)
{
    const i64 dx = to.x - from.x;
    const i64 dy = to.y - from.y;
    if (dx == 0 && dy == 0) return;

    const i64 adx = dx < 0 ? -dx : dx;
    const i64 ady = dy < 0 ? -dy : dy;
    // Exact diagonals count as y-major.
    const bool xMajor = adx > ady;
    const i64 length = xMajor ? adx : ady;
    const i64 minor = xMajor ? ady : adx;
    // Ties go to the smaller y on x-major lines and to the smaller x on
    // y-major lines: the bias holds back the minor step where a tie would
    // otherwise go the other way.
    const int bias = dy > 0 ? (dx <= 0 && !xMajor) : (dx < 0 || xMajor);

    const DashPattern* dash =
        penStyle_ == PenStyle::Solid ? nullptr : &kDashPatterns[static_cast<int>(penStyle_) - 1];
    const int dashStart = dashPos_;
    if (dash != nullptr) dashPos_ = static_cast<int>((dashPos_ + length) % dash->period);
    const bool opaque = opaqueBackground();

    if (length == 1) {
        if (from.x < 0 || from.y < 0 || from.x >= width_ || from.y >= height_) return;
        const std::size_t i = static_cast<std::size_t>(from.y) * stride_ + static_cast<std::size_t>(from.x);
        if (dash == nullptr || dash->on[dashStart]) {
            writePacked([&](auto packing) { packing.set(words_.data(), i, penValue_); });
        } else if (opaque) {
            writePacked([&](auto packing) { packing.set(words_.data(), i, brushValue_); });
        }
        return;
    }

    // Pixel i (0 <= i < length) lies at major position majorStart +
    // majorSign * i and minor position minorStart + minorSign * steps(i).
    const i64 majorStart = xMajor ? from.x : from.y;
    const i64 minorStart = xMajor ? from.y : from.x;
    const int majorSign = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int minorSign = (xMajor ? dy : dx) >= 0 ? 1 : -1;
    const i64 majorLimit = xMajor ? width_ : height_;
    const i64 minorLimit = xMajor ? height_ : width_;
    const auto steps = [&](i128 i) { return ceilDiv(2 * i * minor + bias - length, 2 * i128{length}); };
    const auto firstWithSteps = [&](i128 m) -> i128 {
        if (m <= 0) return 0;
        if (minor == 0) return length;
        return floorDiv((m - 1) * 2 * length + length - bias, 2 * i128{minor}) + 1;
    };

    // Clip analytically: the pixels inside the image form one run of i.
    i128 first = 0;
    i128 last = length;
    if (majorSign > 0) {
        first = std::max<i128>(first, -majorStart);
        last = std::min<i128>(last, majorLimit - majorStart);
    } else {
        first = std::max<i128>(first, majorStart - majorLimit + 1);
        last = std::min<i128>(last, majorStart + 1);
    }
    const i128 lowSteps = minorSign > 0 ? -i128{minorStart} : i128{minorStart} - (minorLimit - 1);
    const i128 highSteps = minorSign > 0 ? minorLimit - 1 - i128{minorStart} : i128{minorStart};
    first = std::max(first, firstWithSteps(lowSteps));
    last = std::min(last, firstWithSteps(highSteps + 1));
    if (first >= last) return;

    const i128 firstSteps = steps(first);
    i64 err = static_cast<i64>(2 * i128{minor} - length + 2 * first * minor - 2 * firstSteps * length);
    const i64 major = majorStart + majorSign * static_cast<i64>(first);
    const i64 minorPos = minorStart + minorSign * static_cast<i64>(firstSteps);
    const i64 x = xMajor ? major : minorPos;
    const i64 y = xMajor ? minorPos : major;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(stride_);
    const std::ptrdiff_t start = static_cast<std::ptrdiff_t>(y * stride + x);
    const std::ptrdiff_t majorStep = xMajor ? majorSign : static_cast<std::ptrdiff_t>(majorSign) * stride;
    const std::ptrdiff_t minorStep = xMajor ? static_cast<std::ptrdiff_t>(minorSign) * stride : minorSign;
    const i64 count = static_cast<i64>(last - first);
    const i64 stepError = 2 * minor - 2 * length;
    const i64 flatError = 2 * minor;
    std::uint32_t* const words = words_.data();

    if (dash == nullptr) {
        const std::uint32_t value = penValue_;
        if (minor == 0 && xMajor) {
            const std::ptrdiff_t lowest = majorSign > 0 ? start : start - (count - 1);
            fillPixels(static_cast<std::size_t>(lowest), static_cast<std::size_t>(count), value);
            return;
        }
        // Branch-free stepping: the minor step is as good as random to the
        // branch predictor, and a conditional move costs nothing.
        writePacked([&](auto packing) {
            std::ptrdiff_t index = start;
            for (i64 k = 0; k < count;) {
                if (k > 0 && stopped()) return;
                for (const i64 end = std::min(count, k + kStopStep); k < end; ++k) {
                    packing.set(words, static_cast<std::size_t>(index), value);
                    const bool minorMove = err + bias > 0;
                    index += majorStep + (minorMove ? minorStep : 0);
                    err += minorMove ? stepError : flatError;
                }
            }
        });
        return;
    }

    writePacked([&](auto packing) {
        std::ptrdiff_t index = start;
        int pos = static_cast<int>((dashStart + first) % dash->period);
        for (i64 k = 0; k < count;) {
            if (k > 0 && stopped()) return;
            for (const i64 end = std::min(count, k + kStopStep); k < end; ++k) {
                if (dash->on[pos]) {
                    packing.set(words, static_cast<std::size_t>(index), penValue_);
                } else if (opaque) {
                    packing.set(words, static_cast<std::size_t>(index), brushValue_);
                }
                if (++pos == dash->period) pos = 0;
                if (err + bias > 0) {
                    index += minorStep;
                    err += stepError;
                } else {
                    err += flatError;
                }
                index += majorStep;
            }
        }
    });
}

void Surface::wideSegment(Point from, Point to)
{
    const i64 dx = to.x - from.x;
    const i64 dy = to.y - from.y;
    if (dx == 0 && dy == 0) return;
    const i64 w = penWidth_;

    if (dy == 0) {
        const i64 top = from.y - w / 2;
        const i64 last = std::min<i64>(top + w, height_);
        for (i64 y = std::max<i64>(top, 0); y < last && !stopped(); ++y) {
            paintSpan(y, std::min(from.x, to.x), std::max(from.x, to.x), penValue_);
        }
        return;
    }
    if (dx == 0) {
        const i64 left = from.x - w / 2;
        const i64 first = std::max<i64>(std::min(from.y, to.y), 0);
        const i64 last = std::min<i64>(std::max(from.y, to.y), height_);
        for (i64 y = first; y < last && !stopped(); ++y) paintSpan(y, left, left + w, penValue_);
        return;
    }

    Point band[4];
    penBand(from, to, w, band);
    fillPolygon(band, 4, penValue_);
}

void Surface::stampPenDisk(Point centre)
{
    const i64 top = centre.y + penDiskTop_;
    const i64 rows = static_cast<i64>(penDisk_.size());
    if (top + rows <= 0 || top >= height_ || centre.x + penWidth_ < 0 || centre.x - penWidth_ >= width_) {
        return;
    }
    const i64 last = std::min<i64>(rows, height_ - top);
    for (i64 r = std::max<i64>(0, -top); r < last; ++r) {
        paintSpan(top + r, centre.x + penDisk_[r][0], centre.x + penDisk_[r][1], penValue_);
    }
}

}  // namespace kresbon
