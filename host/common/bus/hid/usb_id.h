// A USB device as a user names a bridge: VVVV:PPPP, and :SERIAL when several of one id are
// plugged in.
#pragma once

#include "host/common/bus/hid/hid_transport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host {

struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
    std::string serial;  // empty: any

    // "VVVV:PPPP" or "VVVV:PPPP:SERIAL", the ids in hex of either case; nothing for anything
    // else, an empty serial after its colon included.
    static std::optional<UsbId> Parse(std::string_view text);
    // "10C4:EA90", or "10C4:EA90:00A1": one bridge reads the same however it was typed.
    std::string Text() const;
    // Whether the device has this id, and this serial when one is named.
    bool Matches(const HidDeviceInfo& device) const;
};

// "10C4:EA90"
std::string UsbIdText(uint16_t vendor, uint16_t product);

}  // namespace host
