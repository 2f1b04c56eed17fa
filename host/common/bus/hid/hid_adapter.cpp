#include "host/common/bus/hid/hid_adapter.h"

#include "host/common/bus/hid/hid_bridge.h"
#include "host/common/bus/hid/usb_id.h"

#include <cstring>

namespace host {

namespace {

struct BridgeKind {
    uint16_t vendor, product;
    const char* name;
    std::unique_ptr<HidBridge> (*make)(HidTransport&);
};
constexpr BridgeKind kKinds[] = {
    {kCp2112Vendor, kCp2112Product, "CP2112", MakeCp2112Bridge},
    {kMcp2221Vendor, kMcp2221Product, "MCP2221", MakeMcp2221Bridge},
};

const BridgeKind* KindOf(const HidDeviceInfo& device) {
    for (const auto& kind : kKinds)
        if (kind.vendor == device.vendor && kind.product == device.product) return &kind;
    return nullptr;
}

std::string Known() {
    std::string known;
    for (const auto& kind : kKinds) known += (known.empty() ? "" : ", ") + UsbIdText(kind.vendor, kind.product) + " " + kind.name;
    return known;
}

std::string Describe(const HidDeviceInfo& device) {
    return UsbIdText(device.vendor, device.product) + (device.serial.empty() ? "" : " serial " + device.serial);
}

class HidAdapter final : public Adapter {
public:
    HidAdapter(const DevicePlace& place, const BusOptions& options, HidSystem system)
        : where_(place.adapter), speedKhz_(options.speedKhz == 400 ? 400 : 100), system_(std::move(system)) {}

    std::string Name() const override {
        if (!transport_) return "hid:" + where_;
        return "hid:" + Describe(transport_->Info()) + " (" + transport_->Info().path + ")";
    }

    int Open() override {
        if (bridge_) return 0;
        refusal_ = 0;
        std::string path = where_;
        if (const auto wanted = UsbId::Parse(where_)) {
            if (const int error = Find(*wanted, path)) return error;
        }
        if (const int error = system_.open(path, transport_)) {
            transport_.reset();
            return error;
        }
        const BridgeKind* kind = KindOf(transport_->Info());
        if (kind == nullptr) {
            const int error = Refuse(ENOTSUP, path + " is " + Describe(transport_->Info()) + ", no USB-HID I2C bridge we drive (" + Known() + ")");
            Close();
            return error;
        }
        bridge_ = kind->make(*transport_);
        if (const int error = bridge_->Configure(speedKhz_)) {
            Close();
            return error;
        }
        return 0;
    }

    void Close() override {
        bridge_.reset();
        transport_.reset();
    }

    // A bridge holds no address for anyone else: a chip missing shows at its first transfer.
    int Claim(uint8_t) override { return bridge_ ? 0 : EBADF; }

    BusResult Read(uint8_t address, uint8_t reg) override { return bridge_ ? bridge_->Read(address, reg) : BusResult{EBADF}; }

    BusResult Write(uint8_t address, uint8_t reg, uint8_t value) override {
        return bridge_ ? bridge_->Write(address, reg, value) : BusResult{EBADF};
    }

    std::string Why(int error) const override {
        if (error == refusal_ && !refusalWords_.empty()) return refusalWords_;
        if (error == ENXIO) return "no chip acknowledged its address";
        if (error == kDataRefused) return "the chip refused a byte after its address";
        if (error == EIO) return "the bridge reported the transfer incomplete";
        if (error == ETIMEDOUT) return "the transfer did not end in time; the bridge cancelled it";
        if (error == EAGAIN) return "the bus was busy (held low, or taken by another master)";
        if (error == kBridgeDeaf && kBridgeDeaf != ENODEV) return "the bridge answered neither the transfer nor its cancel";
        if (error == ENODEV) return "the bridge is gone (unplugged, or its handle dead)";
        return std::strerror(error);
    }

private:
    int Find(const UsbId& wanted, std::string& path) {
        std::string found;
        for (const auto& device : system_.enumerate()) {
            if (wanted.Matches(device)) {
                path = device.path;
                return 0;
            }
            if (KindOf(device)) found += (found.empty() ? "" : ", ") + Describe(device);
        }
        std::string words = "no bridge " + Describe({wanted.vendor, wanted.product, wanted.serial}) + " is plugged in";
        return Refuse(ENOENT, words + (found.empty() ? " (no bridge found)" : " (found " + found + ")"));
    }

    int Refuse(int error, std::string words) {
        refusal_ = error;
        refusalWords_ = std::move(words);
        return error;
    }

    std::string where_;
    unsigned speedKhz_;
    HidSystem system_;
    std::unique_ptr<HidTransport> transport_;
    std::unique_ptr<HidBridge> bridge_;
    int refusal_ = 0;
    std::string refusalWords_;
};

}  // namespace

std::unique_ptr<Adapter> MakeHidAdapter(const DevicePlace& place, const BusOptions& options, HidSystem system) {
    return std::make_unique<HidAdapter>(place, options, std::move(system));
}

std::vector<HidBridgeInfo> ListHidBridges(const HidSystem& system) {
    std::vector<HidBridgeInfo> bridges;
    for (auto& device : system.enumerate())
        if (const BridgeKind* kind = KindOf(device)) bridges.push_back({std::move(device), kind->name});
    return bridges;
}

std::string DescribeHidBridge(const HidBridgeInfo& bridge) {
    return UsbIdText(bridge.device.vendor, bridge.device.product) + " " + bridge.kind +
           (bridge.device.serial.empty() ? "" : " serial " + bridge.device.serial) + " at " + bridge.device.path;
}

std::string DescribeHidBridges(const std::vector<HidBridgeInfo>& bridges) {
    if (bridges.empty()) return "no USB-HID I2C bridge found (looked for " + Known() + ")\n";
    std::string lines;
    for (const auto& bridge : bridges) lines += DescribeHidBridge(bridge) + "\n";
    return lines;
}

}  // namespace host
