// The two USB-HID I2C bridges at the level of their reports, as their public documents describe
// them and as bridges in the field answer, with QM7140s behind them, and the faults a bench
// meets. Built natively and for Windows; the VM's bridge emulator serves the kernel with it.
#pragma once

#include "host/common/bus/hid/hid_bridge.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>

namespace hid_double {

struct Bridge {
    enum class Kind { Cp2112, Mcp2221 } kind = Kind::Cp2112;
    host::HidDeviceInfo info;
    std::map<uint8_t, std::array<uint8_t, 256>> chips;  // 7-bit address → registers
    int refuse = -1;                                     // a register whose data byte gets no acknowledge
    bool busBusy = false, stuck = false, silent = false, unplugged = false;
    // What bridges in the field do where the documents leave room:
    uint8_t readStatus = 2;   // CP2112: the Data Read Response's status byte (0, idle, once polled)
    int busyPolls = 0;        // CP2112: status polls a transfer answers busy before it ends
    int notReady = 0;         // MCP2221: Get I2C Data asks answered "not ready" (0x41, count 127)
    std::vector<uint8_t> notReadyStates{0x54};  // the engine states those replies carry, in turn
    bool nackAtOnce = false;  // MCP2221: an unacknowledged address in the command's own reply

    std::vector<std::vector<uint8_t>> sent;  // output reports, in order
    std::deque<std::vector<uint8_t>> answers;
    int cancels = 0;
    // CP2112 SMBus configuration as it powers up: 100 kHz, own address 0x02, no timeouts,
    // retries unlimited.
    std::vector<uint8_t> config{0x06, 0x00, 0x01, 0x86, 0xA0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0};
    int divider = -1;         // MCP2221 clock divider as last set
    bool badLength = false;   // an MCP2221 report of other than 65 bytes
    uint8_t status0 = 0, status1 = 0;  // CP2112 transfer state
    int readValue = -1;
    int busyLeft = 0, notReadyLeft = 0;
    uint8_t state = 0;  // MCP2221 engine state
    uint8_t address = 0, reg = 0;

    // An output report: a CP2112's with its report id first, an MCP2221's after report id 0.
    void Output(const std::vector<uint8_t>& report) {
        sent.push_back(report);
        if (kind == Kind::Cp2112) Cp2112Output(report);
        else Mcp2221Output(report);
    }

    // Feature reports, report id first; EPIPE for one the bridge does not have (a stall).
    int GetFeature(std::vector<uint8_t>& report) const {
        if (kind != Kind::Cp2112 || report.empty()) return EPIPE;
        std::vector<uint8_t> value;
        switch (report[0]) {
        case 0x02: value = {0x02, 0, 0, 0, 0}; break;  // GPIO configuration: all inputs
        case 0x03: value = {0x03, 0}; break;           // GPIO levels
        case 0x05: value = {0x05, 0x0C, 0x02}; break;  // part number, device version
        case 0x06: value = config; break;
        case 0x20: value = {0x20, 0}; break;  // lock byte: every field programmed
        default: return EPIPE;
        }
        report.assign(value.begin(), value.begin() + static_cast<long>(std::min(report.size(), value.size())));
        return 0;
    }

    int SetFeature(const std::vector<uint8_t>& report) {
        if (kind != Kind::Cp2112 || report.empty()) return EPIPE;
        if (report[0] == 0x06 && report.size() == config.size()) return config = report, 0;
        return report[0] == 0x02 || report[0] == 0x04 ? 0 : EPIPE;
    }

    void Answer(std::vector<uint8_t> report) {
        if (!silent) answers.push_back(std::move(report));
    }

    void Cp2112Transfer(uint8_t address8, uint8_t at, const uint8_t* value) {
        const auto chip = chips.find(address8 >> 1);
        readValue = -1;
        busyLeft = busyPolls;
        status0 = 3;
        if (stuck) status0 = 1, status1 = 3;
        else if (busBusy) status1 = 1;
        else if (chip == chips.end()) status0 = config[12] == 0 && config[13] == 0 ? 1 : 3, status1 = status0 == 1;
        else if (value && at == refuse) status1 = 4;
        else {
            if (value) chip->second[at] = *value;
            else readValue = chip->second[at];
            status0 = 2, status1 = 5;
        }
    }

    void Cp2112Output(const std::vector<uint8_t>& r) {
        if (r[0] == 0x14 && r.size() >= 5 && r[2] == 2) Cp2112Transfer(r[1], r[3], &r[4]);
        if (r[0] == 0x11 && r.size() >= 6 && r[4] == 1) Cp2112Transfer(r[1], r[5], nullptr);
        if (r[0] == 0x15) {
            const bool busy = busyLeft > 0 && status0 != 0;
            busyLeft -= busy;
            Answer({0x16, busy ? uint8_t{1} : status0, busy ? uint8_t{2} : status1, 0, 0, 0, static_cast<uint8_t>(readValue >= 0)});
        }
        if (r[0] == 0x12) Answer({0x13, readValue >= 0 ? readStatus : status0, readValue >= 0, static_cast<uint8_t>(readValue)});
        if (r[0] == 0x17) ++cancels, status0 = 0, stuck = false;
    }

