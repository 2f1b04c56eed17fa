// The hidraw transport's own system calls, against nodes the process's open, ioctl, read,
// write, poll and close stand in for (hidraw_double.cpp), with bridge doubles behind them.
#include "hidraw_double.h"
#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/bus/hid/linux/hidraw_transport.h"
#include "host/common/bus/shared_adapter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using hid_double::Bridge;
using hidraw_double::state;

struct Nodes : testing::Test {
    std::string dir = (std::filesystem::temp_directory_path() / ("qm7140-hidraw-" + std::to_string(getpid()))).string();

    Nodes() {
        std::filesystem::create_directories(dir);
        for (const char* name : {"hidraw0", "hidraw1", "hidraw2", "hidraw3", "hidrawX"}) std::ofstream(dir + "/" + name) << "";
        state = {};
        state.dir = dir;
        state.nodes[0] = {hid_double::MakeBridge(Bridge::Kind::Cp2112, ""), 0x10C4, 0xEA90, "00A1"};
        state.nodes[1] = {nullptr, 0x046D, 0xC52B, ""};
        state.nodes[2] = {hid_double::MakeBridge(Bridge::Kind::Mcp2221, ""), 0x04D8, 0x00DD, "", false, false};
    }
    ~Nodes() override {
        state = {};
        std::filesystem::remove_all(dir);
    }

    std::string Path(int node) const { return dir + "/hidraw" + std::to_string(node); }
    host::HidSystem System() const {
        return {[dir = dir] { return host::EnumerateHidraw(dir); }, host::OpenHidraw};
    }
    std::unique_ptr<host::Adapter> Adapter(const std::string& where) const {
        return host::MakeHidAdapter({host::DevicePlace::Kind::Hid, "", where}, {}, System());
    }
};

// Nodes that open and answer HIDIOCGRAWINFO are listed in number order, with the serial number
// where the kernel tells it, and closed again; the bridges among them go by USB id.
TEST_F(Nodes, ListsEveryNodeThatAnswersWithItsIdAndSerial) {
    EXPECT_EQ(host::DescribeHidBridges(host::ListHidBridges(System())),
              "10C4:EA90 CP2112 serial 00A1 at " + Path(0) + "\n04D8:00DD MCP2221 at " + Path(2) + "\n");
    EXPECT_EQ(host::EnumerateHidraw(dir).size(), 3u) << "hidraw3 does not open, hidrawX answers no ioctl";
    EXPECT_EQ(state.open, 0);
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
