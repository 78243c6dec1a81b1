#include "render/dimension_line.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>

#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

namespace {

constexpr long double Pi = std::numbers::pi_v<long double>;

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Rounds to the nearest integer, exact halves to the even neighbour.
long long roundHalfEven(long double v)
{
    const long double r = std::nearbyint(v);
    return static_cast<long long>(std::clamp<long double>(r, -4e18L, 4e18L));
}

int clampToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, -(1LL << 30), 1LL << 30));
}

}  // namespace

DirectionVec DirectionVector(long double angle, int languageBase)
{
    long double t = angle;
    if (angle < 0) t = angle + 360;
    if (angle > 360) t = angle - 360;
    if (t < 0 || t > 360) throw vyjimka(Text(languageBase, TextId::InvalidDirectionOfVector));
    if (t == 90) return {0, 100000};
    if (t == 270) return {0, -100000};
    const long double tangent = std::tan(t * 2 * Pi / 360);
    if (t < 90 || t > 270) return {100000, roundHalfEven(tangent * 100000)};
    return {-100000, roundHalfEven(tangent * -100000)};
}

PixelPoint OffsetPoint(PixelPoint base, DirectionVec v, int length)
{
    const long double dx = static_cast<long double>(v.dx);
    const long double dy = static_cast<long double>(v.dy);
    const long double k = length / std::sqrt(dx * dx + dy * dy);
    return {clampToInt(base.x + static_cast<long long>(std::floor(k * dx))),
            clampToInt(base.y + static_cast<long long>(std::floor(k * dy)))};
}

void DrawDimLine(Surface& s, PixelPoint from, std::string_view startKind, PixelPoint to,
                 std::string_view endKind, const DimLineStyle& style, int languageBase)
{
    auto stroke = [&](PixelPoint p, long double angle) {
        const PixelPoint q =
            OffsetPoint(p, DirectionVector(angle, languageBase), style.arrowLength);
        DrawLine(s, p.x, p.y, q.x, q.y, style.colour, style.thickness, style.lineType);
    };

    DrawLine(s, from.x, from.y, to.x, to.y, style.colour, style.thickness, style.lineType);

    long double r = 0;
    if (to.x != from.x) {
        r = std::atan(static_cast<long double>(to.y - from.y) / (to.x - from.x)) * 360 / (2 * Pi);
        if (to.x < from.x)
            r += 180;
        else if (to.y < from.y)
            r += 360;
    } else if (to.y > from.y) {
        r = 90;
    } else if (to.y < from.y) {
        r = 270;
    }

    const int m = style.arrowAngle;
    const std::string start = lowerAscii(startKind);
    if (start == "outer") {
        stroke(from, r + 180 + m);
        stroke(from, r + 180);
        stroke(from, r + 180 - m);
    } else if (start == "inner") {
        stroke(from, r + m);
        stroke(from, r - m);
    }
    const std::string end = lowerAscii(endKind);
    if (end == "outer") {
        stroke(to, r + m);
        stroke(to, r);
        stroke(to, r - m);
    } else if (end == "inner") {
        stroke(to, r + 180 + m);
        stroke(to, r + 180 - m);
    }
}

}  // namespace kresbon
