#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace kresbon {

// Listens to the pixels a surface writes, while it is attached to one
// (Surface::setInkTap). Pixels are named by their index on that surface,
// Surface::pixelIndex(x, y). A pixel written again in the colour it already
// holds is reported all the same: writing is what counts, not a change.
struct InkTap {
    static constexpr std::size_t NoPixel = std::numeric_limits<std::size_t>::max();

    // The one pixel watched, and whether it was written since the flag was
    // last cleared.
    std::size_t probe = NoPixel;
    bool probeWritten = false;
    // When set, every pixel written gets its bit set here (bit i of word
    // i / 64 for pixel i); the array covers every pixel of the surface.
    std::uint64_t* marks = nullptr;

    void note(std::size_t i)
    {
        if (i == probe) probeWritten = true;
        if (marks != nullptr) marks[i >> 6] |= std::uint64_t{1} << (i & 63);
    }
    void noteRun(std::size_t i, std::size_t count)
    {
        if (probe - i < count) probeWritten = true;
        if (marks == nullptr) return;
        for (std::size_t k = i; k < i + count; ++k) marks[k >> 6] |= std::uint64_t{1} << (k & 63);
    }
};

}  // namespace kresbon
