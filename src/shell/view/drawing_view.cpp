#include "shell/view/drawing_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/surface.h"
#include "shell/view/drawing_overlay.h"

namespace kresbon {

namespace {

// A grid line between drawing pixels would hide them below this factor.
constexpr double GridFrom = 8;

}  // namespace

DrawingView::DrawingView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    overlay_ = new DrawingOverlay(this);
}

const std::vector<double>& DrawingView::ZoomSteps()
{
    static const std::vector<double> steps{0.125, 0.25, 0.5, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
    return steps;
}

void DrawingView::showSurface(const Surface* surface)
{
    showImage(ImageOf(surface));
}

QImage DrawingView::ImageOf(const Surface* surface, QImage reuse)
{
    if (surface == nullptr || surface->width() <= 0 || surface->height() <= 0) return QImage();
    // Colours as 0x00RRGGBB are RGB32 with the unused byte left at zero.
    const QSize size(surface->width(), surface->height());
    QImage image = reuse.size() == size && reuse.format() == QImage::Format_RGB32 && reuse.isDetached()
                           ? std::move(reuse)
                           : QImage(size, QImage::Format_RGB32);
    const auto width = static_cast<std::size_t>(surface->width());
    for (int y = 0; y < surface->height(); ++y)
        surface->readRow(y, std::span<Rgb>(reinterpret_cast<Rgb*>(image.scanLine(y)), width));
    return image;
}

void DrawingView::showImage(QImage image)
{
    image_ = std::move(image);
    resizeToZoom();
    update();
    emit surfaceShown();
}

QSize DrawingView::sizeHint() const
{
    return size();
}

void DrawingView::resizeToZoom()
{
    if (image_.isNull()) {
        resize(0, 0);
    } else {
        resize(std::max(1, static_cast<int>(std::floor(image_.width() * zoom_))),
               std::max(1, static_cast<int>(std::floor(image_.height() * zoom_))));
    }
    updateGeometry();
}

QScrollArea* DrawingView::scrollArea() const
{
    // The view sits in the scroll area's viewport.
    QWidget* viewport = parentWidget();
    return viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
}

void DrawingView::setZoom(double factor, QPoint anchor)
{
    if (!(factor > 0)) return;
    const auto& steps = ZoomSteps();
    const double chosen = *std::min_element(steps.begin(), steps.end(), [factor](double a, double b) {
        return std::abs(std::log(a / factor)) < std::abs(std::log(b / factor));
    });
    QScrollArea* area = scrollArea();
    QPoint anchorInArea;
    QPointF anchorPixel;
    if (area) {
        const QWidget* viewport = area->viewport();
        if (anchor.x() < 0) anchor = mapFrom(viewport, viewport->rect().center());
        anchorInArea = mapTo(viewport, anchor);
        anchorPixel = QPointF(anchor) / zoom_;
    }
    if (chosen != zoom_) {
        zoom_ = chosen;
        resizeToZoom();
        update();
    }
    if (area) {
        // Keep the drawing point under the anchor where it was on screen.
        const QPointF target = anchorPixel * zoom_ - QPointF(anchorInArea);
        area->horizontalScrollBar()->setValue(static_cast<int>(std::lround(target.x())));
        area->verticalScrollBar()->setValue(static_cast<int>(std::lround(target.y())));
    }
    emit zoomChanged(zoom_);
}

void DrawingView::zoomIn(QPoint anchor)
{
    const auto& steps = ZoomSteps();
    const auto next = std::upper_bound(steps.begin(), steps.end(), zoom_);
    if (next != steps.end()) setZoom(*next, anchor);
}

void DrawingView::zoomOut(QPoint anchor)
{
    const auto& steps = ZoomSteps();
    const auto below = std::lower_bound(steps.begin(), steps.end(), zoom_);
    if (below != steps.begin()) setZoom(*(below - 1), anchor);
}

double DrawingView::fitZoom(QSize area) const
{
    const auto& steps = ZoomSteps();
    if (image_.isNull()) return 1;
    double best = steps.front();
    for (double step : steps)
        if (image_.width() * step <= area.width() && image_.height() * step <= area.height()) best = step;
    return best;
}

QPoint DrawingView::pixelAt(QPointF position) const
{
    return QPoint(static_cast<int>(std::floor(position.x() / zoom_)),
                  static_cast<int>(std::floor(position.y() / zoom_)));
}

void DrawingView::paintEvent(QPaintEvent* event)
{
    if (!image_.isNull()) {
        QPainter painter(this);
        const QRect area = event->rect() & rect();
        if (zoom_ < 1) {
            // Smooth sampling of just the exposed part: the work follows
            // the pane's size, not the drawing's.
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            const QRectF source(area.x() / zoom_, area.y() / zoom_, area.width() / zoom_, area.height() / zoom_);
            painter.drawImage(QRectF(area), image_, source & QRectF(image_.rect()));
        } else if (zoom_ == 1) {
            painter.drawImage(area, image_, area);
        } else {
            // Only the drawing pixels under the exposed area are enlarged.
            const int z = static_cast<int>(zoom_);
            const QRect pixels(area.left() / z, area.top() / z, area.right() / z - area.left() / z + 1,
                               area.bottom() / z - area.top() / z + 1);
            const QRect source = pixels & image_.rect();
            const QRect target(source.left() * z, source.top() * z, source.width() * z, source.height() * z);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(target, image_.copy(source));
            if (zoom_ >= GridFrom) {
                painter.setPen(QColor(128, 128, 128, 110));
                for (int x = source.left(); x <= source.right() + 1; ++x)
                    painter.drawLine(x * z, target.top(), x * z, target.bottom());
                for (int y = source.top(); y <= source.bottom() + 1; ++y)
                    painter.drawLine(target.left(), y * z, target.right(), y * z);
            }
        }
    }
    emit painted();
}

void DrawingView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panning_ = true;
        panStart_ = event->globalPosition().toPoint();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void DrawingView::mouseMoveEvent(QMouseEvent* event)
{
    if (panning_) {
        if (QScrollArea* area = scrollArea()) {
            const QPoint now = event->globalPosition().toPoint();
            const QPoint delta = now - panStart_;
            panStart_ = now;
            area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->value() - delta.x());
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->value() - delta.y());
        }
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event)
{
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        if (spaceHeld_)
            setCursor(Qt::OpenHandCursor);
        else
            unsetCursor();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void DrawingView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const QPoint anchor = event->position().toPoint();
        if (event->angleDelta().y() > 0)
            zoomIn(anchor);
        else if (event->angleDelta().y() < 0)
            zoomOut(anchor);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

void DrawingView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            spaceHeld_ = true;
            setCursor(Qt::OpenHandCursor);
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DrawingView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            spaceHeld_ = false;
            if (!panning_) unsetCursor();
        }
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void DrawingView::focusOutEvent(QFocusEvent* event)
{
    spaceHeld_ = false;
    panning_ = false;
    unsetCursor();
    QWidget::focusOutEvent(event);
}

}  // namespace kresbon
