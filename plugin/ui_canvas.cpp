#include "plugin/ui_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace ui {

namespace {

using Status = platform::GraphicsStatus;

// The canvas's 0x00BBGGRR as the host's opaque 0xAARRGGBB.
uint32_t Argb(platform::Color c) { return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu); }

// What the opaque handles stand for, only ever cast back to the type they were made from.
struct Pen {
    platform::Argb color;
    float width;
    QM7140UiDash dash = QM7140_UI_DASH_SOLID;
};
struct Brush {
    platform::Argb color;
};
struct Path {
    std::vector<QM7140UiArc> arcs;
};

template <class Object, class Handle>
Object* From(Handle* handle) {
    return reinterpret_cast<Object*>(handle);
}

// A graph object's Draw lets no exception out: running out of memory is a status.
template <class Object, class Handle, class... Args>
Status HandOut(Handle** out, Args&&... args) {
    if (out == nullptr) return Status::InvalidParameter;
    auto* object = new (std::nothrow) Object{std::forward<Args>(args)...};
    *out = reinterpret_cast<Handle*>(object);
    return object != nullptr ? Status::Ok : Status::OutOfMemory;
}

template <class Object, class Handle>
Status Delete(Handle* handle) {
    if (handle == nullptr) return Status::InvalidParameter;
    delete From<Object>(handle);
    return Status::Ok;
}

// The context handle: a graphics layer draws on one canvas, so any non-null token will do.
platform::GraphicsContext* ContextToken(platform::DeviceHandle device) {
    return static_cast<platform::GraphicsContext*>(device);
}

}  // namespace

// ---- UiGraphics -------------------------------------------------------------------------------

Status UiGraphics::CreateFromHDC(platform::DeviceHandle device, platform::GraphicsContext** graphics) {
    if (graphics == nullptr) return Status::InvalidParameter;
    *graphics = device == device_ && device != nullptr ? ContextToken(device) : nullptr;
    return *graphics != nullptr ? Status::Ok : Status::InvalidParameter;
}

Status UiGraphics::DeleteGraphics(platform::GraphicsContext* graphics) {
    return graphics == ContextToken(device_) ? Status::Ok : Status::InvalidParameter;
}

// The host anti-aliases every operation of this layer; the modes are checked, not kept.
Status UiGraphics::SetSmoothingMode(platform::GraphicsContext* graphics, platform::SmoothingMode mode) {
    const auto m = static_cast<int32_t>(mode);
    return graphics == nullptr || m < 0 || m > 6 ? Status::InvalidParameter : Status::Ok;
}

Status UiGraphics::SetCompositingQuality(platform::GraphicsContext* graphics, platform::CompositingQuality quality) {
    const auto q = static_cast<int32_t>(quality);
    return graphics == nullptr || q < 0 || q > 4 ? Status::InvalidParameter : Status::Ok;
}

Status UiGraphics::SetInterpolationMode(platform::GraphicsContext* graphics, platform::InterpolationMode mode) {
    const auto m = static_cast<int32_t>(mode);
    return graphics == nullptr || m < 0 || m > 7 ? Status::InvalidParameter : Status::Ok;
}

Status UiGraphics::CreatePen1(platform::Argb color, float width, platform::Unit unit, platform::GraphicsPen** pen) {
    const auto u = static_cast<int32_t>(unit);
    if (pen != nullptr) *pen = nullptr;
    if (!std::isfinite(width) || width < 0 || u < 0 || u > 2) return Status::InvalidParameter;
    return HandOut<Pen>(pen, color, width);
}

Status UiGraphics::SetPenDashStyle(platform::GraphicsPen* pen, platform::DashStyle style) {
    const auto s = static_cast<int32_t>(style);
    if (pen == nullptr || s < QM7140_UI_DASH_SOLID || s > QM7140_UI_DASH_DASH_DOT_DOT) return Status::InvalidParameter;
    From<Pen>(pen)->dash = static_cast<QM7140UiDash>(s);
    return Status::Ok;
}

Status UiGraphics::DeletePen(platform::GraphicsPen* pen) { return Delete<Pen>(pen); }

Status UiGraphics::CreateSolidFill(platform::Argb color, platform::GraphicsBrush** brush) {
    return HandOut<Brush>(brush, color);
}

Status UiGraphics::DeleteBrush(platform::GraphicsBrush* brush) { return Delete<Brush>(brush); }

Status UiGraphics::CreatePath(platform::FillMode mode, platform::GraphicsPath** path) {
    if (path != nullptr) *path = nullptr;
    if (mode != platform::FillMode::Alternate && mode != platform::FillMode::Winding) return Status::InvalidParameter;
    return HandOut<Path>(path);
}

