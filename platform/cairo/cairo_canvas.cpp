#include "platform/cairo/cairo_canvas.h"

#include "platform/cairo/cairo_graphics.h"

#include <algorithm>
#include <cstring>
#include <numbers>

namespace platform::cairo {

namespace {

void SetColor(cairo_t* cr, Color c) {
    cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c >> 16 & 0xFF) / 255.0);
}

}  // namespace

// Each operation draws through a context of its own, so a call that puts Cairo in an error
// state (text that is not UTF-8, say) spoils that call only.
CairoCanvas::CairoCanvas(int width, int height)
    : width_(std::clamp(width, 1, 8192)),
      height_(std::clamp(height, 1, 8192)),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_)) {}

CairoCanvas::~CairoCanvas() { cairo_surface_destroy(surface_); }

Graphics& CairoCanvas::GetGraphics() { return CairoGraphics(); }

uint32_t CairoCanvas::PixelAt(int x, int y) {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    if (data == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(surface_));
    uint32_t pixel = 0;
    std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * sizeof pixel, sizeof pixel);
    return pixel & 0xFFFFFF;
}

bool CairoCanvas::WritePng(const std::string& path) {
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void CairoCanvas::SetPen(Color color, int width) {
    pen_ = color;
    penWidth_ = std::clamp(width, 1, 1000);
}

void CairoCanvas::SetFont(std::string_view name, int points, Color color) {
    fontName_ = name;
    fontPoints_ = std::clamp(points, 1, 1000);
    fontColor_ = color;
}

void CairoCanvas::FillRect(int left, int top, int right, int bottom) {
    cairo_t* cr = cairo_create(surface_);
    SetColor(cr, brush_);
    cairo_rectangle(cr, left, top, double(right) - left, double(bottom) - top);
    cairo_fill(cr);
    cairo_destroy(cr);
}

void CairoCanvas::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

// Hard-edged like the framework's lines, centred on the pixels they pass through.
void CairoCanvas::LineTo(int x, int y) {
    cairo_t* cr = cairo_create(surface_);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    SetColor(cr, pen_);
    cairo_set_line_width(cr, penWidth_);
    cairo_set_line_cap(cr, penWidth_ > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_move_to(cr, penX_ + 0.5, penY_ + 0.5);
    cairo_line_to(cr, x + 0.5, y + 0.5);
    cairo_stroke(cr);
    cairo_destroy(cr);
    MoveTo(x, y);
}

void CairoCanvas::WriteText(int x, int y, std::string_view text) { Write(x, y, text, false); }
void CairoCanvas::WriteTextUp(int x, int y, std::string_view text) { Write(x, y, text, true); }

// The font's point size at 96 pixels per inch; the box is the text's advance wide and the
// font's ascent plus descent high, filled with the brush as the framework does.
void CairoCanvas::Write(int x, int y, std::string_view text, bool upwards) {
    const std::string chars(text.substr(0, text.find('\0')));
    cairo_t* cr = cairo_create(surface_);
    cairo_select_font_face(cr, fontName_.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, (fontPoints_ * 96 + 36) / 72);
    cairo_font_extents_t font;
    cairo_text_extents_t extents;
    cairo_font_extents(cr, &font);
    cairo_text_extents(cr, chars.c_str(), &extents);
    cairo_translate(cr, x, y);
    if (upwards) cairo_rotate(cr, -std::numbers::pi / 2);
    SetColor(cr, brush_);
    cairo_rectangle(cr, 0, 0, extents.x_advance, font.ascent + font.descent);
    cairo_fill(cr);
    SetColor(cr, fontColor_);
    cairo_move_to(cr, 0, font.ascent);
    cairo_show_text(cr, chars.c_str());
    cairo_destroy(cr);
}

}  // namespace platform::cairo
