#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>

#include "vector/vector_painter.h"
#include "vector/vector_writers.h"

namespace kresbon {

namespace {

constexpr double PointsPerMillimetre = 72 / 25.4;

void SetColour(cairo_t* cr, Rgb c)
{
    cairo_set_source_rgb(cr, redOf(c) / 255.0, greenOf(c) / 255.0, blueOf(c) / 255.0);
}

struct SurfaceFree {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfaceHandle = std::unique_ptr<cairo_surface_t, SurfaceFree>;

// The picture's stored pixels as a cairo image, transparent pixels clear.
SurfaceHandle PictureSurface(const Picture& picture)
{
    SurfaceHandle image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) throw std::bad_alloc();
    cairo_surface_flush(image.get());
    unsigned char* data = cairo_image_surface_get_data(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    for (int y = 0; y < picture.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < picture.width; ++x) {
            const Rgb p = picture.at(x, y);
            row[x] = p == Picture::TransparentPixel ? 0 : (0xFF000000u | p);
        }
    }
    cairo_surface_mark_dirty(image.get());
    return image;
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// A PDF page of the drawing's size in millimetres; cairo draws in pixels
// scaled to it. cairo writes no optional content groups, so each layer is a
// named entry of the document outline and its shapes follow one another.
class PdfPainter : public VectorPainter {
public:
    PdfPainter(const DrawingRecord& record, const VectorFileSettings& settings, std::string& out)
        : layerName_(settings.layerName)
    {
        const double pointsPerPixel = settings.millimetresPerUnit / record.pixelsPerUnit() * PointsPerMillimetre;
        surface_.reset(cairo_pdf_surface_create_for_stream(AppendToString, &out, record.width() * pointsPerPixel,
                                                           record.height() * pointsPerPixel));
        cr_ = cairo_create(surface_.get());
        cairo_scale(cr_, pointsPerPixel, pointsPerPixel);
    }

    ~PdfPainter() override
    {
        for (auto& face : faces_) cairo_font_face_destroy(face.second);
        if (cr_) cairo_destroy(cr_);
    }

    void finish()
    {
        flushStroke();
        cairo_show_page(cr_);
        cairo_surface_finish(surface_.get());
        for (const cairo_status_t status : {cairo_status(cr_), cairo_surface_status(surface_.get())})
            if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(cairo_status_to_string(status));
    }

    void beginLayer(int number) override
    {
        flushStroke();
        const std::string name = layerName_ + std::to_string(number);
        cairo_pdf_surface_add_outline(surface_.get(), CAIRO_PDF_OUTLINE_ROOT, name.c_str(), "page=1", cairo_pdf_outline_flags_t{});
    }
    void endLayer() override {}

    void fillRectangle(double x, double y, double width, double height, Rgb colour) override
    {
        flushStroke();
        SetColour(cr_, colour);
        cairo_rectangle(cr_, x, y, width, height);
        cairo_fill(cr_);
    }

    // Consecutive strokes of one style are laid as one path, at once.
    void strokePath(const std::vector<VectorPoint>& points, bool closed, const VectorStroke& stroke) override
    {
        if (pending_ && !(*pending_ == stroke)) flushStroke();
        pending_ = stroke;
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i == 0)
                cairo_move_to(cr_, points[i].x, points[i].y);
            else
                cairo_line_to(cr_, points[i].x, points[i].y);
        }
        if (closed) cairo_close_path(cr_);
    }

    void strokeEllipse(const VectorEllipse& e, const VectorStroke& stroke) override
    {
        flushStroke();
        // The ellipse is drawn on a unit circle scaled to its radii; the
        // stroke itself is laid with the unscaled pen.
        cairo_save(cr_);
        cairo_translate(cr_, e.cx, e.cy);
        cairo_scale(cr_, std::max(e.rx, 1e-6), std::max(e.ry, 1e-6));
        cairo_new_path(cr_);
        // Counter-clockwise on the screen, from the right for a whole one, as
        // the screen's dashes run.
        if (e.arc)
            cairo_arc_negative(cr_, 0, 0, 1, -e.from, -e.to);
        else
            cairo_arc_negative(cr_, 0, 0, 1, 0, -2 * std::numbers::pi);
        cairo_restore(cr_);
        applyStroke(stroke);
    }

    void fillRegion(const std::vector<PixelLoop>& loops, Rgb colour, BrushStyle style) override
    {
        flushStroke();
        cairo_new_path(cr_);
        for (const PixelLoop& loop : loops) {
            for (std::size_t i = 0; i < loop.size(); ++i) {
                if (i == 0)
                    cairo_move_to(cr_, loop[i].x, loop[i].y);
                else
                    cairo_line_to(cr_, loop[i].x, loop[i].y);
            }
            cairo_close_path(cr_);
        }
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
        if (style == BrushStyle::Solid) {
            SetColour(cr_, colour);
            cairo_fill(cr_);
            return;
        }
        // One 8x8 tile of the hatch as vector squares, repeated from the
        // drawing's origin.
        const cairo_rectangle_t tileBox{0, 0, 8, 8};
        cairo_surface_t* tile = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &tileBox);
        cairo_t* t = cairo_create(tile);
        SetColour(t, colour);
        for (const TileRectangle& r : HatchTile(style)) cairo_rectangle(t, r.x, r.y, r.width, r.height);
        cairo_fill(t);
        cairo_destroy(t);
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
        cairo_surface_destroy(tile);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        cairo_set_source(cr_, pattern);
        cairo_fill(cr_);
        cairo_pattern_destroy(pattern);
    }