Status UiGraphics::ResetPath(platform::GraphicsPath* path) {
    if (path == nullptr) return Status::InvalidParameter;
    From<Path>(path)->arcs.clear();
    return Status::Ok;
}

// An empty box has no ellipse to take an arc of, so a host never has to divide by it.
Status UiGraphics::AddPathArcI(platform::GraphicsPath* path, int x, int y, int width, int height, float start,
                               float sweep) {
    if (path == nullptr || width <= 0 || height <= 0 || !std::isfinite(start) || !std::isfinite(sweep))
        return Status::InvalidParameter;
    try {
        From<Path>(path)->arcs.push_back({x, y, width, height, start, std::clamp(sweep, -360.0f, 360.0f), 0});
        return Status::Ok;
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
}

Status UiGraphics::ClosePathFigure(platform::GraphicsPath* path) {
    if (path == nullptr) return Status::InvalidParameter;
    auto& arcs = From<Path>(path)->arcs;
    if (!arcs.empty()) arcs.back().close_figure = 1;
    return Status::Ok;
}

Status UiGraphics::DeletePath(platform::GraphicsPath* path) { return Delete<Path>(path); }

Status UiGraphics::DrawLine(platform::GraphicsContext* graphics, platform::GraphicsPen* pen, float x1, float y1,
                            float x2, float y2) {
    if (graphics == nullptr || pen == nullptr) return Status::InvalidParameter;
    const Pen& p = *From<Pen>(pen);
    if (table_.aa_line != nullptr) table_.aa_line(context_, x1, y1, x2, y2, p.color, p.width, p.dash);
    return Status::Ok;
}

Status UiGraphics::DrawPath(platform::GraphicsContext* graphics, platform::GraphicsPen* pen,
                            platform::GraphicsPath* path) {
    if (graphics == nullptr || pen == nullptr || path == nullptr) return Status::InvalidParameter;
    const Pen& p = *From<Pen>(pen);
    const auto& arcs = From<Path>(path)->arcs;
    if (table_.stroke_path != nullptr && !arcs.empty())
        table_.stroke_path(context_, arcs.data(), static_cast<uint32_t>(arcs.size()), p.color, p.width, p.dash);
    return Status::Ok;
}

Status UiGraphics::FillPath(platform::GraphicsContext* graphics, platform::GraphicsBrush* brush,
                            platform::GraphicsPath* path) {
    if (graphics == nullptr || brush == nullptr || path == nullptr) return Status::InvalidParameter;
    const auto& arcs = From<Path>(path)->arcs;
    if (table_.fill_path != nullptr && !arcs.empty())
        table_.fill_path(context_, arcs.data(), static_cast<uint32_t>(arcs.size()), From<Brush>(brush)->color);
    return Status::Ok;
}

// ---- UiCanvas ---------------------------------------------------------------------------------

// A host built against an older header knows fewer operations: what lies beyond its
// table's size stays null here and is skipped.
UiCanvas::UiCanvas(const QM7140UiDrawing& table, void* context) : context_(context), graphics_(table_, context, this) {
    std::memcpy(&table_, &table, std::min<size_t>(table.size, sizeof table_));
}

void UiCanvas::SetPen(platform::Color color, int width) {
    pen_ = color;
    penWidth_ = std::max(width, 1);
}

void UiCanvas::SetFont(std::string_view name, int points, platform::Color color) {
    fontName_ = name.substr(0, name.find('\0'));
    fontPoints_ = points;
    fontColor_ = color;
}

void UiCanvas::FillRect(int left, int top, int right, int bottom) {
    if (table_.fill_rect != nullptr) table_.fill_rect(context_, left, top, right, bottom, Argb(brush_));
}

void UiCanvas::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void UiCanvas::LineTo(int x, int y) {
    if (table_.line != nullptr) table_.line(context_, penX_, penY_, x, y, Argb(pen_), penWidth_);
    MoveTo(x, y);
}

// The host gets C strings: the text up to a NUL it may hold.
void UiCanvas::WriteText(int x, int y, std::string_view text) {
    if (table_.text == nullptr) return;
    const std::string chars(text.substr(0, text.find('\0')));
    table_.text(context_, x, y, chars.c_str(), fontName_.c_str(), fontPoints_, Argb(fontColor_), Argb(brush_));
}

void UiCanvas::WriteTextUp(int x, int y, std::string_view text) {
    if (table_.text_up == nullptr) return;
    const std::string chars(text.substr(0, text.find('\0')));
    table_.text_up(context_, x, y, chars.c_str(), fontName_.c_str(), fontPoints_, Argb(fontColor_), Argb(brush_));
}

}  // namespace ui
