// The two USB-HID I2C bridges at the level of their reports, as their public documents
// describe them, with QM7140s behind them: what a real bridge answers to each report, and the
// faults a bench meets (a chip missing, a refused byte, a bus held low, a bridge that stops
// answering, one unplugged). Built natively and for Windows.
#pragma once

#include "host/common/hid_bridge.h"
#include "host/common/hid_transport.h"

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace hid_double {

struct Bridge {
    enum class Kind { Cp2112, Mcp2221 } kind = Kind::Cp2112;
    host::HidDeviceInfo info;
    std::map<uint8_t, std::array<uint8_t, 256>> chips;  // 7-bit address → registers
    int refuse = -1;       // a register whose data byte is not acknowledged
    bool busBusy = false;  // SCL held low / the engine busy
    bool stuck = false;    // a transfer under way that never ends until cancelled
    bool silent = false;   // answers no report at all
    bool unplugged = false;

    // What the host did.
    std::vector<std::vector<uint8_t>> sent;  // output reports, in order
    int cancels = 0;
    std::vector<uint8_t> config;  // CP2112 SMBus configuration as last set
    int divider = -1;             // MCP2221 clock divider as last set
    bool badLength = false;       // an MCP2221 report of other than 65 bytes

    std::deque<std::vector<uint8_t>> answers;

    Bridge() {
        // A CP2112 as it powers up: 100 kHz, own address 0x02, no timeouts, retries unlimited.
        config = {0x06, 0x00, 0x01, 0x86, 0xA0, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0};
    }
    bool Unlimited() const { return config[12] == 0 && config[13] == 0; }

    // CP2112 transfer state.
    uint8_t status0 = 0, status1 = 0;
    int readValue = -1;
    // MCP2221 engine state.
    uint8_t state = 0;
    bool nackFlag = false;
    uint8_t pendingAddress = 0, pendingReg = 0;

    void Answer(std::vector<uint8_t> report) {
        if (!silent) answers.push_back(std::move(report));
    }

    void Cp2112Transfer(uint8_t address8, const uint8_t* data, size_t length, bool readBack) {
        const uint8_t address = address8 >> 1;
        readValue = -1;
        const auto chip = chips.find(address);
        if (stuck) {
            status0 = 1, status1 = 3;
        } else if (busBusy) {
            status0 = 3, status1 = 1;
        } else if (chip == chips.end()) {
            // Without a retry limit the bridge keeps trying the address.
            if (Unlimited()) status0 = 1, status1 = 1;
            else status0 = 3, status1 = 0;
        } else if (length >= 1 && data[0] == refuse && !readBack) {
            status0 = 3, status1 = 4;
        } else {
            if (!readBack && length >= 2) chip->second[data[0]] = data[1];
            if (readBack) readValue = chip->second[data[0]];
            status0 = 2, status1 = 5;
        }
    }

    void Cp2112Output(const std::vector<uint8_t>& r) {
        switch (r[0]) {
        case 0x14: Cp2112Transfer(r[1], r.data() + 3, std::min<size_t>(r[2], r.size() - 3), false); break;
        case 0x11: Cp2112Transfer(r[1], r.data() + 5, std::min<size_t>(r[4], r.size() - 5), true); break;
        case 0x15: Answer({0x16, status0, status1, 0, 0, 0, static_cast<uint8_t>(readValue >= 0)}); break;
        case 0x12:
            if (status0 == 2 && readValue >= 0) Answer({0x13, 2, 1, static_cast<uint8_t>(readValue)});
            else Answer({0x13, status0, 0});
            break;
        case 0x17:
            ++cancels;
            status0 = 0, stuck = false;
            break;
        default: break;
        }
    }

    void Mcp2221Output(const std::vector<uint8_t>& report) {
        if (report.size() != 65 || report[0] != 0) {
            badLength = true;
            return;
        }
        const uint8_t* r = report.data() + 1;
        std::vector<uint8_t> a(65, 0);
        a[1] = r[0];
        uint8_t* answer = a.data() + 1;
        switch (r[0]) {
        case 0x10:
            if (r[2] == 0x10) {
                ++cancels;
                answer[2] = state == 0 && !stuck ? 0x11 : 0x10;
                state = 0, nackFlag = false, stuck = false;
            }
            if (r[3] == 0x20) {
                answer[3] = state != 0 || busBusy ? 0x21 : 0x20;
                if (answer[3] == 0x20) divider = r[4];
                answer[4] = r[4];
            }
            answer[8] = stuck ? 0x41 : state;
            answer[20] = nackFlag ? 0x40 : 0;
            break;
        case 0x90:
        case 0x94:
            answer[2] = state;
            if (busBusy) {
                answer[1] = 0x01;
                break;
            }
            pendingAddress = r[3] >> 1, pendingReg = r[4];
            if (stuck) break;
            if (!chips.count(pendingAddress)) state = 0x25, nackFlag = true;
            else if (r[0] == 0x90 && r[4] == refuse) state = 0x44;
            else if (r[0] == 0x90) chips[pendingAddress][r[4]] = r[5];
            break;
        case 0x93:
            answer[2] = state;
            if (busBusy) answer[1] = 0x01;
            break;
        case 0x40:
            answer[2] = stuck ? 0x41 : state;
            if (stuck) break;
            if (state == 0x25) answer[1] = 0x41, answer[3] = 127;
            else if (state == 0 && chips.count(pendingAddress)) answer[2] = 0x55, answer[3] = 1, answer[4] = chips[pendingAddress][pendingReg];
            break;
        default: break;
        }
        Answer(std::move(a));
    }
};

class Transport final : public host::HidTransport {
public:
    explicit Transport(std::shared_ptr<Bridge> bridge) : bridge_(std::move(bridge)) {}
    const host::HidDeviceInfo& Info() const override { return bridge_->info; }
    int WriteOutput(const std::vector<uint8_t>& report) override {
        if (bridge_->unplugged) return ENODEV;
        if (report.empty()) return EINVAL;
        bridge_->sent.push_back(report);
        if (bridge_->kind == Bridge::Kind::Cp2112) bridge_->Cp2112Output(report);
        else bridge_->Mcp2221Output(report);
        return 0;
    }
    // Nothing waits: a report not queued never comes.
    int ReadInput(std::vector<uint8_t>& report, int) override {
        if (bridge_->unplugged) return ENODEV;
        if (bridge_->answers.empty()) return ETIMEDOUT;
        report = bridge_->answers.front();
        bridge_->answers.pop_front();
        return 0;
    }
    int SetFeature(const std::vector<uint8_t>& report) override {
        if (bridge_->unplugged) return ENODEV;
        if (bridge_->kind != Bridge::Kind::Cp2112 || report.size() != 14 || report[0] != 0x06) return EPIPE;
        bridge_->config = report;
        return 0;
    }
    int GetFeature(std::vector<uint8_t>& report) override {
        if (bridge_->unplugged) return ENODEV;
        if (bridge_->kind != Bridge::Kind::Cp2112 || report.empty() || report[0] != 0x06) return EPIPE;
        const size_t n = std::min(report.size(), bridge_->config.size());
        std::copy_n(bridge_->config.begin(), n, report.begin());
        return 0;
    }

private:
    std::shared_ptr<Bridge> bridge_;
};

// A system whose HID devices are these bridges (and whatever else the test plugs in).
inline host::HidSystem System(std::vector<std::shared_ptr<Bridge>> devices) {
    return {[devices] {
                std::vector<host::HidDeviceInfo> infos;
                for (const auto& device : devices)
                    if (!device->unplugged) infos.push_back(device->info);
                return infos;
            },
            [devices](const std::string& path, std::unique_ptr<host::HidTransport>& opened) {
                for (const auto& device : devices) {
                    if (device->info.path != path) continue;
                    if (device->unplugged) return ENOENT;
                    opened = std::make_unique<Transport>(device);
                    return 0;
                }
                return ENOENT;
            }};
}

inline std::shared_ptr<Bridge> MakeBridge(Bridge::Kind kind, std::string path, std::string serial = "") {
    auto bridge = std::make_shared<Bridge>();
    bridge->kind = kind;
    bridge->info.vendor = kind == Bridge::Kind::Cp2112 ? host::kCp2112Vendor : host::kMcp2221Vendor;
    bridge->info.product = kind == Bridge::Kind::Cp2112 ? host::kCp2112Product : host::kMcp2221Product;
    bridge->info.serial = std::move(serial);
    bridge->info.path = std::move(path);
    bridge->chips[0x40] = {};
    return bridge;
}

}  // namespace hid_double
