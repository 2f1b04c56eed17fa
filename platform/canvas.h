// The framework canvas a paint box or a graph object draws on: pen, brush and font, a few
// shapes and text, its lock, and the device handle and graphics layer for anti-aliased work.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

class Graphics;

// The framework's colour, 0x00BBGGRR (red in the low byte). A canvas uses the low three bytes.
using Color = uint32_t;

// What a graphics layer draws on (a device context, a surface); opaque to everyone else.
using DeviceHandle = void*;

class Canvas {
public:
    virtual ~Canvas() = default;
    // Held while a graph object draws, so that nothing else uses the canvas in between.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

    // The brush fills rectangles and the boxes behind text.
    virtual void SetBrush(Color color) = 0;
    virtual void SetPen(Color color, int width) = 0;
    virtual void SetFont(std::string_view name, int points, Color color) = 0;

    // Fills the pixels from (left, top) up to, not including, (right, bottom).
    virtual void FillRect(int left, int top, int right, int bottom) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // A line from the pen position to (x, y), which becomes the pen position.
    virtual void LineTo(int x, int y) = 0;
    // Text with the top-left corner of its box at (x, y), the box filled with the brush.
    virtual void WriteText(int x, int y, std::string_view text) = 0;
    // The same turned by 90 degrees: it runs upwards from (x, y), its top facing left.
    virtual void WriteTextUp(int x, int y, std::string_view text) = 0;

    virtual DeviceHandle GetHandle() = 0;
    // The graphics layer that draws on GetHandle(): each kind of canvas brings its own.
    virtual Graphics& GetGraphics() = 0;
};

}  // namespace platform
