#include "host/common/device_bus.h"

#include "host/common/parse.h"

#include <cerrno>
#include <cstring>

namespace host {

namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string Register(uint8_t reg) { return "reg " + Hex(reg); }

}  // namespace

DeviceBus::DeviceBus(Device& device, std::unique_ptr<Bus> bus, Report report)
    : device_(device), bus_(std::move(bus)), report_(std::move(report)), known_(device.Registers().bytes) {}

bool DeviceBus::Connect() {
    online_ = false;
    if (const int error = bus_->Open(); error != 0) {
        lostError_ = error;
        Fail("connect: cannot open " + bus_->Name() + ": " + Reason(error) + "; offline");
        return false;
    }
    online_ = true;
    if (ReadAll()) return true;
    // A chip that cannot be read is not connected: its dialogs would show the wrong registers.
    bus_->Close();
    online_ = false;
    Fail("connect: no QM7140 read on " + bus_->Name() + "; offline");
    return false;
}

bool DeviceBus::ReadAll() {
    if (!online_) {
        Fail("read all: " + Offline());
        return false;
    }
    std::array<uint8_t, kCoveredRegisters> read{};
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) {
        const BusResult result = bus_->Read(static_cast<uint8_t>(reg));
        if (!result.Done()) {
            const bool lost = Lost(result.error);
            lostError_ = result.error;
            Fail("read all: " + Register(static_cast<uint8_t>(reg)) + " on " + bus_->Name() + ": " +
                 Reason(result.error) + (lost ? "; offline (connect re-opens)" : "; nothing stored"));
            return false;
        }
        read[reg] = result.value;
    }
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) device_.Registers().bytes[reg] = known_[reg] = read[reg];
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) device_.Notify(static_cast<uint8_t>(reg));
    return true;
}

bool DeviceBus::Send(const BusWrite& write) {
    if (write.address != Device::kAddress || write.page != Device::kPage || write.count != 1 || write.reg > 255) {
        Fail(WriteLine(write, device_.Registers()) + ": not a register of this device; not sent");
        return false;
    }
    return Transfer(static_cast<uint8_t>(write.reg));
}

bool DeviceBus::Write(uint8_t reg, uint8_t value) {
    device_.Registers().bytes[reg] = value;
    const bool sent = Transfer(reg);
    if (sent) device_.Notify(reg);
    return sent;
}

std::optional<uint8_t> DeviceBus::Read(uint8_t reg) {
    if (!online_) {
        Fail("read " + Register(reg) + ": " + Offline());
        return std::nullopt;
    }
    const BusResult result = bus_->Read(reg);
    if (!result.Done()) {
        const bool lost = Lost(result.error);
        Fail("read " + Register(reg) + " on " + bus_->Name() + ": " + Reason(result.error) +
             (lost ? "; offline (connect re-opens)" : ""));
        return std::nullopt;
    }
    device_.Registers().bytes[reg] = known_[reg] = result.value;
    device_.Notify(reg);
    return result.value;
}

bool DeviceBus::Transfer(uint8_t reg) {
    const std::string what = "write " + Register(reg) + " = " + Hex(device_.Registers().bytes[reg]);
    if (!online_) {
        Restore(reg);
        Fail(what + " not sent: " + Offline() + "; the register shows " + Hex(known_[reg]));
        return false;
    }
    const BusResult sent = bus_->Write(reg, device_.Registers().bytes[reg]);
    if (sent.Done()) {
        known_[reg] = device_.Registers().bytes[reg];
        return true;
    }
    std::string text = what + " on " + bus_->Name() + ": " + Reason(sent.error);
    if (Lost(sent.error)) {
        Restore(reg);
        Fail(text + "; offline (connect re-opens); the register shows the last value read, " + Hex(known_[reg]));
        return false;
    }
    // The chip may have taken the byte or not: ask it.
    const BusResult back = bus_->Read(reg);
    if (back.Done()) {
        device_.Registers().bytes[reg] = known_[reg] = back.value;
        device_.Notify(reg);
        Fail(text + "; the chip holds " + Hex(back.value));
        return false;
    }
    text += "; reading it back failed too (" + Reason(back.error) + ")";
    if (Lost(back.error)) text += "; offline (connect re-opens)";
    Restore(reg);
    Fail(text + "; the register shows the last value read, " + Hex(known_[reg]));
    return false;
}

void DeviceBus::Restore(uint8_t reg) {
    device_.Registers().bytes[reg] = known_[reg];
    device_.Notify(reg);
}

void DeviceBus::Fail(const std::string& text) {
    ++failures_;
    if (report_) report_(text);
}

bool DeviceBus::Lost(int error) {
    if (!AdapterGone(error)) return false;
    bus_->Close();
    online_ = false;
    lostError_ = error;
    return true;
}

std::string DeviceBus::Offline() const {
    return "the bus is offline (" + bus_->Name() + ": " + Reason(lostError_ != 0 ? lostError_ : ENOTCONN) +
           "; connect re-opens it)";
}

}  // namespace host
