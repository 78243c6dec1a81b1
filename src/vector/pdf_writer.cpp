#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

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

// A number of a page's content: whole numbers as they are, others with at
// most three decimals, a thousandth of a pixel.
void AppendPdfNumber(std::string& out, double value)
{
    char buffer[64];
    const double rounded = std::round(value * 1000) / 1000;
    if (rounded == std::trunc(rounded) && std::abs(rounded) < 1e15) {
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(rounded)).ptr;
        out.append(buffer, end);
        return;
    }
    char* end = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 3).ptr;
    while (end[-1] == '0') --end;
    out.append(buffer, end);
}

// Strokes of a long run are written into the file by the painter itself:
// cairo takes several times longer to format and compress so many path
// points. cairo draws a one-pixel stand-in image where the run belongs; once
// cairo has finished, a revision appended to the file turns each stand-in
// into a form holding its run, drawn in pixels with the stand-in's place as
// the origin.
constexpr std::size_t LeastPointsOfOwnRun = 128;

// zlib's fastest level: a third of the time of its default, for a file a
// seventh larger and still smaller than cairo's own.
constexpr int RunCompression = Z_BEST_SPEED;

// The stand-in is a JPEG that cairo embeds as it is: its comment holds the
// document's random tag and the run's number, which find it in the file.
using RunTag = std::array<char, 16>;

RunTag NewRunTag()
{
    std::random_device random;
    RunTag tag;
    for (char& c : tag) c = static_cast<char>(random());
    return tag;
}

std::vector<std::uint8_t> StandInJpeg(const RunTag& tag, std::uint32_t run)
{
    std::vector<std::uint8_t> jpeg;
    jpeg.reserve(64);
    for (const std::uint8_t b : {0xFF, 0xD8, 0xFF, 0xFE, 0x00, static_cast<int>(2 + tag.size() + 4)}) jpeg.push_back(b);
    for (const char c : tag) jpeg.push_back(static_cast<std::uint8_t>(c));
    for (int shift = 24; shift >= 0; shift -= 8) jpeg.push_back(static_cast<std::uint8_t>(run >> shift));
    // One grey pixel, and the end of the image.
    const std::uint8_t frame[] = {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9};
    jpeg.insert(jpeg.end(), std::begin(frame), std::end(frame));
    return jpeg;
}

std::string Deflated(const std::string& text)
{
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), RunCompression) != Z_OK)
        throw std::bad_alloc();
    packed.resize(size);
    return packed;
}

// The number of the object whose header stands last before `at`, or -1.
long ObjectBefore(std::string_view pdf, std::size_t at)
{
    const std::size_t head = pdf.rfind(" 0 obj", at);
    if (head == std::string_view::npos) return -1;
    std::size_t start = head;
    while (start > 0 && pdf[start - 1] >= '0' && pdf[start - 1] <= '9') --start;
    if (start == head || (start > 0 && pdf[start - 1] != '\n')) return -1;
    // Only the stand-in's own dictionary may lie between.
    if (pdf.substr(head, at - head).find("/DCTDecode") == std::string_view::npos) return -1;
    long number = 0;
    std::from_chars(pdf.data() + start, pdf.data() + head, number);
    return number;
}

