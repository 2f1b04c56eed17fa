// Device places as users type them, one host's list at a time: what each names, or the one
// line that quotes the wrong place and says why.
#include "host/common/bus/device_place.h"
#include "host/common/bus/hid/usb_id.h"
#include "host/common/text/parse.h"
#include "hid_bridge_double.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DevicePlace, EachPlaceNamesItsAdapterAndAddressOrIsRefusedQuoted) {
    const struct {
        std::vector<std::string> places;
        std::string named;  // kind, adapter, address of each; or the error after "device "LAST PLACE": "
    } cases[] = {
        {{"sim", "sim", "i2c:/dev/i2c-1", "i2c:/dev/i2c-1@0x41", "i2c:/dev/i2c-2@8"}, "0 0x40 0 0x40 1 /dev/i2c-1 0x40 1 /dev/i2c-1 0x41 1 /dev/i2c-2 0x08 "},
        {{"hid:/dev/hidraw3@0x77", "hid:10c4:ea90", "hid:04D8:00DD:Ab12@0x41"}, "2 /dev/hidraw3 0x77 2 10C4:EA90 0x40 2 04D8:00DD:Ab12 0x41 "},
        {{"sim", "I2C:/dev/i2c-1"}, "unknown kind \"I2C\"; a device is sim, i2c:PATH or hid:BRIDGE, with @0xNN after either"},
        {{"sim@0x41"}, "a simulated QM7140 takes no adapter nor address"},
        {{"i2c@0x41"}, "no device after i2c:"},
        {{"i2c:/dev/i2c-1@0x78"}, "the address \"0x78\" is not a 7-bit address from 0x08 to 0x77"},
        {{"hid:10C4:EA9G"}, "not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex"},
        {{"hid:10C4:EA90:"}, "not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex"},
        {{"hid:1234:5678:A1@0x41"}, "1234:5678 is no USB-HID I2C bridge we drive (10C4:EA90 CP2112, 04D8:00DD MCP2221)"},
        {{"i2c:/dev/i2c-1@0x41", "sim", "i2c:/dev/i2c-1", "i2c:/dev/i2c-1@0x40"}, "the chip of device 3 again, /dev/i2c-1 at 0x40"},
        {{"hid:10c4:ea90@0x41", "hid:10C4:EA90@65"}, "the chip of device 1 again, 10C4:EA90 at 0x41"},
    };
    for (const auto& c : cases) {
        std::string named;
        try {
            for (const host::DevicePlace& place : host::ParseDevicePlaces(c.places))
                named += std::to_string(static_cast<int>(place.kind)) + " " + place.adapter + (place.adapter.empty() ? "" : " ") +
                         host::Hex(place.address) + " ";
        } catch (const host::CommandError& e) {
            const std::string quoting = "device \"" + c.places.back() + "\": ";
            named = e.what();
            EXPECT_TRUE(named.starts_with(quoting)) << named;
            named.erase(0, quoting.size());
        }
        EXPECT_EQ(named, c.named) << c.places.back();
    }
}

// A USB id reads one way however it was typed, and names a bridge by id, and by serial when
// it has one.
TEST(UsbId, ParsesInEitherCaseReadsInCapitalsAndMatchesByIdAndSerial) {
    const struct {
        const char* text;
        const char* read;  // empty: refused
    } cases[] = {
        {"10c4:ea90", "10C4:EA90"}, {"04D8:00dd:Ab:12", "04D8:00DD:Ab:12"}, {"10C4:EA90:", ""},
        {"10C4:EA9G", ""},          {"10C4EA90", ""},                       {"10C4:EA90x", ""},
        {"/dev/hidraw1", ""},       {"+0C4:EA90", ""},
    };
    for (const auto& c : cases) {
        const auto id = host::UsbId::Parse(c.text);
        EXPECT_EQ(id ? id->Text() : "", c.read) << c.text;
    }
    const host::HidDeviceInfo bridge{0x10C4, 0xEA90, "A1", "/dev/hidraw1"};
    EXPECT_TRUE(host::UsbId::Parse("10C4:EA90")->Matches(bridge));
    EXPECT_TRUE(host::UsbId::Parse("10c4:ea90:A1")->Matches(bridge));
    EXPECT_FALSE(host::UsbId::Parse("10C4:EA90:A")->Matches(bridge));
    EXPECT_FALSE(host::UsbId::Parse("10C4:EA91")->Matches(bridge));
}

// A bridge is one adapter however it is named, opened once at the speed asked; the same chip
// named by id and by node is refused before anything is opened.
TEST(DevicePlace, BridgePlacesShareTheirBridgeAndRefuseItsChipTwice) {
    using Kind = hid_double::Bridge::Kind;
    const auto bridge = hid_double::MakeBridge(Kind::Cp2112, "/dev/hidraw1", "A");
    bridge->chips[0x41] = {};
    int opens = 0;
    host::HidSystem system = hid_double::System({hid_double::MakeBridge(Kind::Mcp2221, "/dev/hidraw2"), bridge});
    system.open = [&opens, open = system.open](const std::string& path, std::unique_ptr<host::HidTransport>& opened) {
        ++opens;
        return open(path, opened);
    };
    host::AdapterPool pool({400}, system);
    auto buses = host::MakeBuses(host::ParseDevicePlaces({"hid:10c4:ea90:A", "sim", "hid:/dev/hidraw1@0x41"}), pool);
    ASSERT_EQ(buses.size(), 3u);
    EXPECT_EQ(buses[0].Open(), 0);
    EXPECT_EQ(buses[2].Open(), 0);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(buses[2].Name(), "hid:10C4:EA90 serial A (/dev/hidraw1) at 0x41");
    EXPECT_EQ(bridge->config[3], 0x1A) << "400 kHz (0x00061A80 Hz)";

    host::AdapterPool fresh({}, system);
    try {
        host::MakeBuses(host::ParseDevicePlaces({"hid:/dev/hidraw1@0x41", "hid:10C4:EA90@0x41"}), fresh);
        ADD_FAILURE() << "the chip twice was taken";
    } catch (const host::CommandError& e) {
        EXPECT_STREQ(e.what(), "device \"hid:10C4:EA90@0x41\": the chip of device 1 again, /dev/hidraw1 at 0x41");
    }
    EXPECT_EQ(opens, 1);
}

}  // namespace
