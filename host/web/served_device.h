// One device the web host serves: the device every host drives, the journal its records go
// to for the pages, the figure Digital Control may be linked to, and its paint boxes'
// pictures.
#pragma once

#include "host/common/device/device.h"
#include "host/common/module/graph_object.h"
#include "host/common/module/module.h"
#include "host/common/seam/user.h"
#include "host/web/journal.h"
#include "host/web/pictures.h"

#include <cstdint>

namespace web {

// The figure's size, as the page draws it.
constexpr int32_t kFigureWidth = 132, kFigureHeight = 60;

struct ServedDevice {
    // The chip is started at once; a failure is reported and leaves it offline, for the
    // page's Connect to try again. With `verify` every write is read back.
    ServedDevice(const host::Module& module, host::Bus bus, bool verify = false);

    DeviceJournal journal;
    // Before the device: the instance it frees may still touch the linked figure.
    host::GraphRectangle figure;
    host::Device device;
    Pictures pictures;
    // Who asks for a page's writes: "page: limiter LimiterPaintBox".
    host::user::ControlSources sources{"page"};

    // "/dev/i2c-1 at 0x40, offline (the page's Connect tries again): why", for the console.
    std::string Status() const;
};

}  // namespace web
