#pragma once

#include <QImage>
#include <QWidget>

namespace kresbon {

class Surface;

// Shows the drawing: one drawing pixel to one logical pixel, so one device
// pixel at 100 % scaling; on a scaled screen the pixels are enlarged without
// smoothing and stay sharp. The widget takes the drawing's size.
class DrawingView : public QWidget {
    Q_OBJECT
public:
    explicit DrawingView(QWidget* parent = nullptr);

    // Shows the surface's pixels without copying them. The surface must stay
    // alive until the next call; pass nullptr to show nothing.
    void showSurface(const Surface* surface);

    const QImage& image() const { return image_; }
    QSize sizeHint() const override;

signals:
    // Emitted after the drawing has been painted.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

}  // namespace kresbon
