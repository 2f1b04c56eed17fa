// The Windows HID transport on the system it runs on: under Wine no bridge is plugged in, and
// saying so is the whole of its job there.
#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/bus/hid/windows/win_hid_transport.h"

#include <gtest/gtest.h>

namespace {

TEST(WinHid, ListsNoBridgeUnderWineAndSaysSo) {
    const auto bridges = host::ListHidBridges();
    EXPECT_TRUE(bridges.empty());
    EXPECT_EQ(host::DescribeHidBridges(bridges), "no USB-HID I2C bridge found (looked for 10C4:EA90 CP2112, 04D8:00DD MCP2221)\n");
    // A bridge asked for by id is not there; by a path that names no device, neither.
    for (const char* where : {"10C4:EA90", "\\\\?\\hid#vid_10c4&pid_ea90#none"}) {
        auto adapter = host::MakeHidAdapter({host::DevicePlace::Kind::Hid, "", where}, {});
        EXPECT_EQ(adapter->Open(), ENOENT) << where;
        EXPECT_EQ(adapter->Name(), std::string("hid:") + where) << "nothing opened";
    }
}

}  // namespace
