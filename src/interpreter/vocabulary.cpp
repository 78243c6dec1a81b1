#include "interpreter/vocabulary.h"

#include <algorithm>
#include <array>
#include <string>

namespace kresbon {

namespace {

using K = ParameterKind;

// Interface texts of the parameter names, short for the tables below.
constexpr TextId NameX = TextId::ParameterX;
constexpr TextId NameY = TextId::ParameterY;
constexpr TextId NameX1 = TextId::ParameterX1;
constexpr TextId NameY1 = TextId::ParameterY1;
constexpr TextId NameX2 = TextId::ParameterX2;
constexpr TextId NameY2 = TextId::ParameterY2;
constexpr TextId NameR = TextId::ParameterR;
constexpr TextId NameLineType = TextId::ParameterLineType;
constexpr TextId NameThickness = TextId::ParameterThickness;
constexpr TextId NameColour = TextId::ParameterColour;
constexpr TextId NameInitialAngle = TextId::ParameterInitialAngle;
constexpr TextId NameEndAngle = TextId::ParameterEndAngle;
constexpr TextId NameFillType = TextId::ParameterFillType;
constexpr TextId NameStartKind = TextId::ParameterStartKind;
constexpr TextId NameEndKind = TextId::ParameterEndKind;
constexpr TextId NameArrowAngle = TextId::ParameterArrowAngle;
constexpr TextId NameArrowLength = TextId::ParameterArrowLength;
constexpr TextId NameText = TextId::ParameterText;
constexpr TextId NameBold = TextId::ParameterBold;
constexpr TextId NameItalic = TextId::ParameterItalic;
constexpr TextId NameUnderline = TextId::ParameterUnderline;
constexpr TextId NameStrikeOut = TextId::ParameterStrikeOut;
constexpr TextId NameFont = TextId::ParameterFont;
constexpr TextId NameSize = TextId::ParameterSize;
constexpr TextId NameAngle = TextId::ParameterAngle;
constexpr TextId NameFile = TextId::ParameterFile;
constexpr TextId NameWidth = TextId::ParameterWidth;
constexpr TextId NameHeight = TextId::ParameterHeight;
constexpr TextId NameValue = TextId::ParameterValue;
constexpr TextId NameLayer = TextId::ParameterLayer;

constexpr ParameterInfo PointParameters[] = {
    {NameX, K::Coordinate, ""}, {NameY, K::Coordinate, ""}, {NameColour, K::Colour, "DefaultColor"}};

// Line, Rectangle and Ellipse.
constexpr ParameterInfo BoxParameters[] = {
    {NameX1, K::Coordinate, ""},          {NameY1, K::Coordinate, ""},
    {NameX2, K::Coordinate, ""},          {NameY2, K::Coordinate, ""},
    {NameLineType, K::LineType, "Solid"}, {NameThickness, K::Thickness, "1"},
    {NameColour, K::Colour, "DefaultColor"}};

constexpr ParameterInfo CircleParameters[] = {
    {NameX, K::Coordinate, ""},           {NameY, K::Coordinate, ""},
    {NameR, K::Number, ""},               {NameLineType, K::LineType, "Solid"},
    {NameThickness, K::Thickness, "1"},   {NameColour, K::Colour, "DefaultColor"}};

constexpr ParameterInfo CirclePartParameters[] = {
    {NameX, K::Coordinate, ""},           {NameY, K::Coordinate, ""},
    {NameR, K::Number, ""},               {NameInitialAngle, K::WholeAngle, ""},
    {NameEndAngle, K::WholeAngle, ""},    {NameLineType, K::LineType, "Solid"},
    {NameThickness, K::Thickness, "1"},   {NameColour, K::Colour, "DefaultColor"}};

constexpr ParameterInfo FillAreaParameters[] = {
    {NameX, K::Coordinate, ""}, {NameY, K::Coordinate, ""},
    {NameFillType, K::FillType, "Solid"}, {NameColour, K::Colour, "DefaultColor"}};

constexpr ParameterInfo DimLineParameters[] = {
    {NameX1, K::Coordinate, ""},          {NameY1, K::Coordinate, ""},
    {NameStartKind, K::DimEnd, ""},       {NameX2, K::Coordinate, ""},
    {NameY2, K::Coordinate, ""},          {NameEndKind, K::DimEnd, ""},
    {NameLineType, K::LineType, "Solid"}, {NameThickness, K::Thickness, "1"},
    {NameColour, K::Colour, "DefaultColor"}, {NameArrowAngle, K::Number, "DefaultDimAngle"},
    {NameArrowLength, K::Number, "DefaultDimLength"}};

constexpr ParameterInfo TextParameters[] = {
    {NameX, K::Coordinate, ""},         {NameY, K::Coordinate, ""},
    {NameText, K::Text, ""},            {NameBold, K::Flag, "0"},
    {NameItalic, K::Flag, "0"},         {NameUnderline, K::Flag, "0"},
    {NameStrikeOut, K::Flag, "0"},      {NameFont, K::Font, "DefaultFontName"},
    {NameColour, K::Colour, "DefaultColor"}, {NameSize, K::Number, "DefaultFontSize"},
    {NameAngle, K::WholeAngle, "0"}};

constexpr ParameterInfo PictureParameters[] = {
    {NameX, K::Coordinate, ""}, {NameY, K::Coordinate, ""}, {NameFile, K::FileName, ""},
    {NameWidth, K::Number, ""}, {NameHeight, K::Number, ""}};

constexpr ParameterInfo LayerParameters[] = {{NameLayer, K::Number, ""}};
constexpr ParameterInfo NumberValue[] = {{NameValue, K::Number, ""}};
constexpr ParameterInfo ColourValue[] = {{NameColour, K::Colour, ""}};
constexpr ParameterInfo FontValue[] = {{NameFont, K::Font, ""}};
constexpr ParameterInfo FileValue[] = {{NameFile, K::FileName, ""}};

constexpr WordInfo Words[] = {
    {"Point", WordKind::Command, "point.html", PointParameters},
    {"Line", WordKind::Command, "line.html", BoxParameters},
    {"DimLine", WordKind::Command, "dimline.html", DimLineParameters},
    {"Rectangle", WordKind::Command, "rectangle.html", BoxParameters},
    {"Ellipse", WordKind::Command, "ellipse.html", BoxParameters},
    {"Circle", WordKind::Command, "circle.html", CircleParameters},
    {"CirclePart", WordKind::Command, "circlepart.html", CirclePartParameters},
    {"FillArea", WordKind::Command, "fillarea.html", FillAreaParameters},
    {"Picture", WordKind::Command, "picture.html", PictureParameters},
    {"Text", WordKind::Command, "text.html", TextParameters},
    {"Layer", WordKind::Command, "layer.html", LayerParameters},

    {"PixelsPerUnit", WordKind::Global, "pixelsperunit.html", NumberValue},
    {"MaximumX", WordKind::Global, "maximumx.html", NumberValue},
    {"MaximumY", WordKind::Global, "maximumy.html", NumberValue},
    {"BackgroundColor", WordKind::Global, "backgroundcolor.html", ColourValue},
    {"DefaultColor", WordKind::Global, "defaultcolor.html", ColourValue},
    {"DefaultFontName", WordKind::Global, "defaultfontname.html", FontValue},
    {"DefaultFontSize", WordKind::Global, "defaultfontsize.html", NumberValue},
    {"DefaultDimAngle", WordKind::Global, "defaultdimangle.html", NumberValue},
    {"DefaultDimLength", WordKind::Global, "defaultdimlength.html", NumberValue},
    {"ShiftX", WordKind::Global, "shiftx.html", NumberValue},
    {"ShiftY", WordKind::Global, "shifty.html", NumberValue},

    {"Procedure", WordKind::Keyword, "procedures.html", {}},
    {"End", WordKind::Keyword, "procedures.html", {}},
    {"@include", WordKind::Keyword, "include.html", FileValue},

    {"Aqua", WordKind::Colour, "colours.html", {}},
    {"Black", WordKind::Colour, "colours.html", {}},
    {"Blue", WordKind::Colour, "colours.html", {}},
    {"DarkGray", WordKind::Colour, "colours.html", {}},
    {"Fuchsia", WordKind::Colour, "colours.html", {}},
    {"Gray", WordKind::Colour, "colours.html", {}},
    {"Green", WordKind::Colour, "colours.html", {}},
    {"LimeGreen", WordKind::Colour, "colours.html", {}},
    {"LightGray", WordKind::Colour, "colours.html", {}},
    {"Maroon", WordKind::Colour, "colours.html", {}},
    {"NavyBlue", WordKind::Colour, "colours.html", {}},
    {"OliveGreen", WordKind::Colour, "colours.html", {}},
    {"Purple", WordKind::Colour, "colours.html", {}},
    {"Red", WordKind::Colour, "colours.html", {}},
    {"Silver", WordKind::Colour, "colours.html", {}},
    {"Teal", WordKind::Colour, "colours.html", {}},
    {"White", WordKind::Colour, "colours.html", {}},
    {"Yellow", WordKind::Colour, "colours.html", {}},

    {"Solid", WordKind::LineType, "linetypes.html", {}},
    {"Dash", WordKind::LineType, "linetypes.html", {}},
    {"Dot", WordKind::LineType, "linetypes.html", {}},
    {"DashDot", WordKind::LineType, "linetypes.html", {}},
    {"DashDotDot", WordKind::LineType, "linetypes.html", {}},

    {"Solid", WordKind::FillType, "filltypes.html", {}},
    {"Horizontal", WordKind::FillType, "filltypes.html", {}},
    {"Vertical", WordKind::FillType, "filltypes.html", {}},
    {"FDiagonal", WordKind::FillType, "filltypes.html", {}},
    {"BDiagonal", WordKind::FillType, "filltypes.html", {}},
    {"Cross", WordKind::FillType, "filltypes.html", {}},
    {"DiagCross", WordKind::FillType, "filltypes.html", {}},

    {"None", WordKind::DimEnd, "dimline.html#kinds", {}},
    {"Inner", WordKind::DimEnd, "dimline.html#kinds", {}},
    {"Outer", WordKind::DimEnd, "dimline.html#kinds", {}},
};

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

}  // namespace

std::span<const WordInfo> Vocabulary()
{
    return Words;
}

const WordInfo* FindWord(std::string_view word)
{
    for (const WordInfo& info : Words)
        if (SameWord(info.word, word)) return &info;
    return nullptr;
}

std::vector<std::string_view> WordsOfKinds(std::initializer_list<WordKind> kinds)
{
    std::vector<std::string_view> words;
    for (const WordInfo& info : Words)
        if (std::find(kinds.begin(), kinds.end(), info.kind) != kinds.end()) words.push_back(info.word);
    return words;
}

std::vector<std::string_view> LineStartWords()
{
    return WordsOfKinds({WordKind::Command, WordKind::Global, WordKind::Keyword});
}

namespace {

// Edits turning a into b (insert, delete, change, swap of neighbours),
// ASCII case folded; stops counting past limit, returning limit + 1.
std::size_t EditDistance(std::string_view a, std::string_view b, std::size_t limit)
{
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    if ((n > m ? n - m : m - n) > limit) return limit + 1;
    std::vector<std::size_t> before(m + 1), previous(m + 1), current(m + 1);
    for (std::size_t j = 0; j <= m; ++j) previous[j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        current[0] = i;
        std::size_t rowBest = current[0];
        for (std::size_t j = 1; j <= m; ++j) {
            const bool same = AsciiLower(a[i - 1]) == AsciiLower(b[j - 1]);
            std::size_t d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && AsciiLower(a[i - 1]) == AsciiLower(b[j - 2]) &&
                AsciiLower(a[i - 2]) == AsciiLower(b[j - 1]))
                d = std::min(d, before[j - 2] + 1);
            current[j] = d;
            rowBest = std::min(rowBest, d);
        }
        if (rowBest > limit) return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[m];
}

}  // namespace

std::vector<std::string> NearestWords(std::string_view word, std::span<const std::string_view> candidates)
{
    // Words longer than any of the language are no typing slips of one.
    constexpr std::size_t LongestCompared = 64;
    const std::size_t length = word.size();
    if (length == 0 || length > LongestCompared) return {};
    const std::size_t allowed = length <= 4 ? 1 : length <= 8 ? 2 : 3;
    struct Near {
        std::size_t distance;
        std::string_view word;
    };
    std::vector<Near> near;
    for (const std::string_view candidate : candidates) {
        if (candidate.empty() || candidate.size() > LongestCompared) continue;
        const std::size_t d = EditDistance(word, candidate, allowed);
        // A word as short as the slip itself could be anything.
        if (d <= allowed && d < candidate.size()) near.push_back({d, candidate});
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const Near& a, const Near& b) { return a.distance < b.distance; });
    std::vector<std::string> nearest;
    for (std::size_t i = 0; i < near.size() && nearest.size() < 3; ++i) {
        bool repeated = false;
        for (const std::string& n : nearest) repeated = repeated || SameWord(n, near[i].word);
        if (!repeated) nearest.emplace_back(near[i].word);
    }
    return nearest;
}

}  // namespace kresbon
