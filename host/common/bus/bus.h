// The way from a host's register cache to a QM7140: one byte read or written at a register.
// Two chips stand behind it: the simulated one (the cache is the chip) and a real one behind
// an adapter that several chips may share (adapter.h), on Linux an i2c-dev one (i2c_bus.h).
#pragma once

#include "host/common/module/register_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// The 7-bit address the chip answers at unless its board straps another; the module's
// windows name it in its 8-bit form, 0x80.
constexpr uint8_t kChipAddress = 0x40;

// A transfer's outcome: `error` is the system's errno, 0 when the transfer went through.
struct BusResult {
    int error = 0;
    uint8_t value = 0;  // the byte read
    bool Done() const { return error == 0; }
};

class Bus {
public:
    virtual ~Bus() = default;
    // "/dev/i2c-1 at 0x40", for messages.
    virtual std::string Name() const = 0;
    virtual uint8_t Address() const = 0;  // 7-bit
    // Opens the way to the chip, closing any earlier one first; errno, or 0.
    virtual int Open() = 0;
    virtual void Close() = 0;
    virtual BusResult Read(uint8_t reg) = 0;
    virtual BusResult Write(uint8_t reg, uint8_t value) = 0;
    // The words for an errno this bus gave: strerror, unless its adapter knows better.
    virtual std::string Why(int error) const;
};

// The simulated QM7140, powered up: its registers are the host's cache itself, so every
// transfer succeeds and a write finds the byte already there.
std::unique_ptr<Bus> MakeSimulatedBus(RegisterFile& registers);

// Whether a transfer's errno says the adapter itself is gone (unplugged, driver unbound,
// the file descriptor dead), as opposed to one transfer that failed on a working adapter.
bool AdapterGone(int error);

// A chip's 7-bit address as a user gives it (0x41, 65), outside the ranges the bus reserves:
// 0x08 to 0x77.
std::optional<uint8_t> ParseChipAddress(std::string_view text);
// The words for a text that is none: "\"0x78\" is not a 7-bit address from 0x08 to 0x77".
std::string NotAChipAddress(std::string_view text);

}  // namespace host
