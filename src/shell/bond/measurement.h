#pragma once

#include <QPoint>
#include <QString>

namespace kresbon {

struct DrawingState;

// The figures of a line measured between two drawing pixels' centres.
struct Measurement {
    double pixels = 0;
    double units = 0;
    double dx = 0;
    double dy = 0;
    // Counter-clockwise from the x axis, 0 <= angle < 360.
    double angle = 0;
    // The ends in drawing units as a script writes them, under its shift.
    QString from;
    QString to;
};
Measurement Measure(QPoint from, QPoint to, const DrawingState& state);
QString MeasureText(const Measurement& m, int languageBase);

}  // namespace kresbon
