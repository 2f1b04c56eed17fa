#include "screen.h"
#include "soak.h"

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Beyond what the trivial DLL's loads grow, the module's loads may grow this much: a fixed
// slack for the heap, and less than a kilobyte a load.
constexpr long long kSlackKb = 64, kPerLoadKb = 1;

// Any DLL with a static C++ runtime grows Wine's committed memory a little on every load.
bool LoadTrivial() {
    HMODULE dll = LoadLibraryW(L"qm7140_soak_trivial.dll");
    if (dll == nullptr) return false;
    auto value = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(dll, "SoakTrivialValue")));
    const bool ok = value != nullptr && value() == 42;
    FreeLibrary(dll);
    return ok;
}

// One load as a host uses it: 16 connected instances (a 17th refused), the first one's
// dialogs shown, all freed, and the module unloaded.
bool UseModule() {
    try {
        host::Module module(host::DefaultModulePath());
        std::vector<std::unique_ptr<host::ModuleInstance>> devices;
        for (int i = 0; i < kInstancesPerLoad; ++i) devices.push_back(std::make_unique<host::ModuleInstance>(module, nullptr));
        const bool ok = module.Init(0, 0, 0, 0) == nullptr;
        for (int32_t dialog = 0; dialog < 3; ++dialog) module.SelectMenu(devices[0]->Instance(), dialog);
        Pump();
        devices.clear();
        Pump();
        return ok;
    } catch (const std::runtime_error&) {
        return false;  // not loaded, or an instance refused
    }
}

struct Run {
    Resources start, end;
    int failed = 0;
};

// After one warm-up round, so that what the first load sets up for good does not count.
template <class Once>
Run Repeat(int times, Once once) {
    once();
    Run run;
    run.start = MeasureResources();
    for (int i = 0; i < times; ++i) run.failed += once() ? 0 : 1;
    run.end = MeasureResources();
    return run;
}

}  // namespace

void SoakReloads(int reloads, Verdict& verdict) {
    std::printf("soak: %d loads of a trivial DLL, then %d of the module with %d instances each\n", reloads, reloads,
                kInstancesPerLoad);
    const ULONGLONG began = GetTickCount64();
    const Run trivial = Repeat(reloads, &LoadTrivial);
    const Run module = Repeat(reloads, &UseModule);
    std::printf("soak:   %.1f s\n", static_cast<double>(GetTickCount64() - began) / 1000);
    PrintResources("trivial DLL", trivial.start, trivial.end);
    PrintResources("module", module.start, module.end);
    const long long trivialKb = GrowthKilobytes(trivial.start, trivial.end);
    const long long moduleKb = GrowthKilobytes(module.start, module.end);
    const double loads = reloads > 0 ? reloads : 1;
    std::printf("soak:   per load: trivial DLL %+.1f KB, module %+.1f KB\n", static_cast<double>(trivialKb) / loads,
                static_cast<double>(moduleKb) / loads);
    verdict.Check(trivial.failed == 0, "the trivial DLL did not load");
    verdict.Check(module.failed == 0, std::to_string(module.failed) + " loads of the module failed");
    verdict.Check(module.end.windows == module.start.windows, "windows left behind across reloads");
    verdict.Check(module.end.gdi <= module.start.gdi, "GDI objects left behind across reloads");
    const long long bound = trivialKb + kSlackKb + kPerLoadKb * reloads;
    verdict.Check(moduleKb <= bound, "memory grew more across reloads than the trivial DLL's " +
                                         std::to_string(trivialKb) + " KB and the bound (" + std::to_string(bound) +
                                         " KB)");
}
