#include "platform/surface.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/palette.h"

namespace kresbon {
namespace {

using i64 = std::int64_t;
using i128 = __int128;

constexpr Rgb kNoKey = 0xFFFFFFFFu;
// Never a colour (colours keep the top byte zero), so it marks the pixels a
// hatched flood fill has taken before the hatch is laid over them.
constexpr Rgb kFillMark = 0xFF000000u;
// Ellipses and arcs whose box is larger than this are drawn from a fine
// polygon: the integer ellipse would need more steps and memory than any
// visible part of such a curve is worth.
constexpr i64 kLargestExactEllipse = i64{1} << 18;
// Wider pens are drawn at this width; it already covers any drawing that
// can be held in memory several times over.
constexpr int kWidestPen = 1 << 16;

i128 floorDiv(i128 a, i128 b)
{
    i128 q = a / b;
    if (a % b != 0 && (a < 0) != (b < 0)) --q;
    return q;
}

i128 ceilDiv(i128 a, i128 b) { return -floorDiv(-a, b); }

struct DashPattern {
    int period;
    std::array<bool, 24> on;
};

constexpr DashPattern makeDashPattern(std::initializer_list<int> runs)
{
    DashPattern pattern{0, {}};
    bool on = true;
    for (int run : runs) {
        for (int i = 0; i < run; ++i) pattern.on[pattern.period++] = on;
        on = !on;
    }
    return pattern;
}

// Indexed by pen style - 1.
constexpr std::array<DashPattern, 4> kDashPatterns = {
    makeDashPattern({18, 6}),
    makeDashPattern({3, 3}),
    makeDashPattern({9, 6, 3, 6}),
    makeDashPattern({9, 3, 3, 3, 3, 3}),
};

// 8x8 hatch patterns, one byte per row from the top, 0x80 = leftmost pixel;
// indexed by brush style - 2.
constexpr std::uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},
};

// Hatches line up with the image origin, so (x, y) are image coordinates.
bool hatchBit(int hatch, i64 x, i64 y)
{
    return (kHatches[hatch][y & 7] >> (7 - (x & 7))) & 1;
}

int hatchIndex(BrushStyle style) { return static_cast<int>(style) - 2; }

int validDepth(int depth)
{
    switch (depth) {
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return depth;
    default:
        return 4;
    }
}

std::string decimal(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

Rgb toRgb555(Rgb c)
{
    const auto five = [](int v) {
        v >>= 3;
        return (v << 3) | (v >> 2);
    };
    return makeRgb(five(redOf(c)), five(greenOf(c)), five(blueOf(c)));
}

// Row insets of the elliptic region that fills a width x height box
// (both >= 2): row i spans [left + inset[i], right - inset[i]).
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

}  // namespace

Surface::Surface(int width, int height, int depth)
    : width_(width), height_(height), depth_(validDepth(depth))
{
    if (width < 0 || height < 0) {
        throw std::length_error("cannot create a drawing of " + decimal(width) + " x " +
                                decimal(height) + " pixels");
    }
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    nearestCache_.fill(CacheEntry{kNoKey, 0});
    penPixel_ = quantise(penColour_);
    brushPixel_ = quantise(brushColour_);
}

const std::vector<Rgb>& Surface::palette() const
{
    static const std::vector<Rgb> vga(vgaPalette().begin(), vgaPalette().end());
    static const std::vector<Rgb> halftone(halftonePalette().begin(), halftonePalette().end());
    static const std::vector<Rgb> none;
    switch (depth_) {
    case 4:
        return vga;
    case 8:
        return halftone;
    default:
        return none;
    }
}

Rgb Surface::quantise(Rgb c) const
{
    c &= 0xFFFFFF;
    switch (depth_) {
    case 24:
    case 32:
        return c;
    case 16:
        return toRgb555(c);
    default:
        return nearestColour(c);
    }
}

Rgb Surface::nearestColour(Rgb c) const
{
    CacheEntry& slot = nearestCache_[(c * 0x9E3779B1u) >> 24];
    if (slot.key != c) {
        const std::span<const Rgb> table = depth_ == 8 ? std::span<const Rgb>(halftonePalette())
                                                       : std::span<const Rgb>(vgaPalette());
        slot = CacheEntry{c, table[nearestPaletteIndex(table, c)]};
    }
    return slot.value;
}

