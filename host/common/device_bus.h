// The host's register cache kept true to the chip behind a bus: every write the module asks
// for goes to the chip at once; a failed one is reported and the register read back, so the
// cache and the dialogs never show what the chip does not hold; reading the chip refreshes
// the cache and tells every window.
#pragma once

#include "host/common/bus.h"
#include "host/common/device.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace host {

// Registers 0 to 31: the widest of the module's windows (Digital Control) covers them all.
constexpr unsigned kCoveredRegisters = 32;

class DeviceBus {
public:
    // One line for the user, without "error: ".
    using Report = std::function<void(const std::string&)>;
    DeviceBus(Device& device, std::unique_ptr<Bus> bus, Report report);

    const Bus& Chip() const { return *bus_; }
    const RegisterFile& Registers() const { return device_.Registers(); }
    // Online from a successful connect until the adapter is gone; offline, writes are refused.
    bool Online() const { return online_; }
    // Failures reported so far.
    int Failures() const { return failures_; }

    // Opens the bus and reads the covered registers; offline when either fails.
    bool Connect();
    // The covered registers read into the cache, all of them or none, and every window told.
    bool ReadAll();
    // The module's write: the cached byte of the register goes to the chip.
    bool Send(const BusWrite& write);
    // The host's own write: stored, sent, every window told.
    bool Write(uint8_t reg, uint8_t value);
    // One register read from the chip into the cache, every window told.
    std::optional<uint8_t> Read(uint8_t reg);

private:
    bool Transfer(uint8_t reg);
    // Shows the last value the chip was seen to hold, for a write that did not land.
    void Restore(uint8_t reg);
    void Fail(const std::string& text);
    // Closes the bus when the error says the adapter is gone; whether it did.
    bool Lost(int error);
    std::string Offline() const;

    Device& device_;
    std::unique_ptr<Bus> bus_;
    Report report_;
    bool online_ = false;
    int lostError_ = 0;
    int failures_ = 0;
    std::array<uint8_t, 256> known_{};
};

}  // namespace host
