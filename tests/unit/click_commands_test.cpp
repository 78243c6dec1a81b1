#include "interactive/click_commands.h"

#include <gtest/gtest.h>

#include <cctype>

#include "interpreter/drawing_state.h"
#include "platform/expression.h"

using namespace kresbon;

namespace {

std::string OneLine(DrawingAction action, PixelPoint a, PixelPoint b, int ppu = 1)
{
    InsertionContext c;
    c.pixelsPerUnit = ppu;
    const auto lines = CommandLines(action, a, b, c);
    return lines.size() == 1 ? lines[0] : "<" + std::to_string(lines.size()) + " lines>";
}

int SignificantDigits(const std::string& number)
{
    const std::string mantissa = number.substr(0, number.find('E'));
    const std::size_t first = mantissa.find_first_not_of("-0.");
    int digits = 0;
    if (first == std::string::npos) return digits;
    for (char c : mantissa.substr(first)) digits += std::isdigit(static_cast<unsigned char>(c)) ? 1 : 0;
    return digits;
}

}  // namespace

TEST(ClickTool, TwoClickActionCompletesOnSecondClickOnly)
{
    ClickTool tool;
    EXPECT_FALSE(tool.Choose(DrawingAction::Line));
    EXPECT_TRUE(tool.Armed());
    EXPECT_FALSE(tool.Click({10, 20}));
    EXPECT_EQ(tool.first(), (PixelPoint{10, 20}));
    EXPECT_TRUE(tool.Click({31, 20}));
    EXPECT_EQ(tool.second(), (PixelPoint{31, 20}));
    // Not reset yet (an insertion that fails leaves the action pending):
    // further clicks count but complete nothing.
    EXPECT_FALSE(tool.Click({1, 1}));
    EXPECT_FALSE(tool.Click({2, 2}));
    EXPECT_EQ(tool.clickCount(), 4);
    EXPECT_EQ(tool.second(), (PixelPoint{31, 20}));
}

TEST(ClickTool, OneClickAndNoClickActions)
{
    ClickTool tool;
    for (DrawingAction a : {DrawingAction::Text, DrawingAction::Point, DrawingAction::Picture,
                            DrawingAction::FillArea}) {
        EXPECT_FALSE(tool.Choose(a));
        EXPECT_TRUE(tool.Click({7, 8}));
        EXPECT_EQ(tool.first(), (PixelPoint{7, 8}));
        tool.Reset();
    }
    for (DrawingAction a : {DrawingAction::Globals, DrawingAction::Layer, DrawingAction::Procedure,
                            DrawingAction::Comment}) {
        EXPECT_TRUE(tool.Choose(a));
        // Clicks after a pending no-click action insert nothing more.
        EXPECT_FALSE(tool.Click({1, 1}));
    }
}

TEST(ClickTool, IdleClicksInsertNothingAndCancelForgetsPoints)
{
    ClickTool tool;
    EXPECT_FALSE(tool.Armed());
    EXPECT_FALSE(tool.Click({5, 5}));
    EXPECT_FALSE(tool.Click({6, 6}));

    tool.Choose(DrawingAction::Rectangle);
    tool.Click({3, 4});
    tool.Reset();
    EXPECT_FALSE(tool.Armed());
    EXPECT_EQ(tool.clickCount(), -1);
    EXPECT_EQ(tool.first(), (PixelPoint{}));
    EXPECT_FALSE(tool.Click({9, 9}));
    EXPECT_FALSE(tool.Click({9, 9}));
}

TEST(ClickTool, ChoosingAgainRestartsTheClicks)
{
    ClickTool tool;
    tool.Choose(DrawingAction::Line);
    tool.Click({1, 2});
    // Switching to another action while waiting for the second click.
    EXPECT_FALSE(tool.Choose(DrawingAction::Circle));
    EXPECT_EQ(tool.clickCount(), 0);
    EXPECT_FALSE(tool.Click({50, 60}));
    EXPECT_EQ(tool.first(), (PixelPoint{50, 60}));
    EXPECT_TRUE(tool.Click({53, 64}));
    EXPECT_EQ(tool.action(), DrawingAction::Circle);
}

