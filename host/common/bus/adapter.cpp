#include "host/common/bus/adapter.h"

#include <cerrno>
#include <cstring>

namespace host {

std::string Adapter::Why(int error) const { return std::strerror(error); }

bool NotPermitted(int error) { return error == EACCES || error == EPERM; }

std::string NoAccess(const std::string& node) {
    // The most common fault on a new bench: the rule is installed, the session predates it.
    return "this user may not open " + node +
           ": join the i2c group (the package's udev rule gives it the I2C adapters and the bridges' hidraw nodes), then log in again";
}

bool AdapterGone(int error) {
    // ENXIO and EIO stay out: adapters give them for one transfer that nobody acknowledged
    // or that the bus garbled, and the next one may well go through.
#ifdef ESHUTDOWN
    if (error == ESHUTDOWN) return true;
#endif
    return error == ENODEV || error == EBADF;
}

}  // namespace host
