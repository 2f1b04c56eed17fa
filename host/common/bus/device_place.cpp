#include "host/common/bus/device_place.h"

#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/bus/hid/usb_id.h"
#include "host/common/bus/simulated_adapter.h"
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

// Two places whose chip is one: refused before anything is opened.
[[noreturn]] void RefuseTwice(const DevicePlace& place, size_t other, std::string_view adapter) {
    Refuse(place.text, "the chip of device " + std::to_string(other + 1) + " again, " + Shown(adapter) + " at " + Hex(place.address));
}

std::unique_ptr<Adapter> MakeAdapter(const DevicePlace& place, const BusOptions& options, const HidSystem& hid) {
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
        if (!chip) Refuse(text, "the address " + NotAChipAddress(address));
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
    const auto id = UsbId::Parse(device);
    if (!id) Refuse(text, "not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex");
    if (!HidBridgeKind(id->vendor, id->product))
        Refuse(text, UsbIdText(id->vendor, id->product) + " is no USB-HID I2C bridge we drive (" + HidBridgesDriven() + ")");
    place.adapter = id->Text();
    return place;
}

std::vector<DevicePlace> ParseDevicePlaces(const std::vector<std::string>& texts) {
    std::vector<DevicePlace> places;
    for (const std::string& text : texts) {
        DevicePlace place = ParseDevicePlace(text);
        for (size_t i = 0; i < places.size() && place.kind != DevicePlace::Kind::Simulated; ++i)
            if (places[i].kind == place.kind && places[i].adapter == place.adapter && places[i].address == place.address)
                RefuseTwice(place, i, place.adapter);
        places.push_back(std::move(place));
    }
    return places;
}

AdapterPool::AdapterPool(BusOptions options, HidSystem hid) : options_(options), hid_(std::move(hid)) {}

std::string AdapterPool::Where(const DevicePlace& place) const {
    const auto id = place.kind == DevicePlace::Kind::Hid ? UsbId::Parse(place.adapter) : std::nullopt;
    if (!id || !hid_.enumerate) return place.adapter;
    // A bridge without a node stays by its id: opening it names what took the node.
    const std::vector<HidDeviceInfo> devices = hid_.enumerate();
    const HidDeviceInfo* bridge = PickHidBridge(*id, devices);
    return bridge && !bridge->path.empty() ? bridge->path : place.adapter;
}

Bus AdapterPool::MakeBus(const DevicePlace& place, const BusOptions& options) {
    if (place.kind == DevicePlace::Kind::Simulated) return SimulatedBus();
    std::weak_ptr<SharedAdapter>& kept = adapters_[{place.kind, Where(place)}];
    std::shared_ptr<SharedAdapter> adapter = kept.lock();
    if (!adapter) kept = adapter = std::make_shared<SharedAdapter>(MakeAdapter(place, options, hid_));
    return Bus(adapter, place.address);
}

std::vector<Bus> MakeBuses(const std::vector<DevicePlace>& places, AdapterPool& pool) {
    std::vector<std::pair<std::string, uint8_t>> chips;  // where each bridge's chip is; empty for others
    std::vector<Bus> buses;
    for (const DevicePlace& place : places) {
        chips.emplace_back(place.kind == DevicePlace::Kind::Hid ? pool.Where(place) : "", place.address);
        for (size_t i = 0; i + 1 < chips.size() && !chips.back().first.empty(); ++i)
            if (chips[i] == chips.back()) RefuseTwice(place, i, chips[i].first);
        buses.push_back(pool.MakeBus(place));
    }
    return buses;
}

std::vector<Bus> MakeBuses(const std::vector<DevicePlace>& places, const BusOptions& options) {
    AdapterPool pool(options);
    return MakeBuses(places, pool);
}

}  // namespace host
