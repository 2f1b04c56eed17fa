// The HID devices Linux lists in sysfs, with what the kernel made of each: the driver bound
// to it, its hidraw node, and the I2C adapter a bridge's own driver made. Read from the files
// alone, so a node this user may not open is still found, and said to be so.
#pragma once

#include "host/common/bus/hid/hid_transport.h"

#include <string>
#include <vector>

namespace host {

// Every HID device under SYS/bus/hid/devices in the order they were plugged in, its nodes
// named under DEV. The roots are parameters for tests that plant a tree.
std::vector<HidDeviceInfo> ListSysfsHid(const std::string& sys = "/sys", const std::string& dev = "/dev");

}  // namespace host
