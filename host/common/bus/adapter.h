// An I2C master that chips stand behind: a Linux i2c-dev adapter, a USB-HID bridge, or the
// simulated QM7140. It only transfers; the chips share it through a SharedAdapter
// (shared_adapter.h), which counts them and knows when the adapter is gone.
#pragma once

#include <cstdint>
#include <string>

namespace host {

// A transfer's outcome: `error` is the system's errno, 0 when the transfer went through.
struct BusResult {
    int error = 0;
    uint8_t value = 0;  // the byte read
    bool Done() const { return error == 0; }
};

// Whether a transfer's errno says the adapter itself is gone (unplugged, driver unbound,
// the file descriptor dead), as opposed to one transfer that failed on a working adapter.
bool AdapterGone(int error);

// Whether an errno from opening a Linux node says this user may not open it, and the words
// for that with the cure, naming the node.
bool NotPermitted(int error);
std::string NoAccess(const std::string& node);

class SimulatedAdapter;

class Adapter {
public:
    virtual ~Adapter() = default;
    // Where it is, for messages: "/dev/i2c-1", "hid:10C4:EA90 serial 00A1 (/dev/hidraw2)".
    virtual std::string Name() const = 0;
    // Opens the adapter (and configures it: speed, timeouts) unless it is open; errno, or 0.
    // Refuses an adapter that cannot do what a QM7140 needs, naming why.
    virtual int Open() = 0;
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
    // The simulated QM7140 when this adapter is it, else null.
    virtual SimulatedAdapter* Simulation() { return nullptr; }
};

}  // namespace host
