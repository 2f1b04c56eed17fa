// The HTTP requests past the gate that are not page files: a device's state file (GET saves,
// POST loads), its exports, and a register script to replay.
#pragma once

#include "host/web/net.h"
#include "host/web/served_device.h"

#include <functional>

namespace web {

struct Routes {
    int devices = 0;
    std::function<ServedDevice&(int)> device;
    // The device changed: its pages are brought up to date.
    std::function<void(int)> changed;
};

HttpReply Route(const Routes& routes, const HttpRequest& request);

}  // namespace web
