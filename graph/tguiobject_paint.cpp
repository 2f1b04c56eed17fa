// How graph objects reach a canvas: Paint picks colour and width, Draw renders through the
// canvas's graphics layer. Every graphics object is made and released inside one Draw.
#include "graph/tguiobject.h"
#include "platform/conversions.h"
#include "platform/graphics.h"
#include "platform/no_throw.h"

namespace {

using platform::Saturate;
using platform::Truncate;
using platform::Graphics;

// TColor is 0x00BBGGRR; the graphics layer wants opaque 0xAARRGGBB. The high byte (a system
// colour's marker) does not count.
platform::Argb PenArgb(TColor c) {
    return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

// A graphics object of the layer's, deleted when its draw ends, however it ends. The delete
// runs also for an object that was never made, as the layer expects of every create.
template <class Object>
class Owned {
public:
    using Deleter = Graphics::Status (Graphics::*)(Object*);
    Owned(Graphics& layer, Deleter deleter) : layer_(layer), deleter_(deleter) {}
    ~Owned() {
        platform::NoThrow([this] { (layer_.*deleter_)(object); });
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Object* object = nullptr;

private:
    Graphics& layer_;
    Deleter deleter_;
};

// What both shapes begin with: a graphics context on the canvas in the quality every object
// draws with, and a pen of the current colour and width. Statuses are kept and never acted
// on: a failed step draws nothing and the steps after it run on with what they get.
struct PenSession {
    PenSession(platform::Canvas& canvas, TColor color, uint32_t width)
        : layer(canvas.GetGraphics()), graphics(layer, &Graphics::DeleteGraphics), pen(layer, &Graphics::DeletePen) {
        status = layer.CreateFromHDC(canvas.GetHandle(), &graphics.object);
        status = layer.SetSmoothingMode(graphics.object, platform::SmoothingMode::AntiAlias);
        status = layer.SetCompositingQuality(graphics.object, platform::CompositingQuality::Default);
        status = layer.SetInterpolationMode(graphics.object, platform::InterpolationMode::HighQuality);
        status = layer.CreatePen1(PenArgb(color), static_cast<float>(width), platform::Unit::World, &pen.object);
    }

    Graphics& layer;
    // Deleted in reverse: the pen, then the context.
    Owned<platform::GraphicsContext> graphics;
    Owned<platform::GraphicsPen> pen;
    Graphics::Status status = Graphics::Status::Ok;
};

}  // namespace

void TGUIObject::Paint(platform::Canvas* canvas) {
    if (!Visible || canvas == nullptr) return;
    Canvas = canvas;
    canvas->Lock();
    if (AnimationState == 0) {
        Draw(canvas);
    } else {
        // The step in extended precision, kept as float32: step 3 fades by just over 0.3.
        const float t = static_cast<float>(static_cast<long double>(AnimationStep) * 0.1L);
        Color = BlendColor(HighlightColor, FadeColor, t);
        PenWidth = HighlightPenWidth;
        Draw(canvas);
        // The base look for the paint after the animation ends; nothing is drawn with it now.
        Color = BlendColor(Selected ? SelectedColor : NormalColor, FadeColor, t);
        PenWidth = Selected ? SelectedPenWidth : NormalPenWidth;
    }
    canvas->Unlock();
}

// Slot 24, the host's to call as well: a layer that throws (out of memory) leaves the
// drawing unfinished and every object made for it deleted.
void TGUILine::Draw(platform::Canvas* canvas) noexcept {
    // Only Paint calls this with a canvas; a host calling the slot with none gets nothing.
    if (canvas == nullptr) return;
    platform::NoThrow([&] {
        PenSession s(*canvas, Color, PenWidth);
        DashStyle = 0;  // a line is always solid
        s.status = s.layer.SetPenDashStyle(s.pen.object, platform::DashStyle::Solid);
        const TGUIPoint p0 = ScreenPoints[0], p1 = ScreenPoints[1];
        s.status = s.layer.DrawLine(s.graphics.object, s.pen.object, p0.X, p0.Y, p1.X, p1.Y);
    });
}

void TGUIRectangle::Draw(platform::Canvas* canvas) noexcept {
    if (canvas == nullptr) return;
    platform::NoThrow([&] { DrawRoundedBox(*canvas); });
}

void TGUIRectangle::DrawRoundedBox(platform::Canvas& canvas) {
    PenSession s(canvas, Color, PenWidth);
    const TGUIPoint p0 = ScreenPoints[0], p1 = ScreenPoints[1];
    const float w = p1.X - p0.X, h = p1.Y - p0.Y;
    // The outline reaches one pixel past P1: W and H count both edges and one more.
    const int64_t W = Truncate(static_cast<double>(w) + 2.0), H = Truncate(static_cast<double>(h) + 2.0);
    int64_t rx = Truncate(ScreenPoints[2].X), ry = Truncate(ScreenPoints[2].Y);
    if (rx == 0) rx = 1;
    if (ry == 0) ry = 1;
    // Sums in 64 bits: a host may have placed its points anywhere.
    const int64_t x0 = Truncate(p0.X), y0 = Truncate(p0.Y);
    const int64_t right = x0 + W - 2 * rx - 1, bottom = y0 + H - 2 * ry - 1;
    const int32_t boxW = Saturate(2 * rx), boxH = Saturate(2 * ry);

    Owned<platform::GraphicsPath> path(s.layer, &Graphics::DeletePath);
    s.status = s.layer.CreatePath(platform::FillMode::Alternate, &path.object);
    s.status = s.layer.ResetPath(path.object);
    // Corners clockwise from the top left; the straight sides are the joins between them.
    s.status = s.layer.AddPathArcI(path.object, Saturate(x0), Saturate(y0), boxW, boxH, 180.0f, 90.0f);
    s.status = s.layer.AddPathArcI(path.object, Saturate(right), Saturate(y0), boxW, boxH, 270.0f, 90.0f);
    s.status = s.layer.AddPathArcI(path.object, Saturate(right), Saturate(bottom), boxW, boxH, 0.0f, 90.0f);
    s.status = s.layer.AddPathArcI(path.object, Saturate(x0), Saturate(bottom), boxW, boxH, 90.0f, 90.0f);
    s.status = s.layer.ClosePathFigure(path.object);
    if (FillStyle == 2) {
        // FillColor is already 0x00RRGGBB.
        Owned<platform::GraphicsBrush> brush(s.layer, &Graphics::DeleteBrush);
        s.status = s.layer.CreateSolidFill(FillColor | 0xFF000000u, &brush.object);
        s.status = s.layer.FillPath(s.graphics.object, brush.object, path.object);
    }
    s.status = s.layer.DrawPath(s.graphics.object, s.pen.object, path.object);
}
