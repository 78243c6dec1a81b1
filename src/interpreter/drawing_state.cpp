#include "interpreter/drawing_state.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "platform/expression.h"
#include "interpreter/interpreter.h"
#include "interpreter/named_values.h"
#include "platform/text_helpers.h"
#include "platform/fonts.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"

namespace kresbon {

namespace {

constexpr long double PixelLimit = 1LL << 30;

long double floorProduct(int scale, long double v)
{
    return std::floor(static_cast<long double>(scale) * v);
}

int clampPixel(long double v)
{
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(v, -PixelLimit, PixelLimit));
}

// floor(scale * v) in whole numbers, when the product is a double below 2^62
// in size (as whole coordinates always are); the double's own truncation and
// compare need no change of the x87 rounding mode.
bool wholeFloorProduct(int scale, long double v, long long& result)
{
    const long double product = static_cast<long double>(scale) * v;
    const double near = static_cast<double>(product);
    if (!(static_cast<long double>(near) == product && std::fabs(near) < 0x1p62)) return false;
    const long long whole = static_cast<long long>(near);
    result = whole - (static_cast<double>(whole) > near ? 1 : 0);
    return true;
}

// The shift and the coordinate are floored separately, then added; two
// whole numbers below 2^62 add exactly, as they do in long double.
int pixelOf(int scale, long double shift, long double v)
{
    long long a = 0;
    long long b = 0;
    if (wholeFloorProduct(scale, shift, a) && wholeFloorProduct(scale, v, b))
        return static_cast<int>(std::clamp<long long>(a + b, -(1LL << 30), 1LL << 30));
    return clampPixel(floorProduct(scale, shift) + floorProduct(scale, v));
}

}  // namespace

int ToPixelX(const DrawingState& state, long double x)
{
    return pixelOf(state.pixelsPerUnit, state.shiftX, x);
}

int ToPixelY(const DrawingState& state, long double y)
{
    return pixelOf(state.pixelsPerUnit, state.shiftY, y);
}

int ToPixels(const DrawingState& state, long double length)
{
    return pixelOf(state.pixelsPerUnit, 0, length);
}

void Interpreter::ResetDrawingState()
{
    state_ = DrawingState{};
    state_.maximumX = static_cast<long double>(host_.viewWidth()) - 10;
    state_.maximumY = static_cast<long double>(host_.viewHeight()) - 10;
    state_.backgroundColor = ColorByName("White", languageBase());
    declaring_ = false;
    clearProcedures();
}

void Interpreter::PrepareCanvas(int scale, Rgb background, long double width, long double height)
{
    const long double w = std::floor(width * scale);
    const long double h = std::floor(height * scale);
    const long double pixels = std::max<long double>(w, 0) * std::max<long double>(h, 0);
    auto tooLarge = [&] {
        return vyjimka(Text(languageBase(), TextId::DrawingTooLargeHead) + FloatToStr(static_cast<double>(w)) + " x " +
                       FloatToStr(static_cast<double>(h)) + Text(languageBase(), TextId::DrawingTooLargeTail));
    };
    if (!(pixels <= canvasBudget_) || w > std::numeric_limits<int>::max() ||
        h > std::numeric_limits<int>::max())
        throw tooLarge();
    // The old drawing goes first: it is replaced in any case, and keeping it
    // until the new one exists would double the peak for a large drawing.
    canvas_.reset();
    record_.reset();
    std::unique_ptr<Surface> surface;
    try {
        surface = std::make_unique<Surface>(std::max(0, static_cast<int>(w)),
                                            std::max(0, static_cast<int>(h)), host_.colourDepth());
    } catch (const std::bad_alloc&) {
        canvas_ = std::make_unique<Surface>(0, 0, host_.colourDepth());
        throw tooLarge();
    }
    surface->setBrush(background, BrushStyle::Solid);
    surface->fillRect(0, 0, surface->width(), surface->height());
    record_.reset();
    if (recordShapes_) {
        record_ = std::make_unique<DrawingRecord>(surface->width(), surface->height(), scale,
                                                  surface->quantise(background));
        surface->setShapeSink(record_.get());
    }
    canvas_ = std::move(surface);
}

void Interpreter::ClearDrawing()
{
    PrepareCanvas(state_.pixelsPerUnit, state_.backgroundColor, state_.maximumX, state_.maximumY);
}

bool Interpreter::LayerShown() const
{
    return host_.layerShown(state_.layer);
}

