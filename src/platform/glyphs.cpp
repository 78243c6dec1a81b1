#include "platform/glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "platform/encoding.h"

namespace kresbon {

namespace {

// The height a font gets when a drawing asks for height 0.
constexpr int DefaultCellHeight = 16;
// Bytes of kept glyph images beyond which they are dropped and made anew.
constexpr std::size_t CacheByteBudget = std::size_t{16} << 20;
// What a kept glyph costs besides its runs: its node, key and vector.
constexpr std::size_t GlyphOverheadBytes = 96;
// The slant of a synthesised italic: a quarter pixel across per pixel up.
constexpr FT_Fixed ItalicShear = 0x4000;

struct FaceChoice {
    std::size_t face = 0;
    bool fakeBold = false;
    bool fakeItalic = false;
};

struct OpenFace {
    std::string file;
    int index = 0;
    FT_Face face = nullptr;
    // The size last set on the face (ppem, or a strike index for bitmap fonts).
    int activeSize = -1;
};

struct GlyphKey {
    std::uint32_t face;
    std::uint32_t size;
    std::uint32_t angleAndStyle;
    char32_t character;
    friend bool operator==(const GlyphKey&, const GlyphKey&) = default;
};

struct GlyphKeyHash {
    std::size_t operator()(const GlyphKey& k) const noexcept
    {
        std::uint64_t h = (static_cast<std::uint64_t>(k.face) << 32) ^ k.size;
        h = h * 0x9E3779B97F4A7C15ULL ^ ((static_cast<std::uint64_t>(k.angleAndStyle) << 32) | k.character);
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ULL;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};

// Classic MulDiv: a * b / c rounded to nearest, halves away from zero.
long MulDiv(long a, long b, long c)
{
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const long long divisor = c < 0 ? -static_cast<long long>(c) : c;
    const long long magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
    return static_cast<long>(negative ? -magnitude : magnitude);
}

int NormalisedAngle(int angle)
{
    const int a = angle % 360;
    return a < 0 ? a + 360 : a;
}

// FreeType's y axis points up, so this turns counter-clockwise on the screen;
// a synthesised italic is sheared before it is turned.
FT_Matrix TurnMatrix(int angle, bool shear)
{
    const Turn t = TurnOf(angle);
    const FT_Fixed fc = std::lround(t.cos * 65536.0);
    const FT_Fixed fs = std::lround(t.sin * 65536.0);
    FT_Matrix turn{fc, -fs, fs, fc};
    FT_Matrix m{0x10000, shear ? ItalicShear : 0, 0, 0x10000};
    FT_Matrix_Multiply(&turn, &m);
    return m;
}

std::string FontconfigString(FcPattern* pattern, const char* object)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr) return {};
    return reinterpret_cast<const char*>(value);
}

int FontconfigInt(FcPattern* pattern, const char* object, int fallback)
{
    int value = fallback;
    FcPatternGetInteger(pattern, object, 0, &value);
    return value;
}

struct MatchedFile {
    std::string file;
    int index = 0;
    bool fakeBold = false;
    bool fakeItalic = false;
};

// The file fontconfig draws a family in. A family without a bold or italic
// face gets its regular face, to be emboldened or slanted here.
MatchedFile MatchFontFile(const FontRequest& request)
{
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) throw std::bad_alloc();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    MatchedFile found;
    if (match != nullptr) {
        found.file = FontconfigString(match, FC_FILE);
        found.index = FontconfigInt(match, FC_INDEX, 0);
        // fontconfig's own synthesis rules mark a face they would embolden or
        // slant, and report the asked-for weight and slant for it.
        FcBool embolden = FcFalse;
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        FcMatrix* slant = nullptr;
        const bool slanted = FcPatternGetMatrix(match, FC_MATRIX, 0, &slant) == FcResultMatch && slant->xy != 0;
        found.fakeBold = request.bold &&
                         (embolden || FontconfigInt(match, FC_WEIGHT, FC_WEIGHT_REGULAR) < FC_WEIGHT_DEMIBOLD);
        found.fakeItalic = request.italic &&
                           (slanted || FontconfigInt(match, FC_SLANT, FC_SLANT_ROMAN) == FC_SLANT_ROMAN);
        FcPatternDestroy(match);
    }
    if (found.file.empty()) {
        throw std::runtime_error("no font file found for the family \"" + Utf8ToCp1250(request.family) + "\"");
    }
    return found;
}

