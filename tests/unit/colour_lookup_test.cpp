#include "codecs/colour_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <vector>

#include "platform/palette.h"

namespace kresbon {
namespace {

// Compares the lookup with the full search for every colour of the palette,
// colours right beside each entry, each cell's corners and many random ones.
void expectSameAsFullSearch(const std::vector<Rgb>& palette, unsigned seed)
{
    const ColourLookup lookup(palette);
    std::vector<Rgb> probes;
    for (const Rgb entry : palette) {
        for (int d = -2; d <= 2; ++d) {
            probes.push_back(makeRgb(std::clamp(redOf(entry) + d, 0, 255), greenOf(entry),
                                     std::clamp(blueOf(entry) - d, 0, 255)));
        }
    }
    for (int cell = 0; cell < 32 * 32 * 32; cell += 7) {
        const int r = (cell >> 10) * 8, g = ((cell >> 5) & 31) * 8, b = (cell & 31) * 8;
        probes.push_back(makeRgb(r, g, b));
        probes.push_back(makeRgb(r + 7, g + 7, b + 7));
        probes.push_back(makeRgb(r + 7, g, b + 3));
    }
    std::mt19937 random(seed);
    for (int i = 0; i < 200000; ++i) probes.push_back(random() & 0xFFFFFF);

    int mismatches = 0;
    for (const Rgb c : probes) {
        const int expected = nearestPaletteIndex(palette, c);
        if (lookup(c) != expected && ++mismatches <= 5) {
            ADD_FAILURE() << std::hex << "colour " << c << ": index " << int(lookup(c)) << ", expected "
                          << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ColourLookup, AgreesWithTheFullSearchOnTheFixedPalettes)
{
    expectSameAsFullSearch({halftonePalette().begin(), halftonePalette().end()}, 1);
    expectSameAsFullSearch({vgaPalette().begin(), vgaPalette().end()}, 2);
    EXPECT_EQ(&halftoneLookup(), &halftoneLookup());
}

TEST(ColourLookup, AgreesWithTheFullSearchOnAwkwardPalettes)
{
    // Repeated colours (the lowest index must win), entries a step apart
    // across cell borders, and a single entry.
    std::vector<Rgb> close = {0x070707, 0x080808, 0x808080, 0x070707, 0x0F0F10, 0x101010, 0x808080, 0xFFFFFF};
    expectSameAsFullSearch(close, 3);
    expectSameAsFullSearch({0x123456}, 4);

    std::mt19937 random(5);
    for (const int size : {2, 37, 256}) {
        std::vector<Rgb> palette;
        for (int i = 0; i < size; ++i) palette.push_back(random() & 0xFFFFFF);
        expectSameAsFullSearch(palette, 6 + size);
    }
}

TEST(ColourLookup, RejectsPalettesItCannotIndex)
{
    EXPECT_THROW(ColourLookup(std::vector<Rgb>{}), std::invalid_argument);
    EXPECT_THROW(ColourLookup(std::vector<Rgb>(257, 0)), std::invalid_argument);
}

}  // namespace
}  // namespace kresbon
