#include "host/common/bus/device_place.h"

#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/text/parse.h"

#ifndef _WIN32
#include "host/common/bus/linux/i2c_bus.h"
#endif

#include <map>
#include <utility>

namespace host {

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

[[noreturn]] void Refuse(std::string_view text, const std::string& why) {
    throw CommandError("device " + Quoted(text) + ": " + why);
}

bool HexId(std::string_view id) {
    if (id.size() != 4) return false;
    for (const char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

// "VVVV:PPPP" or "VVVV:PPPP:SERIAL" with the ids in capitals, so that one bridge is one
// adapter however it is typed; nothing when `device` is neither.
std::string Hex4(uint16_t value) {
    const char* digits = "0123456789ABCDEF";
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i, value = static_cast<uint16_t>(value >> 4)) text[static_cast<size_t>(i)] = digits[value & 0xF];
    return text;
}

std::optional<std::string> UsbId(std::string_view device) {
    if (device.size() < 9 || device[4] != ':' || !HexId(device.substr(0, 4)) || !HexId(device.substr(5, 4))) return std::nullopt;
    if (device.size() > 9 && (device[9] != ':' || device.size() == 10)) return std::nullopt;
    std::string id(device);
    for (size_t i = 0; i < 9; ++i)
        if (id[i] >= 'a' && id[i] <= 'f') id[i] = static_cast<char>(id[i] - 'a' + 'A');
    return id;
}

std::shared_ptr<Adapter> MakeAdapter(const DevicePlace& place, const BusOptions& options, const HidSystem& hid) {
#ifndef _WIN32
    // i2c-dev runs at the speed the adapter's driver was given; only bridges take options.
    if (place.kind == DevicePlace::Kind::I2c) return MakeI2cAdapter(place.adapter);
#endif
    if (place.kind == DevicePlace::Kind::Hid) return MakeHidAdapter(place, options, hid);
    Refuse(place.text, "no adapter of this kind is built in");
}

}  // namespace

unsigned ParseSpeed(std::string_view text) {
    if (text == "100") return 100;
    if (text == "400") return 400;
    throw CommandError("--speed " + Quoted(text) + ": a bus runs at 100 or 400 (kHz)");
}

DevicePlace ParseDevicePlace(std::string_view text) {
    DevicePlace place;
    place.text = text;
    const std::string_view kind = text.substr(0, text.find_first_of(":@"));
    std::string_view rest = text.substr(kind.size());
    if (kind == "sim") {
        if (!rest.empty()) Refuse(text, "a simulated QM7140 takes no adapter nor address");
        return place;
    }
    if (kind != "i2c" && kind != "hid")
        Refuse(text, "unknown kind " + Quoted(kind) + "; a device is sim, i2c:PATH or hid:BRIDGE, with @0xNN after either");
    if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
    const size_t at = rest.rfind('@');
    const std::string_view device = rest.substr(0, at);
    if (device.empty()) Refuse(text, "no device after " + std::string(kind) + ":");
    if (at != std::string_view::npos) {
        const std::string_view address = rest.substr(at + 1);
        const auto chip = ParseChipAddress(address);
        if (!chip) Refuse(text, "the address " + Quoted(address) + " is not a 7-bit address from 0x08 to 0x77");
        place.address = *chip;
    }
    if (kind == "i2c") {
        if (kWindows) Refuse(text, "i2c-dev adapters are Linux only");
        place.kind = DevicePlace::Kind::I2c;
        place.adapter = device;
        return place;
    }
    place.kind = DevicePlace::Kind::Hid;
    if (device.front() == '/') {
        if (kWindows) Refuse(text, "hidraw nodes are Linux only; name the bridge by its USB id, hid:VVVV:PPPP");
        place.adapter = device;
        return place;
    }
    const auto id = UsbId(device);
    if (!id) Refuse(text, "not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex");
    place.adapter = *id;
    return place;
}

std::vector<DevicePlace> ParseDevicePlaces(const std::vector<std::string>& texts) {
    std::vector<DevicePlace> places;
    for (const std::string& text : texts) {
        DevicePlace place = ParseDevicePlace(text);
        for (size_t i = 0; i < places.size() && place.kind != DevicePlace::Kind::Simulated; ++i)
            if (places[i].kind == place.kind && places[i].adapter == place.adapter && places[i].address == place.address)
                Refuse(text, "the chip of device " + std::to_string(i + 1) + " again, " + Shown(place.adapter) + " at " +
                                 Hex(place.address));
        places.push_back(std::move(place));
    }
    return places;
}

AdapterPool::AdapterPool(BusOptions options, HidSystem hid) : options_(options), hid_(std::move(hid)) {}

std::string AdapterPool::Where(const DevicePlace& place) const {
    if (place.kind != DevicePlace::Kind::Hid || !UsbId(place.adapter) || !hid_.enumerate) return place.adapter;
    const std::string serial = place.adapter.size() > 10 ? place.adapter.substr(10) : "";
    for (const HidBridgeInfo& bridge : ListHidBridges(hid_)) {
        if (Hex4(bridge.device.vendor) + ":" + Hex4(bridge.device.product) == place.adapter.substr(0, 9) && (serial.empty() || serial == bridge.device.serial)) return bridge.device.path;
    }
    return place.adapter;
}

std::unique_ptr<Bus> AdapterPool::MakeBus(const DevicePlace& place, const BusOptions& options) {
    if (place.kind == DevicePlace::Kind::Simulated) return nullptr;
    std::weak_ptr<Adapter>& kept = adapters_[{place.kind, Where(place)}];
    std::shared_ptr<Adapter> adapter = kept.lock();
    if (!adapter) kept = adapter = MakeAdapter(place, options, hid_);
    return MakeAdapterBus(adapter, place.address);
}

std::vector<std::unique_ptr<Bus>> MakeBuses(const std::vector<DevicePlace>& places, AdapterPool& pool) {
    std::vector<std::pair<std::string, uint8_t>> chips;  // where each bridge's chip is; empty for others
    std::vector<std::unique_ptr<Bus>> buses;
    for (const DevicePlace& place : places) {
        chips.emplace_back(place.kind == DevicePlace::Kind::Hid ? pool.Where(place) : "", place.address);
        for (size_t i = 0; i + 1 < chips.size() && !chips.back().first.empty(); ++i)
            if (chips[i] == chips.back())
                Refuse(place.text, "the chip of device " + std::to_string(i + 1) + " again, " + Shown(chips[i].first) + " at " +
                                      Hex(place.address));
        buses.push_back(pool.MakeBus(place));
    }
    return buses;
}

std::vector<std::unique_ptr<Bus>> MakeBuses(const std::vector<DevicePlace>& places, const BusOptions& options) {
    AdapterPool pool(options);
    return MakeBuses(places, pool);
}

}  // namespace host