// Pixels from font units, rounded as the classic text metrics round them.
int ScaleUnits(FT_Long units, FT_Fixed yScale)
{
    return static_cast<int>((FT_MulFix(units, yScale) + 32) >> 6);
}

struct VerticalUnits {
    FT_Long ascent;
    FT_Long descent;
};

// The font's cell in font units: the Windows ascent and descent of its OS/2
// table, else the horizontal header, else what FreeType reports.
VerticalUnits CellUnits(FT_Face face)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        // Some fonts store the Windows descent as a negative number.
        const FT_Long descent = static_cast<FT_Short>(os2->usWinDescent) < 0
                                    ? -static_cast<FT_Short>(os2->usWinDescent)
                                    : os2->usWinDescent;
        if (os2->usWinAscent + descent != 0) return {os2->usWinAscent, descent};
    }
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (hhea != nullptr && hhea->Ascender - hhea->Descender != 0) return {hhea->Ascender, -hhea->Descender};
    return {face->ascender, -face->descender};
}

// The pixels per em whose cell comes closest to the height without
// exceeding it.
int PpemForCellHeight(FT_Face face, int height)
{
    const VerticalUnits cell = CellUnits(face);
    const long units = cell.ascent + cell.descent;
    if (units <= 0 || face->units_per_EM == 0) return std::max(height, 1);
    long ppem = MulDiv(face->units_per_EM, height, units);
    if (MulDiv(units, ppem, face->units_per_EM) > height) --ppem;
    return static_cast<int>(std::clamp(ppem, 1L, 0x7FFFL));
}

FontMetrics ScalableMetrics(FT_Face face, int ppem)
{
    const FT_Fixed yScale = FT_DivFix(static_cast<FT_Long>(ppem) << 6, face->units_per_EM);
    const VerticalUnits cell = CellUnits(face);
    FontMetrics m;
    m.trueType = true;
    m.ascent = ScaleUnits(cell.ascent, yScale);
    m.descent = ScaleUnits(cell.descent, yScale);
    const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    const FT_Long underlinePosition = post ? post->underlinePosition : face->underline_position;
    const FT_Long underlineThickness = post ? post->underlineThickness : face->underline_thickness;
    m.underlinePosition = ScaleUnits(underlinePosition, yScale);
    m.underlineThickness = std::max(1, ScaleUnits(underlineThickness, yScale));
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        m.strikeoutPosition = ScaleUnits(os2->yStrikeoutPosition, yScale);
        m.strikeoutThickness = std::max(1, ScaleUnits(os2->yStrikeoutSize, yScale));
    } else {
        m.strikeoutPosition = m.ascent / 2;
        m.strikeoutThickness = m.underlineThickness;
    }
    return m;
}

// The bitmap strike a raster font draws a height with: the tallest one not
// taller than the height, else the shortest.
int PickStrike(FT_Face face, int height)
{
    int best = -1;
    int shortest = 0;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        const int h = face->available_sizes[i].height;
        if (h <= height && (best < 0 || h > face->available_sizes[best].height)) best = i;
        if (h < face->available_sizes[shortest].height) shortest = i;
    }
    return best >= 0 ? best : shortest;
}

FontMetrics RasterMetrics(FT_Face face)
{
    FontMetrics m;
    m.ascent = static_cast<int>((face->size->metrics.ascender + 32) >> 6);
    m.descent = static_cast<int>((-face->size->metrics.descender + 32) >> 6);
    m.underlinePosition = 0;
    m.underlineThickness = m.ascent / 20 + 1;
    m.strikeoutPosition = m.ascent / 2;
    m.strikeoutThickness = m.underlineThickness;
    return m;
}

