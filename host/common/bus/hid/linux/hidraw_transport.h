// USB-HID devices through Linux's /dev/hidrawN nodes.
#pragma once

#include "host/common/bus/hid/hid_transport.h"

#include <memory>
#include <string>

namespace host {

// errno, or 0 with `opened` set.
int OpenHidraw(const std::string& path, std::unique_ptr<HidTransport>& opened);

}  // namespace host
