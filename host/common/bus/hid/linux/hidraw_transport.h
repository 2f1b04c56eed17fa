// USB-HID devices through Linux's /dev/hidrawN nodes.
#pragma once

#include "host/common/bus/hid/hid_transport.h"

#include <memory>
#include <string>
#include <vector>

namespace host {

// Every hidrawN node in `dir` that can be opened, with its USB id and serial number.
std::vector<HidDeviceInfo> EnumerateHidraw(const std::string& dir = "/dev");
// errno, or 0 with `opened` set.
int OpenHidraw(const std::string& path, std::unique_ptr<HidTransport>& opened);

}  // namespace host
