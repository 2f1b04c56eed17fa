// The hosts' register file and write log behind a window of the loaded DLL, and
// notifications sent through the window's operation table.
#pragma once

#include "host/common/module/register_host.h"

#include <qm7140/plugin.h>

#include <array>
#include <cstdint>

using host::BusWrite;

struct TestHost : host::RegisterHost {
    std::array<uint8_t, 256>& cache = Registers().bytes;
};

// The table read where the host reads it, and slot 0 called as a plain cdecl function with
// the window as first argument. The out-of-line read and the volatile pointer keep the
// compiler from calling anything but what the table holds.
__attribute__((noinline)) inline const QM7140RegisterWindowOps* OperationsOf(const QM7140RegisterWindow* window) {
    return window->Ops;
}

inline void NotifyChanged(QM7140RegisterWindow* window, int32_t address, int32_t page, uint32_t reg) {
    using Slot = decltype(QM7140RegisterWindowOps::RegisterChanged);
    const volatile Slot slot = OperationsOf(window)->RegisterChanged;
    slot(window, address, page, reg);
}
