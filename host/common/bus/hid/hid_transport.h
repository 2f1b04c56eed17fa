// A USB-HID device as the bridges need it: output and input reports, feature reports, and the
// system's list of devices. Linux gives it through /dev/hidrawN (hidraw_transport.cpp), Windows
// through SetupAPI and hid.dll (win_hid_transport.cpp); tests give their own.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace host {

// The errnos a bridge gives where the system has no closer one: a byte after the address
// refused, and a bridge that answered neither a transfer nor the cancel after it.
#ifdef EREMOTEIO
constexpr int kDataRefused = EREMOTEIO;
#else
constexpr int kDataRefused = EIO;
#endif
#ifdef ESHUTDOWN
constexpr int kBridgeDeaf = ESHUTDOWN;
#else
constexpr int kBridgeDeaf = ENODEV;
#endif

// What Linux's sysfs tells of a HID device besides its ids; left empty elsewhere.
struct HidKernelSide {
    std::string name;    // the kernel's name of the HID device, "0003:10C4:EA90.0001"
    std::string driver;  // the driver bound to it, "cp2112", "hid-generic"; empty for none
    std::string i2c;     // the i2c-dev node of the I2C adapter that driver made, "/dev/i2c-3"
    int nodeError = 0;   // errno opening the hidraw node (EACCES), 0 when it opens
    int i2cError = 0;    // the same for the i2c-dev node
};

struct HidDeviceInfo {
    uint16_t vendor = 0;
    uint16_t product = 0;
    std::string serial;  // empty when the device has none or the system does not say
    std::string path;    // "/dev/hidraw3", or a Windows device interface path; empty when the
                         // kernel's driver gave it no hidraw node
    HidKernelSide kernel;
};

// One open device. Every report starts with its report id, 0 for a device without numbered
// reports (as hidraw and Windows both take them). Failures are errnos: ETIMEDOUT when nothing
// came in time; anything else means the device is no longer usable.
class HidTransport {
public:
    virtual ~HidTransport() = default;
    virtual const HidDeviceInfo& Info() const = 0;
    virtual int WriteOutput(const std::vector<uint8_t>& report) = 0;
    // One input report, waiting at most timeoutMs; `report` is resized to what came.
    virtual int ReadInput(std::vector<uint8_t>& report, int timeoutMs) = 0;
    virtual int SetFeature(const std::vector<uint8_t>& report) = 0;
    // report[0] names the report and report.size() its length; the rest is filled in.
    virtual int GetFeature(std::vector<uint8_t>& report) = 0;
};

// Where bridges are found and opened: the system's HID devices, or a test's double.
struct HidSystem {
    std::function<std::vector<HidDeviceInfo>()> enumerate;
    // errno, or 0 with `opened` set
    std::function<int(const std::string& path, std::unique_ptr<HidTransport>& opened)> open;
};

// This system's HID devices (every one, bridge or not, with a node or without).
HidSystem SystemHid();

}  // namespace host