void Surface::setPen(Rgb colour, int width, PenStyle style)
{
    const int styleNumber = static_cast<int>(style);
    penColour_ = colour;
    penPixel_ = quantise(colour);
    penWidth_ = std::clamp(width, 1, kWidestPen);
    penStyle_ = styleNumber >= 0 && styleNumber <= 4 ? style : PenStyle::Solid;

    penDisk_.clear();
    if (penWidth_ > 1) {
        std::vector<i64> inset;
        ellipseRegionInsets(penWidth_, penWidth_, inset);
        const int left = -(penWidth_ / 2);
        penDiskTop_ = left;
        for (const i64 in : inset) {
            penDisk_.push_back({left + static_cast<int>(in), left + penWidth_ - static_cast<int>(in)});
        }
    }
}

void Surface::setBrush(Rgb colour, BrushStyle style)
{
    const int styleNumber = static_cast<int>(style);
    brushColour_ = colour;
    brushPixel_ = quantise(colour);
    brushStyle_ = styleNumber >= 0 && styleNumber <= 7 ? style : BrushStyle::Solid;
}

void Surface::fillRect(int x1, int y1, int x2, int y2)
{
    const int left = std::max(x1, 0);
    const int right = std::min(x2, width_);
    const int top = std::max(y1, 0);
    const int bottom = std::min(y2, height_);
    if (left >= right) return;
    for (int y = top; y < bottom; ++y) {
        Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
        std::fill(row + left, row + right, brushPixel_);
    }
}

void Surface::setPixel(int x, int y, Rgb colour)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = quantise(colour);
}

Rgb Surface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Surface::moveTo(int x, int y)
{
    curX_ = x;
    curY_ = y;
}

void Surface::lineTo(int x, int y)
{
    const Point points[2] = {{curX_, curY_}, {x, y}};
    dashPos_ = 0;
    strokePolyline(points, 2, false);
    curX_ = x;
    curY_ = y;
}

Surface::Box Surface::orderedBox(int x1, int y1, int x2, int y2)
{
    return Box{std::min<i64>(x1, x2), std::min<i64>(y1, y2), std::max<i64>(x1, x2),
               std::max<i64>(y1, y2)};
}

bool Surface::intersectsImage(const Box& box, i64 margin) const
{
    return box.left - margin < width_ && box.right + margin > 0 && box.top - margin < height_ &&
           box.bottom + margin > 0;
}

void Surface::rectangle(int x1, int y1, int x2, int y2)
{
    const Box box = orderedBox(x1, y1, x2, y2);
    if (box.width() == 0 || box.height() == 0 || !intersectsImage(box, penWidth_)) return;

    // The outline runs through the last column and row inside the box.
    const i64 right = box.right - 1;
    const i64 bottom = box.bottom - 1;
    if (brushStyle_ != BrushStyle::Clear) {
        const i64 inset = penWidth_ > 1 ? 0 : 1;
        for (i64 y = box.top + inset; y < bottom; ++y) paintBrushSpan(y, box.left + inset, right);
    }
    const Point corners[4] = {{right, box.top}, {box.left, box.top}, {box.left, bottom}, {right, bottom}};
    dashPos_ = 0;
    strokePolyline(corners, 4, true);
}

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

