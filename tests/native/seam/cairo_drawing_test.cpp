// Graph objects and canvas calls on real pixels, through the Cairo backend.
#include "dialogs/tlimiter.h"
#include "graph/tguiobject.h"
#include "host/common/seam/cairo_drawing.h"
#include "platform/cairo/cairo_canvas.h"
#include "platform/graphics.h"
#include "host/common/module/module.h"

#include <qm7140/ui.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

// Fontconfig keeps what it loads for the life of the process; the leak checker is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using platform::cairo::CairoCanvas;

struct Box final : TGUIRectangle {
    Box() : TGUIRectangle(2, 0) {}
};

struct Line final : TGUILine {
    Line() : TGUILine(1, 0) {}
};

struct Expected {
    int x, y;
    uint32_t rgb;   // 0xRRGGBB
    int tolerance;  // per channel
};

int Channel(uint32_t rgb, int shift) { return static_cast<int>(rgb >> shift & 0xFF); }

void ExpectPixels(CairoCanvas& canvas, std::initializer_list<Expected> pixels) {
    for (const Expected& e : pixels) {
        const uint32_t got = canvas.PixelAt(e.x, e.y);
        for (int shift : {16, 8, 0})
            EXPECT_LE(std::abs(Channel(got, shift) - Channel(e.rgb, shift)), e.tolerance)
                << "(" << e.x << ", " << e.y << ") is " << std::hex << got << ", expected " << e.rgb;
    }
}

// The smallest box holding every pixel that is not black.
struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Extent Drawn(CairoCanvas& canvas) {
    Extent e;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.PixelAt(x, y) != 0) {
                e.left = std::min(e.left, x), e.right = std::max(e.right, x);
                e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
            }
    return e;
}

TEST(CairoDrawing, CursorOutlineSitsOnItsEdgesWithSoftenedSides) {
    CairoCanvas canvas(200, 100);
    TLCursor cursor;
    cursor.NormalColor = 0x0000FF;
    cursor.SetCenter(100, 50);
    cursor.Paint(&canvas);
    // A 2-pixel pen centred on pixel 97 covers it fully and half of each neighbour.
    ExpectPixels(canvas, {
                             {97, 50, 0xFF0000, 0},   {104, 50, 0xFF0000, 0}, {100, 47, 0xFF0000, 0},
                             {100, 54, 0xFF0000, 0},  {96, 50, 0x800000, 40}, {98, 50, 0x800000, 40},
                             {105, 50, 0x800000, 40}, {100, 46, 0x800000, 40}, {100, 55, 0x800000, 40},
                             {100, 50, 0x000000, 0},  {94, 50, 0x000000, 0},  {107, 50, 0x000000, 0},
                             {100, 44, 0x000000, 0},  {100, 57, 0x000000, 0},
                         });
    const Extent e = Drawn(canvas);
    EXPECT_EQ(e.left, 96);
    EXPECT_EQ(e.top, 46);
    EXPECT_EQ(e.right, 105);
    EXPECT_EQ(e.bottom, 55);
    EXPECT_EQ(canvas.LockDepth(), 0);
}

TEST(CairoDrawing, FilledShapesAndLinesLandInTheirColours) {
    CairoCanvas canvas(100, 100);
    canvas.SetBrush(0x0000FF);  // framework red
    canvas.FillRect(10, 10, 20, 15);
    Box box;  // blue fill given as 0x00RRGGBB, green outline
    box.Color = 0x00FF00;
    box.FillStyle = 2;
    box.FillColor = 0x0000FF;
    box.ScreenPoints[0] = {40, 40};
    box.ScreenPoints[1] = {60, 50};
    box.Paint(&canvas);
    Line line;
    line.Color = 0xFF0000;  // framework blue
    line.ScreenPoints[0] = {10, 80};
    line.ScreenPoints[1] = {60, 80};
    line.Paint(&canvas);
    ExpectPixels(canvas, {
                             {10, 10, 0xFF0000, 0}, {19, 14, 0xFF0000, 0}, {20, 14, 0x000000, 0},
                             {19, 15, 0x000000, 0}, {9, 10, 0x000000, 0},  {50, 45, 0x0000FF, 0},
                             {40, 45, 0x00FF00, 0}, {61, 45, 0x00FF00, 0}, {50, 40, 0x00FF00, 0},
                             {50, 51, 0x00FF00, 0}, {35, 80, 0x0000FF, 0}, {35, 79, 0x000000, 0},
                             {35, 81, 0x000000, 0},
                         });
}

