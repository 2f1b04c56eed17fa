#include "host/common/bus/hid/linux/hid_sysfs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace host {

namespace {

namespace fs = std::filesystem;

// The value of KEY=value in a uevent file, or empty.
std::string UeventValue(const fs::path& device, std::string_view key) {
    std::ifstream file(device / "uevent");
    for (std::string line; std::getline(file, line);)
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=') return line.substr(key.size() + 1);
    return {};
}

// HID_ID=0003:000010C4:0000EA90: bus, vendor, product.
bool ParseHidId(const std::string& text, HidDeviceInfo& info) {
    if (text.size() != 22 || text[4] != ':' || text[13] != ':') return false;
    const auto hex = [&](size_t at, uint16_t& out) {
        const char* first = text.data() + at;
        uint32_t value = 0;
        const auto [end, error] = std::from_chars(first, first + 8, value, 16);
        if (error != std::errc{} || end != first + 8 || value > 0xFFFF) return false;
        out = static_cast<uint16_t>(value);
        return true;
    };
    return hex(5, info.vendor) && hex(14, info.product);
}

// A folder's entries; none when it cannot be read. Devices come and go while it is read, so
// nothing here may throw.
std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) entries.push_back(it->path());
    return entries;
}

// The first entry of a folder whose name starts with `prefix`, or empty.
std::string FirstNamed(const fs::path& folder, std::string_view prefix) {
    for (const fs::path& entry : Entries(folder))
        if (const std::string name = entry.filename().string(); name.starts_with(prefix)) return name;
    return {};
}

// Whether this user may open a node as the hosts do: errno, or 0. Opening a hidraw or
// i2c-dev node starts no transfer.
int OpenError(const std::string& node) {
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno != 0 ? errno : EIO;
    close(fd);
    return 0;
}

// The kernel numbers its HID devices as they come: "0003:10C4:EA90.000A".
unsigned long Sequence(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? 0 : std::strtoul(name.c_str() + dot + 1, nullptr, 16);
}

}  // namespace

std::vector<HidDeviceInfo> ListSysfsHid(const std::string& sys, const std::string& dev) {
    std::error_code error;
    // An adapter's folder sits in the folder of the device whose driver made it.
    std::vector<std::pair<fs::path, std::string>> adapters;
    for (const fs::path& entry : Entries(fs::path(sys) / "bus/i2c/devices")) {
        const fs::path adapter = fs::canonical(entry, error);
        if (!error && entry.filename().string().starts_with("i2c-")) adapters.emplace_back(adapter, entry.filename().string());
    }
    std::vector<HidDeviceInfo> devices;
    for (const fs::path& entry : Entries(fs::path(sys) / "bus/hid/devices")) {
        const fs::path device = fs::canonical(entry, error);
        HidDeviceInfo info;
        if (error || !ParseHidId(UeventValue(device, "HID_ID"), info)) continue;
        info.serial = UeventValue(device, "HID_UNIQ");
        info.kernel.name = entry.filename().string();
        info.kernel.driver = fs::read_symlink(device / "driver", error).filename().string();
        if (const std::string node = FirstNamed(device / "hidraw", "hidraw"); !node.empty()) {
            info.path = dev + "/" + node;
            info.kernel.nodeError = OpenError(info.path);
        }
        for (const auto& [adapter, name] : adapters) {
            // /dev/i2c-N is there only while i2c-dev serves the adapter.
            if (adapter.parent_path() != device || !fs::exists(adapter / "i2c-dev" / name, error)) continue;
            info.kernel.i2c = dev + "/" + name;
            info.kernel.i2cError = OpenError(info.kernel.i2c);
            break;
        }
        devices.push_back(std::move(info));
    }
    std::sort(devices.begin(), devices.end(), [](const HidDeviceInfo& a, const HidDeviceInfo& b) {
        return Sequence(a.kernel.name) < Sequence(b.kernel.name);
    });
    return devices;
}

}  // namespace host
