#include "host/common/bus/hid/usb_id.h"

#include <cstdio>

namespace host {

namespace {

std::optional<uint16_t> ParseHex4(std::string_view text) {
    if (text.size() != 4) return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<UsbId> UsbId::Parse(std::string_view text) {
    if (text.size() < 9 || text[4] != ':') return std::nullopt;
    if (text.size() > 9 && (text[9] != ':' || text.size() == 10)) return std::nullopt;
    const auto vendor = ParseHex4(text.substr(0, 4));
    const auto product = ParseHex4(text.substr(5, 4));
    if (!vendor || !product) return std::nullopt;
    return UsbId{*vendor, *product, std::string(text.substr(text.size() > 9 ? 10 : 9))};
}

std::string UsbId::Text() const { return UsbIdText(vendor, product) + (serial.empty() ? "" : ":" + serial); }

bool UsbId::Matches(const HidDeviceInfo& device) const {
    return device.vendor == vendor && device.product == product && (serial.empty() || device.serial == serial);
}

std::string UsbIdText(uint16_t vendor, uint16_t product) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X:%04X", vendor, product);
    return text;
}

}  // namespace host
