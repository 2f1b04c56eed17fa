#include "host/common/seam/cairo_drawing.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <span>

namespace host {

namespace {

void SetColor(cairo_t* cr, uint32_t argb) {
    cairo_set_source_rgba(cr, (argb >> 16 & 0xFF) / 255.0, (argb >> 8 & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24 & 0xFF) / 255.0);
}

// Each operation draws through a context of its own, so one that puts Cairo in an error
// state (text that is not UTF-8, say) spoils that operation only.
struct Context {
    explicit Context(void* picture) : cr(cairo_create(static_cast<CairoPicture*>(picture)->Surface())) {}
    ~Context() { cairo_destroy(cr); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    cairo_t* cr;
};

void FillRect(void* picture, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t argb) {
    Context c(picture);
    SetColor(c.cr, argb);
    cairo_rectangle(c.cr, left, top, double(right) - left, double(bottom) - top);
    cairo_fill(c.cr);
}

// Hard-edged like the framework's lines, centred on the pixels they pass through.
void Line(void* picture, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb, int32_t width) {
    Context c(picture);
    cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_NONE);
    SetColor(c.cr, argb);
    const int w = std::clamp(width, 1, 1000);
    cairo_set_line_width(c.cr, w);
    cairo_set_line_cap(c.cr, w > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_move_to(c.cr, x1 + 0.5, y1 + 0.5);
    cairo_line_to(c.cr, x2 + 0.5, y2 + 0.5);
    cairo_stroke(c.cr);
}

// The font's point size at 96 pixels per inch (fontconfig finds a face for "Arial"); the box
// is the text's advance wide and the font's ascent plus descent high.
void Write(void* picture, int32_t x, int32_t y, const char* text, const char* font, int32_t points, uint32_t argb,
           uint32_t background, bool upwards) {
    Context c(picture);
    cairo_select_font_face(c.cr, font, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(c.cr, (std::clamp(points, 1, 1000) * 96 + 36) / 72);
    cairo_font_extents_t extents;
    cairo_text_extents_t size;
    cairo_font_extents(c.cr, &extents);
    cairo_text_extents(c.cr, text, &size);
    cairo_translate(c.cr, x, y);
    if (upwards) cairo_rotate(c.cr, -std::numbers::pi / 2);
    SetColor(c.cr, background);
    cairo_rectangle(c.cr, 0, 0, size.x_advance, extents.ascent + extents.descent);
    cairo_fill(c.cr);
    SetColor(c.cr, argb);
    cairo_move_to(c.cr, 0, extents.ascent);
    cairo_show_text(c.cr, text);
}

void Text(void* picture, int32_t x, int32_t y, const char* text, const char* font, int32_t points, uint32_t argb,
          uint32_t background) {
    Write(picture, x, y, text, font, points, argb, background, false);
}

void TextUp(void* picture, int32_t x, int32_t y, const char* text, const char* font, int32_t points, uint32_t argb,
            uint32_t background) {
    Write(picture, x, y, text, font, points, argb, background, true);
}

// The anti-aliased layer: pixel centres on whole coordinates.
void Smooth(cairo_t* cr) { cairo_translate(cr, 0.5, 0.5); }

// Dashes scale with the pen, as the module's own pens do; a pen thinner than a pixel still
// shows, one pixel wide.
void Stroke(cairo_t* cr, uint32_t argb, float width, QM7140UiDash dash) {
    SetColor(cr, argb);
    const double w = std::isfinite(width) ? std::clamp<double>(width, 1, 1000) : 1;
    cairo_set_line_width(cr, w);
    static constexpr double kDash[] = {3, 1}, kDot[] = {1, 1}, kDashDot[] = {3, 1, 1, 1}, kDashDotDot[] = {3, 1, 1, 1, 1, 1};
    std::span<const double> pattern;
    switch (dash) {
    case QM7140_UI_DASH_DASH: pattern = kDash; break;
    case QM7140_UI_DASH_DOT: pattern = kDot; break;
    case QM7140_UI_DASH_DASH_DOT: pattern = kDashDot; break;
    case QM7140_UI_DASH_DASH_DOT_DOT: pattern = kDashDotDot; break;
    default: break;
    }
    double scaled[6] = {};
    for (size_t i = 0; i < pattern.size(); ++i) scaled[i] = pattern[i] * w;
    cairo_set_dash(cr, scaled, static_cast<int>(pattern.size()), 0);
    cairo_stroke(cr);
}

void AaLine(void* picture, float x1, float y1, float x2, float y2, uint32_t argb, float width, QM7140UiDash dash) {
    Context c(picture);
    Smooth(c.cr);
    cairo_move_to(c.cr, x1, y1);
    cairo_line_to(c.cr, x2, y2);
    Stroke(c.cr, argb, width, dash);
}

// Arcs follow each other within a figure, the straight joins coming from cairo's own line to
// each arc's start; a closed figure makes the next arc start a new one.
void Trace(cairo_t* cr, const QM7140UiArc* arcs, uint32_t count) {
    Smooth(cr);
    bool open = false;
    for (const QM7140UiArc& a : std::span(arcs, count)) {
        if (a.width <= 0 || a.height <= 0 || !std::isfinite(a.start) || !std::isfinite(a.sweep)) continue;
        if (!open) cairo_new_sub_path(cr);
        open = true;
        const double toRadians = std::numbers::pi / 180.0, sweep = std::clamp<double>(a.sweep, -360, 360);
        const double start = a.start * toRadians, end = (a.start + sweep) * toRadians;
        cairo_save(cr);
        cairo_translate(cr, a.x + a.width / 2.0, a.y + a.height / 2.0);
        cairo_scale(cr, a.width / 2.0, a.height / 2.0);
        if (sweep >= 0) cairo_arc(cr, 0, 0, 1, start, end);
        else cairo_arc_negative(cr, 0, 0, 1, start, end);
        cairo_restore(cr);
        if (a.close_figure != 0) {
            cairo_close_path(cr);
            open = false;
        }
    }
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
}

void FillPath(void* picture, const QM7140UiArc* arcs, uint32_t count, uint32_t argb) {
    Context c(picture);
    Trace(c.cr, arcs, count);
    SetColor(c.cr, argb);
    cairo_fill(c.cr);
}

void StrokePath(void* picture, const QM7140UiArc* arcs, uint32_t count, uint32_t argb, float width, QM7140UiDash dash) {
    Context c(picture);
    Trace(c.cr, arcs, count);
    Stroke(c.cr, argb, width, dash);
}

}  // namespace

const QM7140UiDrawing CairoPicture::kDrawing = {
    .size = sizeof(QM7140UiDrawing),
    .fill_rect = FillRect,
    .line = Line,
    .text = Text,
    .text_up = TextUp,
    .aa_line = AaLine,
    .fill_path = FillPath,
    .stroke_path = StrokePath,
};

CairoPicture::CairoPicture(int width, int height)
    : width_(std::clamp(width, 1, 8192)),
      height_(std::clamp(height, 1, 8192)),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_)) {}

CairoPicture::~CairoPicture() { cairo_surface_destroy(surface_); }

uint32_t CairoPicture::PixelAt(int x, int y) {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    if (data == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(surface_));
    uint32_t pixel = 0;
    std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * sizeof pixel, sizeof pixel);
    return pixel & 0xFFFFFF;
}

std::optional<std::string> CairoPicture::Png() {
    std::string bytes;
    auto append = [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
    };
    if (cairo_surface_write_to_png_stream(surface_, append, &bytes) != CAIRO_STATUS_SUCCESS) return std::nullopt;
    return bytes;
}

}  // namespace host
