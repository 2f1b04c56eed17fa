// Both USB-HID I2C bridges' protocols, through the adapter the hosts use, against doubles of
// their reports (hid_bridge_double.h). Built natively and, for Wine, by the win32 preset.
#include "hid_bridge_double.h"
#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/bus/shared_adapter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using hid_double::Bridge;
using Kind = Bridge::Kind;

std::unique_ptr<host::Adapter> Adapter(const std::shared_ptr<Bridge>& bridge, unsigned speedKhz = 100) {
    return host::MakeHidAdapter({host::DevicePlace::Kind::Hid, "", bridge->info.path}, {speedKhz}, hid_double::System({bridge}));
}

struct KindCase {
    Kind kind;
    const char* name;
};
constexpr KindCase kKinds[] = {{Kind::Cp2112, "CP2112"}, {Kind::Mcp2221, "MCP2221"}};

// A write is one transfer [reg, value]; a read writes [reg] and reads one byte after a repeated
// start; the speed and (CP2112) the retry limit and timeouts are set on connect; two chips share
// the bridge.
TEST(HidBridge, WritesAndReadsEachChipOnTheBridgeAtTheSpeedAsked) {
    using Bytes = std::vector<uint8_t>;
    for (const auto& [kind, name] : kKinds) {
        SCOPED_TRACE(name);
        auto bridge = hid_double::MakeBridge(kind, "/dev/hidraw0");
        bridge->chips[0x41] = {};
        auto adapter = Adapter(bridge, 400);
        ASSERT_EQ(adapter->Open(), 0);
        EXPECT_EQ(adapter->Claim(0x40), 0);
        EXPECT_EQ(adapter->Write(0x40, 0x05, 0x33).error, 0);
        EXPECT_EQ(adapter->Write(0x41, 0x05, 0x44).error, 0);
        EXPECT_EQ(bridge->chips[0x40][5] + bridge->chips[0x41][5], 0x33 + 0x44);
        const size_t reading = bridge->sent.size();
        const host::BusResult read = adapter->Read(0x41, 0x05);
        EXPECT_EQ(read.error, 0);
        EXPECT_EQ(read.value, 0x44);
        EXPECT_EQ(bridge->cancels, 1) << "only the one on connect";
        // The reports after the report id: [0x40 write] ... [read of 0x41] ...
        const size_t skip = kind == Kind::Mcp2221 ? 1 : 0;
        const auto at = [&](size_t index, size_t count) {
            const Bytes& r = bridge->sent.at(index);
            return Bytes(r.begin() + static_cast<long>(skip), r.begin() + static_cast<long>(std::min(r.size(), skip + count)));
        };
        if (kind == Kind::Cp2112) {
            EXPECT_EQ(at(reading - 2 * 2, 5), (Bytes{0x14, 0x80, 2, 0x05, 0x33}));
            EXPECT_EQ(at(reading, 6), (Bytes{0x11, 0x82, 0, 1, 1, 0x05})) << "address write-read";
            const auto& c = bridge->config;
            EXPECT_EQ((c[1] << 24) | (c[2] << 16) | (c[3] << 8) | c[4], 400000);
            EXPECT_EQ(c[5], 0x02) << "the bridge's own address kept";
            for (size_t field : {7u, 9u, 12u}) EXPECT_TRUE(c[field] * 256 + c[field + 1] >= 1 && c[field] * 256 + c[field + 1] <= 1000) << field;
        } else {
            EXPECT_FALSE(bridge->badLength) << "every report 64 bytes after report id 0";
            EXPECT_EQ(at(reading - 2 * 2, 6), (Bytes{0x90, 2, 0, 0x80, 0x05, 0x33}));
            EXPECT_EQ(at(reading, 5), (Bytes{0x94, 1, 0, 0x82, 0x05})) << "no stop";
            EXPECT_EQ(at(reading + 1, 4), (Bytes{0x93, 1, 0, 0x83})) << "repeated start";
            EXPECT_EQ(at(reading + 2, 1), (Bytes{0x40}));
            EXPECT_EQ(bridge->divider, 27);
            EXPECT_EQ(Adapter(bridge, 100)->Open(), 0);
            EXPECT_EQ(bridge->divider, 117);
        }
    }
}

