#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/surface.h"

namespace kresbon {

// The 16 VGA colours in the order of the default colour table of a 4-bit
// bitmap: black, maroon, green, olive, navy, purple, teal, gray, silver,
// red, lime, yellow, blue, fuchsia, aqua, white.
const std::array<Rgb, 16>& vgaPalette();

// The fixed 256-colour halftone table of an 8-bit bitmap: the 20 static
// system colours in entries 0-9 and 246-255, an 8x8x4 colour cube between.
// It holds all 16 VGA colours and silver exactly.
const std::array<Rgb, 256>& halftonePalette();

// The index of the palette entry nearest to c by squared RGB distance; the
// lowest index wins a tie. The palette must not be empty.
int nearestPaletteIndex(std::span<const Rgb> palette, Rgb c);

}  // namespace kresbon
