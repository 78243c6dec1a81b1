#pragma once

// bond/: the script and its drawing pointing at each other in the window:
// which line drew a pixel (a click, the drawing's popup menu, the tooltip),
// the mark of what the line at the caret drew, measuring on the drawing,
// and the shape a two-click drawing action shows between its clicks.
//
// The answers come from running the script again on threads of the bond's
// own, with what made the drawing on screen: the layers and sizes the last
// run read, and a copy of its drawing, taken only once no run goes. Nothing
// is kept while the features are not used.

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

#include "shell/run/handoff.h"
#include "shell/run/run_controller.h"

class QMenu;
class QAction;
class QMouseEvent;

namespace kresbon {

class ClickTool;
class DrawingView;
class ScriptEditor;
class BondWorker;
struct DrawingState;

// What the bond works with, from the window.
struct BondParts {
    DrawingView* view = nullptr;
    ScriptEditor* editor = nullptr;
    RunController* runs = nullptr;
    // What the interpreter reads of the window now.
    std::function<HostValues()> host;
    const ClickTool* tool = nullptr;
    std::function<int()> language;
    // Puts a text in the status line under the drawing.
    std::function<void(const QString&)> showStatus;
    // Ends the chosen drawing action, as Esc does.
    std::function<void()> cancelTool;
};

// The figures of a line measured between two drawing pixels' centres.
struct Measurement {
    double pixels = 0;
    double units = 0;
    double dx = 0;
    double dy = 0;
    // Counter-clockwise from the x axis, 0 <= angle < 360.
    double angle = 0;
    // The ends in drawing units as a script writes them, under its shift.
    QString from;
    QString to;
};
Measurement Measure(QPoint from, QPoint to, const DrawingState& state);
QString MeasureText(const Measurement& m, int languageBase);

class DrawingBond : public QObject {
    Q_OBJECT
public:
    DrawingBond(BondParts parts, QObject* parent);
    ~DrawingBond() override;

    // Which line drew the pixel: the caret goes to it and the status line
    // names it. Asked while a run goes, the answer follows the run.
    void askAt(QPoint pixel);

    // The mark of what the line at the caret drew.
    void setShowLineInk(bool on);
    bool showLineInkOn() const { return showInk_; }
    // Marks what line (from 0) of the script drew, over whatever drawing the
    // view shows; -1 marks nothing. The caret calls it while the mark is on.
    void showLineInk(int line);
    // The line whose mark is shown, -1 for none.
    int markedLine() const { return markedLine_; }

    // The popup menu's Measure: the next press and drag, or two clicks.
    void startMeasure();
    // Ends measuring and the shape of a drawing action.
    void cancel();
    // The chosen drawing action or its clicks changed.
    void toolChanged();

    // "Which line drew this?" and "Measure" at the top of the popup menu.
    void addPopupItems(QMenu* popup);
    void applyTexts();

    // The last answer and measurement shown.
    const QString& answer() const { return answer_; }
    const QString& measurement() const { return measureText_; }

signals:
    // A which-line answer (or its note) has been shown.
    void answered(const QString& text);
    // The mark of a line has been shown or taken away (line -1).
    void inkShown(int line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Basis;
    enum class Measuring { No, Dragging, SecondClick, Shown };

    std::shared_ptr<const Basis> basis();
    void requestInk(int line);
    void showAnswer(const QString& text, int line);
    void askTip(QPoint pixel);
    void updateMeasure(QPoint to);
    void updateRubberBand();
    bool handlePress(QMouseEvent& event);
    bool handleKey(QEvent* event);
    bool active() const;
    int caretLine() const;
    int language() const { return parts_.language ? parts_.language() : 1000; }

    BondParts parts_;
    // Counted changes of the script's text and of the drawing shown.
    int textVersion_ = 0;
    int drawingVersion_ = 0;
    // The text the drawing on screen was run from, and what the run read of
    // the window.
    int drawnText_ = 0;
    bool runHostKnown_ = false;
    HostValues runHost_;
    std::shared_ptr<const Basis> basis_;
    std::unique_ptr<DrawingState> scale_;

    bool showInk_ = true;
    int markedLine_ = -1;
    int wantedInkLine_ = -1;
    int inkDrawing_ = -1;
    int inkText_ = -1;
    int inkAsked_ = 0;
    bool inkWaitsForRun_ = false;
    int questionAsked_ = 0;
    int tipAsked_ = 0;
    QPoint tipPixel_;
    bool answerWaitsForRun_ = false;

    Measuring measuring_ = Measuring::No;
    bool measureArmed_ = false;
    QPoint measureFrom_;
    QPoint measureTo_;
    QString measureText_;
    QPoint pointer_;
    QPoint contextPixel_;
    QString answer_;

    QAction* whichItem_ = nullptr;
    QAction* measureItem_ = nullptr;
    Handoff handoff_;
    std::unique_ptr<BondWorker> inkWorker_;
    std::unique_ptr<BondWorker> questionWorker_;
    std::unique_ptr<BondWorker> tipWorker_;
};

}  // namespace kresbon