// Inked pixels of a rendered bitmap as runs, placed relative to the pen.
std::vector<InkRun> RunsOfBitmap(FT_Library library, const FT_Bitmap& source, int left, int top)
{
    std::vector<InkRun> runs;
    FT_Bitmap gray;
    FT_Bitmap_Init(&gray);
    const FT_Bitmap* bitmap = &source;
    if (source.pixel_mode != FT_PIXEL_MODE_MONO && source.pixel_mode != FT_PIXEL_MODE_GRAY) {
        if (FT_Bitmap_Convert(library, &source, &gray, 1) != 0) return runs;
        bitmap = &gray;
    }
    const bool mono = bitmap->pixel_mode == FT_PIXEL_MODE_MONO;
    const int threshold = std::max(1, bitmap->num_grays / 2);
    const int pitch = bitmap->pitch;
    for (unsigned row = 0; row < bitmap->rows; ++row) {
        const unsigned char* line =
            bitmap->buffer + (pitch >= 0 ? static_cast<long>(row) * pitch
                                         : static_cast<long>(bitmap->rows - 1 - row) * -pitch);
        int start = -1;
        for (unsigned col = 0; col <= bitmap->width; ++col) {
            bool ink = false;
            if (col < bitmap->width) {
                ink = mono ? (line[col >> 3] & (0x80 >> (col & 7))) != 0 : line[col] >= threshold;
            }
            if (ink && start < 0) start = static_cast<int>(col);
            if (!ink && start >= 0) {
                const int y = static_cast<int>(row) - top;
                runs.push_back({y, left + start, left + static_cast<int>(col)});
                start = -1;
            }
        }
    }
    FT_Bitmap_Done(library, &gray);
    return runs;
}

// A raster font's bold is struck twice, one pixel apart; its italic moves
// each row right by a quarter of its height above the baseline.
void SynthesiseRasterStyle(std::vector<InkRun>& runs, bool bold, bool italic)
{
    for (InkRun& run : runs) {
        if (bold) ++run.x1;
        if (italic) {
            const int shift = static_cast<int>(std::floor((-run.y - 0.5) * 0.25 + 0.5));
            run.x0 += shift;
            run.x1 += shift;
        }
    }
    if (!bold) return;
    // Runs of one row that now touch are merged so no pixel is listed twice.
    std::vector<InkRun> merged;
    for (const InkRun& run : runs) {
        if (!merged.empty() && merged.back().y == run.y && merged.back().x1 >= run.x0) {
            merged.back().x1 = std::max(merged.back().x1, run.x1);
        } else {
            merged.push_back(run);
        }
    }
    runs = std::move(merged);
}

}  // namespace

struct FontRasteriser::Impl {
    FT_Library library = nullptr;
    std::vector<OpenFace> faces;
    // Family and style (UTF-8 family, then '\0' and two flag characters).
    std::map<std::string, FaceChoice> choices;
    std::unordered_map<GlyphKey, GlyphImage, GlyphKeyHash> glyphs;
    std::size_t keptBytes = 0;

    FaceChoice current;
    int currentSize = 0;
    FontMetrics metrics;

    ~Impl()
    {
        for (OpenFace& f : faces) {
            if (f.face) FT_Done_Face(f.face);
        }
        if (library) FT_Done_FreeType(library);
    }

    FaceChoice choose(const FontRequest& request)
    {
        std::string key = request.family;
        key += '\0';
        key += request.bold ? 'b' : '-';
        key += request.italic ? 'i' : '-';
        if (auto it = choices.find(key); it != choices.end()) return it->second;
        const MatchedFile matched = MatchFontFile(request);
        const FaceChoice choice{open(matched.file, matched.index), matched.fakeBold, matched.fakeItalic};
        choices.emplace(std::move(key), choice);
        return choice;
    }

    std::size_t open(const std::string& file, int index)
    {
        for (std::size_t i = 0; i < faces.size(); ++i) {
            if (faces[i].file == file && faces[i].index == index) return i;
        }
        FT_Face face = nullptr;
        if (FT_New_Face(library, file.c_str(), index, &face) != 0) {
            throw std::runtime_error("cannot open the font file \"" + Utf8ToCp1250(file) + "\"");
        }
        FT_Select_Charmap(face, FT_ENCODING_UNICODE);
        faces.push_back({file, index, face, -1});
        return faces.size() - 1;
    }