// Each fault fails the one transfer with its errno and leaves the bridge cancelled and in use,
// or, when the bridge itself is gone, marks the shared adapter lost: the bridge is let go and
// the other chip on it fails alike without a report sent. With the fault cleared the next
// transfer goes through (after a reopen when it was lost).
TEST(HidBridge, EachFaultFailsOneTransferOrTakesTheBridgeOffline) {
    struct Fault {
        const char* name;
        void (*set)(Bridge&, bool on);
        uint8_t address;
        int cp2112Error, mcp2221Error;  // for a write; a read the same unless noted
        bool gone;
    };
    const Fault faults[] = {
        // Also proves the CP2112 retry limit was set: unlimited, it would still be trying.
        {"chip missing", [](Bridge&, bool) {}, 0x41, ENXIO, ENXIO, false},
        {"data byte refused", [](Bridge& b, bool on) { b.refuse = on ? 0x02 : -1; }, 0x40, host::kDataRefused, ETIMEDOUT, false},
        {"bus busy", [](Bridge& b, bool on) { b.busBusy = on; }, 0x40, EAGAIN, EAGAIN, false},
        {"transfer never ends", [](Bridge& b, bool on) { b.stuck = on; }, 0x40, ETIMEDOUT, ETIMEDOUT, false},
        {"bridge deaf", [](Bridge& b, bool on) { b.silent = on; }, 0x40, host::kBridgeDeaf, host::kBridgeDeaf, true},
        {"unplugged", [](Bridge& b, bool on) { b.unplugged = on; }, 0x40, ENODEV, ENODEV, true},
    };
    for (const auto& [kind, name] : kKinds) {
        for (const auto& fault : faults) {
            for (const bool reading : {false, true}) {
                SCOPED_TRACE(std::string(name) + ", " + fault.name + (reading ? ", read" : ", write"));
                auto bridge = hid_double::MakeBridge(kind, "/dev/hidraw0");
                host::SharedAdapter adapter(Adapter(bridge));
                ASSERT_EQ(adapter.Open(0x40) + adapter.Open(0x41), 0);
                const int cancels = bridge->cancels;
                fault.set(*bridge, true);
                if (reading && bridge->refuse >= 0) continue;  // a read sends no data byte
                const host::BusResult result = reading ? adapter.Read(fault.address, 0x02) : adapter.Write(fault.address, 0x02, 0x15);
                EXPECT_EQ(result.error, kind == Kind::Cp2112 ? fault.cp2112Error : fault.mcp2221Error);
                EXPECT_EQ(adapter.Lost(), fault.gone ? result.error : 0);
                EXPECT_FALSE(adapter.Why(result.error).empty());
                EXPECT_TRUE(fault.gone || bridge->cancels > cancels) << "the bridge's cancel after the failure";
                fault.set(*bridge, false);
                bridge->answers.clear();
                const size_t sent = bridge->sent.size();
                const host::BusResult other = adapter.Read(fault.address == 0x40 ? 0x41 : 0x40, 0x02);
                EXPECT_EQ(other.error == result.error, fault.gone) << "the other chip";
                EXPECT_EQ(bridge->sent.size() == sent, fault.gone) << "a lost bridge is not touched";
                EXPECT_EQ(fault.gone ? adapter.Open(0x40) : 0, 0);
                EXPECT_EQ(adapter.Write(0x40, 0x03, 0x77).error, 0);
                EXPECT_EQ(adapter.Read(0x40, 0x03).value, 0x77);
            }
        }
    }
}

