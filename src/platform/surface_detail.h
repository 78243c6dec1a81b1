#pragma once

// Helpers shared by the files that implement Surface; not for other code.

#include <cstdint>
#include <vector>

namespace kresbon::surface_detail {

using i64 = std::int64_t;
using i128 = __int128;

inline i128 floorDiv(i128 a, i128 b)
{
    i128 q = a / b;
    if (a % b != 0 && (a < 0) != (b < 0)) --q;
    return q;
}

inline i128 ceilDiv(i128 a, i128 b) { return -floorDiv(-a, b); }

// Row insets of the elliptic region that fills a width x height box
// (both >= 2): row i spans [left + inset[i], right - inset[i]).
void ellipseRegionInsets(i64 width, i64 height, std::vector<i64>& inset);

}  // namespace kresbon::surface_detail
