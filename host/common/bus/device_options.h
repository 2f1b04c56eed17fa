// The devices a host's command line names, the same way on every host: --device PLACE once
// per device, or --bus PATH [--address 0xNN] as the short form of one chip on i2c-dev, or
// --devices N simulated ones (after the chip on --bus, if any); --speed for the bridges and
// --verify for every chip.
#pragma once

#include "host/common/bus/device_place.h"
#include "host/common/text/command_line.h"

#include <optional>
#include <string>
#include <vector>

namespace host {

// The module makes at most this many instances per load.
constexpr int kMostDevices = 16;

struct DeviceOptions {
    std::vector<std::string> devices;  // --device, in order
    std::optional<std::string> bus, address;
    std::optional<int> count;  // --devices
    BusOptions adapters;       // --speed
    bool verify = false;       // every write read back
};

// What a host says of its devices beyond what every host says: a sentence or two after the
// shared help of --device and of --bus.
struct DeviceHelp {
    std::string device, bus;
};

// The options above, filling `options` (which must outlive the table).
std::vector<Option> DeviceOptionTable(DeviceOptions& options, const DeviceHelp& more = {});

// Checked whole before anything is opened; CommandError quoting what is wrong.
std::vector<DevicePlace> DevicePlacesOf(const DeviceOptions& options);

}  // namespace host
