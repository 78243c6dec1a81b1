#include "shell/view/zoom_control.h"

#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <charconv>

#include "shell/view/drawing_view.h"

namespace kresbon {

QString ZoomText(double factor)
{
    if (factor >= 1) return QString::number(factor, 'g', 3) + QStringLiteral("\u00d7");
    return QStringLiteral("1/") + QString::number(static_cast<int>(1 / factor + 0.5)) + QStringLiteral("\u00d7");
}

std::optional<double> ZoomFromSetting(const std::string& text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value > 0) || value > 1000)
        return std::nullopt;
    return value;
}

ZoomControl::ZoomControl(DrawingView& view, QScrollArea& pane, QWidget* labelParent)
    : QObject(&view), view_(view), pane_(pane)
{
    label_ = new QLabel(ZoomText(1), labelParent);
    label_->setObjectName(QStringLiteral("L_ZOOM"));
    connect(&view_, &DrawingView::zoomChanged, this, [this](double factor) {
        label_->setText(ZoomText(factor));
        emit changed(QString::number(factor, 'g', 6).toStdString());
    });
}

double ZoomControl::zoom() const
{
    return view_.zoom();
}

void ZoomControl::setZoom(double factor)
{
    view_.setZoom(factor);
}

void ZoomControl::zoomIn()
{
    view_.zoomIn();
}

void ZoomControl::zoomOut()
{
    view_.zoomOut();
}

void ZoomControl::fit()
{
    setZoom(view_.fitZoom(pane_.viewport()->size()));
}

void ZoomControl::restore(const std::string& setting)
{
    if (const auto zoom = ZoomFromSetting(setting)) {
        const QSignalBlocker quiet(&view_);
        view_.setZoom(*zoom);
        label_->setText(ZoomText(view_.zoom()));
    }
}

}  // namespace kresbon