    // Sets the face to the current size; rendering needs it, metrics do not.
    void activateSize()
    {
        OpenFace& f = faces[current.face];
        if (f.activeSize == currentSize) return;
        if (FT_IS_SCALABLE(f.face))
            FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(currentSize));
        else
            FT_Select_Size(f.face, currentSize);
        f.activeSize = currentSize;
    }

    GlyphImage render(char32_t c, int angle)
    {
        activateSize();
        FT_Face face = faces[current.face].face;
        GlyphImage image;
        const bool scalable = FT_IS_SCALABLE(face);
        const bool transformed = scalable && (angle != 0 || current.fakeItalic);
        FT_Matrix matrix = TurnMatrix(angle, current.fakeItalic);
        FT_Set_Transform(face, transformed ? &matrix : nullptr, nullptr);
        FT_Int32 flags = FT_LOAD_TARGET_MONO;
        if (transformed) flags |= FT_LOAD_NO_BITMAP;
        if (FT_Load_Glyph(face, FT_Get_Char_Index(face, c), flags) != 0) return image;
        FT_GlyphSlot slot = face->glyph;
        image.advance = static_cast<int>((slot->metrics.horiAdvance + 32) >> 6);
        if (current.fakeBold) image.advance += 1;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (current.fakeBold) FT_Outline_Embolden(&slot->outline, MulDiv(currentSize, 64, 24));
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return image;
        }
        if (slot->format != FT_GLYPH_FORMAT_BITMAP) return image;
        image.runs = RunsOfBitmap(library, slot->bitmap, slot->bitmap_left, slot->bitmap_top);
        if (!scalable) SynthesiseRasterStyle(image.runs, current.fakeBold, current.fakeItalic);
        return image;
    }
};

FontRasteriser::FontRasteriser() : impl_(std::make_unique<Impl>())
{
    if (FT_Init_FreeType(&impl_->library) != 0) throw std::runtime_error("cannot start FreeType");
}

FontRasteriser::~FontRasteriser() = default;

const FontMetrics& FontRasteriser::select(const FontRequest& request)
{
    Impl& d = *impl_;
    if (d.keptBytes > CacheByteBudget) {
        d.glyphs.clear();
        d.keptBytes = 0;
    }
    d.current = d.choose(request);
    const int height = request.cellHeight <= 0 ? DefaultCellHeight : std::min(request.cellHeight, MaxCellHeight);
    FT_Face face = d.faces[d.current.face].face;
    if (FT_IS_SCALABLE(face)) {
        d.currentSize = PpemForCellHeight(face, height);
        d.metrics = ScalableMetrics(face, d.currentSize);
    } else {
        d.currentSize = PickStrike(face, height);
        d.activateSize();
        d.metrics = RasterMetrics(face);
    }
    d.metrics.file = d.faces[d.current.face].file;
    d.metrics.faceIndex = d.faces[d.current.face].index;
    d.metrics.pixelsPerEm = FT_IS_SCALABLE(face) ? d.currentSize : 0;
    d.metrics.fakeBold = d.current.fakeBold;
    d.metrics.fakeItalic = d.current.fakeItalic;
    return d.metrics;
}

const GlyphImage& FontRasteriser::glyph(char32_t c, int angle)
{
    Impl& d = *impl_;
    const int turn = NormalisedAngle(angle);
    const GlyphKey key{static_cast<std::uint32_t>(d.current.face), static_cast<std::uint32_t>(d.currentSize),
                       static_cast<std::uint32_t>(turn) << 2 | (d.current.fakeBold ? 2u : 0u) |
                           (d.current.fakeItalic ? 1u : 0u),
                       c};
    if (auto it = d.glyphs.find(key); it != d.glyphs.end()) return it->second;
    GlyphImage image = d.render(c, turn);
    d.keptBytes += image.runs.size() * sizeof(InkRun) + GlyphOverheadBytes;
    return d.glyphs.emplace(key, std::move(image)).first->second;
}

Turn TurnOf(int angle)
{
    switch (NormalisedAngle(angle)) {
    case 0: return {1.0, 0.0};
    case 90: return {0.0, 1.0};
    case 180: return {-1.0, 0.0};
    case 270: return {0.0, -1.0};
    default: {
        const double radians = NormalisedAngle(angle) * (3.14159265358979323846 / 180.0);
        return {std::cos(radians), std::sin(radians)};
    }
    }
}

SharedRasteriserHandle SharedFontRasteriser()
{
    struct Shared {
        std::mutex mutex;
        FontRasteriser rasteriser;
    };
    static Shared shared;
    return SharedRasteriserHandle(std::unique_lock(shared.mutex), shared.rasteriser);
}

}  // namespace kresbon
