// USB-HID devices through Windows' own HID class driver: SetupAPI lists them, hid.dll tells
// their ids and carries feature reports, overlapped file I/O carries the rest.
#pragma once

#include "host/common/bus/hid/hid_transport.h"

#include <memory>
#include <string>
#include <vector>

namespace host {

// Every HID device interface present that can be asked for its attributes.
std::vector<HidDeviceInfo> EnumerateWinHid();
// errno, or 0 with `opened` set. `path` is a device interface path as EnumerateWinHid gives.
int OpenWinHid(const std::string& path, std::unique_ptr<HidTransport>& opened);

}  // namespace host
