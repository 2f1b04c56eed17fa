// A chip's way through a USB-HID I2C bridge: the bridge found by its node or USB id, its kind
// told by that id, opened when a chip first needs it.
#pragma once

#include "host/common/bus/adapter.h"
#include "host/common/bus/device_place.h"
#include "host/common/bus/hid/hid_transport.h"
#include "host/common/bus/hid/usb_id.h"

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
// The device a USB id names: the first of that id with a hidraw node, else the first of it
// at all, so that a bridge whose node the kernel's driver took is named rather than missed.
const HidDeviceInfo* PickHidBridge(const UsbId& wanted, const std::vector<HidDeviceInfo>& devices);
// The kind of bridge a USB id is ("CP2112"), or null for an id no bridge we drive has.
const char* HidBridgeKind(uint16_t vendor, uint16_t product);
// The ids we drive, for words: "10C4:EA90 CP2112, 04D8:00DD MCP2221".
std::string HidBridgesDriven();
// "10C4:EA90 CP2112 serial 00A1 at /dev/hidraw2"; without " at ..." for a bridge with no node
std::string DescribeHidBridge(const HidBridgeInfo& bridge);
// A line per bridge, and under it, where the system tells, what the kernel made of it and
// the place to use (or how to free it for hid:, or the cure for a node this user may not
// open); or the line that says none was found and which ids were looked for.
std::string DescribeHidBridges(const std::vector<HidBridgeInfo>& bridges);

}  // namespace host
