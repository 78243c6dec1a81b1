#include <string>
#include <vector>

#include "platform/expression.h"
#include "interpreter/interpreter.h"
#include "interpreter/named_values.h"
#include "platform/text_helpers.h"
#include "platform/fonts.h"
#include "platform/texts.h"
#include "platform/vyjimka.h"
#include "render/dimension_line.h"
#include "render/picture.h"
#include "render/rotated_text.h"
#include "render/shapes.h"

namespace kresbon {

namespace {

constexpr int MaxParameters = 12;

enum BoxShape { LineShape, RectangleShape, EllipseShape };

void splitParameters(std::string_view parameterText, CommandParameters& p)
{
    if (parameterText.find(QuoteChar) == std::string_view::npos) {
        // Without quotes every comma separates.
        std::size_t start = 0;
        for (int field = 1; field <= MaxParameters; ++field) {
            const std::size_t comma = parameterText.find(',', start);
            p[field] = Trimmed(parameterText.substr(start, comma - start));
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
        return;
    }
    int field = 1;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= parameterText.size() && field <= MaxParameters; ++i) {
        if (i < parameterText.size()) {
            const char c = parameterText[i];
            if (c == QuoteChar) quoted = !quoted;
            if (c != ',' || quoted) continue;
        }
        p[field++] = Trimmed(parameterText.substr(start, i - start));
        start = i + 1;
    }
}

// Reads the parameters of one drawing command, each with its own message.
class ParameterReader {
public:
    ParameterReader(const CommandParameters& p, const DrawingState& state, int lang)
        : p_(p), state_(state), lang_(lang)
    {
    }

    std::string_view operator[](int i) const { return p_[i]; }

    void checkTooMany(int field) const
    {
        if (!p_[field].empty()) raise(TextId::TooManyParameters);
    }

    long double number(int i, TextId message) const
    {
        const auto v = EvaluateNumber(p_[i]);
        if (!v) raise(message);
        return *v;
    }

    int wholeAngle(int i, TextId message) const
    {
        try {
            if (const auto v = TextToInt(EvaluateExpression(p_[i]))) return *v;
        } catch (const ExpressionError&) {
        }
        raise(message);
    }

    PenStyle lineType(int i) const
    {
        return PenStyleByName(p_[i].empty() ? std::string_view("Solid") : p_[i], lang_);
    }

    int thickness(int i) const
    {
        const std::string_view t = p_[i].empty() ? std::string_view("1") : p_[i];
        if (!IsUnsignedInteger(t)) raise(TextId::LineThicknessMustBePositive);
        const auto v = TextToInt(t);
        if (!v || *v < 1) raise(TextId::LineThicknessMustBePositive);
        return *v;
    }

    // A positive plain number; empty or the global's name gives the global's
    // value, written out and read back as the script would see it.
    long double positiveOrDefault(int i, std::string_view globalName, long double global, TextId message) const
    {
        const bool useGlobal = p_[i].empty() || EqualsFolded(p_[i], globalName);
        const auto v = useGlobal ? TextToFloat(FloatToStr(static_cast<double>(global)))
                                 : TextToFloat(p_[i]);
        if (!v || !(*v > 0)) raise(message);
        return *v;
    }

    Rgb colour(int i) const
    {
        const std::string_view c = p_[i];
        if (c.empty() || EqualsFolded(c, "defaultcolor")) return ColorByName(state_.defaultColor, lang_);
        return ColorByName(c, lang_);
    }

