#include "interactive/click_commands.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "interpreter/drawing_state.h"
#include "platform/expression.h"
#include "platform/text_helpers.h"
#include "platform/texts.h"

namespace kresbon {

namespace {

bool IsTwoClick(DrawingAction a)
{
    return a == DrawingAction::Line || a == DrawingAction::DimLine ||
           a == DrawingAction::Rectangle || a == DrawingAction::Ellipse ||
           a == DrawingAction::Circle || a == DrawingAction::CirclePart;
}

bool IsOneClick(DrawingAction a)
{
    return a == DrawingAction::Text || a == DrawingAction::Point ||
           a == DrawingAction::Picture || a == DrawingAction::FillArea;
}

bool IsNoClick(DrawingAction a)
{
    return a == DrawingAction::Globals || a == DrawingAction::Layer ||
           a == DrawingAction::Procedure || a == DrawingAction::Comment;
}

constexpr char Quote = '"';
constexpr const char* PlainStyle = ", Solid, 1, DefaultColor";

std::string Quoted(const std::string& text)
{
    return Quote + text + Quote;
}

// "x, y" of a point in drawing units.
std::string UnitPair(PixelPoint p, int pixelsPerUnit)
{
    return ClickedPixelToUnits(p.x, pixelsPerUnit) + ", " + ClickedPixelToUnits(p.y, pixelsPerUnit);
}

// The pixel the interpreter puts a coordinate written as text on, with no
// shift: the shift is floored on its own and added, so it cannot change
// which text hits the pixel.
bool LandsOnPixel(const std::string& text, int pixel, int pixelsPerUnit)
{
    const std::optional<long double> value = EvaluateNumber(text);
    if (!value) return false;
    DrawingState state;
    state.pixelsPerUnit = pixelsPerUnit;
    return ToPixelX(state, *value) == pixel;
}

// The number `steps` units of the 15th significant digit above the value's
// 15-digit rounding, in the general number format.
std::string FifteenDigitsAbove(double value, int steps)
{
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14).ptr;
    const std::string scientific(buffer, end);
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, e))
        if (c >= '0' && c <= '9') digits += c;
    long long mantissa = std::stoll(digits);
    mantissa = value < 0 ? mantissa - steps : mantissa + steps;
    const int exponent = std::atoi(scientific.c_str() + e + 1) - 14;
    const std::string shifted = (value < 0 ? "-" : "") + std::to_string(mantissa) + "e" + std::to_string(exponent);
    return FloatToStr(std::strtod(shifted.c_str(), nullptr));
}

std::string Radius(PixelPoint centre, PixelPoint rim, int pixelsPerUnit)
{
    const long double dx = static_cast<long double>(rim.x) - centre.x;
    const long double dy = static_cast<long double>(rim.y) - centre.y;
    return PixelsToUnits(std::sqrt(dx * dx + dy * dy), pixelsPerUnit);
}

std::vector<std::string> GlobalsLines(const InsertionContext& c)
{
    return {
        "MaximumX = " + std::to_string(c.viewWidth - 10),
        "MaximumY = " + std::to_string(c.viewHeight - 10),
        "PixelsPerUnit = 1",
        "BackgroundColor = White",
        "DefaultColor = Black",
        "DefaultFontName = " + Quoted("Arial"),
        "DefaultFontSize = 8",
        "DefaultDimAngle = 10",
        "DefaultDimLength = 10",
        "ShiftX = 0",
        "ShiftY = 0",
        "",
    };
}

std::string ObjectLine(DrawingAction action, PixelPoint p1, PixelPoint p2, const InsertionContext& c)
{
    const int ppu = c.pixelsPerUnit;
    const std::string first = UnitPair(p1, ppu);
    const std::string second = UnitPair(p2, ppu);
    switch (action) {
    case DrawingAction::Line:
        return "Line " + first + ", " + second + PlainStyle;
    case DrawingAction::Rectangle:
        return "Rectangle " + first + ", " + second + PlainStyle;
    case DrawingAction::Ellipse:
        return "Ellipse " + first + ", " + second + PlainStyle;
    case DrawingAction::DimLine:
        return "DimLine " + first + ", Inner, " + second +
               ", Inner, Solid, 1, DefaultColor, DefaultDimAngle, DefaultDimLength";
    case DrawingAction::Circle:
        return "Circle " + first + ", " + Radius(p1, p2, ppu) + PlainStyle;
    case DrawingAction::CirclePart: {
        const QuadrantAngles angles = CirclePartAngles(p1, p2);
        return "CirclePart " + first + ", " + Radius(p1, p2, ppu) + ", " +
               std::to_string(angles.start) + ", " + std::to_string(angles.end) +
               ", Solid, 1, DefaultColor";
    }
    case DrawingAction::Text:
        return "Text " + first + ", " + Quoted(TextUtf8(c.languageBase, 307)) +
               ", 0,0,0,0, DefaultFontName, DefaultColor, DefaultFontSize, 0";
    case DrawingAction::Point:
        return "Point " + first + ", DefaultColor";
    case DrawingAction::Picture:
        return "Picture " + first + ", " + Quoted("example.gif");
    case DrawingAction::FillArea:
        return "FillArea " + first + ", BDiagonal, DefaultColor";
    default:
        return {};
    }
}

}  // namespace

