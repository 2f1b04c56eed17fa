#include "platform/cairo/cairo_graphics.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <utility>
#include <span>
#include <vector>

namespace platform::cairo {

namespace {

using Status = Graphics::Status;

struct Rgba {
    double r, g, b, a;
};

Rgba FromArgb(Argb c) {
    return {(c >> 16 & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c & 0xFF) / 255.0, (c >> 24 & 0xFF) / 255.0};
}

// What the opaque handles stand for. Handles are these objects' addresses, only ever cast
// back to the type they were made from.
struct Context {
    cairo_t* cr;
};
struct Pen {
    Rgba color;
    double width;
    DashStyle dash = DashStyle::Solid;
};
struct Brush {
    Rgba color;
};
struct Arc {
    double x, y, width, height, start, sweep;
    bool closesFigure;  // a figure-closing mark rather than an arc
};
struct Path {
    FillMode mode;
    std::vector<Arc> pieces;
};

template <class Object, class Handle>
Object* From(Handle* handle) {
    return reinterpret_cast<Object*>(handle);
}

// No exception may leave a graph object's Draw: running out of memory is a status.
template <class Object, class... Args>
Object* New(Args&&... args) {
    try {
        return new Object{std::forward<Args>(args)...};
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

template <class Handle, class Object>
Status HandOut(Object* object, Handle** out) {
    *out = reinterpret_cast<Handle*>(object);
    return object != nullptr ? Status::Ok : Status::OutOfMemory;
}

bool Finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

void SetSource(cairo_t* cr, const Rgba& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void Stroke(cairo_t* cr, const Pen& pen) {
    SetSource(cr, pen.color);
    // A pen thinner than a pixel still shows, one pixel wide.
    const double width = std::max(pen.width, 1.0);
    cairo_set_line_width(cr, width);
    static constexpr double dash[] = {3, 1}, dot[] = {1, 1}, dashDot[] = {3, 1, 1, 1},
                            dashDotDot[] = {3, 1, 1, 1, 1, 1};
    std::span<const double> pattern;
    switch (pen.dash) {
    case DashStyle::Dash: pattern = dash; break;
    case DashStyle::Dot: pattern = dot; break;
    case DashStyle::DashDot: pattern = dashDot; break;
    case DashStyle::DashDotDot: pattern = dashDotDot; break;
    case DashStyle::Solid: break;
    }
    // Dashes scale with the pen, as the platform's own pens do.
    double scaled[6] = {};
    for (size_t i = 0; i < pattern.size(); ++i) scaled[i] = pattern[i] * width;
    cairo_set_dash(cr, scaled, static_cast<int>(pattern.size()), 0);
    cairo_stroke(cr);
}

// Arcs follow each other within a figure, the straight joins coming from cairo's own line
// to each arc's start; a closed figure makes the next arc start a new one.
void Trace(cairo_t* cr, const Path& path) {
    cairo_new_path(cr);
    bool open = false;
    for (const Arc& a : path.pieces) {
        if (a.closesFigure) {
            if (open) cairo_close_path(cr);
            open = false;
            continue;
        }
        if (!open) cairo_new_sub_path(cr);
        open = true;
        const double toRadians = std::numbers::pi / 180.0;
        cairo_save(cr);
        cairo_translate(cr, a.x + a.width / 2, a.y + a.height / 2);
        cairo_scale(cr, a.width / 2, a.height / 2);
        const double start = a.start * toRadians, end = (a.start + a.sweep) * toRadians;
        if (a.sweep >= 0) cairo_arc(cr, 0, 0, 1, start, end);
        else cairo_arc_negative(cr, 0, 0, 1, start, end);
        cairo_restore(cr);
    }
    cairo_set_fill_rule(cr, path.mode == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
}

class Layer final : public Graphics {
public:
    Status CreateFromHDC(DeviceHandle device, GraphicsContext** graphics) override {
        if (graphics == nullptr) return Status::InvalidParameter;
        *graphics = nullptr;
        if (device == nullptr) return Status::InvalidParameter;
        cairo_t* cr = cairo_create(static_cast<cairo_surface_t*>(device));
        auto* context = New<Context>(cr);
        if (cairo_status(cr) != CAIRO_STATUS_SUCCESS || context == nullptr) {
            cairo_destroy(cr);
            delete context;
            return Status::GenericError;
        }
        // Pixel centres sit on whole coordinates, and edges stay hard until asked otherwise.
        cairo_translate(cr, 0.5, 0.5);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        return HandOut(context, graphics);
    }

    Status DeleteGraphics(GraphicsContext* graphics) override {
        if (graphics == nullptr) return Status::InvalidParameter;
        Context* c = From<Context>(graphics);
        cairo_surface_flush(cairo_get_target(c->cr));
        cairo_destroy(c->cr);
        delete c;
        return Status::Ok;
    }

    Status SetSmoothingMode(GraphicsContext* graphics, SmoothingMode mode) override {
        const auto m = static_cast<int32_t>(mode);
        if (graphics == nullptr || m < 0 || m > 6) return Status::InvalidParameter;
        const bool smooth = mode == SmoothingMode::HighQuality || m >= static_cast<int32_t>(SmoothingMode::AntiAlias);
        cairo_set_antialias(From<Context>(graphics)->cr, smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
        return Status::Ok;
    }

    // Cairo composites and samples one way; the modes are checked and kept nowhere.
    Status SetCompositingQuality(GraphicsContext* graphics, CompositingQuality quality) override {
        const auto q = static_cast<int32_t>(quality);
        return graphics == nullptr || q < 0 || q > 4 ? Status::InvalidParameter : Status::Ok;
    }

    Status SetInterpolationMode(GraphicsContext* graphics, InterpolationMode mode) override {
        const auto m = static_cast<int32_t>(mode);
        return graphics == nullptr || m < 0 || m > 7 ? Status::InvalidParameter : Status::Ok;
    }

    // World, display and pixel units are all pixels on a canvas without a transform.
    Status CreatePen1(Argb color, float width, Unit unit, GraphicsPen** pen) override {
        if (pen == nullptr) return Status::InvalidParameter;
        *pen = nullptr;
        const auto u = static_cast<int32_t>(unit);
        if (!std::isfinite(width) || width < 0 || u < 0 || u > 2) return Status::InvalidParameter;
        return HandOut(New<Pen>(FromArgb(color), double{width}), pen);
    }

    Status SetPenDashStyle(GraphicsPen* pen, DashStyle style) override {
        const auto s = static_cast<int32_t>(style);
        if (pen == nullptr || s < 0 || s > 4) return Status::InvalidParameter;
        From<Pen>(pen)->dash = style;
        return Status::Ok;
    }

    Status DeletePen(GraphicsPen* pen) override { return Delete<Pen>(pen); }

    Status CreateSolidFill(Argb color, GraphicsBrush** brush) override {
        if (brush == nullptr) return Status::InvalidParameter;
        return HandOut(New<Brush>(FromArgb(color)), brush);
    }

    Status DeleteBrush(GraphicsBrush* brush) override { return Delete<Brush>(brush); }

    Status CreatePath(FillMode mode, GraphicsPath** path) override {
        if (path == nullptr) return Status::InvalidParameter;
        *path = nullptr;
        if (mode != FillMode::Alternate && mode != FillMode::Winding) return Status::InvalidParameter;
        return HandOut(New<Path>(mode), path);
    }

    Status ResetPath(GraphicsPath* path) override {
        if (path == nullptr) return Status::InvalidParameter;
        From<Path>(path)->pieces.clear();
        From<Path>(path)->mode = FillMode::Alternate;
        return Status::Ok;
    }

    // An empty box would collapse cairo's transform, so it is refused.
    Status AddPathArcI(GraphicsPath* path, int x, int y, int width, int height, float start, float sweep) override {
        if (path == nullptr || width <= 0 || height <= 0 || !Finite({start, sweep})) return Status::InvalidParameter;
        return Append(path, {double(x), double(y), double(width), double(height), start,
                             std::clamp<double>(sweep, -360, 360), false});
    }

    Status ClosePathFigure(GraphicsPath* path) override {
        if (path == nullptr) return Status::InvalidParameter;
        return Append(path, {0, 0, 0, 0, 0, 0, true});
    }

    Status DeletePath(GraphicsPath* path) override { return Delete<Path>(path); }

    Status DrawLine(GraphicsContext* graphics, GraphicsPen* pen, float x1, float y1, float x2, float y2) override {
        if (graphics == nullptr || pen == nullptr || !Finite({x1, y1, x2, y2})) return Status::InvalidParameter;
        cairo_t* cr = From<Context>(graphics)->cr;
        cairo_new_path(cr);
        cairo_move_to(cr, x1, y1);
        cairo_line_to(cr, x2, y2);
        Stroke(cr, *From<Pen>(pen));
        return Status::Ok;
    }

    Status DrawPath(GraphicsContext* graphics, GraphicsPen* pen, GraphicsPath* path) override {
        if (graphics == nullptr || pen == nullptr || path == nullptr) return Status::InvalidParameter;
        cairo_t* cr = From<Context>(graphics)->cr;
        Trace(cr, *From<Path>(path));
        Stroke(cr, *From<Pen>(pen));
        return Status::Ok;
    }

    Status FillPath(GraphicsContext* graphics, GraphicsBrush* brush, GraphicsPath* path) override {
        if (graphics == nullptr || brush == nullptr || path == nullptr) return Status::InvalidParameter;
        cairo_t* cr = From<Context>(graphics)->cr;
        Trace(cr, *From<Path>(path));
        SetSource(cr, From<Brush>(brush)->color);
        cairo_fill(cr);
        return Status::Ok;
    }

private:
    static Status Append(GraphicsPath* path, const Arc& piece) {
        try {
            From<Path>(path)->pieces.push_back(piece);
            return Status::Ok;
        } catch (const std::bad_alloc&) {
            return Status::OutOfMemory;
        }
    }

    template <class Object, class Handle>
    static Status Delete(Handle* handle) {
        if (handle == nullptr) return Status::InvalidParameter;
        delete From<Object>(handle);
        return Status::Ok;
    }
};

}  // namespace

Graphics& CairoGraphics() {
    static Layer layer;
    return layer;
}

}  // namespace platform::cairo
