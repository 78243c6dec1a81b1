#pragma once

// What the view draws over the drawing and never into it: the mark of what
// a script line drew, a measured line with its figures, and the shape a
// two-click drawing action would make, following the pointer. Saving,
// printing and previews read the drawing, which holds none of it.

#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kresbon {

class DrawingView;

// Drawing pixels to mark, one bit a pixel, bit (y * stride + x).
struct InkMask {
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    std::vector<std::uint64_t> bits;

    bool contains(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        const std::size_t i = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x);
        return i / 64 < bits.size() && ((bits[i / 64] >> (i % 64)) & 1) != 0;
    }
    bool empty() const { return width <= 0 || height <= 0; }
};

// The shapes a two-click drawing action shows between its clicks.
enum class RubberShape { None, Line, Rectangle, Ellipse, Circle, Arc };

// A transparent layer over a DrawingView, covering it at every zoom; mouse
// events pass through to the view. Points are drawing pixels; lines join
// pixel centres.
class DrawingOverlay : public QWidget {
    Q_OBJECT
public:
    explicit DrawingOverlay(DrawingView* view);
    ~DrawingOverlay() override;

    // The halo around the marked pixels; an empty mask, or one that does not
    // fit the drawing shown, marks nothing.
    void setInk(InkMask mask);
    void clearInk();
    const InkMask& ink() const { return ink_; }

    // A measured line from one pixel to another, its figures beside the end.
    void setMeasure(QPoint from, QPoint to, const QString& label);
    void clearMeasure();
    bool measuring() const { return measureOn_; }

    // The shape from the first click to the pointer; for Arc, the degrees
    // counter-clockwise from the x axis of its start and end.
    void setRubberBand(RubberShape shape, QPoint from, QPoint to, int startAngle = 0, int endAngle = 0);
    void clearRubberBand();
    RubberShape rubberBand() const { return rubber_; }

    // The halo's colours: the first, unless the drawing under a halo pixel
    // is too near it to show it.
    static QRgb HaloColour(QRgb under);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void paintInk(QPainter& painter, const QRect& area);
    QPointF centreOf(QPoint pixel) const;

    DrawingView* view_;
    InkMask ink_;
    bool measureOn_ = false;
    QPoint measureFrom_;
    QPoint measureTo_;
    QString measureLabel_;
    RubberShape rubber_ = RubberShape::None;
    QPoint rubberFrom_;
    QPoint rubberTo_;
    int arcStart_ = 0;
    int arcEnd_ = 0;
};

}  // namespace kresbon