void Interpreter::AssignGlobal(std::string_view name, std::string_view value,
                               std::string_view extra, RunMode mode)
{
    const std::string key = LowerText(name);
    const int lang = languageBase();
    const bool canvasShaping = key == "pixelsperunit" || key == "maximumx" ||
                               key == "maximumy" || key == "backgroundcolor";
    if (canvasShaping && mode == RunMode::Print) return;

    // A positive whole number for the scale and the layer; digits beyond the
    // 32-bit range are refused with a message of their own.
    auto unsignedValue = [&](TextId message, TextId tooLargeMessage) -> int {
        if (!IsUnsignedInteger(value)) raise(message);
        const std::size_t first = std::min(value.find_first_not_of('0'), value.size());
        const std::string_view digits = value.substr(first);
        if (digits.size() > 10) raise(tooLargeMessage);
        long long v = 0;
        for (char c : digits) v = v * 10 + (c - '0');
        if (v > std::numeric_limits<int>::max()) raise(tooLargeMessage);
        return static_cast<int>(v);
    };
    auto plainNumber = [&](TextId message) -> long double {
        const auto v = TextToFloat(value);
        if (!v) raise(message);
        return *v;
    };
    auto expressionNumber = [&](TextId message) -> long double {
        const auto v = EvaluateNumber(value);
        if (!v) raise(message);
        return *v;
    };

    if (key == "pixelsperunit") {
        const int v = unsignedValue(TextId::PixelsPerUnitMustBePositiveInteger, TextId::ValueIsTooLarge);
        if (v < 1) raise(TextId::PixelsPerUnitMustBePositiveInteger);
        // A scale whose drawing cannot be made is not taken: the drawing on
        // screen keeps the scale it was made with.
        PrepareCanvas(v, state_.backgroundColor, state_.maximumX, state_.maximumY);
        state_.pixelsPerUnit = v;
    } else if (key == "maximumx") {
        const long double v = plainNumber(TextId::MaximumXMustBePositiveNumber);
        if (!(v > 0)) raise(TextId::MaximumXMustBePositiveNumber);
        state_.maximumX = v;
        ClearDrawing();
    } else if (key == "maximumy") {
        const long double v = plainNumber(TextId::MaximumYMustBePositiveNumber);
        if (!(v > 0)) raise(TextId::MaximumYMustBePositiveNumber);
        state_.maximumY = v;
        ClearDrawing();
    } else if (key == "backgroundcolor") {
        state_.backgroundColor = ColorByName(value, lang);
        ClearDrawing();
    } else if (key == "defaultcolor") {
        ColorByName(value, lang);
        state_.defaultColor = std::string(value);
    } else if (key == "defaultfontname") {
        const std::string font = Trim(PlainField(value, QuoteChar, 2));
        if (!IsFontInstalled(font)) {
            throw vyjimka(Text(lang, TextId::FontIsMissingInWindowsSystemHead) + '"' + font + '"' +
                          Text(lang, TextId::FontIsMissingInWindowsSystemTail));
        }
        state_.defaultFontName = font;
    } else if (key == "defaultfontsize") {
        const long double v = expressionNumber(TextId::FontSizeMustBePositive);
        if (!(v > 0)) raise(TextId::FontSizeMustBePositive);
        state_.defaultFontSize = v;
    } else if (key == "defaultdimangle") {
        const auto v = TextToInt(value);
        if (!v || *v < 1 || *v > 45) raise(TextId::ArrowAngleMustBe1To45);
        state_.defaultDimAngle = *v;
    } else if (key == "defaultdimlength") {
        const long double v = expressionNumber(TextId::ArrowSizeMustBePositive);
        if (!(v > 0)) raise(TextId::ArrowSizeMustBePositive);
        state_.defaultDimLength = v;
    } else if (key == "shiftx") {
        if (!extra.empty()) raise(TextId::TooManyParameters);
        state_.shiftX = plainNumber(TextId::ShiftXMustBeNumber);
    } else if (key == "shifty") {
        if (!extra.empty()) raise(TextId::TooManyParameters);
        state_.shiftY = plainNumber(TextId::ShiftYMustBeNumber);
    } else if (key == "layer") {
        if (!extra.empty()) raise(TextId::TooManyParameters);
        const int v = unsignedValue(TextId::LayerMustBe1To9, TextId::LayerMustBe1To9);
        if (v < 1 || v > 9) raise(TextId::LayerMustBe1To9);
        state_.layer = v;
    }
}

}  // namespace kresbon
