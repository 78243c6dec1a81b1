#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/surface.h"

namespace kresbon {

// Maps colours to the index of the nearest entry of a palette of 1 to 256
// colours, with the rule of nearestPaletteIndex (squared RGB distance, the
// lowest index on a tie) but without searching the whole palette: every
// 8x8x8 cell of the colour cube keeps the few entries that can be nearest to
// some colour inside it, and most cells have a single one.
class ColourLookup {
public:
    explicit ColourLookup(std::span<const Rgb> palette);

    std::uint8_t operator()(Rgb c) const
    {
        const std::uint32_t cell = ((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 3) & 0x001F);
        const std::uint32_t begin = cellStart_[cell];
        const std::uint32_t end = cellStart_[cell + 1];
        if (end - begin == 1) return candidates_[begin];
        return nearestAmong(c, begin, end);
    }

private:
    std::uint8_t nearestAmong(Rgb c, std::uint32_t begin, std::uint32_t end) const;

    std::vector<Rgb> palette_;
    // Candidates of cell i: candidates_[cellStart_[i]] up to cellStart_[i + 1],
    // in index order.
    std::vector<std::uint32_t> cellStart_;
    std::vector<std::uint8_t> candidates_;
};

// The lookup for the fixed halftone palette, built on first use.
const ColourLookup& halftoneLookup();

// The lookup for a palette of 1 to 256 colours, built the first time that
// palette is asked for and kept for the life of the program.
const ColourLookup& ColourLookupFor(std::span<const Rgb> palette);

}  // namespace kresbon
