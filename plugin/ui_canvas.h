// The canvas and graphics layer a paint box paints on for a host of the UI seam: every
// call becomes one of the host's drawing operations, called at once.
#pragma once

#include "platform/graphics.h"

#include <qm7140/ui.h>

#include <string>

namespace ui {

class UiGraphics final : public platform::Graphics {
public:
    UiGraphics(const QM7140UiDrawing& table, void* context, platform::DeviceHandle device)
        : table_(table), context_(context), device_(device) {}

    Status CreateFromHDC(platform::DeviceHandle device, platform::GraphicsContext** graphics) override;
    Status DeleteGraphics(platform::GraphicsContext* graphics) override;
    Status SetSmoothingMode(platform::GraphicsContext* graphics, platform::SmoothingMode mode) override;
    Status SetCompositingQuality(platform::GraphicsContext* graphics, platform::CompositingQuality quality) override;
    Status SetInterpolationMode(platform::GraphicsContext* graphics, platform::InterpolationMode mode) override;
    Status CreatePen1(platform::Argb color, float width, platform::Unit unit, platform::GraphicsPen** pen) override;
    Status SetPenDashStyle(platform::GraphicsPen* pen, platform::DashStyle style) override;
    Status DeletePen(platform::GraphicsPen* pen) override;
    Status CreateSolidFill(platform::Argb color, platform::GraphicsBrush** brush) override;
    Status DeleteBrush(platform::GraphicsBrush* brush) override;
    Status CreatePath(platform::FillMode mode, platform::GraphicsPath** path) override;
    Status ResetPath(platform::GraphicsPath* path) override;
    Status AddPathArcI(platform::GraphicsPath* path, int x, int y, int width, int height, float start,
                       float sweep) override;
    Status ClosePathFigure(platform::GraphicsPath* path) override;
    Status DeletePath(platform::GraphicsPath* path) override;
    Status DrawLine(platform::GraphicsContext* graphics, platform::GraphicsPen* pen, float x1, float y1, float x2,
                    float y2) override;
    Status DrawPath(platform::GraphicsContext* graphics, platform::GraphicsPen* pen, platform::GraphicsPath* path) override;
    Status FillPath(platform::GraphicsContext* graphics, platform::GraphicsBrush* brush,
                    platform::GraphicsPath* path) override;

private:
    const QM7140UiDrawing& table_;
    void* context_;
    platform::DeviceHandle device_;
};

class UiCanvas final : public platform::Canvas {
public:
    // The table is the host's, already checked to be at least its first version; only the
    // operations inside its size are used.
    UiCanvas(const QM7140UiDrawing& table, void* context);

    void Lock() override {}
    void Unlock() override {}
    void SetBrush(platform::Color color) override { brush_ = color; }
    void SetPen(platform::Color color, int width) override;
    void SetFont(std::string_view name, int points, platform::Color color) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void WriteText(int x, int y, std::string_view text) override;
    void WriteTextUp(int x, int y, std::string_view text) override;
    platform::DeviceHandle GetHandle() override { return this; }
    platform::Graphics& GetGraphics() override { return graphics_; }

private:
    QM7140UiDrawing table_{};
    void* context_;
    UiGraphics graphics_;
    platform::Color brush_ = 0xFFFFFF, pen_ = 0, fontColor_ = 0;
    int penWidth_ = 1, penX_ = 0, penY_ = 0, fontPoints_ = 8;
    std::string fontName_ = "Tahoma";
};

}  // namespace ui
