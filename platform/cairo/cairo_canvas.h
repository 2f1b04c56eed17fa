// A canvas on an image surface of its own (opaque RGB, black at first): the Linux build's
// pixels, for tests, snapshots and benchmarks. Its graphics layer is Cairo's too.
#pragma once

#include "platform/canvas.h"

#include <cairo.h>

#include <cstdint>
#include <string>

namespace platform::cairo {

class CairoCanvas final : public Canvas {
public:
    // Sizes are clamped to 1 to 8192 pixels a side.
    CairoCanvas(int width, int height);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0x00RRGGBB of one pixel; 0 outside the canvas.
    uint32_t PixelAt(int x, int y);
    bool WritePng(const std::string& path);
    int LockDepth() const { return lockDepth_; }

    void Lock() override { ++lockDepth_; }
    void Unlock() override { --lockDepth_; }
    void SetBrush(Color color) override { brush_ = color; }
    void SetPen(Color color, int width) override;
    void SetFont(std::string_view name, int points, Color color) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void WriteText(int x, int y, std::string_view text) override;
    void WriteTextUp(int x, int y, std::string_view text) override;
    DeviceHandle GetHandle() override { return surface_; }
    Graphics& GetGraphics() override;

private:
    void Write(int x, int y, std::string_view text, bool upwards);

    int width_, height_;
    cairo_surface_t* surface_;
    int lockDepth_ = 0;
    Color brush_ = 0xFFFFFF;
    Color pen_ = 0x000000;
    int penWidth_ = 1;
    std::string fontName_ = "Tahoma";
    int fontPoints_ = 8;
    Color fontColor_ = 0x000000;
    int penX_ = 0, penY_ = 0;
};

}  // namespace platform::cairo
