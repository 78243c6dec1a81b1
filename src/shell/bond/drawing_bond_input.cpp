// The input the bond takes on the drawing: measuring, the shape of a
// two-click drawing action, the popup menu's items, and the clicks, keys and
// tooltips that ask which line drew a pixel.

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "interactive/click_commands.h"
#include "interpreter/drawing_state.h"
#include "shell/bond/drawing_bond.h"
#include "shell/texts/interface_text.h"
#include "shell/view/drawing_overlay.h"
#include "shell/view/drawing_view.h"

namespace kresbon {

// ---------------------------------------------------------------- measure

void DrawingBond::startMeasure()
{
    measureArmed_ = true;
    measuring_ = Measuring::No;
    parts_.view->overlay()->clearMeasure();
    if (parts_.showStatus) parts_.showStatus(UiText(language(), TextId::BondMeasureStart));
}

void DrawingBond::updateMeasure(QPoint to)
{
    measureTo_ = to;
    if (!parts_.runs->busy())
        if (const Interpreter* idle = parts_.runs->idle()) *scale_ = idle->state();
    measureText_ = MeasureText(Measure(measureFrom_, measureTo_, *scale_), language());
    parts_.view->overlay()->setMeasure(measureFrom_, measureTo_, measureText_);
    if (parts_.showStatus) parts_.showStatus(measureText_);
}

void DrawingBond::cancel()
{
    measureArmed_ = false;
    measuring_ = Measuring::No;
    parts_.view->overlay()->clearMeasure();
    parts_.view->overlay()->clearRubberBand();
}

// ---------------------------------------------------------------- rubber band

void DrawingBond::toolChanged()
{
    updateRubberBand();
}

void DrawingBond::updateRubberBand()
{
    DrawingOverlay* overlay = parts_.view->overlay();
    const ClickTool* tool = parts_.tool;
    if (!tool || !tool->Armed() || tool->clickCount() != 1 || ClicksNeeded(tool->action()) != 2) {
        overlay->clearRubberBand();
        return;
    }
    const QPoint from(tool->first().x, tool->first().y);
    switch (tool->action()) {
    case DrawingAction::Line:
    case DrawingAction::DimLine: overlay->setRubberBand(RubberShape::Line, from, pointer_); break;
    case DrawingAction::Rectangle: overlay->setRubberBand(RubberShape::Rectangle, from, pointer_); break;
    case DrawingAction::Ellipse: overlay->setRubberBand(RubberShape::Ellipse, from, pointer_); break;
    case DrawingAction::Circle: overlay->setRubberBand(RubberShape::Circle, from, pointer_); break;
    case DrawingAction::CirclePart: {
        const QuadrantAngles angles = CirclePartAngles(tool->first(), {pointer_.x(), pointer_.y()});
        overlay->setRubberBand(RubberShape::Arc, from, pointer_, angles.start, angles.end);
        break;
    }
    default: overlay->clearRubberBand(); break;
    }
}

// ---------------------------------------------------------------- popup menu

void DrawingBond::addPopupItems(QMenu* popup)
{
    QAction* before = popup->actions().isEmpty() ? nullptr : popup->actions().first();
    whichItem_ = new QAction(popup);
    whichItem_->setObjectName(QStringLiteral("PopWhichLine"));
    measureItem_ = new QAction(popup);
    measureItem_->setObjectName(QStringLiteral("PopMeasure"));
    popup->insertAction(before, whichItem_);
    popup->insertAction(before, measureItem_);
    popup->insertSeparator(before);
    connect(whichItem_, &QAction::triggered, this, [this] { askAt(contextPixel_); });
    connect(measureItem_, &QAction::triggered, this, &DrawingBond::startMeasure);
    connect(popup, &QMenu::aboutToShow, this, &DrawingBond::applyTexts);
    applyTexts();
}

void DrawingBond::applyTexts()
{
    if (whichItem_) whichItem_->setText(UiText(language(), TextId::BondWhichLine));
    if (measureItem_) measureItem_->setText(UiText(language(), TextId::BondMeasure));
}

// ---------------------------------------------------------------- events

bool DrawingBond::active() const
{
    return measureArmed_ || measuring_ == Measuring::Dragging || measuring_ == Measuring::SecondClick ||
           parts_.view->overlay()->measuring() || (parts_.tool && parts_.tool->Armed());
}

bool DrawingBond::handleKey(QEvent* event)
{
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier || !active() || parts_.runs->busy())
        return false;
    // Esc here ends the measuring or the drawing action, not a run.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return false;
    }
    cancel();
    if (parts_.tool && parts_.tool->Armed() && parts_.cancelTool) parts_.cancelTool();
    if (parts_.showStatus) parts_.showStatus(QString());
    return true;
}

bool DrawingBond::handlePress(QMouseEvent& event)
{
    DrawingView* view = parts_.view;
    if (event.button() == Qt::RightButton) {
        contextPixel_ = view->pixelAt(event.position());
        return false;
    }
    if (event.button() != Qt::LeftButton || view->panning()) return false;
    const QPoint pixel = view->pixelAt(event.position());
    pointer_ = pixel;
    if (measuring_ == Measuring::SecondClick) {
        updateMeasure(pixel);
        measuring_ = Measuring::Shown;
        measureArmed_ = false;
        return true;
    }
    if ((event.modifiers() & Qt::ShiftModifier) || measureArmed_) {
        measuring_ = Measuring::Dragging;
        measureFrom_ = pixel;
        updateMeasure(pixel);
        return true;
    }
    if (parts_.tool && parts_.tool->Armed()) {
        // The window takes the click; the shape follows once it has.
        QTimer::singleShot(0, this, &DrawingBond::updateRubberBand);
        return false;
    }
    if (measuring_ == Measuring::Shown) cancel();
    if (event.type() == QEvent::MouseButtonPress) askAt(pixel);
    return true;
}

bool DrawingBond::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched != parts_.view) return false;
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) return handleKey(event);
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return handlePress(static_cast<QMouseEvent&>(*event));
    case QEvent::MouseMove: {
        pointer_ = parts_.view->pixelAt(static_cast<QMouseEvent*>(event)->position());
        if (measuring_ == Measuring::Dragging || measuring_ == Measuring::SecondClick) updateMeasure(pointer_);
        updateRubberBand();
        return false;
    }
    case QEvent::MouseButtonRelease: {
        if (measuring_ != Measuring::Dragging || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        if (measureTo_ != measureFrom_) {
            measuring_ = Measuring::Shown;
            measureArmed_ = false;
        } else if (measureArmed_) {
            measuring_ = Measuring::SecondClick;
        } else {
            cancel();
        }
        return true;
    }
    case QEvent::ToolTip: {
        if (!active()) askTip(parts_.view->pixelAt(static_cast<QHelpEvent*>(event)->pos()));
        return true;
    }
    default: return false;
    }
}

}  // namespace kresbon
