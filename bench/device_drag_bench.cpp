// One step of a cursor drag as a host's device takes it: the module's two writes each go
// through the chip's bus (simulated here), are timed, kept in the transfer ring and given to
// the host as records. The drag's cost with the log kept, against the seam's alone
// (web_drag_bench.cpp); heap allocations per step are counted.
#include "host/common/bus/simulated_adapter.h"
#include "host/common/device/device.h"
#include "host/common/module/module.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

// Counted by limiter_bench.cpp's operator new.
size_t BenchAllocations();

namespace {

void BM_DragStep_ThroughDevice(benchmark::State& state) {
    host::Module module(QM7140_LIBRARY);
    size_t records = 0;
    host::Device device(module, host::SimulatedBus(), [&records](const host::Record&) { ++records; });
    device.Start();
    int32_t box = -1;
    const QM7140Instance instance = device.Chip().Instance();
    module.SelectMenu(instance, QM7140_DIALOG_LIMITER);
    module.Ui.find(instance, QM7140_DIALOG_LIMITER, "LimiterPaintBox", &box);
    module.Ui.mouse(instance, QM7140_DIALOG_LIMITER, box, QM7140_UI_MOUSE_DOWN, QM7140_UI_BUTTON_LEFT, 326, 97);
    int i = 0;
    const size_t before = BenchAllocations();
    for (auto _ : state) {
        module.Ui.mouse(instance, QM7140_DIALOG_LIMITER, box, QM7140_UI_MOUSE_MOVE, QM7140_UI_BUTTON_LEFT, 300 + (i & 1) * 40, 80 + (i & 1) * 30);
        ++i;
    }
    state.counters["allocs/step"] = static_cast<double>(BenchAllocations() - before) / static_cast<double>(state.iterations());
    state.counters["records/step"] = static_cast<double>(records) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DragStep_ThroughDevice);

}  // namespace
