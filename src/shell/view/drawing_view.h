#pragma once

// view/: the drawing as the window shows it: zoom, pan, the pixel grid and
// the mapping from the pointer to drawing pixels, and later what is drawn
// over the drawing. It shows copies of the drawing and never holds the
// interpreter.

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <vector>

class QScrollArea;

namespace kresbon {

class Surface;
class DrawingOverlay;

// Shows the drawing at a zoom factor. From 1 upwards each drawing pixel is
// a sharp square of whole logical pixels, with a pixel grid from 8 on;
// below 1 the drawing is scaled smoothly for an overview. The widget takes
// the zoomed drawing's size, inside a scroll area that it pans by dragging
// with the middle button or with Space held.
class DrawingView : public QWidget {
    Q_OBJECT
public:
    explicit DrawingView(QWidget* parent = nullptr);

    // Shows a copy of the surface's pixels; nullptr shows nothing.
    void showSurface(const Surface* surface);
    // The picture showSurface shows, made on any thread; and showing one.
    // A picture of the same size that nothing else holds may be given to
    // be written over, saving a new one.
    static QImage ImageOf(const Surface* surface, QImage reuse = QImage());
    void showImage(QImage image);

    const QImage& image() const { return image_; }
    QSize sizeHint() const override;

    // The zoom factors offered, smallest first.
    static const std::vector<double>& ZoomSteps();
    double zoom() const { return zoom_; }
    // Sets the nearest offered factor; keeps the drawing point at the given
    // widget position (default: the middle of the visible part) in place.
    void setZoom(double factor, QPoint anchor = QPoint(-1, -1));
    // One step up or down the zoom steps, keeping the drawing point under
    // anchor (by default the middle of the pane) where it is on screen.
    void zoomIn(QPoint anchor = QPoint(-1, -1));
    void zoomOut(QPoint anchor = QPoint(-1, -1));
    // The largest offered factor at which the whole drawing fits the size.
    double fitZoom(QSize area) const;

    // The drawing pixel under a position in widget coordinates.
    QPoint pixelAt(QPointF position) const;

    bool panning() const { return panning_ || spaceHeld_; }

    // What is drawn over the drawing, in the view only.
    DrawingOverlay* overlay() const { return overlay_; }

signals:
    // Emitted after the drawing has been painted.
    void painted();
    void zoomChanged(double factor);
    // A new drawing is shown (showSurface).
    void surfaceShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QScrollArea* scrollArea() const;
    void resizeToZoom();

    QImage image_;
    double zoom_ = 1.0;
    bool panning_ = false;
    bool spaceHeld_ = false;
    QPoint panStart_;
    DrawingOverlay* overlay_ = nullptr;
};

}  // namespace kresbon
