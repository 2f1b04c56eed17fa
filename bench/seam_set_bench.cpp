// A control set through the UI seam from C on a device as every host drives it: the Limiter's
// Release track bar slid between its ends, the write sent to a simulated chip and logged,
// the call settled. bench/python_set.py times the same set from Python beside it.
#include "host/common/bus/simulated_adapter.h"
#include "host/common/chip/amplifier.h"
#include "host/common/module/module.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_SeamSetTrackBar(benchmark::State& state) {
    host::Module module(QM7140_LIBRARY);
    std::string line;
    host::Amplifier amp(module, host::SimulatedBus(), [&](const host::Record& record) { line = host::RecordLine(record); });
    amp.Connect();
    module.SelectMenu(amp.Instance(), QM7140_DIALOG_LIMITER);
    int32_t release = -1;
    module.Ui.find(amp.Instance(), QM7140_DIALOG_LIMITER, "Release", &release);
    int i = 0;
    for (auto _ : state) {
        module.Ui.activate(amp.Instance(), QM7140_DIALOG_LIMITER);
        module.Ui.setPosition(amp.Instance(), QM7140_DIALOG_LIMITER, release, (i++ & 1) * 15);
        amp.Settle();
        benchmark::DoNotOptimize(line.data());
    }
}
BENCHMARK(BM_SeamSetTrackBar);

}  // namespace
