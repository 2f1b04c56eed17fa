// What one user change and one host notification cost, end to end through the model.
#include "dialogs/tboost.h"
#include "plugin/csapi.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

std::array<uint8_t, 256> regs{};
void QM7140_CDECL Sink(intptr_t, int32_t, int32_t, uint32_t reg, int32_t) { benchmark::DoNotOptimize(regs[reg]); }

void Connect(TI2CObject& w) {
    w.Cache = regs.data();
    w.WriteCallback = &Sink;
}

void BM_WriteBits(benchmark::State& state) {
    TBoostForm form;
    Connect(form.BoostI2C);
    uint8_t v = 0;
    for (auto _ : state) form.BoostI2C.WriteBits(20, v++ & 0x0C, 0x0C);
}
BENCHMARK(BM_WriteBits);

void BM_UserClickToBusWrite(benchmark::State& state) {
    TBoostForm form;
    Connect(form.BoostI2C);
    for (auto _ : state) form.EnableBoost.userClick();
}
BENCHMARK(BM_UserClickToBusWrite);

void BM_NotificationReload(benchmark::State& state) {
    TBoostForm form;
    Connect(form.BoostI2C);
    uint8_t v = 0;
    for (auto _ : state) {
        regs[2] = v++;
        form.BoostI2C.RegisterChanged(128, 0, 2);
    }
}
BENCHMARK(BM_NotificationReload);

// Creating an instance builds three forms with every control: what _Init costs a host.
void BM_CreateAndFreeInstance(benchmark::State& state) {
    for (auto _ : state) {
        csapi::Attach();
        csapi::FreeCodecInstance(*csapi::Init());
    }
}
BENCHMARK(BM_CreateAndFreeInstance);

}  // namespace
