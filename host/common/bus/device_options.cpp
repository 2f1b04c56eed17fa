#include "host/common/bus/device_options.h"

#include "host/common/text/parse.h"

namespace host {

namespace {

std::string Joined(std::string text, const std::string& more) { return more.empty() ? text : text + " " + more; }

}  // namespace

std::vector<Option> DeviceOptionTable(DeviceOptions& options, const DeviceHelp& more) {
    std::vector<Option> table = {
        {"--device", "PLACE",
#ifdef _WIN32
         Joined("once per device in order: sim (a simulated QM7140), or hid:VVVV:PPPP[:SERIAL][@0xNN] (a real one behind a "
                "USB-HID I2C bridge, 7-bit address, default 0x40).",
                more.device),
#else
         Joined("once per device in order: sim (a simulated QM7140), i2c:/dev/i2c-N[@0xNN] (a real one on that I2C adapter, "
                "7-bit address, default 0x40), or one behind a USB-HID I2C bridge, hid:/dev/hidrawN[@0xNN] or "
                "hid:VVVV:PPPP[:SERIAL][@0xNN].",
                more.device),
#endif
         [&options](const std::string& place) { options.devices.push_back(place); }, true},
        {"--devices", "N", "N simulated devices, 1 to 16 (default 1), one instance of the module each.",
         [&options](const std::string& text) {
             const auto count = ParseUnsigned(text);
             if (!count || *count < 1 || *count > kMostDevices)
                 throw CommandError("--devices takes 1 to " + std::to_string(kMostDevices) + ", not " + Quoted(text));
             options.count = static_cast<int>(*count);
         }},
#ifndef _WIN32
        {"--bus", "/dev/i2c-N",
         Joined("the short form of one i2c: device, device 1 (with --devices N the others stay simulated). Registers "
                "0x00 to 0x1F are read from the chip at once and every write goes to it.",
                more.bus),
         [&options](const std::string& path) { options.bus = path; }},
        {"--address", "0xNN", "the chip's 7-bit address on --bus (default 0x40, the module's 0x80).",
         [&options](const std::string& address) { options.address = address; }},
#endif
        {"--speed", "100|400", "the bridges' bus speed in kHz (default 100).",
         [&options](const std::string& speed) { options.adapters.speedKhz = ParseSpeed(speed); }},
        {"--verify", "", "every write that went through is read back; another byte is an error.",
         [&options](const std::string&) { options.verify = true; }},
    };
    return table;
}

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
    if (texts.size() > static_cast<size_t>(kMostDevices)) throw CommandError("at most " + std::to_string(kMostDevices) + " devices");
    return ParseDevicePlaces(texts);
}

}  // namespace host