TEST(ClickCommands, NumbersAreClickedPixelsDividedByTheScale)
{
    EXPECT_EQ(OneLine(DrawingAction::Line, {10, 20}, {31, 20}, 2),
              "Line 5, 10, 15.5, 10, Solid, 1, DefaultColor");
    EXPECT_EQ(OneLine(DrawingAction::Line, {10, 20}, {31, 20}, 1),
              "Line 10, 20, 31, 20, Solid, 1, DefaultColor");
    EXPECT_EQ(PixelsToUnits(10, 3), "3.33333333333333");
    EXPECT_EQ(PixelsToUnits(20, 3), "6.66666666666667");
    EXPECT_EQ(PixelsToUnits(0, 7), "0");
    EXPECT_EQ(PixelsToUnits(1, 8), "0.125");
}

// Every clicked pixel comes back as itself when the inserted number is
// converted by the interpreter, also with shifts (which move the object by
// their own floored amount), and the text keeps at most 15 significant
// digits and stays the plain 15-digit rounding wherever that already hits.
TEST(ClickCommands, InsertedNumbersLandOnTheClickedPixel)
{
    EXPECT_EQ(ClickedPixelToUnits(10, 3), "3.33333333333334");
    EXPECT_EQ(OneLine(DrawingAction::Point, {10, 20}, {}, 3), "Point 3.33333333333334, 6.66666666666667, DefaultColor");
    for (int ppu : {1, 2, 3, 6, 7, 9, 11, 13, 17, 25, 49, 97, 300, 1000}) {
        for (long double shift : {0.0L, 2.5L, 0.3L, -1.7L, 12345.678L}) {
            DrawingState state;
            state.pixelsPerUnit = ppu;
            state.shiftX = shift;
            state.shiftY = -shift;
            const int originX = ToPixelX(state, 0);
            const int originY = ToPixelY(state, 0);
            for (int pixel = 0; pixel <= 2000; ++pixel) {
                const std::string text = ClickedPixelToUnits(pixel, ppu);
                const auto value = EvaluateNumber(text);
                ASSERT_TRUE(value) << text;
                ASSERT_EQ(ToPixelX(state, *value), originX + pixel) << "ppu " << ppu << " text " << text;
                ASSERT_EQ(ToPixelY(state, *value), originY + pixel) << "ppu " << ppu << " text " << text;
                if (shift != 0) continue;
                ASSERT_LE(SignificantDigits(text), 15) << text;
                const std::string rounded = PixelsToUnits(pixel, ppu);
                const auto roundedValue = EvaluateNumber(rounded);
                DrawingState plain;
                plain.pixelsPerUnit = ppu;
                if (ToPixelX(plain, *roundedValue) == pixel) ASSERT_EQ(text, rounded);
            }
        }
    }
}

TEST(ClickCommands, EveryObjectTemplate)
{
    EXPECT_EQ(OneLine(DrawingAction::Rectangle, {2, 4}, {6, 9}, 2),
              "Rectangle 1, 2, 3, 4.5, Solid, 1, DefaultColor");
    EXPECT_EQ(OneLine(DrawingAction::Ellipse, {2, 4}, {6, 8}),
              "Ellipse 2, 4, 6, 8, Solid, 1, DefaultColor");
    EXPECT_EQ(OneLine(DrawingAction::DimLine, {2, 4}, {6, 8}),
              "DimLine 2, 4, Inner, 6, 8, Inner, Solid, 1, DefaultColor, DefaultDimAngle, "
              "DefaultDimLength");
    EXPECT_EQ(OneLine(DrawingAction::Circle, {0, 0}, {3, 4}), "Circle 0, 0, 5, Solid, 1, DefaultColor");
    EXPECT_EQ(OneLine(DrawingAction::Circle, {10, 10}, {13, 14}, 2),
              "Circle 5, 5, 2.5, Solid, 1, DefaultColor");
    EXPECT_EQ(OneLine(DrawingAction::Point, {3, 5}, {}, 2), "Point 1.5, 2.5, DefaultColor");
    EXPECT_EQ(OneLine(DrawingAction::FillArea, {3, 5}, {}), "FillArea 3, 5, BDiagonal, DefaultColor");
    EXPECT_EQ(OneLine(DrawingAction::Picture, {3, 5}, {}), "Picture 3, 5, \"example.gif\"");
    EXPECT_EQ(OneLine(DrawingAction::Text, {3, 5}, {}),
              "Text 3, 5, \"Text\", 0,0,0,0, DefaultFontName, DefaultColor, DefaultFontSize, 0");
}

