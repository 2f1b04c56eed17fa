// Where each of a host's devices is, as the user names it on the command line:
//   sim                      a simulated QM7140
//   i2c:/dev/i2c-N[@0xNN]    a chip on a Linux i2c-dev adapter (7-bit address, default 0x40)
//   hid:/dev/hidrawN[@0xNN]  a chip behind a USB-HID I2C bridge, by its Linux node
//   hid:VVVV:PPPP[:SERIAL][@0xNN]  the first bridge of that USB id, or the one with that serial
#pragma once

#include "host/common/bus/bus.h"
#include "host/common/bus/hid/hid_transport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct DevicePlace {
    enum class Kind { Simulated, I2c, Hid };
    Kind kind = Kind::Simulated;
    std::string text;      // as the user gave it, for messages
    std::string adapter;   // "/dev/i2c-1", "/dev/hidraw3", "10C4:EA90", "10C4:EA90:00A1"; empty for sim
    uint8_t address = kChipAddress;
};

// Settings of the adapters the places open.
struct BusOptions {
    unsigned speedKhz = 100;  // 100 or 400
};

// --speed: 100 or 400 (kHz); CommandError quoting anything else.
unsigned ParseSpeed(std::string_view text);

// One place; CommandError quoting it when it is not valid (no adapter after the kind, an
// address outside 0x08..0x77, an unknown kind).
DevicePlace ParseDevicePlace(std::string_view text);
// All of a host's places, in order, checked together before any is opened: also refused, the
// same adapter and address twice (an address left out counts as 0x40).
std::vector<DevicePlace> ParseDevicePlaces(const std::vector<std::string>& texts);

// The adapters a host made, each made once while a chip holds it, so that chips on one adapter
// share it. A bridge named by its USB id is looked up among those plugged in, so that naming
// it by its node as well is the same bridge.
class AdapterPool {
public:
    explicit AdapterPool(BusOptions options = {}, HidSystem hid = SystemHid());
    // The place's chip, nothing opened yet; a simulated place gets a simulated QM7140 of its
    // own. `options` apply to an adapter made for it; one another chip holds keeps its own.
    Bus MakeBus(const DevicePlace& place) { return MakeBus(place, options_); }
    Bus MakeBus(const DevicePlace& place, const BusOptions& options);
    // The adapter's node when a USB id finds one plugged in, else the place's adapter.
    std::string Where(const DevicePlace& place) const;
    const HidSystem& Hid() const { return hid_; }

private:
    BusOptions options_;
    HidSystem hid_;
    std::map<std::pair<DevicePlace::Kind, std::string>, std::weak_ptr<SharedAdapter>> adapters_;
};

// A bus per place, in order, nothing opened yet; chips on one adapter share it. CommandError
// quoting the place when a bridge named by id and by node is the same chip twice.
std::vector<Bus> MakeBuses(const std::vector<DevicePlace>& places, AdapterPool& pool);
std::vector<Bus> MakeBuses(const std::vector<DevicePlace>& places, const BusOptions& options);

}  // namespace host
