#pragma once

#include <memory>
#include <variant>
#include <vector>

#include "platform/shape_sink.h"

namespace kresbon {

struct RecordedPoint {
    int x;
    int y;
    Rgb colour;
};
struct RecordedLine {
    int x1, y1, x2, y2;
    ShapePen pen;
};
// A rectangle through the centres of its corner pixels.
struct RecordedRectangle {
    int x1, y1, x2, y2;
    ShapePen pen;
};
// An ellipse, or a part of it when it is an arc, in its right/bottom
// exclusive box.
struct RecordedEllipse {
    int x1, y1, x2, y2;
    ShapePen pen;
    bool arc = false;
    int x3 = 0, y3 = 0, x4 = 0, y4 = 0;
};
struct RecordedFill {
    std::vector<FillSpan> region;
    Rgb colour;
    BrushStyle style;
};
// The large and rare shapes are kept apart, so that the many lines of a
// drawing take a few dozen bytes each.
using RecordedShape = std::variant<RecordedPoint, RecordedLine, RecordedRectangle, RecordedEllipse,
                                   std::unique_ptr<RecordedFill>, std::unique_ptr<TextShape>,
                                   std::unique_ptr<PictureShape>>;

// The shapes of one run, layer by layer in the order the layers were first
// drawn on, each layer's shapes in the order they were drawn: what vector
// output writes. Kept only while vector output is asked for.
class DrawingRecord : public ShapeSink {
public:
    struct Layer {
        int number;
        std::vector<RecordedShape> shapes;
    };

    DrawingRecord(int width, int height, int pixelsPerUnit, Rgb background)
        : width_(width), height_(height), pixelsPerUnit_(pixelsPerUnit), background_(background)
    {
    }

    // The drawing's size in pixels and its scale.
    int width() const { return width_; }
    int height() const { return height_; }
    int pixelsPerUnit() const { return pixelsPerUnit_; }
    Rgb background() const { return background_; }
    const std::vector<Layer>& layers() const { return layers_; }

    // The layer the shapes to come are drawn on.
    void setLayer(int layer) { layer_ = layer; }

    void point(int x, int y, Rgb colour) override { add(RecordedPoint{x, y, colour}); }
    void line(int x1, int y1, int x2, int y2, const ShapePen& pen) override
    {
        add(RecordedLine{x1, y1, x2, y2, pen});
    }
    void rectangle(int x1, int y1, int x2, int y2, const ShapePen& pen) override
    {
        add(RecordedRectangle{x1, y1, x2, y2, pen});
    }
    void ellipse(int x1, int y1, int x2, int y2, const ShapePen& pen) override
    {
        add(RecordedEllipse{x1, y1, x2, y2, pen});
    }
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const ShapePen& pen) override
    {
        add(RecordedEllipse{x1, y1, x2, y2, pen, true, x3, y3, x4, y4});
    }
    void fill(std::vector<FillSpan> region, Rgb colour, BrushStyle style) override
    {
        if (!region.empty()) add(std::make_unique<RecordedFill>(RecordedFill{std::move(region), colour, style}));
    }
    void text(TextShape text) override { add(std::make_unique<TextShape>(std::move(text))); }
    void picture(PictureShape picture) override { add(std::make_unique<PictureShape>(std::move(picture))); }

    // All shapes recorded, over every layer.
    std::size_t shapeCount() const
    {
        std::size_t n = 0;
        for (const Layer& l : layers_) n += l.shapes.size();
        return n;
    }

private:
    void add(RecordedShape shape)
    {
        if (layers_.empty() || layers_.back().number != layer_) {
            Layer* found = nullptr;
            for (Layer& l : layers_)
                if (l.number == layer_) found = &l;
            if (found == nullptr) {
                layers_.push_back({layer_, {}});
            } else if (found != &layers_.back()) {
                // Shapes go to their layer's group; the group keeps its place.
                found->shapes.push_back(std::move(shape));
                return;
            }
        }
        layers_.back().shapes.push_back(std::move(shape));
    }

    int width_;
    int height_;
    int pixelsPerUnit_;
    Rgb background_;
    int layer_ = 1;
    std::vector<Layer> layers_;
};

}  // namespace kresbon
