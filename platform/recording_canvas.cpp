#include "platform/recording_canvas.h"

#include <cstdio>
#include <new>

namespace platform {

namespace {

// What a recorded handle points to: the name the log gives it.
struct Recorded {
    std::string name;
};

std::string NameOf(const void* handle) {
    return handle != nullptr ? static_cast<const Recorded*>(handle)->name : "null";
}

// Nine significant digits tell any two floats apart.
std::string Num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

std::string Hex(uint32_t v, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, v);
    return text;
}

template <class Enum>
std::string Int(Enum v) {
    return std::to_string(static_cast<int32_t>(v));
}

}  // namespace

// ---- RecordingGraphics ---------------------------------------------------------------------

template <class Handle>
Graphics::Status RecordingGraphics::Create(const std::string& op, const char* kind, Handle** out,
                                           const std::string& args) {
    if (op == throwing) throw std::bad_alloc();
    if (out == nullptr) {
        log_.push_back(op + args + " -> nowhere");
        return Status::InvalidParameter;
    }
    *out = nullptr;
    if (op == failing) {
        log_.push_back(op + args + " -> failed");
        return Status::GenericError;
    }
    auto* object = new Recorded{kind + std::to_string(++serials_[kind])};
    ++live_;
    log_.push_back(op + args + " -> " + object->name);
    // Handed out as an opaque pointer and only ever turned back into a Recorded.
    *out = reinterpret_cast<Handle*>(object);
    return Status::Ok;
}

template <class Handle>
Graphics::Status RecordingGraphics::Delete(const std::string& op, Handle* object) {
    log_.push_back(op + " " + NameOf(object));
    if (object == nullptr) return Status::InvalidParameter;
    delete reinterpret_cast<Recorded*>(object);
    --live_;
    if (op == throwing) throw std::bad_alloc();
    return Status::Ok;
}

Graphics::Status RecordingGraphics::Use(const std::string& op, std::initializer_list<const void*> objects,
                                        const std::string& args) {
    if (op == throwing) throw std::bad_alloc();
    std::string line = op;
    bool missing = false;
    for (const void* object : objects) {
        line += " " + NameOf(object);
        missing = missing || object == nullptr;
    }
    log_.push_back(line + args);
    if (missing) return Status::InvalidParameter;
    return op == failing ? Status::GenericError : Status::Ok;
}

Graphics::Status RecordingGraphics::CreateFromHDC(DeviceHandle device, GraphicsContext** graphics) {
    if (device == nullptr) {
        log_.push_back("CreateFromHDC null");
        if (graphics != nullptr) *graphics = nullptr;
        return Status::InvalidParameter;
    }
    return Create("CreateFromHDC", "g", graphics, device == device_ ? "" : " foreign");
}

Graphics::Status RecordingGraphics::DeleteGraphics(GraphicsContext* graphics) { return Delete("DeleteGraphics", graphics); }

Graphics::Status RecordingGraphics::SetSmoothingMode(GraphicsContext* graphics, SmoothingMode mode) {
    return Use("SetSmoothingMode", {graphics}, " " + Int(mode));
}

Graphics::Status RecordingGraphics::SetCompositingQuality(GraphicsContext* graphics, CompositingQuality quality) {
    return Use("SetCompositingQuality", {graphics}, " " + Int(quality));
}

Graphics::Status RecordingGraphics::SetInterpolationMode(GraphicsContext* graphics, InterpolationMode mode) {
    return Use("SetInterpolationMode", {graphics}, " " + Int(mode));
}

Graphics::Status RecordingGraphics::CreatePen1(Argb color, float width, Unit unit, GraphicsPen** pen) {
    return Create("CreatePen1", "pen", pen, " " + Hex(color, 8) + " " + Num(width) + " " + Int(unit));
}

Graphics::Status RecordingGraphics::SetPenDashStyle(GraphicsPen* pen, DashStyle style) {
    return Use("SetPenDashStyle", {pen}, " " + Int(style));
}

Graphics::Status RecordingGraphics::DeletePen(GraphicsPen* pen) { return Delete("DeletePen", pen); }

Graphics::Status RecordingGraphics::CreateSolidFill(Argb color, GraphicsBrush** brush) {
    return Create("CreateSolidFill", "brush", brush, " " + Hex(color, 8));
}

Graphics::Status RecordingGraphics::DeleteBrush(GraphicsBrush* brush) { return Delete("DeleteBrush", brush); }

Graphics::Status RecordingGraphics::CreatePath(FillMode mode, GraphicsPath** path) {
    return Create("CreatePath", "path", path, " " + Int(mode));
}

Graphics::Status RecordingGraphics::ResetPath(GraphicsPath* path) { return Use("ResetPath", {path}, ""); }

Graphics::Status RecordingGraphics::AddPathArcI(GraphicsPath* path, int x, int y, int width, int height,
                                                float start, float sweep) {
    return Use("AddPathArcI", {path},
               " " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
                   std::to_string(height) + " " + Num(start) + " " + Num(sweep));
}

Graphics::Status RecordingGraphics::ClosePathFigure(GraphicsPath* path) { return Use("ClosePathFigure", {path}, ""); }

Graphics::Status RecordingGraphics::DeletePath(GraphicsPath* path) { return Delete("DeletePath", path); }

Graphics::Status RecordingGraphics::DrawLine(GraphicsContext* graphics, GraphicsPen* pen, float x1, float y1,
                                             float x2, float y2) {
    return Use("DrawLine", {graphics, pen}, " " + Num(x1) + " " + Num(y1) + " " + Num(x2) + " " + Num(y2));
}

Graphics::Status RecordingGraphics::DrawPath(GraphicsContext* graphics, GraphicsPen* pen, GraphicsPath* path) {
    return Use("DrawPath", {graphics, pen, path}, "");
}

Graphics::Status RecordingGraphics::FillPath(GraphicsContext* graphics, GraphicsBrush* brush, GraphicsPath* path) {
    return Use("FillPath", {graphics, brush, path}, "");
}

// ---- RecordingCanvas -----------------------------------------------------------------------

void RecordingCanvas::Lock() {
    ++lockDepth_;
    calls.push_back("Lock");
}

void RecordingCanvas::Unlock() {
    --lockDepth_;
    calls.push_back("Unlock");
}

void RecordingCanvas::SetBrush(Color color) { calls.push_back("SetBrush " + Hex(color, 6)); }

void RecordingCanvas::SetPen(Color color, int width) {
    calls.push_back("SetPen " + Hex(color, 6) + " " + std::to_string(width));
}

void RecordingCanvas::SetFont(std::string_view name, int points, Color color) {
    calls.push_back("SetFont " + std::string(name) + " " + std::to_string(points) + " " + Hex(color, 6));
}

void RecordingCanvas::FillRect(int left, int top, int right, int bottom) {
    calls.push_back("FillRect " + std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(right) +
                    " " + std::to_string(bottom));
}

void RecordingCanvas::MoveTo(int x, int y) { calls.push_back("MoveTo " + std::to_string(x) + " " + std::to_string(y)); }
void RecordingCanvas::LineTo(int x, int y) { calls.push_back("LineTo " + std::to_string(x) + " " + std::to_string(y)); }

void RecordingCanvas::WriteText(int x, int y, std::string_view text) {
    calls.push_back("WriteText " + std::to_string(x) + " " + std::to_string(y) + " " + std::string(text));
}

void RecordingCanvas::WriteTextUp(int x, int y, std::string_view text) {
    calls.push_back("WriteTextUp " + std::to_string(x) + " " + std::to_string(y) + " " + std::string(text));
}

}  // namespace platform