// Where bridges in the field answer otherwise than their documents: a CP2112 read reply at
// status idle or busy is taken by its length (an error status still fails); an MCP2221 that
// says "not ready" is asked again, whatever engine state that error reply carries (0x52 and the
// failure states included: only a reply that succeeded names a failure), a bounded number of
// times within the transfer's budget; an MCP2221 address NACK is ENXIO whichever reply carries
// it. A failed read is cancelled; the bridge is usable again after each.
TEST(HidBridge, TakesWhatBridgesInTheFieldAnswer) {
    struct Case {
        const char* name;
        Kind kind;
        void (*set)(Bridge&);
        uint8_t address;
        int error;
    };
    const Case cases[] = {
        {"CP2112 read reply at idle", Kind::Cp2112, [](Bridge& b) { b.readStatus = 0; }, 0x40, 0},
        {"CP2112 read reply at busy", Kind::Cp2112, [](Bridge& b) { b.readStatus = 1; }, 0x40, 0},
        {"CP2112 read reply failed", Kind::Cp2112, [](Bridge& b) { b.readStatus = 3; }, 0x40, EIO},
        {"CP2112 busy for a while", Kind::Cp2112, [](Bridge& b) { b.busyPolls = 5; }, 0x40, 0},
        {"MCP2221 not ready at first", Kind::Mcp2221, [](Bridge& b) { b.notReady = 5; }, 0x40, 0},
        {"MCP2221 not ready twice at state 0x52", Kind::Mcp2221, [](Bridge& b) { b.notReady = 2, b.notReadyStates = {0x52}; }, 0x40, 0},
        {"MCP2221 not ready at every kind of state", Kind::Mcp2221,
         [](Bridge& b) { b.notReady = 9, b.notReadyStates = {0x52, 0x12, 0x23, 0x25, 0x44, 0x62, 0x00, 0x01, 0x54}; }, 0x40, 0},
        {"MCP2221 never ready", Kind::Mcp2221, [](Bridge& b) { b.notReady = 1 << 30, b.notReadyStates = {0x52, 0x25, 0x54}; }, 0x40, ETIMEDOUT},
        {"MCP2221 NACK in the Read Repeated-START reply", Kind::Mcp2221, [](Bridge&) {}, 0x41, ENXIO},
        {"MCP2221 NACK in the Write No STOP reply", Kind::Mcp2221, [](Bridge& b) { b.nackAtOnce = true; }, 0x41, ENXIO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bridge = hid_double::MakeBridge(c.kind, "/dev/hidraw0");
        bridge->chips[0x40][0x07] = 0x5A;
        c.set(*bridge);
        auto adapter = Adapter(bridge);
        ASSERT_EQ(adapter->Open(), 0);
        const int cancels = bridge->cancels;
        const host::BusResult read = adapter->Read(c.address, 0x07);
        EXPECT_EQ(read.error, c.error);
        EXPECT_EQ(read.value, c.error == 0 ? 0x5A : 0);
        EXPECT_EQ(bridge->cancels > cancels, c.error != 0) << "the bridge's cancel after the failure";
        const auto asks = std::count_if(bridge->sent.begin(), bridge->sent.end(), [&](const auto& r) { return c.kind == Kind::Mcp2221 && r[1] == 0x40; });
        EXPECT_LE(asks, 1000);
        bridge->readStatus = 2, bridge->notReady = 0;
        EXPECT_EQ(adapter->Read(0x40, 0x07).value, 0x5A);
    }
}

// A bridge is found by node, by USB id or by id and serial number; anything else is refused
// with words naming what was found.
TEST(HidAdapter, FindsItsBridgeByNodeOrIdAndRefusesOthers) {
    const auto first = hid_double::MakeBridge(Kind::Cp2112, "/dev/hidraw1", "A");
    const auto second = hid_double::MakeBridge(Kind::Cp2112, "/dev/hidraw2", "B");
    const auto mcp = hid_double::MakeBridge(Kind::Mcp2221, "/dev/hidraw3", "M");
    const auto keyboard = hid_double::MakeBridge(Kind::Cp2112, "/dev/hidraw4");
    keyboard->info.vendor = 0x046D, keyboard->info.product = 0xC52B;
    const auto system = hid_double::System({first, second, mcp, keyboard});
    struct Case {
        const char* where;
        int error;
        const char* words;  // the name when opened, else the reason
    };
    const Case cases[] = {
        {"/dev/hidraw3", 0, "hid:04D8:00DD serial M (/dev/hidraw3)"},
        {"10C4:EA90", 0, "hid:10C4:EA90 serial A (/dev/hidraw1)"},
        {"10c4:ea90:B", 0, "hid:10C4:EA90 serial B (/dev/hidraw2)"},
        {"10C4:EA90:Z", ENOENT, "no bridge 10C4:EA90 serial Z is plugged in (found 10C4:EA90 serial A, 10C4:EA90 serial B, 04D8:00DD serial M)"},
        {"/dev/hidraw4", ENOTSUP, "/dev/hidraw4 is 046D:C52B, no USB-HID I2C bridge we drive (10C4:EA90 CP2112, 04D8:00DD MCP2221)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        auto adapter = host::MakeHidAdapter({host::DevicePlace::Kind::Hid, "", c.where}, {}, system);
        EXPECT_EQ(adapter->Name(), std::string("hid:") + c.where);
        const int error = adapter->Open();
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(error == 0 ? adapter->Name() : adapter->Why(error), c.words);
    }
    EXPECT_EQ(host::DescribeHidBridges(host::ListHidBridges(system)),
              "10C4:EA90 CP2112 serial A at /dev/hidraw1\n10C4:EA90 CP2112 serial B at /dev/hidraw2\n04D8:00DD MCP2221 serial M at /dev/hidraw3\n");
    EXPECT_EQ(host::DescribeHidBridges(host::ListHidBridges(hid_double::System({keyboard}))),
              "no USB-HID I2C bridge found (looked for 10C4:EA90 CP2112, 04D8:00DD MCP2221)\n");
}

}  // namespace
