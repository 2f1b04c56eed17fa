// One QM7140 as every host drives it: the module's instance for it (its windows use the
// register cache), the bus to the chip (a real one, or the simulated QM7140 whose registers
// are the cache), the records of what reached the chip, failures kept until the module's
// call has returned, and one register script playing in slices.
#pragma once

#include "host/common/bus/bus.h"
#include "host/common/module/module_instance.h"
#include "host/common/chip/failure.h"
#include "host/common/chip/transfer_ring.h"
#include "host/common/text/register_script.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {

// Registers 0 to 31: the widest of the module's windows (Digital Control) covers them all.
constexpr unsigned kCoveredRegisters = 32;

// One line of a device's log.
struct Record {
    enum class Kind {
        Write,          // the module's write, or a script's
        Read,           // a script's read
        Failure,
        ScriptStopped,  // a script stopped at a failed transfer
        Note,           // the host's own words on a verb: "connected to ..."
    };
    Kind kind;
    BusWrite transfer{};  // Write and Read: the register and the byte the transfer carried
    uint8_t before = 0;   // Write: the register's byte on the chip before it, as last known
    Failure failure{};
    std::string text;  // ScriptStopped, Note
    Timing at{};       // the transfer's time (a note's: when it was said)
    Source source;     // who asked, when the host said
};

// "W 0x80/0 reg 0x02 = 0x55  (Limiter / AGC: Enable Limiter)" with the fields the write
// changed, "R 0x80/0 reg 0x03 = 0x25", a failure's, a stop's or a note's words.
std::string RecordLine(const Record& record);
bool IsError(const Record& record);
// Whether it stands for a transfer on the bus (a failure may: one that was tried).
bool IsTransfer(const Record& record);
// When it happened, "14:02:07.123456 (85 us)", the clock to `digits` decimals; a note or a
// transfer never tried has no duration.
std::string TimeStamp(const Record& record, int digits);

// What a script's slice gave: the records in order, and when it wants the next call.
struct PlayedSlice {
    std::vector<Record> records;
    std::optional<std::chrono::steady_clock::time_point> next;  // empty: the script is over
};

class Amplifier {
public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(const Record&)>;
    // The longest a slice of a script holds its caller, and the most records it gives.
    static constexpr std::chrono::milliseconds kSlice{20};
    static constexpr size_t kSliceRecords = 256;

    // Nothing is opened yet (Connect). With `verify`, every write that went through is read
    // back. Throws std::runtime_error when the module gives no instance.
    Amplifier(const Module& module, Bus bus, Log log, bool verify = false);
    ~Amplifier();
    Amplifier(const Amplifier&) = delete;
    Amplifier& operator=(const Amplifier&) = delete;

    QM7140Instance Instance() const { return instance_.Instance(); }
    QM7140RegisterWindow* Window(int32_t dialog) const { return instance_.Window(dialog); }
    RegisterFile& Registers() { return instance_.Registers(); }
    const RegisterFile& Registers() const { return instance_.Registers(); }
    // Where the chip is, and whether it is the simulated one.
    const Bus& ChipBus() const { return bus_; }
    // Online from a successful connect until the adapter is gone; offline, writes are refused.
    bool Online() const { return online_; }
    // Failures recorded so far.
    int Failures() const { return failures_; }
    // Every transfer the bus made, with its time, the last so many of them.
    const TransferRing& Transfers() const { return ring_; }
    TransferRing& Transfers() { return ring_; }

    // Who asks for the transfers from now on (the script player names its own lines).
    void SetSource(Source source) { source_ = std::move(source); }
    const Source& CurrentSource() const { return source_; }
    // A source for as long as it lives, then the one before.
    class Asking {
    public:
        Asking(Amplifier& amplifier, Source source) : amplifier_(amplifier), old_(amplifier.source_) {
            amplifier.source_ = std::move(source);
        }
        ~Asking() { amplifier_.source_ = std::move(old_); }
        Asking(const Asking&) = delete;
        Asking& operator=(const Asking&) = delete;

    private:
        Amplifier& amplifier_;
        Source old_;
    };