TEST(CairoDrawing, TextSitsOnItsBrushBoxAndTurnedTextRunsUpwards) {
    CairoCanvas canvas(200, 200);
    canvas.SetBrush(0x000000);
    canvas.SetFont("Arial", 10, 0xFFFFFF);
    canvas.WriteText(20, 30, "IP [V]");
    Extent e = Drawn(canvas);
    EXPECT_GE(e.left, 20);
    EXPECT_GE(e.top, 30);
    EXPECT_LE(e.right, 20 + 45);
    EXPECT_LE(e.bottom, 30 + 16);
    EXPECT_GT(e.right - e.left, 25);  // six characters, about 35 pixels

    CairoCanvas turned(200, 200);
    turned.SetBrush(0x808080);
    turned.SetFont("Arial", 10, 0xFFFFFF);
    turned.WriteTextUp(3, 150, "Level [V]");
    e = Drawn(turned);
    // The grey box: as wide as the font is high, as tall as the text is long, above (3, 150).
    EXPECT_EQ(e.left, 3);
    EXPECT_EQ(e.bottom, 149);
    EXPECT_NEAR(e.right - e.left, 15, 3);
    EXPECT_NEAR(e.bottom - e.top, 55, 10);
    EXPECT_EQ(turned.PixelAt(4, 149), 0x808080u);

    // Text that is not UTF-8 draws nothing and spoils nothing after it.
    turned.WriteText(100, 10, "\xff\xfe");
    turned.SetBrush(0x00FF00);
    turned.FillRect(150, 150, 160, 160);
    EXPECT_EQ(turned.PixelAt(155, 155), 0x00FF00u);
}

TEST(CairoDrawing, RefusedCallsLeaveTheLayerDrawing) {
    using enum platform::GraphicsStatus;
    CairoCanvas canvas(20, 20);
    platform::Graphics& layer = canvas.GetGraphics();
    platform::GraphicsContext* g = nullptr;
    platform::GraphicsPen *pen = nullptr, *refused = nullptr;
    platform::GraphicsPath* path = nullptr;
    EXPECT_EQ(layer.CreateFromHDC(nullptr, &g), InvalidParameter);
    ASSERT_EQ(layer.CreateFromHDC(canvas.GetHandle(), &g), Ok);
    ASSERT_EQ(layer.CreatePen1(0xFFFFFFFF, 1, platform::Unit::World, &pen), Ok);
    ASSERT_EQ(layer.CreatePath(platform::FillMode::Alternate, &path), Ok);
    // Each of these would put Cairo's context in an error state, or use a null object.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (platform::GraphicsStatus status :
         {layer.DrawLine(g, pen, nan, 0, 5, 5), layer.DrawLine(g, nullptr, 0, 0, 5, 5),
          layer.AddPathArcI(path, 0, 0, 0, 4, 0, 90), layer.AddPathArcI(path, 0, 0, 4, -4, 0, 90),
          layer.AddPathArcI(path, 0, 0, 4, 4, nan, 90), layer.CreatePen1(0, -1, platform::Unit::World, &refused),
          layer.SetSmoothingMode(g, platform::SmoothingMode{9}), layer.DrawPath(nullptr, pen, path),
          layer.DeletePen(nullptr)})
        EXPECT_EQ(status, InvalidParameter);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(layer.DrawPath(g, pen, path), Ok);  // an empty path draws nothing
    EXPECT_EQ(layer.DrawLine(g, pen, 2, 10, 17, 10), Ok);
    EXPECT_EQ(layer.DeletePath(path), Ok);
    EXPECT_EQ(layer.DeletePen(pen), Ok);
    EXPECT_EQ(layer.DeleteGraphics(g), Ok);
    EXPECT_EQ(canvas.PixelAt(10, 10), 0xFFFFFFu);
    EXPECT_EQ(canvas.PixelAt(10, 11), 0u);
}

// The terminal host's snapshot paints what the module's seam hands it; every pixel must be
// the one the Cairo canvas paints on the same curve view.
TEST(CairoDrawing, TheHostsPictureOfTheSeamEqualsTheCanvasPixelForPixel) {
    TLimiterForm form;
    CairoCanvas canvas(form.LimiterPaintBox.Bounds.Width, form.LimiterPaintBox.Bounds.Height);
    form.LimiterPaintBox.PaintOn(canvas);

    host::Module m(QM7140_LIBRARY);
    const QM7140Instance h = m.Init(0, 0, 0, 0);
    int32_t box = -1;
    ASSERT_EQ(m.Ui.find(h, QM7140_DIALOG_LIMITER, "LimiterPaintBox", &box), QM7140_UI_OK);
    host::CairoPicture picture(canvas.Width(), canvas.Height());
    ASSERT_EQ(m.Ui.paint(h, QM7140_DIALOG_LIMITER, box, &host::CairoPicture::kDrawing, &picture),
              QM7140_UI_OK);
    m.FreeCodecInstance(h);
    int different = 0;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x) different += picture.PixelAt(x, y) != canvas.PixelAt(x, y);
    EXPECT_EQ(different, 0);
}

}  // namespace
