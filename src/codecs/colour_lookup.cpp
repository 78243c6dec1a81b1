#include "codecs/colour_lookup.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "platform/palette.h"

namespace kresbon {
namespace {

constexpr int kCellsPerChannel = 32;
constexpr int kCellWidth = 8;

int channel(Rgb c, int which) { return (c >> (16 - 8 * which)) & 0xFF; }

// Squared distances along one channel between each palette entry and each
// cell's range of values: the least and the greatest.
struct ChannelBounds {
    std::array<std::vector<int>, kCellsPerChannel> nearest;
    std::array<std::vector<int>, kCellsPerChannel> farthest;
};

ChannelBounds channelBounds(std::span<const Rgb> palette, int which)
{
    ChannelBounds bounds;
    for (int cell = 0; cell < kCellsPerChannel; ++cell) {
        const int low = cell * kCellWidth;
        const int high = low + kCellWidth - 1;
        for (const Rgb entry : palette) {
            const int v = channel(entry, which);
            const int inside = v < low ? low - v : v > high ? v - high : 0;
            const int outside = std::max(v - low, high - v);
            bounds.nearest[cell].push_back(inside * inside);
            bounds.farthest[cell].push_back(outside * outside);
        }
    }
    return bounds;
}

}  // namespace

ColourLookup::ColourLookup(std::span<const Rgb> palette) : palette_(palette.begin(), palette.end())
{
    if (palette_.empty() || palette_.size() > 256)
        throw std::invalid_argument("a colour lookup needs a palette of 1 to 256 colours");

    // An entry repeating an earlier colour never wins a tie, so only the
    // first of equal colours is a candidate.
    std::vector<bool> repeated(palette_.size(), false);
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        repeated[i] = std::find(palette_.begin(), palette_.begin() + i, palette_[i] & 0xFFFFFF) !=
                      palette_.begin() + i;
    }
    for (Rgb& entry : palette_) entry &= 0xFFFFFF;

    const ChannelBounds red = channelBounds(palette_, 0);
    const ChannelBounds green = channelBounds(palette_, 1);
    const ChannelBounds blue = channelBounds(palette_, 2);
    const std::size_t count = palette_.size();
    // Sums over a full 256 entries, so that the search for the bound has a
    // fixed length the compiler can vectorise; entries past the palette and
    // repeated ones are never nearest and never candidates.
    constexpr int kNever = 1 << 28;
    std::vector<std::array<int, 256>> blueFar(kCellsPerChannel), blueNear(kCellsPerChannel);
    for (int b = 0; b < kCellsPerChannel; ++b) {
        for (std::size_t i = 0; i < 256; ++i) {
            blueFar[b][i] = i < count ? blue.farthest[b][i] : kNever;
            blueNear[b][i] = i < count && !repeated[i] ? blue.nearest[b][i] : kNever;
        }
    }
    std::array<int, 256> rgFar{}, rgNear{};
    cellStart_.reserve(kCellsPerChannel * kCellsPerChannel * kCellsPerChannel + 1);
    for (int r = 0; r < kCellsPerChannel; ++r) {
        for (int g = 0; g < kCellsPerChannel; ++g) {
            for (std::size_t i = 0; i < 256; ++i) {
                rgFar[i] = i < count ? red.farthest[r][i] + green.farthest[g][i] : 0;
                rgNear[i] = i < count ? red.nearest[r][i] + green.nearest[g][i] : 0;
            }
            for (int b = 0; b < kCellsPerChannel; ++b) {
                // No colour of the cell is farther than this from its
                // nearest entry, so an entry whose least distance to the
                // cell exceeds it can never be nearest.
                int bound = kNever;
                for (std::size_t i = 0; i < 256; ++i) bound = std::min(bound, rgFar[i] + blueFar[b][i]);
                cellStart_.push_back(static_cast<std::uint32_t>(candidates_.size()));
                for (std::size_t i = 0; i < count; ++i) {
                    if (rgNear[i] + blueNear[b][i] <= bound) candidates_.push_back(static_cast<std::uint8_t>(i));
                }
            }
        }
    }
    cellStart_.push_back(static_cast<std::uint32_t>(candidates_.size()));
}

std::uint8_t ColourLookup::nearestAmong(Rgb c, std::uint32_t begin, std::uint32_t end) const
{
    const int r = redOf(c);
    const int g = greenOf(c);
    const int b = blueOf(c);
    std::uint8_t best = candidates_[begin];
    int bestDistance = 0x7FFFFFFF;
    for (std::uint32_t i = begin; i < end; ++i) {
        const Rgb entry = palette_[candidates_[i]];
        const int dr = redOf(entry) - r;
        const int dg = greenOf(entry) - g;
        const int db = blueOf(entry) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = candidates_[i];
            bestDistance = distance;
        }
    }
    return best;
}

const ColourLookup& halftoneLookup()
{
    static const ColourLookup lookup(halftonePalette());
    return lookup;
}

const ColourLookup& ColourLookupFor(std::span<const Rgb> palette)
{
    if (std::ranges::equal(palette, halftonePalette())) return halftoneLookup();
    static std::mutex mutex;
    static std::map<std::vector<Rgb>, std::unique_ptr<const ColourLookup>> built;
    const std::lock_guard lock(mutex);
    std::unique_ptr<const ColourLookup>& lookup = built[std::vector<Rgb>(palette.begin(), palette.end())];
    if (!lookup) lookup = std::make_unique<const ColourLookup>(palette);
    return *lookup;
}

}  // namespace kresbon
