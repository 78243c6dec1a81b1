#pragma once

#include <string>
#include <vector>

// Drawing by clicks: the user picks a drawing action from the drawing's
// popup menu, clicks once or twice on the drawing, and a ready-made command
// line is appended to the script and drawn at once.
namespace kresbon {

enum class DrawingAction {
    None,
    Line,
    DimLine,
    Text,
    Point,
    FillArea,
    Rectangle,
    Circle,
    CirclePart,
    Ellipse,
    Picture,
    Globals,
    Layer,
    Procedure,
    Comment,
};

// How many clicks on the drawing the action waits for (0 for the actions
// that insert their text as soon as they are chosen).
int ClicksNeeded(DrawingAction action);

// The ten actions whose command is drawn at once.
bool DrawsObject(DrawingAction action);

// A pixel of the drawing image: x to the right, y downwards, from the
// image's top-left corner.
struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// The choice of action and the clicks received since. Idle until an action
// is chosen; a click beyond what the action needs only counts, so nothing
// more is inserted until the action is chosen again or cancelled.
class ClickTool {
public:
    // Arms the action, counting clicks from 0. Returns true when the action
    // needs no click and its command is to be inserted now.
    bool Choose(DrawingAction action);

    // A left click on the drawing. Returns true when this click completes
    // the action and its command is to be inserted now.
    bool Click(PixelPoint at);

    // Back to idle: no action, no points.
    void Reset();

    // An action is chosen and the pointer shows it.
    bool Armed() const { return action_ != DrawingAction::None; }
    DrawingAction action() const { return action_; }
    int clickCount() const { return clickCount_; }
    PixelPoint first() const { return first_; }
    PixelPoint second() const { return second_; }

private:
    bool advance();

    int clickCount_ = 0;
    DrawingAction action_ = DrawingAction::None;
    PixelPoint lastClick_;
    PixelPoint first_;
    PixelPoint second_;
};

// What a command is built from besides the clicks.
struct InsertionContext {
    // The drawing's current scale; pixels are divided by it.
    int pixelsPerUnit = 1;
    // Language of the words the Text and Comment templates carry.
    int languageBase = 1000;
    // Size of the drawing's scroll box in pixels, for the Globals template.
    int viewWidth = 0;
    int viewHeight = 0;
};

// The editor lines (UTF-8) of the action's command, from the first and
// second click.
std::vector<std::string> CommandLines(DrawingAction action, PixelPoint first, PixelPoint second,
                                      const InsertionContext& context);

// The lines of an inserted command that are executed at once, trimmed: the
// drawing command itself, or the assignments of the Globals template; none
// for the texts that are only inserted.
std::vector<std::string> LinesToExecute(DrawingAction action, const std::vector<std::string>& lines);

// A pixel value in drawing units, in the general number format.
std::string PixelsToUnits(long double pixels, int pixelsPerUnit);

// A clicked pixel in drawing units as inserted into the script: the 15-digit
// form of pixel / PixelsPerUnit, or, where that would put the object on the
// pixel before, the nearest 15-digit number above it that the interpreter
// converts back to the clicked pixel.
std::string ClickedPixelToUnits(int pixel, int pixelsPerUnit);

// The start and end angle of a circle part centred on the first point,
// chosen by the quadrant the second point lies in.
struct QuadrantAngles {
    int start = 0;
    int end = 0;
};
QuadrantAngles CirclePartAngles(PixelPoint centre, PixelPoint towards);

// "(x=.., y=..)": the pointer position in drawing units.
std::string PointerReadout(int x, int y, int pixelsPerUnit);

// The text to add at the end of the editor so that each of the lines becomes
// an editor line of its own after what is there. lastLineEmpty: the editor
// is empty or its text ends with a line break.
std::string TextToAppend(bool lastLineEmpty, const std::vector<std::string>& lines);

}  // namespace kresbon
