// A host for tests: a 256-byte register file installed as a window's cache, and a log of
// every write callback with the byte the host found in its cache at that moment.
#pragma once

#include "registers/ti2cobject.h"

#include <array>
#include <cstdint>
#include <vector>

struct BusWrite {
    intptr_t context;
    int32_t address, page;
    uint32_t reg;
    int32_t count;
    uint8_t cached;
    bool operator==(const BusWrite&) const = default;
};

struct TestHost {
    std::array<uint8_t, 256> regs{};
    std::vector<BusWrite> writes;

    TestHost() { current = this; }
    ~TestHost() { current = nullptr; }

    void Connect(TI2CObject& window, intptr_t context = 0x1234) {
        window.Cache = regs.data();
        window.CallbackContext = context;
        window.WriteCallback = &Write;
    }
    // Stores a value and notifies, as a host does after reading the device.
    void Set(TI2CObject& window, uint8_t reg, uint8_t value) {
        regs[reg] = value;
        window.RegisterChanged(128, 0, reg);
    }

    static void QM7140_CDECL Write(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count) {
        current->writes.push_back({context, address, page, reg, count, current->regs[reg & 0xFF]});
    }
    static inline TestHost* current = nullptr;
};
