#include "interpreter/vocabulary.h"

#include <array>

namespace kresbon {

namespace {

using K = ParameterKind;

// Interface texts of the parameter names.
enum : int {
    NameX = 500, NameY, NameX1, NameY1, NameX2, NameY2, NameR, NameLineType, NameThickness,
    NameColour, NameInitialAngle, NameEndAngle, NameFillType, NameStartKind, NameEndKind,
    NameArrowAngle, NameArrowLength, NameText, NameBold, NameItalic, NameUnderline,
    NameStrikeOut, NameFont, NameSize, NameAngle, NameFile, NameWidth, NameHeight, NameValue,
    NameLayer,
};

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

}  // namespace kresbon
