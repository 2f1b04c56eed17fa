// One USB-HID I2C bridge's protocol over an open transport: the reports its public document
// defines, turned into one-register transfers. hid_adapter.h puts one behind an Adapter.
#pragma once

#include "host/common/bus/adapter.h"
#include "host/common/bus/hid/hid_transport.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace host {

// No transfer, cancel and check included, waits longer than this.
constexpr std::chrono::milliseconds kTransferBudget{1000};
// The share of it kept back for the cancel and the check that the bridge still answers.
constexpr std::chrono::milliseconds kCancelBudget{200};

class HidBridge {
public:
    virtual ~HidBridge() = default;
    // Sets the bus speed (100 or 400 kHz) and whatever else the bridge needs; errno, or 0.
    virtual int Configure(unsigned speedKhz) = 0;
    // Errnos as Adapter's: ENXIO for an address nobody acknowledged, kDataRefused, EIO,
    // ETIMEDOUT, EAGAIN (bus busy or arbitration lost) for one failed transfer; ENODEV when the
    // transport died, kBridgeDeaf when the bridge answered neither the transfer nor its cancel.
    virtual BusResult Read(uint8_t address, uint8_t reg) = 0;
    virtual BusResult Write(uint8_t address, uint8_t reg, uint8_t value) = 0;
};

// The two kinds, by the USB ids their makers ship them with.
constexpr uint16_t kCp2112Vendor = 0x10C4, kCp2112Product = 0xEA90;
constexpr uint16_t kMcp2221Vendor = 0x04D8, kMcp2221Product = 0x00DD;

std::unique_ptr<HidBridge> MakeCp2112Bridge(HidTransport& transport);
std::unique_ptr<HidBridge> MakeMcp2221Bridge(HidTransport& transport);

// A deadline for one exchange, and what is left of it for one wait.
class Deadline {
public:
    explicit Deadline(std::chrono::milliseconds budget) : end_(std::chrono::steady_clock::now() + budget) {}
    int LeftMs() const {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }

private:
    std::chrono::steady_clock::time_point end_;
};

// Reads input reports until one whose byte `at` is `value` comes (others are stale answers to
// an earlier request and are dropped, a bounded number of them): ETIMEDOUT when none comes
// before the deadline, ENODEV when the transport failed.
int AwaitReport(HidTransport& transport, size_t at, uint8_t value, const Deadline& deadline, std::vector<uint8_t>& report);

// A transport's failure as a bridge's: ETIMEDOUT stays, anything else is the device gone.
inline int TransportError(int error) { return error == ETIMEDOUT ? ETIMEDOUT : ENODEV; }

}  // namespace host
