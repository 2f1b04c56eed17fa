// The way from a host's register cache to one QM7140: the chip at a 7-bit address behind an
// adapter that several chips may share. A value: a copy is the same chip on the same adapter.
#pragma once

#include "host/common/bus/shared_adapter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// The 7-bit address the chip answers at unless its board straps another; the module's
// windows name it in its 8-bit form, 0x80.
constexpr uint8_t kChipAddress = 0x40;

class Bus {
public:
    Bus(std::shared_ptr<SharedAdapter> adapter, uint8_t address) : adapter_(std::move(adapter)), address_(address) {}

    // "/dev/i2c-1 at 0x40", for messages.
    std::string Name() const;
    uint8_t Address() const { return address_; }
    // Opens the way to the chip, letting go of any earlier one first; errno, or 0.
    int Open() { return adapter_->Open(address_); }
    void Close() { adapter_->Close(address_); }
    BusResult Read(uint8_t reg) { return adapter_->Read(address_, reg); }
    BusResult Write(uint8_t reg, uint8_t value) { return adapter_->Write(address_, reg, value); }
    // The words for an errno this bus gave: strerror, unless its adapter knows better.
    std::string Why(int error) const { return adapter_->Why(error); }
    // The errno that found the adapter gone, until it is opened again; 0 while it serves.
    int Lost() const { return adapter_->Lost(); }
    // The simulated QM7140 when the chip is it, else null.
    SimulatedAdapter* Simulation() const { return adapter_->Simulation(); }
    bool Simulated() const { return Simulation() != nullptr; }

private:
    std::shared_ptr<SharedAdapter> adapter_;
    uint8_t address_;
};

// The chip at `address` on an adapter that no other chip shares; nothing opened yet.
Bus MakeBus(std::unique_ptr<Adapter> adapter, uint8_t address);

// A chip's 7-bit address as a user gives it (0x41, 65), outside the ranges the bus reserves:
// 0x08 to 0x77.
std::optional<uint8_t> ParseChipAddress(std::string_view text);
// The words for a text that is none: "\"0x78\" is not a 7-bit address from 0x08 to 0x77".
std::string NotAChipAddress(std::string_view text);

}  // namespace host
