#include "shell/bond/measurement.h"

#include <cmath>

#include "interactive/click_commands.h"
#include "interpreter/drawing_state.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

// A figure with at most six decimals and no trailing zeros.
QString Figure(double value)
{
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    if (text == QStringLiteral("-0")) text = QStringLiteral("0");
    return text;
}

}  // namespace

Measurement Measure(QPoint from, QPoint to, const DrawingState& state)
{
    const int scale = state.pixelsPerUnit > 0 ? state.pixelsPerUnit : 1;
    Measurement m;
    const double dx = static_cast<double>(to.x()) - from.x();
    const double dy = static_cast<double>(to.y()) - from.y();
    m.pixels = std::hypot(dx, dy);
    m.units = m.pixels / scale;
    m.dx = dx / scale;
    m.dy = dy / scale;
    // Pixel rows run downwards; the angle turns counter-clockwise on screen.
    double angle = std::atan2(-dy, dx) * 180 / std::acos(-1.0);
    if (angle < 0) angle += 360;
    m.angle = angle >= 360 ? 0 : angle;
    // The shift moves every point by whole pixels: a point's units are
    // those of its pixel less the shift's.
    const int shiftX = ToPixelX(state, 0);
    const int shiftY = ToPixelY(state, 0);
    const auto point = [&](QPoint p) {
        return QStringLiteral("(") + QString::fromStdString(ClickedPixelToUnits(p.x() - shiftX, scale)) +
               QStringLiteral(", ") + QString::fromStdString(ClickedPixelToUnits(p.y() - shiftY, scale)) +
               QStringLiteral(")");
    };
    m.from = point(from);
    m.to = point(to);
    return m;
}

QString MeasureText(const Measurement& m, int languageBase)
{
    // The difference sign is no letter of the tables' code page.
    return UiText(languageBase, TextId::BondMeasureText)
            .arg(Figure(m.units), Figure(m.pixels), Figure(m.dx), Figure(m.dy), QString::number(m.angle, 'f', 2),
                 m.from, m.to, QStringLiteral("\u0394"));
}

}  // namespace kresbon
