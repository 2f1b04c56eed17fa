#include "host/common/chip/amplifier.h"

#include "host/common/bus/simulated_adapter.h"
#include "host/common/chip/register_map.h"
#include "host/common/text/parse.h"
#include "host/common/text/times.h"

#include <cerrno>
#include <utility>

namespace host {

std::string RecordLine(const Record& record) {
    switch (record.kind) {
    case Record::Kind::Write: {
        std::string line = TransferLine('W', record.transfer);
        if (record.transfer.reg <= 0xFF) {
            const std::string fields = FieldsChanged(static_cast<uint8_t>(record.transfer.reg), record.before, record.transfer.value);
            if (!fields.empty()) line += "  (" + fields + ")";
        }
        return line;
    }
    case Record::Kind::Read: return TransferLine('R', record.transfer);
    case Record::Kind::Failure: return Describe(record.failure);
    case Record::Kind::ScriptStopped:
    case Record::Kind::Note: return record.text;
    }
    return {};
}

bool IsTransfer(const Record& record) {
    return record.kind == Record::Kind::Write || record.kind == Record::Kind::Read ||
           (record.kind == Record::Kind::Failure && record.failure.at.duration.count() > 0);
}

std::string TimeStamp(const Record& record, int digits) {
    std::string stamp = ClockText(record.at.wall, digits);
    if (IsTransfer(record)) stamp += " (" + DurationText(record.at.duration) + ")";
    return stamp;
}

bool IsError(const Record& record) { return record.kind == Record::Kind::Failure || record.kind == Record::Kind::ScriptStopped; }

Amplifier::Amplifier(const Module& module, Bus bus, Log log, bool verify)
    : bus_(std::move(bus)), log_(std::move(log)), verify_(verify), instance_(module, [this](const BusWrite& write) { Send(write); }) {
    Attach();
}

Amplifier::~Amplifier() = default;

void Amplifier::UseBus(Bus bus) {
    Detach();
    bus_ = std::move(bus);
    Attach();
}

void Amplifier::Attach() {
    if (SimulatedAdapter* chip = bus_.Simulation()) chip->PowerUpIn(instance_.Registers().bytes);
    online_ = false;
    offlineError_ = 0;
    known_ = instance_.Registers().bytes;
}

void Amplifier::Detach() {
    bus_.Close();
    if (SimulatedAdapter* chip = bus_.Simulation()) chip->GiveBack();
}

bool Amplifier::Connect() {
    online_ = false;
    if (const int error = bus_.Open(); error != 0) {
        offlineError_ = error;
        Report(FailureOf(Failure::Op::Open, 0, error));
        return false;
    }
    online_ = true;
    if (ReadAll()) return true;
    // A chip that cannot be read is not connected: its dialogs would show the wrong registers.
    bus_.Close();
    online_ = false;
    Report(FailureOf(Failure::Op::Identify, 0, 0));
    return false;
}

bool Amplifier::ReadAll() {
    if (!online_) {
        Report(NotSentFailure(Failure::Op::ReadAll, 0));
        return false;
    }
    std::array<uint8_t, kCoveredRegisters> read{};
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) {
        Timing at;
        const BusResult result = Timed(Transfer::Direction::Read, static_cast<uint8_t>(reg), 0, at);
        if (!result.Done()) {
            offlineError_ = result.error;
            Report(RefusedFailure(Failure::Op::ReadAll, static_cast<uint8_t>(reg), result.error));
            return false;
        }
        read[reg] = result.value;
    }
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) instance_.Registers().bytes[reg] = known_[reg] = read[reg];
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) instance_.Notify(static_cast<uint8_t>(reg));
    return true;
}

std::optional<int> Amplifier::Write(uint8_t reg, uint8_t value) {
    instance_.Registers().bytes[reg] = value;
    std::optional<int> told;
    const BusWrite write{ModuleInstance::kAddress, ModuleInstance::kPage, reg, 1, value, 0};
    if (Transfer(reg, &write)) told = instance_.Notify(reg);
    Settle();
    return told;
}

