// The hidraw transport's own system calls, against nodes the process's open, ioctl, read,
// write, poll and close stand in for (hidraw_double.cpp), with bridge doubles behind them.
#include "hidraw_double.h"
#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/bus/hid/linux/hid_sysfs.h"
#include "host/common/bus/hid/linux/hidraw_transport.h"
#include "host/common/bus/shared_adapter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using hid_double::Bridge;
using hidraw_double::state;

namespace fs = std::filesystem;

struct Nodes : testing::Test {
    std::string dir = (fs::temp_directory_path() / ("qm7140-hidraw-" + std::to_string(getpid()))).string();
    std::string sys = dir + "/sys";

    Nodes() {
        fs::create_directories(dir);
        for (const char* name : {"hidraw0", "hidraw1", "hidraw2", "hidraw3", "i2c-3", "i2c-4"}) std::ofstream(dir + "/" + name) << "";
        state = {};
        state.dir = dir;
        state.nodes[0] = {hid_double::MakeBridge(Bridge::Kind::Cp2112, ""), 0x10C4, 0xEA90, "00A1"};
        state.nodes[1] = {nullptr, 0x046D, 0xC52B, ""};
        state.nodes[2] = {hid_double::MakeBridge(Bridge::Kind::Mcp2221, ""), 0x04D8, 0x00DD, "", false, false};
        // As bridges in the field: a read's byte is "not ready" at the first asks, those error
        // replies carrying engine states that would name a failure in a reply that succeeded.
        state.nodes[2].bridge->notReady = 3;
        state.nodes[2].bridge->notReadyStates = {0x52, 0x25, 0x62};
        Plant("0003:10C4:EA90.0005", "00A1", "cp2112", 0, 3);
        Plant("0003:046D:C52B.0006", "", "hid-generic", 1);
        Plant("0003:04D8:00DD.0007", "", "hid-generic", 2);
    }
    ~Nodes() override {
        state = {};
        fs::remove_all(dir);
    }

    // A HID device as the kernel shows it: its folder, the bus's and the driver's links to it,
    // its hidraw node, and the I2C adapter its driver made, with i2c-dev serving it or not.
    void Plant(const std::string& name, const std::string& serial, const std::string& driver, int hidraw = -1, int i2c = -1, bool i2cDev = true) {
        const fs::path device = sys + "/devices/virtual/misc/uhid/" + name;
        fs::create_directories(device);
        std::ofstream(device / "uevent") << "DRIVER=" << driver << "\nHID_ID=0003:0000" << name.substr(5, 4) << ":0000"
                                         << name.substr(10, 4) << "\nHID_NAME=x\nHID_UNIQ=" << serial << "\n";
        fs::create_directories(sys + "/bus/hid/devices");
        fs::create_directory_symlink(device, sys + "/bus/hid/devices/" + name);
        if (!driver.empty()) {
            fs::create_directories(sys + "/bus/hid/drivers/" + driver);
            fs::create_directory_symlink(sys + "/bus/hid/drivers/" + driver, device / "driver");
        }
        if (hidraw >= 0) fs::create_directories(device / "hidraw" / ("hidraw" + std::to_string(hidraw)));
        if (i2c < 0) return;
        const std::string adapter = "i2c-" + std::to_string(i2c);
        fs::create_directories(device / adapter / (i2cDev ? "i2c-dev/" + adapter : ""));
        fs::create_directories(sys + "/bus/i2c/devices");
        fs::create_directory_symlink(device / adapter, sys + "/bus/i2c/devices/" + adapter);
    }

    std::string Path(int node) const { return dir + "/hidraw" + std::to_string(node); }
    host::HidSystem System() const {
        return {[this] { return host::ListSysfsHid(sys, dir); }, host::OpenHidraw};
    }
    std::unique_ptr<host::Adapter> Adapter(const std::string& where) const {
        return host::MakeHidAdapter({host::DevicePlace::Kind::Hid, "", where}, {}, System());
    }
};

