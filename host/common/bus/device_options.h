// The devices a host's command line names, the same way on every host: --device PLACE once
// per device, or --bus PATH [--address 0xNN] as the short form of one chip on i2c-dev, or
// --devices N simulated ones (after the chip on --bus, if any); --speed for the bridges.
#pragma once

#include "host/common/bus/device_place.h"

#include <optional>
#include <string>
#include <vector>

namespace host {

struct DeviceOptions {
    std::vector<std::string> devices;  // --device, in order
    std::optional<std::string> bus, address;
    std::optional<int> count;  // --devices
    std::optional<std::string> speed;
};

// Checked whole before anything is opened; CommandError quoting what is wrong.
std::vector<DevicePlace> DevicePlacesOf(const DeviceOptions& options);
// The adapters' settings; CommandError for a bad --speed.
BusOptions BusOptionsOf(const DeviceOptions& options);

}  // namespace host
