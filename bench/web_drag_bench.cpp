// One step of a cursor drag through the UI seam, as each Linux host does it with the
// module loaded as a host loads it: the mouse move (the model and its two register writes,
// each turned into the host's log line), then the Limiter view painted: by the web host
// into the display list it sends to the pages, by the terminal host through Cairo.
#include "host/common/module/module_instance.h"
#include "host/common/module/module.h"
#include "host/common/seam/cairo_drawing.h"
#include "host/web/display_list.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

struct SeamDrag {
    SeamDrag()
        : module(QM7140_LIBRARY), device(module, [this](const host::BusWrite& write) {
              line = host::WriteLine(write, device.Registers());
          }) {
        module.SelectMenu(device.Instance(), QM7140_DIALOG_LIMITER);
        module.Ui.find(device.Instance(), QM7140_DIALOG_LIMITER, "LimiterPaintBox", &box);
        // The inflection cursor where the dialog starts it: 3.59 V, 7.90 V on a 602 x 394 view.
        module.Ui.mouse(device.Instance(), QM7140_DIALOG_LIMITER, box, QM7140_UI_MOUSE_DOWN, QM7140_UI_BUTTON_LEFT, 326, 97);
    }
    // Back and forth between two points, so that every step moves the curve.
    void Move(int i) {
        module.Ui.mouse(device.Instance(), QM7140_DIALOG_LIMITER, box, QM7140_UI_MOUSE_MOVE, QM7140_UI_BUTTON_LEFT,
                        300 + (i & 1) * 40, 80 + (i & 1) * 30);
    }
    void Paint(const QM7140UiDrawing& drawing, void* context) {
        module.Ui.paint(device.Instance(), QM7140_DIALOG_LIMITER, box, &drawing, context);
    }

    host::Module module;
    host::ModuleInstance device;
    std::string line;
    int32_t box = -1;
};

void BM_SeamDragStep_WebDisplayList(benchmark::State& state) {
    SeamDrag drag;
    web::DisplayList list;
    size_t bytes = 0;
    int i = 0;
    for (auto _ : state) {
        drag.Move(i++);
        drag.Paint(web::DisplayListDrawing(), &list);
        const std::string frame = web::Dump(list.Finish());
        bytes = frame.size();
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["bytes/frame"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SeamDragStep_WebDisplayList)->Unit(benchmark::kMicrosecond);

void BM_SeamDragStep_TerminalCairo(benchmark::State& state) {
    SeamDrag drag;
    host::CairoPicture picture(602, 394);
    int i = 0;
    for (auto _ : state) {
        drag.Move(i++);
        drag.Paint(host::CairoPicture::kDrawing, &picture);
    }
}
BENCHMARK(BM_SeamDragStep_TerminalCairo)->Unit(benchmark::kMicrosecond);

}  // namespace
