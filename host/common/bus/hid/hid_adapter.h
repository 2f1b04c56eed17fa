// A chip's way through a USB-HID I2C bridge: the bridge found by its node or USB id, its kind
// told by that id, opened when a chip first needs it.
#pragma once

#include "host/common/bus/adapter.h"
#include "host/common/bus/device_place.h"
#include "host/common/bus/hid/hid_transport.h"

#include <memory>
#include <string>
#include <vector>

namespace host {

struct HidBridgeInfo {
    HidDeviceInfo device;
    std::string kind;  // "CP2112", "MCP2221"
};

// The bridge `place.adapter` names: a node ("/dev/hidraw3", or a Windows device path), or
// "VVVV:PPPP" (the first of that id) or "VVVV:PPPP:SERIAL". Nothing is opened yet.
std::unique_ptr<Adapter> MakeHidAdapter(const DevicePlace& place, const BusOptions& options, HidSystem system = SystemHid());

// The bridges of a kind we drive that are plugged in, in the system's order.
std::vector<HidBridgeInfo> ListHidBridges(const HidSystem& system = SystemHid());
// "10C4:EA90 CP2112 serial 00A1 at /dev/hidraw2"
std::string DescribeHidBridge(const HidBridgeInfo& bridge);
// A line per bridge, or the line that says none was found and which ids were looked for.
std::string DescribeHidBridges(const std::vector<HidBridgeInfo>& bridges);

}  // namespace host