int ClicksNeeded(DrawingAction action)
{
    if (IsTwoClick(action)) return 2;
    if (IsOneClick(action)) return 1;
    return 0;
}

bool DrawsObject(DrawingAction action)
{
    return IsTwoClick(action) || IsOneClick(action);
}

bool ClickTool::Choose(DrawingAction action)
{
    clickCount_ = 0;
    action_ = action;
    return advance();
}

bool ClickTool::Click(PixelPoint at)
{
    // Clicks beyond the action's need only count; the count stops rising
    // long before it could overflow.
    if (clickCount_ < 1000) ++clickCount_;
    lastClick_ = at;
    return advance();
}

void ClickTool::Reset()
{
    clickCount_ = -1;
    action_ = DrawingAction::None;
    first_ = {};
    second_ = {};
}

bool ClickTool::advance()
{
    if (clickCount_ == 0) return IsNoClick(action_);
    if (clickCount_ == 1 && (IsOneClick(action_) || IsTwoClick(action_))) {
        first_ = lastClick_;
        return IsOneClick(action_);
    }
    if (clickCount_ == 2 && IsTwoClick(action_)) {
        second_ = lastClick_;
        return true;
    }
    return false;
}

std::string PixelsToUnits(long double pixels, int pixelsPerUnit)
{
    const long double units = pixels / (pixelsPerUnit > 0 ? pixelsPerUnit : 1);
    return FloatToStr(static_cast<double>(units));
}

std::string ClickedPixelToUnits(int pixel, int pixelsPerUnit)
{
    const int scale = pixelsPerUnit > 0 ? pixelsPerUnit : 1;
    const std::string rounded = PixelsToUnits(pixel, scale);
    if (LandsOnPixel(rounded, pixel, scale)) return rounded;
    // A value rounded down at the 15th digit falls short of the pixel when
    // multiplied back; the next 15-digit values above it reach it.
    const double units = static_cast<double>(static_cast<long double>(pixel) / scale);
    for (int steps = 1; steps <= 4; ++steps) {
        std::string above = FifteenDigitsAbove(units, steps);
        if (LandsOnPixel(above, pixel, scale)) return above;
    }
    return rounded;
}

QuadrantAngles CirclePartAngles(PixelPoint centre, PixelPoint towards)
{
    const int dx = towards.x - centre.x;
    const int dy = towards.y - centre.y;
    if (dx == 0 || dy == 0) return {0, 90};
    if (dy < 0) return dx > 0 ? QuadrantAngles{0, 90} : QuadrantAngles{90, 180};
    return dx < 0 ? QuadrantAngles{180, 270} : QuadrantAngles{270, 360};
}

std::vector<std::string> CommandLines(DrawingAction action, PixelPoint first, PixelPoint second,
                                      const InsertionContext& context)
{
    switch (action) {
    case DrawingAction::None:
        return {};
    case DrawingAction::Comment: {
        std::string comment(1, '%');
        comment += TextUtf8(context.languageBase, 306);
        return {comment};
    }
    case DrawingAction::Layer:
        return {"Layer = 1"};
    case DrawingAction::Procedure:
        return {"", "Procedure MyProc #x, #y, #z", "   %You can write commands here.", "End", ""};
    case DrawingAction::Globals:
        return GlobalsLines(context);
    default:
        return {ObjectLine(action, first, second, context)};
    }
}

std::vector<std::string> LinesToExecute(DrawingAction action, const std::vector<std::string>& lines)
{
    std::vector<std::string> executed;
    if (!DrawsObject(action) && action != DrawingAction::Globals) return executed;
    for (const std::string& line : lines) {
        std::string trimmed = Trim(line);
        if (!trimmed.empty()) executed.push_back(std::move(trimmed));
    }
    return executed;
}

std::string PointerReadout(int x, int y, int pixelsPerUnit)
{
    return "(x=" + PixelsToUnits(x, pixelsPerUnit) + ", y=" + PixelsToUnits(y, pixelsPerUnit) + ")";
}

std::string TextToAppend(bool lastLineEmpty, const std::vector<std::string>& lines)
{
    std::string text;
    if (lines.empty()) return text;
    if (!lastLineEmpty) text += '\n';
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace kresbon