void Surface::strokePolyline(const Point* points, std::size_t count, bool closed)
{
    if (count < 2) return;
    if (penWidth_ <= 1) {
        for (std::size_t i = 0; i + 1 < count; ++i) thinSegment(points[i], points[i + 1]);
        if (closed) thinSegment(points[count - 1], points[0]);
        return;
    }
    // A wide pen has round caps and round joins: its disk on every vertex,
    // and a band of the pen's width along every segment.
    for (std::size_t i = 0; i < count; ++i) {
        if (i == 0 || points[i].x != points[i - 1].x || points[i].y != points[i - 1].y) {
            stampPenDisk(points[i]);
        }
    }
    for (std::size_t i = 0; i + 1 < count; ++i) wideSegment(points[i], points[i + 1]);
    if (closed) wideSegment(points[count - 1], points[0]);
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
        Rgb& p = pixels_[static_cast<std::size_t>(from.y) * width_ + from.x];
        if (dash == nullptr || dash->on[dashStart]) {
            p = penPixel_;
        } else if (opaque) {
            p = brushPixel_;
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
    std::ptrdiff_t index = static_cast<std::ptrdiff_t>(y * width_ + x);
    const std::ptrdiff_t majorStep = xMajor ? majorSign : static_cast<std::ptrdiff_t>(majorSign) * width_;
    const std::ptrdiff_t minorStep = xMajor ? static_cast<std::ptrdiff_t>(minorSign) * width_ : minorSign;
    const i64 count = static_cast<i64>(last - first);
    const i64 stepError = 2 * minor - 2 * length;
    const i64 flatError = 2 * minor;
    Rgb* const pixels = pixels_.data();

    if (dash == nullptr) {
        const Rgb colour = penPixel_;
        if (minor == 0 && xMajor) {
            const std::ptrdiff_t lowest = majorSign > 0 ? index : index - (count - 1);
            std::fill_n(pixels + lowest, count, colour);
            return;
        }
        // Branch-free stepping: the minor step is as good as random to the
        // branch predictor, and a conditional move costs nothing.
        for (i64 k = 0; k < count; ++k) {
            pixels[index] = colour;
            const bool minorMove = err + bias > 0;
            index += majorStep + (minorMove ? minorStep : 0);
            err += minorMove ? stepError : flatError;
        }
        return;
    }

    int pos = static_cast<int>((dashStart + first) % dash->period);
    for (i64 k = 0; k < count; ++k) {
        if (dash->on[pos]) {
            pixels[index] = penPixel_;
        } else if (opaque) {
            pixels[index] = brushPixel_;
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

void Surface::wideSegment(Point from, Point to)
{
    const i64 dx = to.x - from.x;
    const i64 dy = to.y - from.y;
    if (dx == 0 && dy == 0) return;
    const i64 w = penWidth_;

    if (dy == 0) {
        const i64 top = from.y - w / 2;
        const i64 last = std::min<i64>(top + w, height_);
        for (i64 y = std::max<i64>(top, 0); y < last; ++y) {
            paintSpan(y, std::min(from.x, to.x), std::max(from.x, to.x), penPixel_);
        }
        return;
    }
    if (dx == 0) {
        const i64 left = from.x - w / 2;
        const i64 first = std::max<i64>(std::min(from.y, to.y), 0);
        const i64 last = std::min<i64>(std::max(from.y, to.y), height_);
        for (i64 y = first; y < last; ++y) paintSpan(y, left, left + w, penPixel_);
        return;
    }

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
    const Point band[4] = {
        {from.x - narrow.x, from.y + narrow.y},
        {from.x + wide.x, from.y - wide.y},
        {to.x + wide.x, to.y - wide.y},
        {to.x - narrow.x, to.y + narrow.y},
    };
    fillPolygon(band, 4, penPixel_);
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
        paintSpan(top + r, centre.x + penDisk_[r][0], centre.x + penDisk_[r][1], penPixel_);
    }
}

void Surface::fillPolygon(const Point* points, int count, Rgb colour)
{
    // Pixels are sampled at their integer coordinates; left and top edges
    // belong to the polygon, right and bottom edges do not.
    i64 top = points[0].y;
    i64 bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    top = std::max<i64>(top, 0);
    bottom = std::min<i64>(bottom, height_);
    std::array<i64, 8> crossings{};
    for (i64 y = top; y < bottom; ++y) {
        int found = 0;
        for (int i = 0; i < count && found < 8; ++i) {
            const Point& a = points[i];
            const Point& b = points[(i + 1) % count];
            if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
            const i128 numerator = i128{y - a.y} * (b.x - a.x);
            const i128 denominator = b.y - a.y;
            crossings[found++] = a.x + static_cast<i64>(denominator > 0 ? ceilDiv(numerator, denominator)
                                                                        : ceilDiv(-numerator, -denominator));
        }
        // Few crossings: an insertion sort (std::sort trips a false bounds
        // warning of the compiler on this small array).
        for (int i = 1; i < found; ++i) {
            for (int j = i; j > 0 && crossings[j - 1] > crossings[j]; --j) std::swap(crossings[j - 1], crossings[j]);
        }
        for (int i = 0; i + 1 < found; i += 2) paintSpan(y, crossings[i], crossings[i + 1], colour);
    }
}

void Surface::paintSpan(i64 y, i64 x0, i64 x1, Rgb colour)
{
    if (y < 0 || y >= height_) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, width_);
    if (x0 >= x1) return;
    Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
    std::fill(row + x0, row + x1, colour);
}

void Surface::paintBrushSpan(i64 y, i64 x0, i64 x1)
{
    if (brushStyle_ == BrushStyle::Clear) return;
    if (brushStyle_ == BrushStyle::Solid) {
        paintSpan(y, x0, x1, brushPixel_);
        return;
    }
    if (y < 0 || y >= height_) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, width_);
    const int hatch = hatchIndex(brushStyle_);
    Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
    for (i64 x = x0; x < x1; ++x) {
        if (hatchBit(hatch, x, y)) row[x] = brushPixel_;
    }
}

void Surface::floodFill(int x, int y, Rgb surfaceColour)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    if (brushStyle_ == BrushStyle::Clear) return;
    const Rgb target = quantise(surfaceColour);
    if (pixel(x, y) != target || brushPixel_ == target) return;

    if (brushStyle_ == BrushStyle::Solid) {
        scanFill(x, y, target, brushPixel_);
        return;
    }
    // A hatch leaves the area's colour between its lines, so the area is
    // first marked and then given its pattern.
    const Box area = scanFill(x, y, target, kFillMark);
    const int hatch = hatchIndex(brushStyle_);
    for (i64 row = area.top; row < area.bottom; ++row) {
        Rgb* line = pixels_.data() + static_cast<std::size_t>(row) * width_;
        for (i64 column = area.left; column < area.right; ++column) {
            if (line[column] == kFillMark) line[column] = hatchBit(hatch, column, row) ? brushPixel_ : target;
        }
    }
}

