#pragma once

// bond/: the script and its drawing pointing at each other in the window:
// which line drew a pixel (a click, the drawing's popup menu, the tooltip),
// the mark of what the line at the caret drew, measuring on the drawing,
// and the shape a two-click drawing action shows between its clicks.
//
// The answers come from running the script again on a thread of the bond's
// own, one run at a time, with what made the drawing on screen: the layers
// and sizes the last run read and the lines it ran (shared with the run
// controller, not copied). Each run's drawing is held against the run
// controller's, on the window's thread, and dropped at once. Nothing is
// kept while no question goes but the mark shown.

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "interpreter/line_bond.h"
#include "shell/bond/bond_worker.h"
#include "shell/bond/measurement.h"
#include "shell/run/handoff.h"
#include "shell/run/run_controller.h"

class QMenu;
class QAction;
class QMouseEvent;
class QTimer;

namespace kresbon {

class ClickTool;
class DrawingView;
class ScriptEditor;
struct DrawingState;

// What the bond works with, from the window.
struct BondParts {
    DrawingView* view = nullptr;
    ScriptEditor* editor = nullptr;
    RunController* runs = nullptr;
    const ClickTool* tool = nullptr;
    std::function<int()> language;
    // Puts a text in the status line under the drawing.
    std::function<void(const QString&)> showStatus;
    // Ends the chosen drawing action, as Esc does.
    std::function<void()> cancelTool;
};

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

    std::shared_ptr<Basis> basis();
    BondWorker& worker();
    // Whether a bond run's drawing is the one the run controller holds, made
    // for the drawing shown as drawingVersion; nothing while a run goes or
    // once another drawing is shown.
    std::optional<bool> sameAsShown(const Surface& drawn, int drawingVersion) const;
    void requestInk(int line);
    void clearInk();
    void showOutOfDate();
    // Asks on the bond's thread which line drew the pixel; done has the
    // answer, held against the drawing on screen, on the window's thread,
    // or nothing when the drawing changed meanwhile.
    void askPixel(BondWorker::Kind kind, const std::shared_ptr<Basis>& asked, QPoint pixel,
                  std::function<void(std::optional<PixelSource>)> done);
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
    // The text the drawing on screen was run from, and the lines of the last
    // run for the screen with the text they were taken from.
    int drawnText_ = 0;
    std::weak_ptr<const ScriptLines> runLines_;
    int runLinesText_ = -1;
    // The text at the last pause in typing.
    int pausedText_ = -1;
    QTimer* editPause_ = nullptr;
    static constexpr int EditPauseMs = 400;
    std::weak_ptr<Basis> basis_;
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
    // Declared before the worker, which ends first.
    Handoff handoff_;
    std::unique_ptr<BondWorker> worker_;
};

}  // namespace kresbon
