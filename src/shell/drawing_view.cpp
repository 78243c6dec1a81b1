#include "shell/drawing_view.h"

#include <QPaintEvent>
#include <QPainter>

#include "platform/surface.h"

namespace kresbon {

DrawingView::DrawingView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawingView::showSurface(const Surface* surface)
{
    if (surface == nullptr || surface->width() <= 0 || surface->height() <= 0) {
        image_ = QImage();
        resize(0, 0);
    } else {
        // The surface keeps 0x00RRGGBB words, which is RGB32 with the unused
        // byte left at zero.
        image_ = QImage(reinterpret_cast<const uchar*>(surface->pixels().data()), surface->width(),
                        surface->height(), surface->width() * 4, QImage::Format_RGB32);
        resize(image_.size());
    }
    updateGeometry();
    update();
}

QSize DrawingView::sizeHint() const
{
    return image_.size();
}

void DrawingView::paintEvent(QPaintEvent* event)
{
    if (!image_.isNull()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QRect area = event->rect() & image_.rect();
        painter.drawImage(area, image_, area);
    }
    emit painted();
}

}  // namespace kresbon
