#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kresbon {

// A font as a drawing asks for it.
struct FontRequest {
    std::string family;  // UTF-8, as fontconfig names it
    int cellHeight = 0;  // pixels, ascent plus descent; 0 chooses the default height
    bool bold = false;
    bool italic = false;
};

// Whole-pixel metrics of the font in use, as the classic Windows text metrics
// give them. Positions are measured upwards from the baseline.
struct FontMetrics {
    int ascent = 0;   // cell top to baseline
    int descent = 0;  // baseline to cell bottom
    // A scalable outline font, the only kind that may be turned.
    bool trueType = false;
    int underlinePosition = 0;
    int underlineThickness = 1;
    int strikeoutPosition = 0;
    int strikeoutThickness = 1;
    // The face drawn with, for vector output that names the same font: its
    // file, index, size in pixels per em (0 for a raster font) and whether
    // bold or italic are made up from the regular face.
    std::string file;
    int faceIndex = 0;
    int pixelsPerEm = 0;
    bool fakeBold = false;
    bool fakeItalic = false;

    int cellHeight() const { return ascent + descent; }
};

// One row of inked pixels, [x0, x1) on row y.
struct InkRun {
    std::int32_t y;
    std::int32_t x0;
    std::int32_t x1;
};

// The inked pixels of one glyph turned by some angle, relative to its pen
// position on the baseline (x to the right, y downwards), and the advance to
// the next pen position along the unturned baseline.
struct GlyphImage {
    std::vector<InkRun> runs;
    int advance = 0;
};

// Cosine and sine of a whole angle in degrees, exact at the quarter turns so
// that text turned by them stays on the pixel grid.
struct Turn {
    double cos;
    double sin;
};
Turn TurnOf(int angle);

// Opens font faces through fontconfig and FreeType and turns characters into
// glyph images at any whole angle. Faces are opened once and kept; glyph
// images are kept by face, height, style, angle and character, so that a
// drawing with thousands of labels rasterises each distinct glyph once.
//
// Glyphs are rendered aliased: every other primitive of a drawing is aliased,
// and 4- and 8-bit drawings hold palettes that have no room for blended edges.
//
// Not thread-safe; SharedFontRasteriser() hands out one instance under a lock.
class FontRasteriser {
public:
    FontRasteriser();
    ~FontRasteriser();
    FontRasteriser(const FontRasteriser&) = delete;
    FontRasteriser& operator=(const FontRasteriser&) = delete;

    // Makes the font current and returns its metrics. Throws
    // std::runtime_error naming the family when no face can be opened.
    const FontMetrics& select(const FontRequest& request);

    // The glyph of a character in the current font, turned counter-clockwise
    // by angle degrees (any whole number; raster fonts are never turned). The
    // reference stays valid until the next select().
    const GlyphImage& glyph(char32_t c, int angle);

    // Cell heights above this are drawn at this height.
    static constexpr int MaxCellHeight = 4096;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The process-wide rasteriser, locked for as long as the handle lives.
class SharedRasteriserHandle {
public:
    SharedRasteriserHandle(std::unique_lock<std::mutex> lock, FontRasteriser& rasteriser)
        : lock_(std::move(lock)), rasteriser_(rasteriser)
    {
    }
    FontRasteriser& operator*() const { return rasteriser_; }
    FontRasteriser* operator->() const { return &rasteriser_; }

private:
    std::unique_lock<std::mutex> lock_;
    FontRasteriser& rasteriser_;
};

SharedRasteriserHandle SharedFontRasteriser();

}  // namespace kresbon
