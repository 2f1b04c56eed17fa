// The hidraw transport's own system calls, against nodes the process's open, ioctl, read,
// write, poll and close stand in for (hidraw_double.c), with the bridge doubles behind them.
#include "hid_bridge_double.h"
#include "hidraw_double.h"
#include "host/common/hid_adapter.h"
#include "host/common/hidraw_transport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using hid_double::Bridge;

std::shared_ptr<Bridge> behind[QM7140_HIDRAW_NODES];

struct Nodes : testing::Test {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qm7140-hidraw-" + std::to_string(getpid()));

    Nodes() {
        std::filesystem::create_directories(dir);
        for (const char* name : {"hidraw0", "hidraw1", "hidraw2", "hidraw3", "hidrawX"}) std::ofstream(dir / name) << "";
        qm7140_hidraw = {};
        std::snprintf(qm7140_hidraw.dir, sizeof qm7140_hidraw.dir, "%s", dir.c_str());
        behind[0] = hid_double::MakeBridge(Bridge::Kind::Cp2112, "");
        behind[2] = hid_double::MakeBridge(Bridge::Kind::Mcp2221, "");
        Node(0, 0x10C4, 0xEA90, "00A1", true);
        Node(1, 0x046D, 0xC52B, "", false);
        Node(2, 0x04D8, 0x00DD, "", false);
        qm7140_hidraw.nodes[2].no_uniq = 1;
        qm7140_hidraw.write = [](int node, const unsigned char* report, size_t length) {
            if (!behind[node]) return static_cast<int>(length);
            hid_double::Transport(behind[node]).WriteOutput({report, report + length});
            return static_cast<int>(length);
        };
        qm7140_hidraw.pending = [](int node) { return behind[node] && !behind[node]->answers.empty() ? 1 : 0; };
        qm7140_hidraw.read = [](int node, unsigned char* report, size_t room) {
            if (!behind[node] || behind[node]->answers.empty()) return 0;
            auto answer = behind[node]->answers.front();
            behind[node]->answers.pop_front();
            // Without report ids the kernel gives the report alone.
            if (!qm7140_hidraw.nodes[node].numbered) answer.erase(answer.begin());
            const size_t length = std::min(room, answer.size());
            std::memcpy(report, answer.data(), length);
            return static_cast<int>(length);
        };
        qm7140_hidraw.set_feature = [](int node, const unsigned char* report, size_t length) {
            if (!behind[node]) return -EPIPE;
            const int error = hid_double::Transport(behind[node]).SetFeature({report, report + length});
            return error != 0 ? -error : static_cast<int>(length);
        };
        qm7140_hidraw.get_feature = [](int node, unsigned char* report, size_t length) {
            if (!behind[node]) return -EPIPE;
            std::vector<uint8_t> feature(report, report + length);
            const int error = hid_double::Transport(behind[node]).GetFeature(feature);
            if (error != 0) return -error;
            std::memcpy(report, feature.data(), length);
            return static_cast<int>(length);
        };
    }
    ~Nodes() override {
        qm7140_hidraw = {};
        for (auto& bridge : behind) bridge.reset();
        std::filesystem::remove_all(dir);
    }

    void Node(int node, int vendor, int product, const char* serial, bool numbered) {
        auto& n = qm7140_hidraw.nodes[node];
        n.present = 1, n.vendor = vendor, n.product = product, n.numbered = numbered;
        std::snprintf(n.serial, sizeof n.serial, "%s", serial);
    }

    std::string Path(int node) const { return (dir / ("hidraw" + std::to_string(node))).string(); }

    host::HidSystem System() const {
        return {[dir = dir.string()] { return host::EnumerateHidraw(dir); }, host::OpenHidraw};
    }

    std::shared_ptr<host::Adapter> Adapter(const std::string& where) const {
        host::DeviceSpec spec;
        spec.kind = host::DeviceSpec::Kind::Hid;
        spec.adapter = where;
        return host::MakeHidAdapter(spec, {}, System());
    }
};

// Nodes that open and answer HIDIOCGRAWINFO are listed, in number order, with the serial
// number where the kernel tells it; the bridges among them are told apart by USB id.
TEST_F(Nodes, ListsEveryNodeThatAnswersWithItsIdAndSerial) {
    const auto devices = host::EnumerateHidraw(dir.string());
    ASSERT_EQ(devices.size(), 3u) << "hidraw3 does not open, hidrawX is no node";
    EXPECT_EQ(devices[0].path, Path(0));
    EXPECT_EQ(devices[0].serial, "00A1");
    EXPECT_EQ(devices[1].vendor, 0x046D);
    EXPECT_EQ(devices[2].product, 0x00DD);
    EXPECT_EQ(devices[2].serial, "");
    EXPECT_EQ(qm7140_hidraw.open_count, 0);
    EXPECT_EQ(host::DescribeHidBridges(host::ListHidBridges(System())),
              "10C4:EA90 CP2112 serial 00A1 at " + Path(0) + "\n04D8:00DD MCP2221 at " + Path(2) + "\n");
}

// Both bridges through their nodes (numbered reports and not), found by node or by USB id; a
// node that hangs up or fails a read takes the adapter offline and closes it; a node of
// another USB id is refused by name.
TEST_F(Nodes, BridgesWorkThroughTheirNodesUntilTheNodeGoes) {
    for (const std::string& where : {Path(0), std::string("04D8:00DD")}) {
        SCOPED_TRACE(where);
        for (const int fault : {0, 1}) {
            auto adapter = Adapter(where);
            ASSERT_EQ(adapter->Open(), 0) << adapter->Why(adapter->Open());
            EXPECT_EQ(adapter->Write(0x40, 0x0B, 0x8F).error, 0);
            const host::BusResult read = adapter->Read(0x40, 0x0B);
            EXPECT_EQ(read.error, 0);
            EXPECT_EQ(read.value, 0x8F);
            EXPECT_EQ(adapter->Read(0x41, 0x0B).error, ENXIO);
            EXPECT_LE(qm7140_hidraw.longest_poll, 1000);
            if (fault == 0) qm7140_hidraw.hangup = 1;
            else qm7140_hidraw.read_error = EIO;
            EXPECT_EQ(adapter->Read(0x40, 0x0B).error, ENODEV);
            EXPECT_FALSE(adapter->IsOpen());
            EXPECT_EQ(qm7140_hidraw.open_count, 0);
            qm7140_hidraw.hangup = 0, qm7140_hidraw.read_error = 0;
        }
    }
    auto keyboard = Adapter(Path(1));
    EXPECT_EQ(keyboard->Open(), ENOTSUP);
    EXPECT_EQ(keyboard->Why(ENOTSUP), Path(1) + " is 046D:C52B, no USB-HID I2C bridge we drive (10C4:EA90 CP2112, 04D8:00DD MCP2221)");
    EXPECT_EQ(qm7140_hidraw.open_count, 0);
}

}  // namespace
