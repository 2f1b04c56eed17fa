// The CP2112-class bridge (10C4:EA90): numbered reports, a transfer started by one output
// report and followed by polling its status.
#include "host/common/bus/hid/hid_bridge.h"

namespace host {

namespace {

enum : uint8_t {
    kSmbusConfig = 0x06,  // feature report
    kWriteReadRequest = 0x11,
    kReadForceSend = 0x12,
    kReadResponse = 0x13,
    kWriteRequest = 0x14,
    kStatusRequest = 0x15,
    kStatusResponse = 0x16,
    kCancel = 0x17,
};

// A transfer's state (status 0 of the status response, and the read response's status).
enum : uint8_t { kIdle = 0, kBusy = 1, kComplete = 2, kFailed = 3 };

// Why a failed transfer failed (status 1 after kFailed), as errnos.
int FailureErrno(uint8_t status1) {
    switch (status1) {
    case 0: return ENXIO;         // the address was not acknowledged within the retries
    case 1: return EAGAIN;        // the bus was not free: SCL held low
    case 2: return EAGAIN;        // arbitration lost to another master
    case 3: return EIO;           // read incomplete
    case 4: return kDataRefused;  // write incomplete: a byte after the address was refused
    default: return EIO;
    }
}

// The SMBus Configuration feature report: clock (Hz, big-endian 4 bytes), the bridge's own
// address, auto send read, write and read timeouts (ms, big-endian), SCL low timeout, retry
// limit (big-endian; 0 retries an unanswered address forever).
constexpr size_t kConfigSize = 14;
constexpr uint16_t kTimeoutMs = 100;
constexpr uint16_t kRetries = 1;

void PutBig16(std::vector<uint8_t>& report, size_t at, uint16_t value) {
    report[at] = static_cast<uint8_t>(value >> 8);
    report[at + 1] = static_cast<uint8_t>(value);
}

class Cp2112Bridge final : public HidBridge {
public:
    explicit Cp2112Bridge(HidTransport& transport) : transport_(transport) {}

    int Configure(unsigned speedKhz) override {
        std::vector<uint8_t> config(kConfigSize, 0);
        config[0] = kSmbusConfig;
        // Read first, so the fields we leave alone keep the bridge's own values.
        if (const int error = transport_.GetFeature(config)) return TransportError(error);
        if (config.size() < kConfigSize || config[0] != kSmbusConfig) return EIO;
        const uint32_t hz = speedKhz * 1000;
        for (size_t i = 0; i < 4; ++i) config[1 + i] = static_cast<uint8_t>(hz >> (8 * (3 - i)));
        config[6] = 0;  // no auto send read: the read response comes when we ask for it
        PutBig16(config, 7, kTimeoutMs);
        PutBig16(config, 9, kTimeoutMs);
        config[11] = 1;  // a bus held low ends the transfer with an error
        PutBig16(config, 12, kRetries);
        if (const int error = transport_.SetFeature(config)) return TransportError(error);
        // Whatever an earlier program left under way ends here.
        if (const int error = transport_.WriteOutput({kCancel, 0x01})) return TransportError(error);
        return 0;
    }

    BusResult Write(uint8_t address, uint8_t reg, uint8_t value) override {
        const Deadline deadline(kTransferBudget - kCancelBudget);
        const std::vector<uint8_t> request{kWriteRequest, static_cast<uint8_t>(address << 1), 2, reg, value};
        if (const int error = transport_.WriteOutput(request)) return {TransportError(error)};
        return {Finish(deadline)};
    }

    BusResult Read(uint8_t address, uint8_t reg) override {
        const Deadline deadline(kTransferBudget - kCancelBudget);
        // Address Write-Read: [reg] written, then one byte read after a repeated start.
        const std::vector<uint8_t> request{kWriteReadRequest, static_cast<uint8_t>(address << 1), 0, 1, 1, reg};
        if (const int error = transport_.WriteOutput(request)) return {TransportError(error)};
        if (const int error = Finish(deadline)) return {error};
        if (const int error = transport_.WriteOutput({kReadForceSend, 0, 1})) return {TransportError(error)};
        std::vector<uint8_t> response;
        if (const int error = AwaitReport(transport_, 0, kReadResponse, deadline, response)) return {Cancel(error)};
        // [id, status, length, data...]. Bridges in the field say idle here once the status polls
        // saw the transfer end, where the document says complete: the length tells.
        if (response.size() < 4 || response[1] > kComplete || response[2] < 1) return {Cancel(EIO)};
        return {0, response[3]};
    }

private:
    // Polls the transfer's status until it ends; errno, or 0.
    int Finish(const Deadline& deadline) {
        // Each poll is a round trip of a millisecond or more; this many cannot outlast a second.
        constexpr int kPolls = 1000;
        for (int poll = 0; poll < kPolls; ++poll) {
            if (const int error = transport_.WriteOutput({kStatusRequest, 0x01})) return TransportError(error);
            std::vector<uint8_t> status;
            if (const int error = AwaitReport(transport_, 0, kStatusResponse, deadline, status)) return Cancel(error);
            if (status.size() < 3) return Cancel(EIO);
            if (status[1] == kComplete) return 0;
            if (status[1] == kFailed) return Cancel(FailureErrno(status[2]));
            if (status[1] == kIdle) return Cancel(EIO);  // the bridge holds no transfer of ours
            if (deadline.LeftMs() == 0) break;
        }
        return Cancel(ETIMEDOUT);
    }

    // Brings the bridge back to idle after `error`. A bridge that then does not answer a status
    // request either is deaf, and the adapter is given up.
    int Cancel(int error) {
        if (error == ENODEV) return error;
        if (const int failed = transport_.WriteOutput({kCancel, 0x01})) return TransportError(failed) == ETIMEDOUT ? kBridgeDeaf : ENODEV;
        if (error != ETIMEDOUT) return error;  // the bridge answered; it heard the cancel too
        const Deadline check(kCancelBudget);
        if (const int failed = transport_.WriteOutput({kStatusRequest, 0x01})) return TransportError(failed) == ETIMEDOUT ? kBridgeDeaf : ENODEV;
        std::vector<uint8_t> status;
        const int answered = AwaitReport(transport_, 0, kStatusResponse, check, status);
        if (answered == ETIMEDOUT) return kBridgeDeaf;
        return answered == 0 ? error : answered;
    }

    HidTransport& transport_;
};

}  // namespace

std::unique_ptr<HidBridge> MakeCp2112Bridge(HidTransport& transport) { return std::make_unique<Cp2112Bridge>(transport); }

}  // namespace host
