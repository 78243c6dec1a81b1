#include "shell/view/drawing_overlay.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "shell/view/drawing_view.h"

namespace kresbon {

namespace {

// Screen pixels of halo around the marked pixels.
constexpr int Ring = 2;
// Rows of the pane whose halo is worked out at a time.
constexpr int InkBandRows = 64;
constexpr QRgb HaloFirst = 0xffff00ff;
constexpr QRgb HaloSecond = 0xff00c800;

// The drawing pixels a screen pixel shows, along one axis: one pixel from
// factor 1 up, a block of them below.
struct Span {
    int first;
    int last;
};

Span SpanOf(int screen, double zoom, int limit)
{
    int first = static_cast<int>(std::floor(screen / zoom));
    int last = zoom >= 1 ? first : static_cast<int>(std::ceil((screen + 1) / zoom)) - 1;
    first = std::clamp(first, 0, limit - 1);
    last = std::clamp(last, first, limit - 1);
    return {first, last};
}

void DrawTwoTone(QPainter& painter, const QPainterPath& path)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 190), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(QPen(QColor(255, 215, 0), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
}

}  // namespace

DrawingOverlay::DrawingOverlay(DrawingView* view) : QWidget(view), view_(view)
{
    setObjectName(QStringLiteral("DrawingOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(view->rect());
    view->installEventFilter(this);
    show();
}

DrawingOverlay::~DrawingOverlay()
{
    view_->removeEventFilter(this);
}

bool DrawingOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::Resize) {
        setGeometry(view_->rect());
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

QRgb DrawingOverlay::HaloColour(QRgb under)
{
    const int near = std::abs(qRed(under) - qRed(HaloFirst)) + std::abs(qGreen(under) - qGreen(HaloFirst)) +
                     std::abs(qBlue(under) - qBlue(HaloFirst));
    return near < 240 ? HaloSecond : HaloFirst;
}

void DrawingOverlay::setInk(InkMask mask)
{
    ink_ = std::move(mask);
    update();
}

void DrawingOverlay::clearInk()
{
    if (ink_.empty()) return;
    ink_ = InkMask();
    update();
}

void DrawingOverlay::setMeasure(QPoint from, QPoint to, const QString& label)
{
    measureOn_ = true;
    measureFrom_ = from;
    measureTo_ = to;
    measureLabel_ = label;
    update();
}

void DrawingOverlay::clearMeasure()
{
    if (!measureOn_) return;
    measureOn_ = false;
    update();
}

void DrawingOverlay::setRubberBand(RubberShape shape, QPoint from, QPoint to, int startAngle, int endAngle)
{
    rubber_ = shape;
    rubberFrom_ = from;
    rubberTo_ = to;
    arcStart_ = startAngle;
    arcEnd_ = endAngle;
    update();
}

void DrawingOverlay::clearRubberBand()
{
    if (rubber_ == RubberShape::None) return;
    rubber_ = RubberShape::None;
    update();
}

QPointF DrawingOverlay::centreOf(QPoint pixel) const
{
    const double z = view_->zoom();
    return QPointF((pixel.x() + 0.5) * z, (pixel.y() + 0.5) * z);
}

void DrawingOverlay::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect() & rect();
    // In bands of rows, so that the halo's work takes little memory however
    // large the pane is.
    for (int top = area.top(); top <= area.bottom(); top += InkBandRows)
        paintInk(painter, QRect(area.left(), top, area.width(), std::min(InkBandRows, area.bottom() - top + 1)));
    painter.setRenderHint(QPainter::Antialiasing, true);

    if (rubber_ != RubberShape::None) {
        const QPointF a = centreOf(rubberFrom_);
        const QPointF b = centreOf(rubberTo_);
        QPainterPath path;
        switch (rubber_) {
        case RubberShape::Line: path.moveTo(a); path.lineTo(b); break;
        case RubberShape::Rectangle: path.addRect(QRectF(a, b).normalized()); break;
        case RubberShape::Ellipse: path.addEllipse(QRectF(a, b).normalized()); break;
        case RubberShape::Circle:
        case RubberShape::Arc: {
            const double r = std::hypot(b.x() - a.x(), b.y() - a.y());
            const QRectF box(a.x() - r, a.y() - r, 2 * r, 2 * r);
            if (rubber_ == RubberShape::Circle) {
                path.addEllipse(box);
            } else {
                path.arcMoveTo(box, arcStart_);
                path.arcTo(box, arcStart_, arcEnd_ - arcStart_);
            }
            break;
        }
        case RubberShape::None: break;
        }
        DrawTwoTone(painter, path);
    }

    if (measureOn_) {
        const QPointF a = centreOf(measureFrom_);
        const QPointF b = centreOf(measureTo_);
        QPainterPath path;
        path.moveTo(a);
        path.lineTo(b);
        for (const QPointF& end : {a, b}) {
            path.moveTo(end + QPointF(-4, 0));
            path.lineTo(end + QPointF(4, 0));
            path.moveTo(end + QPointF(0, -4));
            path.lineTo(end + QPointF(0, 4));
        }
        DrawTwoTone(painter, path);
        if (!measureLabel_.isEmpty()) {
            // Beside the end, turned inwards where the visible part ends.
            const QFontMetrics metrics(font());
            const QRect text = metrics.boundingRect(QRect(0, 0, 2000, 200), Qt::AlignLeft, measureLabel_);
            QRectF box(0, 0, text.width() + 10, text.height() + 6);
            const QRect visible = visibleRegion().boundingRect();
            QPointF at = b + QPointF(14, 14);
            if (at.x() + box.width() > visible.right()) at.setX(b.x() - 14 - box.width());
            if (at.y() + box.height() > visible.bottom()) at.setY(b.y() - 14 - box.height());
            at.setX(std::max<double>(at.x(), visible.left()));
            at.setY(std::max<double>(at.y(), visible.top()));
            box.moveTopLeft(at);
            painter.setPen(QColor(0, 0, 0, 200));
            painter.setBrush(QColor(255, 255, 225, 235));
            painter.drawRoundedRect(box, 3, 3);
            painter.setPen(Qt::black);
            painter.drawText(box.adjusted(5, 3, -5, -3), Qt::AlignLeft | Qt::AlignVCenter, measureLabel_);
        }
    }
}

// The halo is worked out on the screen's pixels, so that it is the same
// thin ring at every zoom: a screen pixel is marked when it shows a marked
// drawing pixel, and the ring is the unmarked screen pixels near one.
void DrawingOverlay::paintInk(QPainter& painter, const QRect& area)
{
    const QImage& image = view_->image();
    if (ink_.empty() || ink_.width != image.width() || ink_.height != image.height() || area.isEmpty()) return;
    const double zoom = view_->zoom();
    const QRect grown = area.adjusted(-Ring, -Ring, Ring, Ring) & rect();
    const int w = grown.width();
    const int h = grown.height();
    if (w <= 0 || h <= 0) return;

    std::vector<Span> columns(static_cast<std::size_t>(w));
    for (int i = 0; i < w; ++i) columns[static_cast<std::size_t>(i)] = SpanOf(grown.left() + i, zoom, ink_.width);
    std::vector<std::uint8_t> marked(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    bool any = false;
    for (int j = 0; j < h; ++j) {
        const Span rows = SpanOf(grown.top() + j, zoom, ink_.height);
        std::uint8_t* out = &marked[static_cast<std::size_t>(j) * static_cast<std::size_t>(w)];
        for (int i = 0; i < w; ++i) {
            const Span& c = columns[static_cast<std::size_t>(i)];
            bool on = false;
            for (int y = rows.first; y <= rows.last && !on; ++y)
                for (int x = c.first; x <= c.last && !on; ++x) on = ink_.contains(x, y);
            out[i] = on ? 1 : 0;
            any = any || on;
        }
    }
    if (!any) return;

    // Near a marked screen pixel: along the rows, then down the columns.
    std::vector<std::uint8_t> across(marked.size(), 0);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            bool near = false;
            for (int d = -Ring; d <= Ring && !near; ++d) {
                const int k = i + d;
                near = k >= 0 && k < w && marked[static_cast<std::size_t>(j * w + k)];
            }
            across[static_cast<std::size_t>(j * w + i)] = near ? 1 : 0;
        }

    QImage halo(area.size(), QImage::Format_ARGB32_Premultiplied);
    halo.fill(Qt::transparent);
    const int ox = area.left() - grown.left();
    const int oy = area.top() - grown.top();
    for (int j = 0; j < area.height(); ++j) {
        auto* line = reinterpret_cast<QRgb*>(halo.scanLine(j));
        const int gj = j + oy;
        for (int i = 0; i < area.width(); ++i) {
            const int gi = i + ox;
            if (marked[static_cast<std::size_t>(gj * w + gi)]) continue;
            bool near = false;
            for (int d = -Ring; d <= Ring && !near; ++d) {
                const int k = gj + d;
                near = k >= 0 && k < h && across[static_cast<std::size_t>(k * w + gi)];
            }
            if (!near) continue;
            const Span cx = SpanOf(area.left() + i, zoom, image.width());
            const Span cy = SpanOf(area.top() + j, zoom, image.height());
            line[i] = HaloColour(image.pixel(cx.first, cy.first));
        }
    }
    painter.drawImage(area.topLeft(), halo);
}

}  // namespace kresbon
