// The hosts' register file and write log behind a dialog's window, in-process.
#pragma once

#include "host/common/module/register_host.h"
#include "registers/ti2cobject.h"

#include <array>
#include <cstdint>

using host::BusWrite;

struct TestHost : host::RegisterHost {
    std::array<uint8_t, 256>& regs = Registers().bytes;

    // Stores a value and notifies, as a host does after reading the device.
    void Set(TI2CObject& window, uint8_t reg, uint8_t value) {
        regs[reg] = value;
        window.RegisterChanged(128, 0, reg);
    }
};
