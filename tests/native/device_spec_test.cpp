// Device specs as users type them, one host's list at a time: what each names, or the one
// line that says which spec is wrong and why.
#include "host/common/device_spec.h"
#include "host/common/parse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Described(const std::vector<host::DeviceSpec>& specs) {
    std::string text;
    for (const host::DeviceSpec& spec : specs) {
        if (!text.empty()) text += "; ";
        if (spec.kind == host::DeviceSpec::Kind::Simulated) {
            text += "sim";
            continue;
        }
        text += (spec.kind == host::DeviceSpec::Kind::I2c ? "i2c " : "hid ") + spec.adapter + " " + host::Hex(spec.address);
    }
    return text;
}

TEST(DeviceSpec, EachSpecNamesItsAdapterAndAddressOrIsRefusedQuoted) {
    const struct {
        std::vector<std::string> specs;
        std::string named;  // or the error
    } cases[] = {
        {{"sim", "sim"}, "sim; sim"},
        {{"i2c:/dev/i2c-1", "i2c:/dev/i2c-1@0x41", "i2c:/dev/i2c-2@0x40"},
         "i2c /dev/i2c-1 0x40; i2c /dev/i2c-1 0x41; i2c /dev/i2c-2 0x40"},
        {{"i2c:/dev/i2c-1@8", "i2c:/dev/i2c-1@0x77"}, "i2c /dev/i2c-1 0x08; i2c /dev/i2c-1 0x77"},
        {{"hid:/dev/hidraw3@0x41", "hid:10c4:ea90", "hid:04D8:00DD:Ab12@0x41"},
         "hid /dev/hidraw3 0x41; hid 10C4:EA90 0x40; hid 04D8:00DD:Ab12 0x41"},
        // Refused, each naming its spec, even after good ones.
        {{"sim", "usb:3"}, "device \"usb:3\": unknown kind \"usb\"; a device is sim, i2c:PATH or hid:BRIDGE, with @0xNN after either"},
        {{""}, "device \"\": unknown kind \"\"; a device is sim, i2c:PATH or hid:BRIDGE, with @0xNN after either"},
        {{"I2C:/dev/i2c-1"}, "device \"I2C:/dev/i2c-1\": unknown kind \"I2C\"; a device is sim, i2c:PATH or hid:BRIDGE, with @0xNN after either"},
        {{"sim@0x41"}, "device \"sim@0x41\": a simulated QM7140 takes no adapter nor address"},
        {{"i2c:"}, "device \"i2c:\": no device after i2c:"},
        {{"i2c@0x41"}, "device \"i2c@0x41\": no device after i2c:"},
        {{"hid:@0x41"}, "device \"hid:@0x41\": no device after hid:"},
        {{"i2c:/dev/i2c-1@0x78"}, "device \"i2c:/dev/i2c-1@0x78\": the address \"0x78\" is not a 7-bit address from 0x08 to 0x77"},
        {{"i2c:/dev/i2c-1@7"}, "device \"i2c:/dev/i2c-1@7\": the address \"7\" is not a 7-bit address from 0x08 to 0x77"},
        {{"i2c:/dev/i2c-1@"}, "device \"i2c:/dev/i2c-1@\": the address \"\" is not a 7-bit address from 0x08 to 0x77"},
        {{"i2c:/dev/i2c-1@0x80"}, "device \"i2c:/dev/i2c-1@0x80\": the address \"0x80\" is not a 7-bit address from 0x08 to 0x77"},
        {{"hid:10C4"}, "device \"hid:10C4\": not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex"},
        {{"hid:10C4:EA9G"}, "device \"hid:10C4:EA9G\": not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex"},
        {{"hid:10C4:EA90:"}, "device \"hid:10C4:EA90:\": not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex"},
        {{"hid:10C4:EA901"}, "device \"hid:10C4:EA901\": not a /dev/hidrawN node nor a USB id VVVV:PPPP[:SERIAL] in hex"},
        // The same chip twice, an address left out counting as 0x40.
        {{"i2c:/dev/i2c-1@0x41", "sim", "i2c:/dev/i2c-1", "i2c:/dev/i2c-1@0x40"},
         "device \"i2c:/dev/i2c-1@0x40\": the chip of device 3 again, /dev/i2c-1 at 0x40"},
        {{"hid:10c4:ea90@0x41", "hid:10C4:EA90@65"}, "device \"hid:10C4:EA90@65\": the chip of device 1 again, 10C4:EA90 at 0x41"},
    };
    for (const auto& c : cases) {
        std::string named;
        try {
            named = Described(host::ParseDeviceSpecs(c.specs));
        } catch (const host::CommandError& e) {
            named = e.what();
        }
        EXPECT_EQ(named, c.named) << c.specs.back();
    }
}

TEST(DeviceSpec, ChipsOnOneAdapterShareItAndBridgesAreNotBuiltInYet) {
    const auto buses = host::MakeBuses(host::ParseDeviceSpecs({"sim", "i2c:/dev/i2c-7@0x41", "i2c:/dev/i2c-7"}), {});
    ASSERT_EQ(buses.size(), 3u);
    EXPECT_EQ(buses[0], nullptr);
    EXPECT_EQ(buses[1]->Name() + ", " + buses[2]->Name(), "/dev/i2c-7 at 0x41, /dev/i2c-7 at 0x40");
    EXPECT_THROW(host::MakeBuses(host::ParseDeviceSpecs({"hid:10C4:EA90"}), {}), host::CommandError);
}

}  // namespace
