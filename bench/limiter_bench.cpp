// One step of a cursor drag on the Limiter / AGC view, end to end: the mouse move, the two
// quantised writes through the host's callback, and the full repaint of the 602 x 394 view
// through Cairo; beside a bare Cairo frame of the same picture drawn by this file without
// the model. Heap allocations are counted: the model part of a drag step and a track-bar
// change must make none.
#include "dialogs/tlimiter.h"
#include "platform/cairo/cairo_canvas.h"
#include "platform/conversions.h"

#include <benchmark/benchmark.h>

#include <cairo.h>

#include <cstdlib>
#include <new>
#include <numbers>

namespace {
size_t allocations = 0;
}

// For the other benchmarks of this program that count.
size_t BenchAllocations();
size_t BenchAllocations() { return allocations; }

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// The replacement pair is malloc/free by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

constexpr int Width = 602, Height = 394;

uint8_t cache[256];
void QM7140_CDECL Sent(intptr_t, int32_t, int32_t, uint32_t reg, int32_t) { benchmark::DoNotOptimize(cache[reg]); }

// What a screen gives the paint box: a canvas its repaint lands on, at once.
class CairoScreen final : public platform::Peer {
public:
    explicit CairoScreen(platform::PaintBox& box) : box_(box), canvas_(box.Bounds.Width, box.Bounds.Height) {}
    void Update(platform::Change what) override {
        if (what == platform::Change::Repaint) box_.PaintOn(canvas_);
    }

private:
    platform::PaintBox& box_;
    platform::cairo::CairoCanvas canvas_;
};

struct Dragging {
    explicit Dragging(bool screen) {
        form.LimiterI2C.Cache = cache;
        form.LimiterI2C.WriteCallback = &Sent;
        if (screen) form.LimiterPaintBox.AttachPeer(std::make_unique<CairoScreen>(form.LimiterPaintBox));
        const Pixel at{static_cast<int32_t>(form.InflectionCursor.CenterX), static_cast<int32_t>(form.InflectionCursor.CenterY)};
        form.LimiterPaintBox.userMouseDown(platform::MouseButton::Left, at.x, at.y);
    }
    // Back and forth between two points, so that every step moves the curve.
    void Step(int i) { form.LimiterPaintBox.userMouseMove(300 + (i & 1) * 40, 80 + (i & 1) * 30); }
    TLimiterForm form;
};

void BM_DragStep_EndToEnd(benchmark::State& state) {
    Dragging drag(true);
    int i = 0;
    for (auto _ : state) drag.Step(i++);
}
BENCHMARK(BM_DragStep_EndToEnd)->Unit(benchmark::kMicrosecond);

void BM_DragStep_ModelOnly(benchmark::State& state) {
    Dragging drag(false);
    int i = 0;
    const size_t before = allocations;
    for (auto _ : state) drag.Step(i++);
    state.counters["allocs/step"] = static_cast<double>(allocations - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DragStep_ModelOnly);

void BM_TrackBarChange(benchmark::State& state) {
    TLimiterForm form;
    form.LimiterI2C.Cache = cache;
    form.LimiterI2C.WriteCallback = &Sent;
    int i = 0;
    const size_t before = allocations;
    for (auto _ : state) form.Release.userSetPosition(++i & 15);
    state.counters["allocs/step"] = static_cast<double>(allocations - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TrackBarChange);

// The same picture with Cairo alone: one context, grid, labels, captions, curve, cursors.
void Text(cairo_t* cr, double x, double y, const char* text, bool upwards) {
    cairo_text_extents_t extents;
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_text_extents(cr, text, &extents);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    if (upwards) cairo_rotate(cr, -std::numbers::pi / 2);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, 0, 0, extents.x_advance, font.ascent + font.descent);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 0, font.ascent);
    cairo_show_text(cr, text);
    cairo_restore(cr);
}

void RoundedSquare(cairo_t* cr, double cx, double cy, double r, double g, double b) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx - 2, cy - 2, 1, std::numbers::pi, 1.5 * std::numbers::pi);
    cairo_arc(cr, cx + 3, cy - 2, 1, 1.5 * std::numbers::pi, 2 * std::numbers::pi);
    cairo_arc(cr, cx + 3, cy + 3, 1, 0, 0.5 * std::numbers::pi);
    cairo_arc(cr, cx - 2, cy + 3, 1, 0.5 * std::numbers::pi, std::numbers::pi);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void BM_BareCairoFrame(benchmark::State& state) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, Width, Height);
    int i = 0;
    for (auto _ : state) {
        const double kneeX = 300 + (i & 1) * 40, kneeY = 80 + (i++ & 1) * 30;
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
        cairo_select_font_face(cr, "Arial", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 13);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_line_width(cr, 1);
        for (int n = 0; n <= 10; ++n) {
            const double x = 40 + (Width - 50) * n * 0.1, y = 10 + (Height - 50) * n / 10.6;
            cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
            cairo_move_to(cr, x + 0.5, 10.5);
            cairo_line_to(cr, x + 0.5, Height - 39.5);
            cairo_move_to(cr, 40.5, y + 0.5);
            cairo_line_to(cr, Width - 9.5, y + 0.5);
            cairo_stroke(cr);
            Text(cr, x - 10, Height - 35, platform::FloatToStr(1 + n * 0.5).c_str(), false);
            Text(cr, 20, y - 10, platform::FloatToStr(n).c_str(), false);
        }
        Text(cr, 3, Height / 2 + 40, "Level [V]", true);
        Text(cr, Width / 2 - 40, Height - 20, "IP [V]", false);
        cairo_set_source_rgb(cr, 0, 0xBB / 255.0, 0xBB / 255.0);
        cairo_set_line_width(cr, 2);
        cairo_move_to(cr, Width - 10, kneeY);
        cairo_line_to(cr, kneeX, kneeY);
        cairo_line_to(cr, 180, Height - 40);
        cairo_stroke(cr);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
        RoundedSquare(cr, kneeX, kneeY, 1, 0, 0);
        RoundedSquare(cr, 180, Height - 40, 1, 1, 0);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    }
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_BareCairoFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
