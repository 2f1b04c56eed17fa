#include "platform/win32/gdiplus_graphics.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <gdiplus.h>

namespace platform::win32 {

namespace {

namespace gp = Gdiplus::DllExports;

// Our opaque handles are GDI+'s own objects, only ever cast back to what they were.
template <class To, class From>
To* As(From* handle) {
    return reinterpret_cast<To*>(handle);
}

Graphics::Status Result(Gdiplus::GpStatus status) { return static_cast<Graphics::Status>(status); }

// Runs a GDI+ create into a pointer of GDI+'s own type and hands that out as ours; a null
// destination goes to GDI+ as null, which refuses it.
template <class Handle, class Object, class Create>
Graphics::Status Make(Handle** out, Create create) {
    Object* object = nullptr;
    const Graphics::Status status = Result(create(out != nullptr ? &object : nullptr));
    if (out != nullptr) *out = As<Handle>(object);
    return status;
}

class Layer final : public Graphics {
public:
    Status CreateFromHDC(DeviceHandle device, GraphicsContext** graphics) override {
        return Make<GraphicsContext, Gdiplus::GpGraphics>(
            graphics, [&](Gdiplus::GpGraphics** g) { return gp::GdipCreateFromHDC(static_cast<HDC>(device), g); });
    }
    Status DeleteGraphics(GraphicsContext* graphics) override {
        return Result(gp::GdipDeleteGraphics(As<Gdiplus::GpGraphics>(graphics)));
    }
    Status SetSmoothingMode(GraphicsContext* graphics, SmoothingMode mode) override {
        return Result(gp::GdipSetSmoothingMode(As<Gdiplus::GpGraphics>(graphics), static_cast<Gdiplus::SmoothingMode>(mode)));
    }
    Status SetCompositingQuality(GraphicsContext* graphics, CompositingQuality quality) override {
        return Result(gp::GdipSetCompositingQuality(As<Gdiplus::GpGraphics>(graphics),
                                                    static_cast<Gdiplus::CompositingQuality>(quality)));
    }
    Status SetInterpolationMode(GraphicsContext* graphics, InterpolationMode mode) override {
        return Result(gp::GdipSetInterpolationMode(As<Gdiplus::GpGraphics>(graphics),
                                                   static_cast<Gdiplus::InterpolationMode>(mode)));
    }
    Status CreatePen1(Argb color, float width, Unit unit, GraphicsPen** pen) override {
        return Make<GraphicsPen, Gdiplus::GpPen>(pen, [&](Gdiplus::GpPen** p) {
            return gp::GdipCreatePen1(color, width, static_cast<Gdiplus::GpUnit>(unit), p);
        });
    }
    Status SetPenDashStyle(GraphicsPen* pen, DashStyle style) override {
        return Result(gp::GdipSetPenDashStyle(As<Gdiplus::GpPen>(pen), static_cast<Gdiplus::GpDashStyle>(style)));
    }
    Status DeletePen(GraphicsPen* pen) override { return Result(gp::GdipDeletePen(As<Gdiplus::GpPen>(pen))); }
    Status CreateSolidFill(Argb color, GraphicsBrush** brush) override {
        Gdiplus::GpSolidFill* fill = nullptr;
        const Status status = Result(gp::GdipCreateSolidFill(color, brush != nullptr ? &fill : nullptr));
        // A solid fill is a brush, and handed out as one.
        if (brush != nullptr) *brush = As<GraphicsBrush>(static_cast<Gdiplus::GpBrush*>(fill));
        return status;
    }
    Status DeleteBrush(GraphicsBrush* brush) override {
        return Result(gp::GdipDeleteBrush(As<Gdiplus::GpBrush>(brush)));
    }
    Status CreatePath(FillMode mode, GraphicsPath** path) override {
        return Make<GraphicsPath, Gdiplus::GpPath>(
            path, [&](Gdiplus::GpPath** p) { return gp::GdipCreatePath(static_cast<Gdiplus::GpFillMode>(mode), p); });
    }
    Status ResetPath(GraphicsPath* path) override { return Result(gp::GdipResetPath(As<Gdiplus::GpPath>(path))); }
    Status AddPathArcI(GraphicsPath* path, int x, int y, int width, int height, float start, float sweep) override {
        return Result(gp::GdipAddPathArcI(As<Gdiplus::GpPath>(path), x, y, width, height, start, sweep));
    }
    Status ClosePathFigure(GraphicsPath* path) override {
        return Result(gp::GdipClosePathFigure(As<Gdiplus::GpPath>(path)));
    }
    Status DeletePath(GraphicsPath* path) override { return Result(gp::GdipDeletePath(As<Gdiplus::GpPath>(path))); }
    Status DrawLine(GraphicsContext* graphics, GraphicsPen* pen, float x1, float y1, float x2, float y2) override {
        return Result(gp::GdipDrawLine(As<Gdiplus::GpGraphics>(graphics), As<Gdiplus::GpPen>(pen), x1, y1, x2, y2));
    }
    Status DrawPath(GraphicsContext* graphics, GraphicsPen* pen, GraphicsPath* path) override {
        return Result(gp::GdipDrawPath(As<Gdiplus::GpGraphics>(graphics), As<Gdiplus::GpPen>(pen),
                                       As<Gdiplus::GpPath>(path)));
    }
    Status FillPath(GraphicsContext* graphics, GraphicsBrush* brush, GraphicsPath* path) override {
        return Result(gp::GdipFillPath(As<Gdiplus::GpGraphics>(graphics), As<Gdiplus::GpBrush>(brush),
                                       As<Gdiplus::GpPath>(path)));
    }
};

}  // namespace

Graphics& GdiPlus() {
    static Layer layer;
    return layer;
}

}  // namespace platform::win32
