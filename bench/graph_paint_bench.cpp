// What one Paint of a graph object costs on each graphics layer the native build has, beside
// a bare Cairo frame drawing the same rounded square directly.
#include "graph/tguiobject.h"
#include "platform/cairo/cairo_canvas.h"
#include "platform/recording_canvas.h"

#include <benchmark/benchmark.h>

#include <numbers>

namespace {

struct Line final : TGUILine {
    Line() : TGUILine(2, 0xBBBB00) {
        ScreenPoints[0] = {40, 300};
        ScreenPoints[1] = {300, 120};
    }
};

struct Cursor {
    Cursor() {
        c.NormalColor = 0x0000FF;
        c.SetCenter(300, 120);
    }
    TLCursor c;
};

// The limiter view's paint box.
constexpr int Width = 602, Height = 394;

void BM_PaintCursor_Cairo(benchmark::State& state) {
    platform::cairo::CairoCanvas canvas(Width, Height);
    Cursor cursor;
    for (auto _ : state) cursor.c.Paint(&canvas);
}
BENCHMARK(BM_PaintCursor_Cairo);

void BM_PaintLine_Cairo(benchmark::State& state) {
    platform::cairo::CairoCanvas canvas(Width, Height);
    Line line;
    for (auto _ : state) line.Paint(&canvas);
}
BENCHMARK(BM_PaintLine_Cairo);

void BM_PaintCursor_Recorder(benchmark::State& state) {
    platform::RecordingCanvas canvas;
    Cursor cursor;
    for (auto _ : state) {
        canvas.calls.clear();
        cursor.c.Paint(&canvas);
    }
}
BENCHMARK(BM_PaintCursor_Recorder);

void BM_PaintLine_Recorder(benchmark::State& state) {
    platform::RecordingCanvas canvas;
    Line line;
    for (auto _ : state) {
        canvas.calls.clear();
        line.Paint(&canvas);
    }
}
BENCHMARK(BM_PaintLine_Recorder);

// The baseline: one context, the cursor's four arcs, one anti-aliased stroke.
void BM_BareCairoRoundedSquare(benchmark::State& state) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, Width, Height);
    const double corners[4][3] = {{298, 118, 180}, {303, 118, 270}, {303, 123, 0}, {298, 123, 90}};
    for (auto _ : state) {
        cairo_t* cr = cairo_create(surface);
        cairo_translate(cr, 0.5, 0.5);
        for (const auto& c : corners)
            cairo_arc(cr, c[0], c[1], 1, c[2] * std::numbers::pi / 180, (c[2] + 90) * std::numbers::pi / 180);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        cairo_destroy(cr);
    }
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_BareCairoRoundedSquare);

}  // namespace
