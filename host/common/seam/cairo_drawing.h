// A picture the module paints through the UI seam's drawing table, on a Cairo image surface:
// the terminal host's snapshots and Python's PNGs of a paint box.
#pragma once

#include <qm7140/ui.h>

#include <optional>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace host {

class CairoPicture {
public:
    // 1 to 8192 pixels each way; black until painted.
    CairoPicture(int width, int height);
    ~CairoPicture();
    CairoPicture(const CairoPicture&) = delete;
    CairoPicture& operator=(const CairoPicture&) = delete;

    // The table to paint with, a CairoPicture as the context.
    static const QM7140UiDrawing kDrawing;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0x00RRGGBB of one pixel; 0 outside.
    uint32_t PixelAt(int x, int y);
    // The picture encoded as a PNG file's bytes, written by the caller (whose writes name
    // the system's reason when they fail); none when Cairo cannot encode it.
    std::optional<std::string> Png();

    cairo_surface_t* Surface() const { return surface_; }

private:
    int width_, height_;
    cairo_surface_t* surface_;
};

}  // namespace host
