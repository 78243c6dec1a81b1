#include "shell/print/record_painter.h"

#include <QBrush>
#include <QColor>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRawFont>
#include <algorithm>
#include <cmath>

#include "vector/vector_painter.h"
#include "vector/vector_writers.h"

namespace kresbon {

namespace {

QColor ToColour(Rgb colour)
{
    return QColor((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

class QtRecordPainter : public VectorPainter {
public:
    explicit QtRecordPainter(QPainter& painter) : p_(painter) {}

    void beginLayer(int) override {}
    void endLayer() override {}

    void fillRectangle(double x, double y, double width, double height, Rgb colour) override
    {
        p_.fillRect(QRectF(x, y, width, height), ToColour(colour));
    }

    void strokePath(const std::vector<VectorPoint>& points, bool closed, const VectorStroke& stroke) override
    {
        QPainterPath path;
        if (points.empty()) return;
        path.moveTo(points.front().x, points.front().y);
        for (std::size_t i = 1; i < points.size(); ++i) path.lineTo(points[i].x, points[i].y);
        if (closed) path.closeSubpath();
        p_.strokePath(path, pen(stroke));
    }

    void strokeEllipse(const VectorEllipse& e, const VectorStroke& stroke) override
    {
        QPainterPath path;
        if (!e.arc) {
            path.addEllipse(QPointF(e.cx, e.cy), e.rx, e.ry);
        } else {
            // Fine enough steps that the polygon stays within a hundredth of
            // a pixel of the true arc at any print enlargement used.
            const double sweep = e.to - e.from;
            const int steps = std::clamp(static_cast<int>(std::ceil(sweep * std::max(e.rx, e.ry) * 2)), 8, 20000);
            const VectorPoint start = e.at(e.from);
            path.moveTo(start.x, start.y);
            for (int i = 1; i <= steps; ++i) {
                const VectorPoint q = e.at(e.from + sweep * i / steps);
                path.lineTo(q.x, q.y);
            }
        }
        p_.strokePath(path, pen(stroke));
    }

    void fillRegion(const std::vector<PixelLoop>& loops, Rgb colour, BrushStyle style) override
    {
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        for (const PixelLoop& loop : loops) {
            if (loop.empty()) continue;
            path.moveTo(loop.front().x, loop.front().y);
            for (std::size_t i = 1; i < loop.size(); ++i) path.lineTo(loop[i].x, loop[i].y);
            path.closeSubpath();
        }
        if (style == BrushStyle::Solid) {
            p_.fillPath(path, ToColour(colour));
            return;
        }
        // The hatch tile repeats from the drawing's top-left corner, as on
        // the screen; the brush follows the painter's transform.
        QImage tile(8, 8, QImage::Format_ARGB32);
        tile.fill(Qt::transparent);
        for (const TileRectangle& r : HatchTile(style))
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x) tile.setPixelColor(x, y, ToColour(colour));
        p_.save();
        p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p_.fillPath(path, QBrush(tile));
        p_.restore();
    }

    void text(const TextShape& t) override
    {
        p_.save();
        p_.translate(t.anchorX, t.anchorY);
        p_.rotate(-t.angle);
        if (t.cellColour) fillRectangle(0, 0, t.width, t.ascent + t.descent, *t.cellColour);
        QRawFont font(QString::fromStdString(t.fontFile), t.pixelsPerEm, QFont::PreferNoHinting);
        const QString characters = QString::fromStdString(t.utf8);
        if (font.isValid()) {
            const QList<quint32> glyphs = font.glyphIndexesForString(characters);
            QList<QPointF> positions = font.advancesForGlyphIndexes(glyphs);
            // Each glyph stands at the screen's pen position.
            double pen = 0;
            for (qsizetype i = 0; i < positions.size(); ++i) {
                const double x = i < static_cast<qsizetype>(t.penOffsets.size()) ? t.penOffsets[i] : pen;
                pen = x + positions[i].x();
                positions[i] = QPointF(x, t.ascent);
            }
            QGlyphRun run;
            run.setRawFont(font);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            p_.setPen(ToColour(t.colour));
            p_.drawGlyphRun(QPointF(0, 0), run);
        }
        for (const TextShape::Stroke& s : t.strokes) fillRectangle(0, s.top, t.width, s.thickness, t.colour);
        p_.restore();
    }

    void picture(const PictureShape& shape) override
    {
        const Picture& picture = *shape.picture;
        if (picture.width <= 0 || picture.height <= 0) return;
        QImage image(picture.width, picture.height, QImage::Format_ARGB32);
        for (int y = 0; y < picture.height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < picture.width; ++x) {
                const Rgb pixel = picture.at(x, y);
                row[x] = pixel == Picture::TransparentPixel ? 0 : (0xFF000000u | pixel);
            }
        }
        const PictureBox box = StoredPixelsBox(shape);
        p_.save();
        p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p_.drawImage(QRectF(box.x, box.y, box.width, box.height), image);
        p_.restore();
    }

private:
    static QPen pen(const VectorStroke& stroke)
    {
        QPen pen(ToColour(stroke.colour));
        pen.setWidthF(stroke.width);
        pen.setCapStyle(stroke.round ? Qt::RoundCap : Qt::FlatCap);
        pen.setJoinStyle(stroke.round ? Qt::RoundJoin : Qt::MiterJoin);
        if (!stroke.dashes.empty()) {
            // The toolkit counts dash runs in pen widths.
            const double unit = stroke.width > 0 ? stroke.width : 1;
            QList<qreal> pattern;
            for (double run : stroke.dashes) pattern.append(run / unit);
            if (pattern.size() % 2 != 0) {
                const QList<qreal> once = pattern;
                pattern.append(once);
            }
            pen.setDashPattern(pattern);
        }
        return pen;
    }

    QPainter& p_;
};

}  // namespace

void PaintRecordOn(QPainter& painter, const DrawingRecord& record)
{
    QtRecordPainter target(painter);
    PaintRecord(record, target);
}

}  // namespace kresbon
