// File > Connect...: where the current device's chip is, picked from the USB-HID I2C bridges
// plugged in and the simulated QM7140, with the chip's address and the bus speed.
#pragma once

#include "host/common/bus/bus.h"
#include "host/common/bus/hid/hid_adapter.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace winhost {

struct ConnectChoice {
    size_t place = 0;  // 0: the simulated QM7140; n: the nth bridge of the list
    uint8_t address = host::kChipAddress;
    unsigned speedKhz = 100;
};

// Modal, starting from `initial` with `bridges` listed; nothing when the user cancels. An
// address outside 0x08..0x77 keeps the dialog open and says so. Look again lists the
// bridges `look` finds now into `bridges`, which the choice's place then counts in.
std::optional<ConnectChoice> AskWhereToConnect(HWND owner, std::vector<host::HidBridgeInfo>& bridges,
                                               const std::function<std::vector<host::HidBridgeInfo>()>& look,
                                               const ConnectChoice& initial);

}  // namespace winhost