// Appends to cairo's file a revision in which each run's stand-in is a form
// of the run's packed content. False when the file is not laid out as
// expected; the file is then as cairo wrote it.
bool AppendRuns(std::string& pdf, const std::vector<std::string>& runs, const RunTag& tag, int width, int height)
{
    const std::string_view file(pdf);
    const std::string_view tagText(tag.data(), tag.size());
    std::vector<long> objects(runs.size(), -1);
    for (std::size_t at = file.find(tagText); at != std::string_view::npos; at = file.find(tagText, at + 1)) {
        if (at + tag.size() + 4 > file.size()) return false;
        std::uint32_t run = 0;
        for (std::size_t i = 0; i < 4; ++i) run = run << 8 | static_cast<std::uint8_t>(file[at + tag.size() + i]);
        if (run >= runs.size() || objects[run] != -1) return false;
        objects[run] = ObjectBefore(file, at);
        if (objects[run] < 0) return false;
    }
    for (const long object : objects)
        if (object < 0) return false;
    const std::size_t trailer = file.rfind("trailer");
    const std::size_t open = file.find("<<", trailer);
    const std::size_t close = file.find(">>", open);
    const std::size_t startxref = file.rfind("startxref");
    if (trailer == std::string_view::npos || open == std::string_view::npos || close == std::string_view::npos ||
        startxref == std::string_view::npos || startxref < close)
        return false;
    const std::string_view entries = file.substr(open + 2, close - open - 2);
    if (entries.find("<<") != std::string_view::npos || entries.find("/Prev") != std::string_view::npos) return false;
    std::size_t previous = startxref + 9;
    while (previous < file.size() && (file[previous] == '\r' || file[previous] == '\n' || file[previous] == ' '))
        ++previous;
    long previousXref = -1;
    std::from_chars(file.data() + previous, file.data() + file.size(), previousXref);
    if (previousXref <= 0) return false;
    const std::string trailerEntries(entries);

    std::vector<std::size_t> offsets;
    std::string box = "[ -0.5 -0.5 ";
    AppendPdfNumber(box, width - 0.5);
    box += ' ';
    AppendPdfNumber(box, height - 0.5);
    box += " ]";
    if (pdf.back() != '\n') pdf += '\n';
    for (std::size_t i = 0; i < runs.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(objects[i]) + " 0 obj\n<< /Type /XObject /Subtype /Form /BBox " + box +
               " /Matrix [ 1 0 0 -1 0.5 0.5 ] /Resources << >> /Filter /FlateDecode /Length " +
               std::to_string(runs[i].size()) + " >>\nstream\n";
        pdf += runs[i];
        pdf += "\nendstream\nendobj\n";
    }
    std::vector<std::pair<long, std::size_t>> revised;
    for (std::size_t i = 0; i < runs.size(); ++i) revised.emplace_back(objects[i], offsets[i]);
    std::sort(revised.begin(), revised.end());
    const std::size_t xref = pdf.size();
    pdf += "xref\n";
    char entry[32];
    for (const auto& [object, offset] : revised) {
        pdf += std::to_string(object) + " 1\n";
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<<" + trailerEntries + "   /Prev " + std::to_string(previousXref) + "\n>>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return true;
}

// A PDF page of the drawing's size in millimetres; cairo draws in pixels
// scaled to it. cairo writes no optional content groups, so each layer is a
// named entry of the document outline and its shapes follow one another.
class PdfPainter : public VectorPainter {
public:
    // With ownRuns, long runs of strokes are left to finish() to write.
    PdfPainter(const DrawingRecord& record, const VectorFileSettings& settings, std::string& out, bool ownRuns)
        : layerName_(settings.layerName), out_(out), width_(record.width()), height_(record.height()),
          ownRuns_(ownRuns)
    {
        const double pointsPerPixel = settings.millimetresPerUnit / record.pixelsPerUnit() * PointsPerMillimetre;
        surface_.reset(cairo_pdf_surface_create_for_stream(AppendToString, &out, record.width() * pointsPerPixel,
                                                           record.height() * pointsPerPixel));
        cr_ = cairo_create(surface_.get());
        cairo_scale(cr_, pointsPerPixel, pointsPerPixel);
        cairo_get_matrix(cr_, &pixels_);
        if (ownRuns_) tag_ = NewRunTag();
    }

    ~PdfPainter() override
    {
        for (auto& face : faces_) cairo_font_face_destroy(face.second);
        if (cr_) cairo_destroy(cr_);
    }

    // False when the runs this painter wrote itself could not be put in
    // place; the file is then to be written again without them.
    bool finish()
    {
        flushRun();
        cairo_show_page(cr_);
        cairo_surface_finish(surface_.get());
        for (const cairo_status_t status : {cairo_status(cr_), cairo_surface_status(surface_.get())})
            if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(cairo_status_to_string(status));
        return runs_.empty() || AppendRuns(out_, runs_, tag_, width_, height_);
    }

    void beginLayer(int number) override
    {
        const std::string name = layerName_ + std::to_string(number);
        cairo_pdf_surface_add_outline(surface_.get(), CAIRO_PDF_OUTLINE_ROOT, name.c_str(), "page=1", cairo_pdf_outline_flags_t{});
    }
    void endLayer() override {}

    void fillRectangle(double x, double y, double width, double height, Rgb colour) override
    {
        flushRun();
        SetColour(cr_, colour);
        cairo_rectangle(cr_, x, y, width, height);
        cairo_fill(cr_);
    }

    // Strokes are gathered until another kind of shape comes.
    void strokePath(const std::vector<VectorPoint>& points, bool closed, const VectorStroke& stroke) override
    {
        if (runStyles_.empty() || !(runStyles_.back() == stroke)) runStyles_.push_back(stroke);
        runPaths_.push_back({runStyles_.size() - 1, runPoints_.size(), points.size(), closed});
        runPoints_.insert(runPoints_.end(), points.begin(), points.end());
    }

    void strokeEllipse(const VectorEllipse& e, const VectorStroke& stroke) override
    {
        flushRun();
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
        flushRun();
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
        flushRun();
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
        flushRun();
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
    struct RunPath {
        std::size_t style;
        std::size_t first;
        std::size_t count;
        bool closed;
    };

    // The gathered strokes: a long run as the painter's own content, a
    // short one through cairo, each style's consecutive strokes as one path.
    void flushRun()
    {
        if (runPaths_.empty()) return;
        if (ownRuns_ && runPoints_.size() >= LeastPointsOfOwnRun) {
            runs_.push_back(Deflated(runContent()));
            standIn(static_cast<std::uint32_t>(runs_.size() - 1));
        } else {
            for (std::size_t i = 0; i < runPaths_.size(); ++i) {
                const RunPath& path = runPaths_[i];
                for (std::size_t p = 0; p < path.count; ++p) {
                    const VectorPoint& at = runPoints_[path.first + p];
                    if (p == 0)
                        cairo_move_to(cr_, at.x, at.y);
                    else
                        cairo_line_to(cr_, at.x, at.y);
                }
                if (path.closed) cairo_close_path(cr_);
                if (i + 1 == runPaths_.size() || runPaths_[i + 1].style != path.style)
                    applyStroke(runStyles_[path.style]);
            }
        }
        runStyles_.clear();
        runPaths_.clear();
        runPoints_.clear();
    }

    // The run in pixels, with the middle of the top-left pixel as the
    // origin, so that most numbers are whole; the pen is set in full at the
    // start, and then only what changes.
    std::string runContent() const
    {
        std::string c;
        c.reserve(runPoints_.size() * 12 + 64);
        c += "10 M\n";
        const VectorStroke* last = nullptr;
        for (std::size_t i = 0; i < runPaths_.size(); ++i) {
            const RunPath& path = runPaths_[i];
            const VectorStroke& s = runStyles_[path.style];
            if (last == nullptr || last->colour != s.colour) {
                for (const int channel : {redOf(s.colour), greenOf(s.colour), blueOf(s.colour)}) {
                    AppendPdfNumber(c, channel / 255.0);
                    c += ' ';
                }
                c += "RG\n";
            }
            if (last == nullptr || last->width != s.width) {
                AppendPdfNumber(c, s.width);
                c += " w\n";
            }
            if (last == nullptr || last->round != s.round) c += s.round ? "1 J 1 j\n" : "0 J 0 j\n";
            if (last == nullptr || last->dashes != s.dashes) {
                c += '[';
                for (std::size_t d = 0; d < s.dashes.size(); ++d) {
                    if (d > 0) c += ' ';
                    AppendPdfNumber(c, s.dashes[d]);
                }
                c += "] 0 d\n";
            }
            last = &s;
            for (std::size_t p = 0; p < path.count; ++p) {
                const VectorPoint& at = runPoints_[path.first + p];
                if (p > 0) c += ' ';
                AppendPdfNumber(c, at.x - 0.5);
                c += ' ';
                AppendPdfNumber(c, at.y - 0.5);
                c += p == 0 ? " m" : " l";
            }
            c += path.closed ? " h\n" : "\n";
            if (i + 1 == runPaths_.size() || runPaths_[i + 1].style != path.style) c += "S\n";
        }
        return c;
    }

    // A one-pixel image at the drawing's origin, which the run replaces.
    void standIn(std::uint32_t run)
    {
        SurfaceHandle image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
        auto* jpeg = new std::vector<std::uint8_t>(StandInJpeg(tag_, run));
        cairo_surface_set_mime_data(image.get(), CAIRO_MIME_TYPE_JPEG, jpeg->data(), jpeg->size(),
                                    [](void* d) { delete static_cast<std::vector<std::uint8_t>*>(d); }, jpeg);
        cairo_save(cr_);
        cairo_set_matrix(cr_, &pixels_);
        cairo_set_source_surface(cr_, image.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
        cairo_paint(cr_);
        cairo_restore(cr_);
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
    std::string& out_;
    int width_;
    int height_;
    bool ownRuns_;
    RunTag tag_{};
    SurfaceHandle surface_;
    cairo_t* cr_ = nullptr;
    cairo_matrix_t pixels_{};
    std::vector<VectorStroke> runStyles_;
    std::vector<RunPath> runPaths_;
    std::vector<VectorPoint> runPoints_;
    // The packed content of each run the painter writes itself.
    std::vector<std::string> runs_;
    std::map<std::string, cairo_font_face_t*> faces_;
};

}  // namespace

std::string PdfDocument(const DrawingRecord& record, const VectorFileSettings& settings)
{
    for (const bool ownRuns : {true, false}) {
        std::string out;
        PdfPainter painter(record, settings, out, ownRuns);
        PaintRecord(record, painter);
        if (painter.finish()) return out;
    }
    throw std::logic_error("a PDF without own runs always finishes");
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
