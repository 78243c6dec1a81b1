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

vyjimka DrawingTooLargeError(long double w, long double h, int languageBase)
{
    return vyjimka(Text(languageBase, TextId::DrawingTooLargeHead) + FloatToStr(static_cast<double>(w)) + " x " +
                   FloatToStr(static_cast<double>(h)) + Text(languageBase, TextId::DrawingTooLargeTail));
}

void Interpreter::PrepareCanvas(int scale, Rgb background, long double width, long double height)
{
    const long double w = std::floor(width * scale);
    const long double h = std::floor(height * scale);
    const long double pixels = std::max<long double>(w, 0) * std::max<long double>(h, 0);
    auto tooLarge = [&] { return DrawingTooLargeError(w, h, languageBase()); };
    if (!(pixels <= canvasBudget_) || w > std::numeric_limits<int>::max() ||
        h > std::numeric_limits<int>::max())
        throw tooLarge();
    // The new drawing takes its memory only when it is painted, after the
    // old one is gone, so the peak is that of the larger of the two; when
    // the new one cannot be had, the old one stays as it was.
    const int wide = std::max(0, static_cast<int>(w));
    const int high = std::max(0, static_cast<int>(h));
    try {
        canvas_ = canvas_ ? std::make_unique<Surface>(wide, high, host_.colourDepth(), *canvas_)
                          : std::make_unique<Surface>(wide, high, host_.colourDepth());
    } catch (const std::bad_alloc&) {
        throw tooLarge();
    }
    record_.reset();
    canvas_->setStopFlag(runControl_ ? &runControl_->cancel : nullptr);
    canvas_->setBrush(background, BrushStyle::Solid);
    canvas_->fillRect(0, 0, canvas_->width(), canvas_->height());
    if (recordShapes_) {
        record_ = std::make_unique<DrawingRecord>(canvas_->width(), canvas_->height(), scale,
                                                  canvas_->quantise(background));
        canvas_->setShapeSink(record_.get());
    }
    if (watch_ != nullptr) watch_->canvasPrepared(*canvas_);
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
    // A drawing that cannot be made leaves the values the drawing on
    // screen was made with, as a refused scale does.
    auto reshape = [&](auto change) {
        const DrawingState before = state_;
        change();
        try {
            ClearDrawing();
        } catch (...) {
            state_ = before;
            throw;
        }
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
        reshape([&] { state_.maximumX = v; });
    } else if (key == "maximumy") {
        const long double v = plainNumber(TextId::MaximumYMustBePositiveNumber);
        if (!(v > 0)) raise(TextId::MaximumYMustBePositiveNumber);
        reshape([&] { state_.maximumY = v; });
    } else if (key == "backgroundcolor") {
        const Rgb colour = ColorByName(value, lang);
        reshape([&] { state_.backgroundColor = colour; });
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
