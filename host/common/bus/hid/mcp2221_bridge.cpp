// The MCP2221-class bridge (04D8:00DD): 64-byte command reports without a report id, each
// answered by a 64-byte report that echoes the command.
#include "host/common/bus/hid/hid_bridge.h"

#include <algorithm>
#include <initializer_list>
#include <thread>

namespace host {

namespace {

enum : uint8_t {
    kStatus = 0x10,  // Status/Set Parameters
    kWriteData = 0x90,
    kReadRepeatedStart = 0x93,
    kWriteNoStop = 0x94,
    kGetData = 0x40,
};
constexpr uint8_t kCancelTransfer = 0x10, kSetSpeed = 0x20;  // Status/Set Parameters bytes 2 and 3
constexpr uint8_t kSpeedTaken = 0x20;                        // its answer at byte 3
constexpr uint8_t kReadFailed = 0x41, kCountOnError = 127;   // Get I2C Data bytes 1 and 3
constexpr uint8_t kAddressNackFlag = 0x40;                   // status byte 20
// How long a bridge that is not ready is left before it is asked again.
constexpr std::chrono::microseconds kNotReadyPause{100};

// The I2C engine's states (status byte 8, and byte 2 of the transfer answers) that end a
// transfer with an error. Any other state but 0 (idle) is a transfer under way.
int StateErrno(uint8_t state) {
    switch (state) {
    case 0x25: return ENXIO;  // address not acknowledged
    case 0x12:                // start, address, data, read and stop timeouts
    case 0x23:
    case 0x44:
    case 0x52:
    case 0x62: return ETIMEDOUT;
    default: return 0;
    }
}

// A transfer command's reply: byte 1 is 0 when the engine took it, else byte 2 holds the
// engine's state, which names a failure (an address NACK) or is one still under way.
int Refusal(const std::vector<uint8_t>& answer) {
    if (answer[1] == 0) return 0;
    const int error = StateErrno(answer[2]);
    return error != 0 ? error : EAGAIN;
}

class Mcp2221Bridge final : public HidBridge {
public:
    explicit Mcp2221Bridge(HidTransport& transport) : transport_(transport) {}

    int Configure(unsigned speedKhz) override {
        // The divider of the bridge's 12 MHz: 117 for 100 kHz, 27 for 400 kHz.
        const auto divider = static_cast<uint8_t>(12000 / speedKhz - 3);
        // A speed is refused while a transfer is under way: cancel it first.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const Deadline deadline(kCancelBudget);
            std::vector<uint8_t> answer;
            if (const int error = Exchange({kStatus, 0, kCancelTransfer}, deadline, answer)) return Deaf(error);
            if (const int error = Exchange({kStatus, 0, 0, kSetSpeed, divider}, deadline, answer)) return Deaf(error);
            if (answer[1] == 0 && answer[3] == kSpeedTaken) return 0;
        }
        return EIO;
    }

    BusResult Write(uint8_t address, uint8_t reg, uint8_t value) override {
        const Deadline deadline(kTransferBudget - kCancelBudget);
        std::vector<uint8_t> answer;
        if (const int error = Exchange({kWriteData, 2, 0, static_cast<uint8_t>(address << 1), reg, value}, deadline, answer))
            return {Cancel(error)};
        if (const int error = Refusal(answer)) return {Cancel(error)};
        return {Cancel(AwaitIdle(deadline))};
    }

    BusResult Read(uint8_t address, uint8_t reg) override {
        const Deadline deadline(kTransferBudget - kCancelBudget);
        std::vector<uint8_t> answer;
        // [reg] without a stop, then one byte after a repeated start, then the byte itself.
        if (const int error = Exchange({kWriteNoStop, 1, 0, static_cast<uint8_t>(address << 1), reg}, deadline, answer))
            return {Cancel(error)};
        if (const int error = Refusal(answer)) return {Cancel(error)};
        if (const int error = Exchange({kReadRepeatedStart, 1, 0, static_cast<uint8_t>(address << 1 | 1)}, deadline, answer))
            return {Cancel(error)};
        if (const int error = Refusal(answer)) return {Cancel(error)};
        // The byte may not have arrived at the first ask: the bridge then says so (an error with
        // the count 127), or gives no byte yet. The state byte of such an error reply is
        // whatever the engine is doing meanwhile (0x52 among others) and names no failure: it
        // counts only in a reply that succeeded. The deadline bounds the asking.
        constexpr int kAsks = 1000;
        for (int ask = 0; ask < kAsks && deadline.LeftMs() > 0; ++ask) {
            if (const int error = Exchange({kGetData}, deadline, answer)) return {Cancel(error)};
            if (answer[1] == kReadFailed && answer[3] == kCountOnError) {
                std::this_thread::sleep_for(kNotReadyPause);
                continue;
            }
            if (answer[1] != 0) return {Cancel(EIO)};
            if (const int error = StateErrno(answer[2])) return {Cancel(error)};
            if (answer[3] == kCountOnError) return {Cancel(EIO)};
            if (answer[3] >= 1) return {0, answer[4]};
        }
        return {Cancel(ETIMEDOUT)};
    }

private:
    // Sends one command (padded to 64 bytes after report id 0) and takes its answer, without
    // the report id: answer[0] is the echoed command.
    int Exchange(std::initializer_list<uint8_t> command, const Deadline& deadline, std::vector<uint8_t>& answer) {
        std::vector<uint8_t> report(65, 0);
        std::copy(command.begin(), command.end(), report.begin() + 1);
        if (const int error = transport_.WriteOutput(report)) return TransportError(error);
        if (const int error = AwaitReport(transport_, 1, *command.begin(), deadline, answer)) return error;
        answer.erase(answer.begin());
        answer.resize(64, 0);
        return 0;
    }

    // Asks the status until the engine is idle again after a write; errno, or 0.
    int AwaitIdle(const Deadline& deadline) {
        constexpr int kAsks = 1000;
        for (int ask = 0; ask < kAsks && deadline.LeftMs() > 0; ++ask) {
            std::vector<uint8_t> status;
            if (const int error = Exchange({kStatus}, deadline, status)) return error;
            if (status[1] != 0) return EIO;
            if (status[20] & kAddressNackFlag) return ENXIO;
            if (const int error = StateErrno(status[8])) return error;
            if (status[8] == 0) return 0;
        }
        return ETIMEDOUT;
    }

    // After every failed transfer: the bridge's cancel, which also frees the bus. A bridge that
    // answers neither the transfer nor the cancel is deaf.
    int Cancel(int error) {
        if (error == 0 || error == ENODEV) return error;
        const Deadline deadline(kCancelBudget);
        std::vector<uint8_t> answer;
        const int cancelled = Exchange({kStatus, 0, kCancelTransfer}, deadline, answer);
        if (cancelled == 0) return error;
        return Deaf(cancelled);
    }

    static int Deaf(int error) { return error == ETIMEDOUT ? kBridgeDeaf : error; }

    HidTransport& transport_;
};

}  // namespace

std::unique_ptr<HidBridge> MakeMcp2221Bridge(HidTransport& transport) { return std::make_unique<Mcp2221Bridge>(transport); }

}  // namespace host
