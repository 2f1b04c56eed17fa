// An I2C master that several chips may share: a Linux i2c-dev adapter or a USB-HID bridge.
// Each device's Bus is one adapter and one 7-bit address (MakeAdapterBus), so two amplifiers
// strapped to 0x40 and 0x41 on one board use one open adapter.
#pragma once

#include "host/common/bus/bus.h"

#include <cstdint>
#include <memory>
#include <string>

namespace host {

class Adapter {
public:
    virtual ~Adapter() = default;
    // Where it is, for messages: "/dev/i2c-1", "hid:10C4:EA90 serial 00A1 (/dev/hidraw2)".
    virtual std::string Name() const = 0;
    // Opens the adapter (and configures it: speed, timeouts) unless it is open; errno, or 0.
    // Refuses an adapter that cannot do what a QM7140 needs, naming why.
    virtual int Open() = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;
    // Whether a chip at `address` may be talked to at all: errno, or 0. i2c-dev gives EBUSY
    // when a kernel driver holds the address, which is never forced.
    virtual int Claim(uint8_t address) = 0;
    // One register: a write is one transfer [reg, value]; a read writes [reg] and reads one
    // byte, with a repeated start where the adapter offers one. The errno of a failure says
    // whether one transfer failed (ENXIO, EREMOTEIO, EIO, ETIMEDOUT, EAGAIN) or the adapter
    // is gone (AdapterGone: ENODEV, ESHUTDOWN, EBADF); no transfer waits more than a second.
    virtual BusResult Read(uint8_t address, uint8_t reg) = 0;
    virtual BusResult Write(uint8_t address, uint8_t reg, uint8_t value) = 0;
    // The words for an errno this adapter gave, where it knows more than strerror: EBUSY
    // from Claim is a kernel driver holding the address, an unknown USB id names the ids.
    virtual std::string Why(int error) const;

private:
    // Kept by the buses of the chips that share it (MakeAdapterBus).
    friend class AdapterBus;
    int holders_ = 0;    // chips that opened it and have not let go
    int lostError_ = 0;  // the errno that found it gone, until it is reopened
};

// The chip at 7-bit `address` behind `adapter`. Open opens the adapter unless another chip
// already has it open (reopening it when it was lost) and claims the address; Close lets
// go, and the adapter closes with the last chip that held it. Once a transfer finds the
// adapter gone, every chip on it gets that errno without touching the dead handle, until
// one of them opens it again. Named "/dev/i2c-1 at 0x41".
std::unique_ptr<Bus> MakeAdapterBus(std::shared_ptr<Adapter> adapter, uint8_t address);

}  // namespace host