Surface::Box Surface::scanFill(int x, int y, Rgb target, Rgb mark)
{
    // Span filling with an explicit stack: each entry is a run of a row to
    // scan, with the direction it was reached from, so that the parent row
    // is only rescanned where the new span overhangs it.
    struct Run {
        int left;
        int right;
        int y;
        int dy;
    };
    std::vector<Run> stack;
    stack.reserve(256);
    stack.push_back({x, x, y, 1});
    stack.push_back({x, x, y - 1, -1});
    int minX = x;
    int maxX = x;
    int minY = y;
    int maxY = y;
    Rgb* const pixels = pixels_.data();
    const int width = width_;

    while (!stack.empty()) {
        const Run run = stack.back();
        stack.pop_back();
        if (run.y < 0 || run.y >= height_) continue;
        Rgb* const row = pixels + static_cast<std::size_t>(run.y) * width;
        int x1 = run.left;
        const int x2 = run.right;
        int start = x1;
        if (row[start] == target) {
            while (start > 0 && row[start - 1] == target) row[--start] = mark;
            if (start < x1) stack.push_back({start, x1 - 1, run.y - run.dy, -run.dy});
        }
        while (x1 <= x2) {
            while (x1 < width && row[x1] == target) row[x1++] = mark;
            if (x1 > start) {
                stack.push_back({start, x1 - 1, run.y + run.dy, run.dy});
                minX = std::min(minX, start);
                maxX = std::max(maxX, x1 - 1);
                minY = std::min(minY, run.y);
                maxY = std::max(maxY, run.y);
            }
            if (x1 - 1 > x2) stack.push_back({x2 + 1, x1 - 1, run.y - run.dy, -run.dy});
            ++x1;
            while (x1 < x2 && row[x1] != target) ++x1;
            start = x1;
        }
    }
    return Box{minX, minY, maxX + 1, maxY + 1};
}

}  // namespace kresbon
