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

const BridgeKind* KindOf(uint16_t vendor, uint16_t product) {
    for (const auto& kind : kKinds)
        if (kind.vendor == vendor && kind.product == product) return &kind;
    return nullptr;
}

const BridgeKind* KindOf(const HidDeviceInfo& device) { return KindOf(device.vendor, device.product); }

std::string Describe(const HidDeviceInfo& device) {
    return UsbIdText(device.vendor, device.product) + (device.serial.empty() ? "" : " serial " + device.serial);
}

// What the kernel made of a bridge and the place to use it by, where the system tells
// (Linux): a line of words, the commands that free it for hid: (as root), and notes.
struct Ways {
    std::string words;
    std::vector<std::string> commands, notes;
};

Ways WaysOf(const HidDeviceInfo& device) {
    const HidKernelSide& kernel = device.kernel;
    Ways ways;
    if (kernel.name.empty()) return ways;
    const std::string i2c = "i2c:" + kernel.i2c + "@0x40", hid = "hid:" + device.path + "@0x40";
    ways.words = kernel.driver.empty() ? "no kernel driver" : "kernel driver " + kernel.driver;
    if (!kernel.i2c.empty()) ways.words += ", its adapter " + kernel.i2c;
    if (!device.path.empty() && !kernel.i2c.empty())
        ways.words += ": use " + i2c + " or " + hid + ", never both at once";
    else if (!device.path.empty())
        ways.words += ": use " + hid;
    else {
        // Only hid-generic gives a node, and the kernel lets it take a device that another
        // driver wants only while told to ignore such drivers.
        ways.words += ", no hidraw node: ";
        if (!kernel.driver.empty()) ways.words += "use " + (kernel.i2c.empty() ? "its /dev/i2c-N (modprobe i2c-dev)" : i2c) + ", or ";
        ways.words += "for hid: hand it to hid-generic, as root:";
        const std::string ignore = " > /sys/module/hid/parameters/ignore_special_drivers";
        if (!kernel.driver.empty()) ways.commands.push_back("echo " + kernel.name + " > /sys/bus/hid/drivers/" + kernel.driver + "/unbind");
        ways.commands.push_back("echo 1" + ignore);
        ways.commands.push_back("echo " + kernel.name + " > /sys/bus/hid/drivers/hid-generic/bind");
        ways.commands.push_back("echo 0" + ignore);
    }
    if (NotPermitted(kernel.nodeError)) ways.notes.push_back(NoAccess(device.path));
    if (NotPermitted(kernel.i2cError)) ways.notes.push_back(NoAccess(kernel.i2c));
    return ways;
}

// The ways on one line, for an error.
std::string InOneLine(const Ways& ways) {
    std::string line = ways.words;
    for (size_t i = 0; i < ways.commands.size(); ++i) line += (i == 0 ? " " : "; ") + ways.commands[i];
    for (const auto& note : ways.notes) line += "; " + note;
    return line;
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
#ifndef _WIN32
            // Windows says the same of a device another program holds; its cure is not a group.
            if (NotPermitted(error)) return Refuse(error, NoAccess(path));
#endif
            return error;
        }
        const BridgeKind* kind = KindOf(transport_->Info());
        if (kind == nullptr) {
            const int error = Refuse(ENOTSUP, path + " is " + Describe(transport_->Info()) + ", no USB-HID I2C bridge we drive (" + HidBridgesDriven() + ")");
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
        const std::vector<HidDeviceInfo> devices = system_.enumerate();
        const std::string name = Describe({wanted.vendor, wanted.product, wanted.serial, "", {}});
        if (const HidDeviceInfo* device = PickHidBridge(wanted, devices)) {
            path = device->path;
            if (!path.empty()) return 0;
            return Refuse(ENOENT, "bridge " + name + ": " + InOneLine(WaysOf(*device)));
        }
        std::string found;
        for (const auto& device : devices)
            if (KindOf(device)) found += (found.empty() ? "" : ", ") + Describe(device);
        return Refuse(ENOENT, "no bridge " + name + " is plugged in" + (found.empty() ? "" : " (found " + found + ")"));
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

const HidDeviceInfo* PickHidBridge(const UsbId& wanted, const std::vector<HidDeviceInfo>& devices) {
    const HidDeviceInfo* picked = nullptr;
    for (const auto& device : devices)
        if (wanted.Matches(device) && (!picked || (picked->path.empty() && !device.path.empty()))) picked = &device;
    return picked;
}

const char* HidBridgeKind(uint16_t vendor, uint16_t product) {
    const BridgeKind* kind = KindOf(vendor, product);
    return kind ? kind->name : nullptr;
}

std::string HidBridgesDriven() {
    std::string known;
    for (const auto& kind : kKinds) known += (known.empty() ? "" : ", ") + UsbIdText(kind.vendor, kind.product) + " " + kind.name;
    return known;
}

std::string DescribeHidBridge(const HidBridgeInfo& bridge) {
    return UsbIdText(bridge.device.vendor, bridge.device.product) + " " + bridge.kind +
           (bridge.device.serial.empty() ? "" : " serial " + bridge.device.serial) +
           (bridge.device.path.empty() ? "" : " at " + bridge.device.path);
}

std::string DescribeHidBridges(const std::vector<HidBridgeInfo>& bridges) {
    if (bridges.empty()) return "no USB-HID I2C bridge found (looked for " + HidBridgesDriven() + ")\n";
    std::string lines;
    for (const auto& bridge : bridges) {
        lines += DescribeHidBridge(bridge) + "\n";
        const Ways ways = WaysOf(bridge.device);
        if (!ways.words.empty()) lines += "    " + ways.words + "\n";
        for (const auto& line : ways.commands) lines += "        " + line + "\n";
        for (const auto& line : ways.notes) lines += "    " + line + "\n";
    }
    return lines;
}

}  // namespace host