TEST(ClickCommands, CirclePartAnglesFollowTheQuadrantOfTheSecondClick)
{
    const PixelPoint c{100, 100};
    EXPECT_EQ(CirclePartAngles(c, {110, 90}).start, 0);
    EXPECT_EQ(CirclePartAngles(c, {110, 90}).end, 90);
    EXPECT_EQ(CirclePartAngles(c, {90, 90}).start, 90);
    EXPECT_EQ(CirclePartAngles(c, {90, 90}).end, 180);
    EXPECT_EQ(CirclePartAngles(c, {90, 110}).start, 180);
    EXPECT_EQ(CirclePartAngles(c, {110, 110}).end, 360);
    for (PixelPoint onAxis : {PixelPoint{100, 50}, PixelPoint{50, 100}, PixelPoint{100, 100}}) {
        EXPECT_EQ(CirclePartAngles(c, onAxis).start, 0);
        EXPECT_EQ(CirclePartAngles(c, onAxis).end, 90);
    }
    EXPECT_EQ(OneLine(DrawingAction::CirclePart, {30, 40}, {27, 36}),
              "CirclePart 30, 40, 5, 90, 180, Solid, 1, DefaultColor");
}

TEST(ClickCommands, TextTemplatesFollowTheLanguage)
{
    InsertionContext c;
    c.languageBase = 1000;
    EXPECT_EQ(CommandLines(DrawingAction::Comment, {}, {}, c), std::vector<std::string>{"% comment"});
    c.languageBase = 2000;
    EXPECT_EQ(CommandLines(DrawingAction::Comment, {}, {}, c),
              std::vector<std::string>{"% koment\xC3\xA1\xC5\x99"});
}

TEST(ClickCommands, NoClickTemplatesAndWhatIsExecuted)
{
    InsertionContext c;
    c.viewWidth = 400;
    c.viewHeight = 300;
    const auto globals = CommandLines(DrawingAction::Globals, {}, {}, c);
    ASSERT_EQ(globals.size(), 12u);
    EXPECT_EQ(globals[0], "MaximumX = 390");
    EXPECT_EQ(globals[1], "MaximumY = 290");
    EXPECT_EQ(globals[5], "DefaultFontName = \"Arial\"");
    EXPECT_EQ(globals[11], "");
    EXPECT_EQ(LinesToExecute(DrawingAction::Globals, globals).size(), 11u);

    const auto procedure = CommandLines(DrawingAction::Procedure, {}, {}, c);
    EXPECT_EQ(procedure, (std::vector<std::string>{"", "Procedure MyProc #x, #y, #z",
                                                   "   %You can write commands here.", "End", ""}));
    EXPECT_TRUE(LinesToExecute(DrawingAction::Procedure, procedure).empty());
    EXPECT_TRUE(LinesToExecute(DrawingAction::Layer, {"Layer = 1"}).empty());
    EXPECT_EQ(LinesToExecute(DrawingAction::Point, {" Point 1, 2, DefaultColor "}),
              std::vector<std::string>{"Point 1, 2, DefaultColor"});
}

TEST(ClickCommands, PointerReadoutInUnits)
{
    EXPECT_EQ(PointerReadout(10, 31, 2), "(x=5, y=15.5)");
    EXPECT_EQ(PointerReadout(0, 0, 1), "(x=0, y=0)");
    EXPECT_EQ(PointerReadout(10, 1, 3), "(x=3.33333333333333, y=0.333333333333333)");
}

TEST(ClickCommands, AppendedLinesStartOnALineOfTheirOwn)
{
    EXPECT_EQ(TextToAppend(true, {"A"}), "A\n");
    EXPECT_EQ(TextToAppend(false, {"A"}), "\nA\n");
    // Empty template lines are kept as empty editor lines.
    EXPECT_EQ(TextToAppend(false, {"", "B", ""}), "\n\nB\n\n");
    EXPECT_EQ(TextToAppend(true, {}), "");
}
