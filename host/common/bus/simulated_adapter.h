// The simulated QM7140: one chip at kChipAddress that takes every transfer. Its registers are
// the bytes a device gives it, the device's own register cache (Amplifier::UseBus), so that
// whatever the host stores there (a state file, a poke, the grid's edit) is what the chip
// holds.
#pragma once

#include "host/common/bus/adapter.h"
#include "host/common/bus/bus.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <string>

namespace host {

class SimulatedAdapter final : public Adapter {
public:
    std::string Name() const override { return "simulated QM7140"; }
    int Open() override { return 0; }
    void Close() override {}
    int Claim(uint8_t address) override { return address == kChipAddress ? 0 : ENXIO; }
    BusResult Read(uint8_t, uint8_t reg) override { return {0, (*registers_)[reg]}; }
    BusResult Write(uint8_t, uint8_t reg, uint8_t value) override {
        (*registers_)[reg] = value;
        return {};
    }
    SimulatedAdapter* Simulation() override { return this; }

    // The chip's registers from now on, powered up: all 0 but the limiter's curve (registers
    // 11 to 13), which holds the codes the Limiter dialog is designed to start with, the only
    // power-up values we know. A host's first notification then leaves that curve in place.
    void PowerUpIn(std::array<uint8_t, 256>& registers);
    // The device takes its cache back: a copy of this bus that outlives it reaches bytes of
    // the chip's own, never the freed cache.
    void GiveBack() { registers_ = &own_; }

private:
    std::array<uint8_t, 256> own_{};  // while no device gives its cache
    std::array<uint8_t, 256>* registers_ = &own_;
};

// A new simulated QM7140's bus; nothing opened yet.
Bus SimulatedBus();

}  // namespace host