    // Another chip behind the same instance, not opened yet; a simulated one is powered up
    // in the cache.
    void UseBus(Bus bus);
    // Opens the bus and reads the covered registers; offline when either fails.
    bool Connect();
    // The covered registers read into the cache, all of them or none, and every window told.
    bool ReadAll();
    // The host's own write: stored, sent (and logged), every window told; how many windows
    // covered it, or nothing when the transfer failed.
    std::optional<int> Write(uint8_t reg, uint8_t value);
    // One register read from the chip into the cache, every window told; `at`, when given,
    // gets the transfer's time.
    std::optional<uint8_t> Read(uint8_t reg, Timing* at = nullptr);
    // Each window that covers the register is told; gives how many were.
    int Notify(uint8_t reg) { return instance_.Notify(reg); }
    void NotifyAll() { instance_.NotifyAll(); }

    // After each call into the module: the writes it made that failed are read back, each
    // register once, every window told once, and the failures recorded. Inside the call
    // they were only noted, so a dialog never reloads in the middle of its own handler.
    void Settle();
    // Called whenever a failure is held for Settle, for a host that cannot tell when the
    // module's call is over (a dialog of the module's own window): it settles once it is.
    void OnUnsettled(std::function<void()> unsettled) { unsettled_ = std::move(unsettled); }

    // A checked script, played by Next from now on; CommandError when one is playing.
    void Play(std::vector<ScriptStep> steps, std::string source);
    bool Playing() const { return script_.has_value(); }
    // Drops the script playing, if any: nothing of it is sent from now on.
    void Stop() { script_.reset(); }
    // Plays on while no delay holds it, for at most kSlice and kSliceRecords. The script
    // stops at the first transfer that fails, so nothing after a failed setting is sent.
    PlayedSlice Next(Clock::time_point now);

private:
    struct Script {
        std::vector<ScriptStep> steps;
        std::string source;
        size_t step = 0;
        unsigned at = 0;  // values written or registers read of the step
        Clock::time_point due;
    };

    // The module's write callback.
    void Send(const BusWrite& write);
    // One transfer on the bus, timed and kept in the ring.
    BusResult Timed(Transfer::Direction direction, uint8_t reg, uint8_t value, Timing& at);
    // Sends the cached byte; a failure is held for Settle. `logged`, the module's write, is
    // logged once the bus took it.
    bool Transfer(uint8_t reg, const BusWrite* logged = nullptr);
    // A failure of `op` at `reg` with the bus's errno (0: none) and its words.
    Failure FailureOf(Failure::Op op, uint8_t reg, int error) const;
    // A transfer not tried: the chip is offline, for the error that took it so.
    Failure NotSentFailure(Failure::Op op, uint8_t reg) const;
    // A transfer the bus refused; a bus whose adapter it found gone takes the chip offline.
    Failure RefusedFailure(Failure::Op op, uint8_t reg, int error);
    void HoldUntilSettled(Failure failure, bool readBack);
    void Hold(Failure failure);
    // After a failed transfer: offline, the bus let go, when it says its adapter is gone;
    // whether it did.
    bool OfflineIfLost();
    void Emit(Record record);
    // Counted, and logged as a record.
    void Report(Failure failure);

    // Starts afresh on bus_: offline, and a simulated chip powered up in the cache.
    void Attach();
    // Lets go of bus_, and a simulated chip of the cache.
    void Detach();

    Bus bus_;
    // Detaches once the instance below is freed, which may still write to the chip.
    struct Release {
        Amplifier& self;
        ~Release() { self.Detach(); }
    } release_{*this};
    Log log_;
    bool verify_;
    bool online_ = false;
    int offlineError_ = 0;  // the errno that took the chip offline
    int failures_ = 0;
    std::array<uint8_t, 256> known_{};
    // Registers to settle (whether to read them back first), in the order they failed.
    std::vector<std::pair<uint8_t, bool>> pending_;
    std::vector<Failure> held_;
    std::function<void()> unsettled_;
    std::optional<Script> script_;
    std::vector<Record>* capture_ = nullptr;  // a script's slice, while it plays
    TransferRing ring_;
    Source source_;
    // Last: the instance it frees may still write, to the bus and the log above.
    ModuleInstance instance_;
};

}  // namespace host
