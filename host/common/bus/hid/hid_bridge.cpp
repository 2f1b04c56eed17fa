#include "host/common/bus/hid/hid_bridge.h"

namespace host {

int AwaitReport(HidTransport& transport, size_t at, uint8_t value, const Deadline& deadline, std::vector<uint8_t>& report) {
    // A cancelled transfer may still answer late; more than this many strays is not a bridge
    // we understand.
    constexpr int kStrays = 16;
    for (int stray = 0; stray <= kStrays; ++stray) {
        if (const int error = transport.ReadInput(report, deadline.LeftMs())) return TransportError(error);
        if (report.size() > at && report[at] == value) return 0;
    }
    return EIO;
}

}  // namespace host