std::optional<uint8_t> Amplifier::Read(uint8_t reg, Timing* timing) {
    if (!online_) {
        Report(NotSentFailure(Failure::Op::Read, reg));
        return std::nullopt;
    }
    Timing at;
    const BusResult result = Timed(Transfer::Direction::Read, reg, 0, at);
    if (timing != nullptr) *timing = at;
    if (!result.Done()) {
        Failure f = RefusedFailure(Failure::Op::Read, reg, result.error);
        f.at = at;
        Report(std::move(f));
        return std::nullopt;
    }
    instance_.Registers().bytes[reg] = known_[reg] = result.value;
    instance_.Notify(reg);
    return result.value;
}

void Amplifier::Send(const BusWrite& write) {
    if (write.address != ModuleInstance::kAddress || write.page != ModuleInstance::kPage || write.count != 1 || write.reg > 255) {
        Hold({.op = Failure::Op::Foreign, .bus = bus_.Name(), .write = write});
        return;
    }
    Transfer(static_cast<uint8_t>(write.reg), &write);
}

bool Amplifier::Transfer(uint8_t reg, const BusWrite* logged) {
    const uint8_t value = instance_.Registers().bytes[reg];
    if (!online_) {
        HoldUntilSettled(NotSentFailure(Failure::Op::Write, reg), false);
        return false;
    }
    Timing at;
    const BusResult sent = Timed(Transfer::Direction::Write, reg, value, at);
    if (!sent.Done()) {
        Failure f = RefusedFailure(Failure::Op::Write, reg, sent.error);
        f.at = at;
        // The chip may have taken the byte or not: ask it, once the module's call is over.
        HoldUntilSettled(f, !f.offline);
        return false;
    }
    const uint8_t before = std::exchange(known_[reg], value);
    // Only a write the bus took is logged as one: a refused one is its failure's line alone.
    if (logged != nullptr) Emit({.kind = Record::Kind::Write, .transfer = *logged, .before = before, .at = at, .source = source_});
    if (!verify_) return true;
    Timing backAt;
    const BusResult back = Timed(Transfer::Direction::Read, reg, 0, backAt);
    if (back.Done() && back.value == value) return true;
    Failure f = FailureOf(Failure::Op::Verify, reg, 0);
    f.at = backAt;
    if (back.Done()) {
        known_[reg] = back.value;
        f.chipHolds = back.value;
        HoldUntilSettled(f, false);
    } else {
        f.readBackError = back.error;
        f.readBackWhy = bus_.Why(back.error);
        f.offline = OfflineIfLost();
        Hold(std::move(f));
    }
    return false;
}

Failure Amplifier::FailureOf(Failure::Op op, uint8_t reg, int error) const {
    Failure f{.op = op, .reg = reg, .sent = instance_.Registers().bytes[reg], .error = error, .bus = bus_.Name()};
    if (error != 0) f.why = bus_.Why(error);
    return f;
}

Failure Amplifier::NotSentFailure(Failure::Op op, uint8_t reg) const {
    Failure f = FailureOf(op, reg, offlineError_ != 0 ? offlineError_ : ENOTCONN);
    f.notSent = true;
    return f;
}

Failure Amplifier::RefusedFailure(Failure::Op op, uint8_t reg, int error) {
    Failure f = FailureOf(op, reg, error);
    f.offline = OfflineIfLost();
    return f;
}

void Amplifier::HoldUntilSettled(Failure failure, bool readBack) {
    pending_.emplace_back(failure.reg, readBack);
    Hold(std::move(failure));
}

void Amplifier::Hold(Failure failure) {
    held_.push_back(std::move(failure));
    if (unsettled_) unsettled_();
}

void Amplifier::Settle() {
    const auto pending = std::move(pending_);
    auto held = std::move(held_);
    pending_.clear();
    held_.clear();
    // Each register once: read back when the chip may hold either byte, else the last known.
    std::array<std::optional<BusResult>, 256> readBack{};
    std::array<bool, 256> lost{}, settled{};
    for (const auto& [reg, read] : pending) {
        if (settled[reg]) continue;
        settled[reg] = true;
        if (read && online_) {
            Timing at;
            const BusResult result = Timed(Transfer::Direction::Read, reg, 0, at);
            readBack[reg] = result;
            if (result.Done())
                known_[reg] = result.value;
            else
                lost[reg] = OfflineIfLost();
        }
        instance_.Registers().bytes[reg] = known_[reg];
    }
    for (unsigned reg = 0; reg < 256; ++reg)
        if (settled[reg]) instance_.Notify(static_cast<uint8_t>(reg));
    for (Failure& f : held) {
        if (f.op == Failure::Op::Write && readBack[f.reg]) {
            const BusResult& back = *readBack[f.reg];
            if (back.Done()) {
                f.chipHolds = back.value;
            } else {
                f.readBackError = back.error;
                f.readBackWhy = bus_.Why(back.error);
                f.offline = lost[f.reg];
            }
        }
        f.shows = instance_.Registers().bytes[f.reg];
        Report(std::move(f));
    }
}

