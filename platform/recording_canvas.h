// A canvas and a graphics layer that draw nothing and write down every call, one line each,
// for tests that need the exact geometry and order of what a painter asked for.
#pragma once

#include "platform/graphics.h"

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace platform {

class RecordingGraphics final : public Graphics {
public:
    // Lines go to `log`; `device` is the handle CreateFromHDC recognises as its canvas's.
    RecordingGraphics(std::vector<std::string>& log, DeviceHandle device) : log_(log), device_(device) {}
    RecordingGraphics(const RecordingGraphics&) = delete;
    RecordingGraphics& operator=(const RecordingGraphics&) = delete;

    // Every call of the operation with this name fails with GenericError and creates nothing.
    std::string failing;
    // Every call of the operation with this name throws std::bad_alloc where it would
    // return, as a real layer's allocation might: a create has made nothing, a delete has
    // released its object.
    std::string throwing;
    // Objects created and not yet deleted.
    int Live() const { return live_; }

    Status CreateFromHDC(DeviceHandle device, GraphicsContext** graphics) override;
    Status DeleteGraphics(GraphicsContext* graphics) override;
    Status SetSmoothingMode(GraphicsContext* graphics, SmoothingMode mode) override;
    Status SetCompositingQuality(GraphicsContext* graphics, CompositingQuality quality) override;
    Status SetInterpolationMode(GraphicsContext* graphics, InterpolationMode mode) override;
    Status CreatePen1(Argb color, float width, Unit unit, GraphicsPen** pen) override;
    Status SetPenDashStyle(GraphicsPen* pen, DashStyle style) override;
    Status DeletePen(GraphicsPen* pen) override;
    Status CreateSolidFill(Argb color, GraphicsBrush** brush) override;
    Status DeleteBrush(GraphicsBrush* brush) override;
    Status CreatePath(FillMode mode, GraphicsPath** path) override;
    Status ResetPath(GraphicsPath* path) override;
    Status AddPathArcI(GraphicsPath* path, int x, int y, int width, int height, float start, float sweep) override;
    Status ClosePathFigure(GraphicsPath* path) override;
    Status DeletePath(GraphicsPath* path) override;
    Status DrawLine(GraphicsContext* graphics, GraphicsPen* pen, float x1, float y1, float x2, float y2) override;
    Status DrawPath(GraphicsContext* graphics, GraphicsPen* pen, GraphicsPath* path) override;
    Status FillPath(GraphicsContext* graphics, GraphicsBrush* brush, GraphicsPath* path) override;

private:
    template <class Handle>
    Status Create(const std::string& op, const char* kind, Handle** out, const std::string& args);
    template <class Handle>
    Status Delete(const std::string& op, Handle* object);
    Status Use(const std::string& op, std::initializer_list<const void*> objects, const std::string& args);

    std::vector<std::string>& log_;
    DeviceHandle device_;
    int live_ = 0;
    std::map<std::string, int, std::less<>> serials_;
};

class RecordingCanvas final : public Canvas {
public:
    RecordingCanvas() : graphics_(calls, this) {}

    std::vector<std::string> calls;
    RecordingGraphics& Recorder() { return graphics_; }
    int LockDepth() const { return lockDepth_; }

    void Lock() override;
    void Unlock() override;
    void SetBrush(Color color) override;
    void SetPen(Color color, int width) override;
    void SetFont(std::string_view name, int points, Color color) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void WriteText(int x, int y, std::string_view text) override;
    void WriteTextUp(int x, int y, std::string_view text) override;
    DeviceHandle GetHandle() override { return this; }
    Graphics& GetGraphics() override { return graphics_; }

private:
    RecordingGraphics graphics_;
    int lockDepth_ = 0;
};

}  // namespace platform