    void Mcp2221Output(const std::vector<uint8_t>& report) {
        if (report.size() != 65 || report[0] != 0) {
            badLength = true;
            return;
        }
        const uint8_t* r = report.data() + 1;
        std::vector<uint8_t> a(65, 0);
        uint8_t* answer = a.data() + 1;
        answer[0] = r[0];
        answer[2] = state;
        if (r[0] == 0x10) {
            if (r[2] == 0x10) ++cancels, answer[2] = state == 0 && !stuck ? 0x11 : 0x10, state = 0, stuck = false;
            if (r[3] == 0x20) answer[3] = busBusy ? 0x21 : 0x20, divider = busBusy ? divider : r[4];
            answer[8] = stuck ? 0x41 : state;
            answer[20] = state == 0x25 ? 0x40 : 0;
        } else if (r[0] == 0x90 || r[0] == 0x94 || r[0] == 0x93) {
            // The engine takes no transfer while the last one failed uncancelled: busy, with
            // that failure's state.
            if (busBusy || state != 0) answer[1] = 0x01;
            if (answer[1] != 0 || stuck) return Answer(std::move(a));
            if (r[0] == 0x93) {
                notReadyLeft = notReady;
                return Answer(std::move(a));
            }
            address = r[3] >> 1, reg = r[4];
            if (!chips.count(address)) {
                state = 0x25;
                if (nackAtOnce) answer[1] = 0x01, answer[2] = state;
            } else if (r[0] == 0x90 && reg == refuse) state = 0x44;
            else if (r[0] == 0x90) chips[address][reg] = r[5];
        } else if (r[0] == 0x40) {
            if (stuck) answer[2] = 0x41;
            else if (state == 0x25) answer[3] = 0;  // the NACK's state in a reply that succeeded
            else if (notReadyLeft > 0) {
                const size_t given = static_cast<size_t>(notReady - notReadyLeft--);
                const uint8_t busy = notReadyStates.empty() ? 0 : notReadyStates[given % notReadyStates.size()];
                answer[1] = 0x41, answer[2] = busy, answer[3] = 127;
            }
            else if (state == 0) answer[2] = 0x55, answer[3] = 1, answer[4] = chips[address][reg];
        }
        Answer(std::move(a));
    }
};

class Transport final : public host::HidTransport {
public:
    explicit Transport(std::shared_ptr<Bridge> bridge) : b_(std::move(bridge)) {}
    const host::HidDeviceInfo& Info() const override { return b_->info; }
    int WriteOutput(const std::vector<uint8_t>& report) override {
        if (b_->unplugged || report.empty()) return ENODEV;
        b_->Output(report);
        return 0;
    }
    // Nothing waits: a report not queued never comes.
    int ReadInput(std::vector<uint8_t>& report, int) override {
        if (b_->unplugged) return ENODEV;
        if (b_->answers.empty()) return ETIMEDOUT;
        report = b_->answers.front();
        b_->answers.pop_front();
        return 0;
    }
    int SetFeature(const std::vector<uint8_t>& report) override { return b_->unplugged ? ENODEV : b_->SetFeature(report); }
    int GetFeature(std::vector<uint8_t>& report) override { return b_->unplugged ? ENODEV : b_->GetFeature(report); }

private:
    std::shared_ptr<Bridge> b_;
};

// A system whose HID devices are these.
inline host::HidSystem System(std::vector<std::shared_ptr<Bridge>> devices) {
    return {[devices] {
                std::vector<host::HidDeviceInfo> infos;
                for (const auto& device : devices) infos.push_back(device->info);
                return infos;
            },
            [devices](const std::string& path, std::unique_ptr<host::HidTransport>& opened) {
                for (const auto& device : devices)
                    if (device->info.path == path && !device->unplugged) return opened = std::make_unique<Transport>(device), 0;
                return ENOENT;
            }};
}

inline std::shared_ptr<Bridge> MakeBridge(Bridge::Kind kind, std::string path, std::string serial = "") {
    auto bridge = std::make_shared<Bridge>();
    const bool cp2112 = kind == Bridge::Kind::Cp2112;
    bridge->kind = kind;
    bridge->info = {cp2112 ? host::kCp2112Vendor : host::kMcp2221Vendor, cp2112 ? host::kCp2112Product : host::kMcp2221Product,
                    std::move(serial), std::move(path)};
    bridge->chips[0x40] = {};
    return bridge;
}

}  // namespace hid_double
