#include "host/common/bus/device_options.h"

#include "host/common/text/parse.h"

namespace host {

std::vector<DevicePlace> DevicePlacesOf(const DeviceOptions& options) {
    if (options.address && !options.bus) throw CommandError("--address is for a chip on --bus");
    if (!options.devices.empty() && (options.bus || options.count))
        throw CommandError(std::string(options.bus ? "--bus" : "--devices") + " and --device do not go together; give every device as --device");
    std::vector<std::string> texts = options.devices;
    if (options.bus) {
        if (options.bus->empty()) throw CommandError("--bus needs a path such as /dev/i2c-1");
        uint8_t address = kChipAddress;
        if (options.address) {
            const auto parsed = ParseChipAddress(*options.address);
            if (!parsed) throw CommandError("--address " + NotAChipAddress(*options.address));
            address = *parsed;
        }
        texts.push_back("i2c:" + *options.bus + "@" + Hex(address));
    }
    if (texts.empty() || options.count)
        for (int i = options.bus ? 1 : 0; i < options.count.value_or(1); ++i) texts.emplace_back("sim");
    return ParseDevicePlaces(texts);
}

BusOptions BusOptionsOf(const DeviceOptions& options) {
    BusOptions bus;
    if (options.speed) bus.speedKhz = ParseSpeed(*options.speed);
    return bus;
}

}  // namespace host
