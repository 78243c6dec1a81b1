#pragma once

#include <QObject>
#include <optional>
#include <string>

class QLabel;
class QScrollArea;
class QWidget;

namespace kresbon {

class DrawingView;

// "2×", "1/4×": a zoom factor as the toolbar shows it.
QString ZoomText(double factor);

// A factor as the settings file stores it: "16", "0.25".
std::optional<double> ZoomFromSetting(const std::string& text);

// The zoom of the drawing as the window offers it: a step in or out, actual
// size, fit to the pane, and the factor shown on the toolbar.
class ZoomControl : public QObject {
    Q_OBJECT
public:
    // The label is made here, as a child of labelParent.
    ZoomControl(DrawingView& view, QScrollArea& pane, QWidget* labelParent);

    QLabel* label() const { return label_; }
    double zoom() const;
    void setZoom(double factor);
    void zoomIn();
    void zoomOut();
    // The largest factor at which the whole drawing fits the pane.
    void fit();
    // The factor the settings file kept; a value that is no factor is
    // ignored. Nothing is stored back.
    void restore(const std::string& setting);

signals:
    // The factor changed, as the settings file keeps it.
    void changed(const std::string& setting);

private:
    DrawingView& view_;
    QScrollArea& pane_;
    QLabel* label_ = nullptr;
};

}  // namespace kresbon
