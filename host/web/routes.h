// The HTTP requests past the gate that are not page files: a device's state file (GET saves,
// POST loads), its exports, a register script to replay, and the bench's (bench_routes.h).
#pragma once

#include "host/web/net.h"
#include "host/web/served_device.h"

#include <filesystem>
#include <functional>
#include <string>

namespace web {

struct Routes {
    int devices = 0;
    std::function<ServedDevice&(int)> device;
    // The device changed: its pages are brought up to date.
    std::function<void(int)> changed;
    // Where the presets are kept, or empty with `shelfError` saying why there is no shelf.
    std::filesystem::path shelf;
    std::string shelfError;
};

HttpReply Route(const Routes& routes, const HttpRequest& request);

}  // namespace web