    void text(const TextShape& t) override
    {
        flushStroke();
        cairo_save(cr_);
        cairo_translate(cr_, t.anchorX, t.anchorY);
        cairo_rotate(cr_, -t.angle * std::numbers::pi / 180);
        if (t.cellColour) fillRectangle(0, 0, t.width, t.ascent + t.descent, *t.cellColour);
        cairo_set_font_face(cr_, face(t));
        cairo_set_font_size(cr_, t.pixelsPerEm);
        cairo_glyph_t* glyphs = nullptr;
        int glyphCount = 0;
        cairo_text_cluster_t* clusters = nullptr;
        int clusterCount = 0;
        cairo_text_cluster_flags_t flags{};
        cairo_scaled_font_t* font = cairo_get_scaled_font(cr_);
        if (cairo_scaled_font_text_to_glyphs(font, 0, t.ascent, t.utf8.data(), static_cast<int>(t.utf8.size()),
                                             &glyphs, &glyphCount, &clusters, &clusterCount,
                                             &flags) == CAIRO_STATUS_SUCCESS) {
            // Each glyph stands at the screen's pen position, so that the
            // text covers what it covers on the screen.
            if (glyphCount == static_cast<int>(t.penOffsets.size()))
                for (int i = 0; i < glyphCount; ++i) glyphs[i].x = t.penOffsets[i];
            SetColour(cr_, t.colour);
            cairo_show_text_glyphs(cr_, t.utf8.data(), static_cast<int>(t.utf8.size()), glyphs, glyphCount,
                                   clusters, clusterCount, flags);
            cairo_glyph_free(glyphs);
            cairo_text_cluster_free(clusters);
        }
        for (const TextShape::Stroke& s : t.strokes) fillRectangle(0, s.top, t.width, s.thickness, t.colour);
        cairo_restore(cr_);
    }

    void picture(const PictureShape& p) override
    {
        flushStroke();
        SurfaceHandle image = PictureSurface(*p.picture);
        std::vector<std::uint8_t> jpeg = EmbeddedJpeg(p);
        if (!jpeg.empty()) {
            // cairo writes the JPEG file itself into the PDF.
            auto* kept = new std::vector<std::uint8_t>(std::move(jpeg));
            cairo_surface_set_mime_data(image.get(), CAIRO_MIME_TYPE_JPEG, kept->data(), kept->size(),
                                        [](void* d) { delete static_cast<std::vector<std::uint8_t>*>(d); }, kept);
        }
        const PictureBox box = StoredPixelsBox(p);
        cairo_save(cr_);
        cairo_rectangle(cr_, box.x, box.y, box.width, box.height);
        cairo_clip(cr_);
        cairo_translate(cr_, box.x, box.y);
        cairo_scale(cr_, box.width / p.picture->width, box.height / p.picture->height);
        cairo_set_source_surface(cr_, image.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
        cairo_paint(cr_);
        cairo_restore(cr_);
    }

private:
    void flushStroke()
    {
        if (!pending_) return;
        applyStroke(*pending_);
        pending_.reset();
    }

    void applyStroke(const VectorStroke& s)
    {
        SetColour(cr_, s.colour);
        cairo_set_line_width(cr_, s.width);
        cairo_set_line_cap(cr_, s.round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr_, s.round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
        cairo_set_dash(cr_, s.dashes.data(), static_cast<int>(s.dashes.size()), 0);
        cairo_stroke(cr_);
    }

    // The face of the font file the screen drew with, made bold or slanted
    // where the screen made it so; cairo embeds a subset of it.
    cairo_font_face_t* face(const TextShape& t)
    {
        const std::string key = t.fontFile + '\0' + std::to_string(t.fontIndex) + (t.fakeBold ? "b" : "") +
                                (t.fakeItalic ? "i" : "");
        if (auto it = faces_.find(key); it != faces_.end()) return it->second;
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(t.fontFile.c_str()));
        FcPatternAddInteger(pattern, FC_INDEX, t.fontIndex);
        FcPatternAddBool(pattern, FC_HINTING, FcFalse);
        cairo_font_face_t* f = cairo_ft_font_face_create_for_pattern(pattern);
        FcPatternDestroy(pattern);
        unsigned int synth = 0;
        if (t.fakeBold) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
        if (t.fakeItalic) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
        if (synth != 0) cairo_ft_font_face_set_synthesize(f, synth);
        faces_.emplace(key, f);
        return f;
    }

    std::string layerName_;
    SurfaceHandle surface_;
    cairo_t* cr_ = nullptr;
    std::optional<VectorStroke> pending_;
    std::map<std::string, cairo_font_face_t*> faces_;
};

}  // namespace

std::string PdfDocument(const DrawingRecord& record, const VectorFileSettings& settings)
{
    std::string out;
    {
        PdfPainter painter(record, settings, out);
        PaintRecord(record, painter);
        painter.finish();
    }
    return out;
}

std::vector<std::uint8_t> PictureAsPng(const Picture& picture)
{
    SurfaceHandle image = PictureSurface(picture);
    std::string png;
    if (cairo_surface_write_to_png_stream(image.get(), AppendToString, &png) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot encode a picture as PNG");
    return {png.begin(), png.end()};
}

}  // namespace kresbon