    [[noreturn]] void raise(TextId message) const { throw vyjimka(Text(lang_, message)); }

private:
    const CommandParameters& p_;
    const DrawingState& state_;
    int lang_;
};

}  // namespace

void Interpreter::ExecuteCommand(RunMode mode, std::string_view rawLine)
{
    const std::string_view line = Trimmed(rawLine.substr(0, FindOutsideQuotes(rawLine, '%')));
    executeCommand(mode, line, FindOutsideQuotes(line, '='));
}

// A line without its comment and outer blanks, and where its first '='
// outside quotes stands (npos for a drawing command).
void Interpreter::executeCommand(RunMode mode, std::string_view line, std::size_t equals)
{
    if (line.empty()) return;
    std::string_view name;
    CommandParameters p;
    if (equals != std::string_view::npos) {
        name = Trimmed(line.substr(0, equals));
        const std::string_view value = line.substr(equals + 1);
        p[1] = Trimmed(value.substr(0, FindOutsideQuotes(value, '=')));
    } else {
        const std::size_t space = line.find(' ');
        name = Trimmed(line.substr(0, space));
        if (space != std::string_view::npos) splitParameters(line.substr(space + 1), p);
    }

    static constexpr std::string_view globals[] = {
        "pixelsperunit",   "maximumx",        "maximumy",        "backgroundcolor",
        "defaultcolor",    "defaultfontname", "defaultfontsize", "defaultdimangle",
        "defaultdimlength", "shiftx",         "shifty",          "layer"};
    for (std::string_view g : globals) {
        if (EqualsFolded(name, g)) {
            AssignGlobal(name, p[1], p[2], mode);
            return;
        }
    }

    using Draw = void (Interpreter::*)(RunMode, const CommandParameters&);
    struct Command {
        std::string_view word;
        Draw draw;
        BoxShape shape;
    };
    static const Command commands[] = {
        {"line", nullptr, LineShape},
        {"point", &Interpreter::drawPoint, LineShape},
        {"dimline", &Interpreter::drawDimLine, LineShape},
        {"rectangle", nullptr, RectangleShape},
        {"ellipse", nullptr, EllipseShape},
        {"circle", &Interpreter::drawCircle, LineShape},
        {"circlepart", &Interpreter::drawCirclePart, LineShape},
        {"fillarea", &Interpreter::fillArea, LineShape},
        {"picture", &Interpreter::drawPicture, LineShape},
        {"text", &Interpreter::drawText, LineShape},
    };
    for (const Command& c : commands) {
        if (!EqualsFolded(name, c.word)) continue;
        if (!LayerShown()) return;
        if (c.draw)
            (this->*c.draw)(mode, p);
        else
            drawBoxShape(mode, c.shape, p);
        return;
    }

    if (!name.empty())
        throw vyjimka(Text(languageBase(), TextId::CommandIsUnappropriatedHead) + '"' + std::string(name) + '"' +
                      Text(languageBase(), TextId::CommandIsUnappropriatedTail));
}

void Interpreter::drawPoint(RunMode mode, const CommandParameters& p)
{
    const ParameterReader r(p, state_, languageBase());
    r.checkTooMany(4);
    const long double x = r.number(1, TextId::ParameterXMissing);
    const long double y = r.number(2, TextId::ParameterYMissing);
    const Rgb colour = r.colour(3);
    target(mode).setPixel(ToPixelX(state_, x), ToPixelY(state_, y), colour);
}

void Interpreter::drawBoxShape(RunMode mode, int kind, const CommandParameters& p)
{
    const ParameterReader r(p, state_, languageBase());
    r.checkTooMany(8);
    const long double x1 = r.number(1, TextId::ParameterX1Missing);
    const long double y1 = r.number(2, TextId::ParameterY1Missing);
    const long double x2 = r.number(3, TextId::ParameterX2Missing);
    const long double y2 = r.number(4, TextId::ParameterY2Missing);
    const PenStyle style = r.lineType(5);
    const int thickness = r.thickness(6);
    const Rgb colour = r.colour(7);
    const int X1 = ToPixelX(state_, x1), Y1 = ToPixelY(state_, y1);
    const int X2 = ToPixelX(state_, x2), Y2 = ToPixelY(state_, y2);
    Surface& s = target(mode);
    switch (kind) {
    case LineShape: DrawLine(s, X1, Y1, X2, Y2, colour, thickness, style); break;
    case RectangleShape: DrawRectangle(s, X1, Y1, X2, Y2, colour, thickness, style); break;
    default: DrawEllipse(s, X1, Y1, X2, Y2, colour, thickness, style); break;
    }
}

void Interpreter::drawCircle(RunMode mode, const CommandParameters& p)
{
    const ParameterReader r(p, state_, languageBase());
    r.checkTooMany(7);
    const long double x = r.number(1, TextId::ParameterXMissing);
    const long double y = r.number(2, TextId::ParameterYMissing);
    const long double radius = r.number(3, TextId::ParameterRMissing);
    const PenStyle style = r.lineType(4);
    const int thickness = r.thickness(5);
    const Rgb colour = r.colour(6);
    DrawCircle(target(mode), ToPixelX(state_, x), ToPixelY(state_, y), ToPixels(state_, radius),
               colour, thickness, style);
}

void Interpreter::drawCirclePart(RunMode mode, const CommandParameters& p)
{
    const ParameterReader r(p, state_, languageBase());
    r.checkTooMany(9);
    const long double x = r.number(1, TextId::ParameterXMissing);
    const long double y = r.number(2, TextId::ParameterYMissing);
    const long double radius = r.number(3, TextId::ParameterRMissing);
    const int a1 = r.wholeAngle(4, TextId::InitialAngleMustBePositiveInteger);
    const int a2 = r.wholeAngle(5, TextId::EndAngleMustBePositiveInteger);
    const PenStyle style = r.lineType(6);
    const int thickness = r.thickness(7);
    const Rgb colour = r.colour(8);
    DrawCirclePart(target(mode), ToPixelX(state_, x), ToPixelY(state_, y),
                   ToPixels(state_, radius), a1, a2, colour, thickness, style, languageBase());
}

void Interpreter::fillArea(RunMode mode, const CommandParameters& p)
{
    const ParameterReader r(p, state_, languageBase());
    r.checkTooMany(5);
    const long double x = r.number(1, TextId::ParameterXMissing);
    const long double y = r.number(2, TextId::ParameterYMissing);
    const BrushStyle fill = BrushStyleByName(p[3].empty() ? std::string_view("Solid") : p[3], languageBase());
    const Rgb colour = r.colour(4);
    FloodFillAt(target(mode), ToPixelX(state_, x), ToPixelY(state_, y), fill, colour);
}

void Interpreter::drawDimLine(RunMode mode, const CommandParameters& p)
{
    const int lang = languageBase();
    const ParameterReader r(p, state_, lang);
    r.checkTooMany(12);
    auto checkKind = [&](std::string_view kind) {
        if (!IsDimEndKind(kind))
            throw vyjimka('"' + std::string(kind) + '"' + Text(lang, TextId::InvalidDimensionEndTail));
    };
    const long double x1 = r.number(1, TextId::ParameterX1Missing);
    const long double y1 = r.number(2, TextId::ParameterY1Missing);
    checkKind(p[3]);
    const long double x2 = r.number(4, TextId::ParameterX2Missing);
    const long double y2 = r.number(5, TextId::ParameterY2Missing);
    if (x1 == x2 && y1 == y2) r.raise(TextId::SameInitialAndEndPoint);
    checkKind(p[6]);

    DimLineStyle style;
    style.lineType = r.lineType(7);
    style.thickness = r.thickness(8);
    style.colour = r.colour(9);

    if (p[10].empty() || EqualsFolded(p[10], "defaultdimangle")) {
        style.arrowAngle = state_.defaultDimAngle;
    } else {
        const auto angle = TextToInt(p[10]);
        if (!angle) r.raise(TextId::ArrowAngleMustBe1To45);
        style.arrowAngle = *angle;
    }
    if (style.arrowAngle < 1 || style.arrowAngle > 45) r.raise(TextId::ArrowAngleMustBe1To45);

    const long double length =
        r.positiveOrDefault(11, "defaultdimlength", state_.defaultDimLength, TextId::ArrowSizeMustBePositive);
    style.arrowLength = ToPixels(state_, length);

    DrawDimLine(target(mode), {ToPixelX(state_, x1), ToPixelY(state_, y1)}, p[3],
                {ToPixelX(state_, x2), ToPixelY(state_, y2)}, p[6], style, lang);
}

void Interpreter::drawText(RunMode mode, const CommandParameters& p)
{
    const int lang = languageBase();
    const ParameterReader r(p, state_, lang);
    r.checkTooMany(12);
    const long double x = r.number(1, TextId::ParameterXMissing);
    const long double y = r.number(2, TextId::ParameterYMissing);
    const std::string text = ParseTextLiteral(Trim(p[3]), lang);
    if (text.empty()) r.raise(TextId::TextEmptyOrUnquoted);
    int flags[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::string_view f = p[4 + i];
        if (f.empty() || f == "0")
            flags[i] = 0;
        else if (f == "1")
            flags[i] = 1;
        else
            r.raise(TextId::IsBoldMustBe0Or1 + i);  // the four flag messages follow one another
    }
    std::string font = Trim(PlainField(p[8], QuoteChar, 2));
    if (font.empty() || LowerText(font) == "defaultfontname") font = state_.defaultFontName;
    if (!IsFontInstalled(font))
        throw vyjimka(Text(lang, TextId::FontIsMissingInWindowsSystemHead) + '"' + font + '"' +
                      Text(lang, TextId::FontIsMissingInWindowsSystemTail));
    const Rgb colour = r.colour(9);
    const long double size =
        r.positiveOrDefault(10, "defaultfontsize", state_.defaultFontSize, TextId::FontSizeMustBePositive);
    int angle = 0;
    if (!p[11].empty()) {
        const auto v = TextToInt(p[11]);
        if (!v) r.raise(TextId::AngleMustBeInteger);
        angle = *v;
    }
    const TextStyle style{flags[0] == 1, flags[1] == 1, flags[2] == 1, flags[3] == 1};
    DrawRotatedText(target(mode), {ToPixelX(state_, x), ToPixelY(state_, y)}, angle, ToPixels(state_, size),
                    colour, font, style, text, lang);
}

void Interpreter::drawPicture(RunMode mode, const CommandParameters& p)
{
    const ParameterReader r(p, state_, languageBase());
    r.checkTooMany(6);
    const long double x = r.number(1, TextId::ParameterXMissing);
    const long double y = r.number(2, TextId::ParameterYMissing);
    const PictureSettings settings{state_.pixelsPerUnit, languageBase(), host_.currentScriptFile(),
                                   host_.programFolder()};
    noteFileRead(PictureFilePath(p[3], settings));
    DrawPicture(target(mode), ToPixelX(state_, x), ToPixelY(state_, y), p[3], p[4], p[5], settings);
}

}  // namespace kresbon