// The bridges as sysfs shows them, in the order they came: both kinds, with and without a
// driver, a hidraw node or an I2C adapter, and the place each is reached by, or how to free
// it from the kernel's driver, or why this user cannot open it. By USB id, a bridge without a
// node is refused with the same words.
TEST_F(Nodes, BridgesAreFoundThroughSysfsWithThePlaceToUseEach) {
    Plant("0003:04D8:00DD.0001", "MC1", "mcp2221", -1, 4);
    Plant("0003:10C4:EA90.0004", "", "");
    Plant("0003:04D8:00DD.000B", "MC2", "mcp2221", -1, 5, false);
    state.nodes[2].openError = EACCES;
    const std::string cure = ": join the i2c group (the package's udev rule gives it the I2C adapters and the bridges' hidraw nodes), then log in again";
    const std::string ignore = " > /sys/module/hid/parameters/ignore_special_drivers";
    const auto handOver = [&](const std::string& name, const std::string& driver, const std::string& between) {
        return (driver.empty() ? "" : "echo " + name + " > /sys/bus/hid/drivers/" + driver + "/unbind" + between) + "echo 1" + ignore + between +
               "echo " + name + " > /sys/bus/hid/drivers/hid-generic/bind" + between + "echo 0" + ignore;
    };
    const std::string mc1 = "kernel driver mcp2221, its adapter " + dir + "/i2c-4, no hidraw node: use i2c:" + dir +
                            "/i2c-4@0x40, or for hid: hand it to hid-generic, as root:";
    EXPECT_EQ(host::DescribeHidBridges(host::ListHidBridges(System())),
              "04D8:00DD MCP2221 serial MC1\n    " + mc1 + "\n        " + handOver("0003:04D8:00DD.0001", "mcp2221", "\n        ") + "\n"
              "10C4:EA90 CP2112\n"
              "    no kernel driver, no hidraw node: for hid: hand it to hid-generic, as root:\n        " +
                  handOver("0003:10C4:EA90.0004", "", "\n        ") + "\n"
              "10C4:EA90 CP2112 serial 00A1 at " + Path(0) + "\n"
              "    kernel driver cp2112, its adapter " + dir + "/i2c-3: use i2c:" + dir + "/i2c-3@0x40 or hid:" + Path(0) + "@0x40, never both at once\n"
              "04D8:00DD MCP2221 at " + Path(2) + "\n"
              "    kernel driver hid-generic: use hid:" + Path(2) + "@0x40\n"
              "    this user may not open " + Path(2) + cure + "\n"
              "04D8:00DD MCP2221 serial MC2\n"
              "    kernel driver mcp2221, no hidraw node: use its /dev/i2c-N (modprobe i2c-dev), or for hid: hand it to hid-generic, as root:\n        " +
                  handOver("0003:04D8:00DD.000B", "mcp2221", "\n        ") + "\n");
    EXPECT_EQ(state.open, 0);

    auto unbound = Adapter("04D8:00DD:MC1");
    EXPECT_EQ(unbound->Why(unbound->Open()), "bridge 04D8:00DD serial MC1: " + mc1 + " " + handOver("0003:04D8:00DD.0001", "mcp2221", "; "));
    auto denied = Adapter("04D8:00DD");
    EXPECT_EQ(denied->Why(denied->Open()), "this user may not open " + Path(2) + cure) << "the one with a node, though it came later";
    auto missing = Adapter("10C4:EA90:00A2");
    EXPECT_EQ(missing->Why(missing->Open()), "no bridge 10C4:EA90 serial 00A2 is plugged in (found 04D8:00DD serial MC1, 10C4:EA90, "
                                             "10C4:EA90 serial 00A1, 04D8:00DD, 04D8:00DD serial MC2)");
    fs::remove_all(sys);
    EXPECT_EQ(missing->Why(missing->Open()), "no bridge 10C4:EA90 serial 00A2 is plugged in") << "said once";
}

// Both bridges through their nodes (reports numbered and not), by node or by USB id; a node
// that hangs up or fails a read takes the adapter offline and is closed; another USB id is
// refused by name.
TEST_F(Nodes, BridgesWorkThroughTheirNodesUntilTheNodeGoes) {
    for (const std::string& where : {Path(0), std::string("04D8:00DD")}) {
        for (const bool hangup : {true, false}) {
            SCOPED_TRACE(where + (hangup ? ", hang-up" : ", read error"));
            host::SharedAdapter adapter(Adapter(where));
            ASSERT_EQ(adapter.Open(0x40) + adapter.Open(0x41), 0);
            EXPECT_EQ(adapter.Write(0x40, 0x0B, 0x8F).error, 0);
            EXPECT_EQ(adapter.Read(0x40, 0x0B).value, 0x8F);
            EXPECT_EQ(adapter.Read(0x41, 0x0B).error, ENXIO);
            EXPECT_LE(state.longestPoll, 1000);
            state.hangup = hangup, state.readError = hangup ? 0 : EIO;
            EXPECT_EQ(adapter.Read(0x40, 0x0B).error, ENODEV);
            EXPECT_EQ(adapter.Lost(), ENODEV);
            EXPECT_EQ(state.open, 0);
            state.hangup = false, state.readError = 0;
        }
    }
    auto keyboard = Adapter(Path(1));
    EXPECT_EQ(keyboard->Open(), ENOTSUP);
    EXPECT_EQ(keyboard->Why(ENOTSUP), Path(1) + " is 046D:C52B, no USB-HID I2C bridge we drive (10C4:EA90 CP2112, 04D8:00DD MCP2221)");
    EXPECT_EQ(state.open, 0);
}

}  // namespace
