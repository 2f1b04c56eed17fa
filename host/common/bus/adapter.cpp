#include "host/common/bus/adapter.h"

#include <cerrno>
#include <cstring>

namespace host {

std::string Adapter::Why(int error) const { return std::strerror(error); }

bool AdapterGone(int error) {
    // ENXIO and EIO stay out: adapters give them for one transfer that nobody acknowledged
    // or that the bus garbled, and the next one may well go through.
#ifdef ESHUTDOWN
    if (error == ESHUTDOWN) return true;
#endif
    return error == ENODEV || error == EBADF;
}

}  // namespace host
