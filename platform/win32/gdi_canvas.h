// The framework canvas over a GDI device context it does not own (a paint's, a window's),
// with GDI+ as its graphics layer. Every pen, brush and font lives for one call only, and the
// context is left as it was found.
#pragma once

#include "platform/canvas.h"

#include <windows.h>

#include <string>

namespace platform::win32 {

class GdiCanvas final : public Canvas {
public:
    explicit GdiCanvas(HDC dc) : dc_(dc) {}

    int LockDepth() const { return lockDepth_; }

    void Lock() override { ++lockDepth_; }
    void Unlock() override { --lockDepth_; }
    void SetBrush(Color color) override { brush_ = color & 0xFFFFFF; }
    void SetPen(Color color, int width) override;
    void SetFont(std::string_view name, int points, Color color) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void WriteText(int x, int y, std::string_view text) override;
    void WriteTextUp(int x, int y, std::string_view text) override;
    DeviceHandle GetHandle() override { return dc_; }
    Graphics& GetGraphics() override;

private:
    void Write(int x, int y, std::string_view text, bool upwards);

    HDC dc_;
    int lockDepth_ = 0;
    // The framework's defaults: white brush, black hairline pen.
    COLORREF brush_ = 0xFFFFFF;
    COLORREF pen_ = 0x000000;
    int penWidth_ = 1;
    std::string fontName_ = "Tahoma";
    int fontPoints_ = 8;
    COLORREF fontColor_ = 0x000000;
};

}  // namespace platform::win32