void Amplifier::Play(std::vector<ScriptStep> steps, std::string source) {
    if (script_) throw CommandError("a script is still playing on this device");
    script_ = Script{std::move(steps), std::move(source)};
}

PlayedSlice Amplifier::Next(Clock::time_point now) {
    PlayedSlice slice;
    if (!script_) return slice;
    if (now < script_->due) {
        slice.next = script_->due;
        return slice;
    }
    struct Capture {
        Amplifier& self;
        ~Capture() { self.capture_ = nullptr; }
    } capture{*this};
    capture_ = &slice.records;
    // Its lines name themselves; whoever asked before asks again after the slice.
    const Asking restore(*this, source_);
    const auto start = Clock::now();
    while (script_) {
        Script& s = *script_;
        if (s.step == s.steps.size()) {
            script_.reset();
            break;
        }
        const ScriptStep& step = s.steps[s.step];
        if (step.kind == ScriptStep::Kind::Delay) {
            ++s.step;
            s.due = now + std::chrono::milliseconds(step.count);
            if (step.count == 0) continue;
            slice.next = s.due;
            break;
        }
        const auto reg = static_cast<uint8_t>(step.reg + s.at);
        BusWrite done{ModuleInstance::kAddress, ModuleInstance::kPage, reg, 1};
        // The script's line asks; once per line, not per byte.
        if (s.at == 0) source_ = std::make_shared<const std::string>(Shown(s.source) + ":" + std::to_string(step.line));
        if (step.kind == ScriptStep::Kind::Write) {
            if (!Write(reg, step.values[s.at])) break;
        } else {
            Timing at;
            const auto value = Read(reg, &at);
            if (!value) break;
            done.value = *value;
            Emit({.kind = Record::Kind::Read, .transfer = done, .at = at, .source = source_});
        }
        if (++s.at == (step.kind == ScriptStep::Kind::Write ? step.values.size() : step.count)) {
            ++s.step;
            s.at = 0;
        }
        if (slice.records.size() >= kSliceRecords || Clock::now() - start >= kSlice) {
            slice.next = now;
            break;
        }
    }
    if (script_ && !slice.next) {
        // Left the loop at a failed transfer: the failure is in the records already.
        const Script& s = *script_;
        slice.records.push_back({.kind = Record::Kind::ScriptStopped,
                                 .text = Shown(s.source) + ":" + std::to_string(s.steps[s.step].line) +
                                         ": stopped here; nothing after this line was sent"});
        script_.reset();
    }
    return slice;
}

bool Amplifier::OfflineIfLost() {
    const int lost = bus_.Lost();
    if (lost == 0) return false;
    bus_.Close();
    online_ = false;
    offlineError_ = lost;
    return true;
}

void Amplifier::Emit(Record record) {
    if (capture_ != nullptr)
        capture_->push_back(std::move(record));
    else if (log_)
        log_(record);
}

void Amplifier::Report(Failure failure) {
    ++failures_;
    Timing at = failure.at;
    if (at.wall == std::chrono::system_clock::time_point{}) at = {std::chrono::system_clock::now(), Clock::now(), {}};
    Emit({.kind = Record::Kind::Failure, .failure = std::move(failure), .at = at, .source = source_});
}

BusResult Amplifier::Timed(Transfer::Direction direction, uint8_t reg, uint8_t value, Timing& at) {
    at.wall = std::chrono::system_clock::now();
    at.start = Clock::now();
    const BusResult result = direction == Transfer::Direction::Write ? bus_.Write(reg, value) : bus_.Read(reg);
    at.duration = Clock::now() - at.start;
    ring_.Add({at, direction, reg, direction == Transfer::Direction::Write ? value : result.value, result.error, source_});
    return result;
}

}  // namespace host
