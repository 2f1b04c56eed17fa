#include "host/common/device/device.h"

#include "host/common/chip/state_file.h"
#include "host/common/log/transfer_files.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"
#include "host/common/text/register_script.h"

#include <algorithm>
#include <cstdlib>

namespace host {

std::string CoveredRegisters() { return "registers " + Hex(0) + " to " + Hex(kCoveredRegisters - 1); }

Device::Device(const Module& module, Bus bus, Sink sink, bool verify)
    : module_(module), sink_(std::move(sink)), chip_(module, std::move(bus), [this](const Record& record) { Take(record); }, verify) {
    fields_ = FieldsOf(module_, chip_.Instance());
    ChipChanged();
}

bool Device::Reaches(const Bus& bus) const {
    return MayWait() && !bus.Simulated() && Name() == bus.Name();
}

Amplifier::Asking Device::Asks(const char* verb) { return Amplifier::Asking(chip_, std::make_shared<const std::string>(verb)); }

bool Device::Start() {
    const auto asking = Asks("connect");
    ChipChanged();
    if (!chip_.Connect()) return false;
    ChipChanged();
    if (MayWait()) Note("connected to " + Name() + "; read " + CoveredRegisters());
    return true;
}

bool Device::Use(Bus bus) {
    chip_.UseBus(std::move(bus));
    return Connect();
}

bool Device::Connect() {
    const auto asking = Asks("connect");
    ChipChanged();
    if (!chip_.Connect()) return false;
    ChipChanged();
    Note("connected to " + Name() + "; read " + CoveredRegisters());
    return true;
}

bool Device::ReadAll() {
    const auto asking = Asks("read all");
    if (!MayWait()) {
        chip_.NotifyAll();
        ChipChanged();
        Note("read all: the simulated chip's registers shown again in every dialog");
        return true;
    }
    if (!chip_.ReadAll()) return false;
    ChipChanged();
    Note("read all: " + CoveredRegisters() + " read from " + Name());
    return true;
}

std::optional<int> Device::SetRegister(uint8_t reg, uint8_t value) {
    const auto asking = Asks("set reg");
    EndAction();
    const uint8_t before = chip_.Registers().bytes[reg];
    std::optional<int> told;
    {
        const Busy busy(*this);
        told = chip_.Write(reg, value);
    }
    if (told && before != value) Changed({"set " + Hex(reg), {{reg, 0xFF, before, value}}});
    return told;
}

void Device::LoadState(const std::filesystem::path& path) { LoadValues(ReadStateFile(path), PathText(path)); }

void Device::LoadValues(const std::vector<std::pair<uint8_t, uint8_t>>& values, std::string_view from) {
    for (const auto& [reg, value] : values) chip_.Registers().bytes[reg] = value;
    chip_.NotifyAll();
    ChipChanged();
    Note("loaded " + std::string(from) + ": " + std::to_string(values.size()) + " register(s)" +
         (MayWait() ? " into the cache alone; apply the file to send them to the chip" : ""));
}

void Device::SaveState(const std::filesystem::path& path) {
    WriteStateFile(path, chip_.Registers());
    Note("saved " + PathText(path));
}

std::string Device::ExportText(ExportFormat format) const { return Export(format, chip_.Registers(), chip_.ChipBus().Address()); }

void Device::ExportTo(const std::filesystem::path& path, ExportFormat format) {
    WriteReplacing(path, ExportText(format));
    Note("wrote " + Shown(PathText(path)) + ": " + CoveredRegisters() + ", register 0x01 last");
}

size_t Device::StartReplay(std::string_view text, std::string_view source) {
    if (chip_.Playing()) throw CommandError("a script is still playing on this device");
    auto steps = ParseScript(text, source, static_cast<uint8_t>(chip_.ChipBus().Address() << 1));
    const size_t count = steps.size();
    chip_.Play(std::move(steps), std::string(source));
    pending_ = {};
    pendingFields_.clear();
    history_.Clear();
    replayFailure_.clear();
    Note("replay: a script of " + std::to_string(count) + " step(s)");
    return count;
}

size_t Device::StartReplay(const std::filesystem::path& path) {
    return StartReplay(ReadBounded(path, kLargestScript), PathText(path));
}

std::optional<Device::Clock::time_point> Device::PlayDue(Clock::time_point now) {
    // Slices while the script wants no pause, for one slice's time at most: a host's thread
    // goes back to its windows or pages between calls.
    const auto end = Clock::now() + Amplifier::kSlice;
    while (chip_.Playing()) {
        const Busy busy(*this);
        const PlayedSlice slice = chip_.Next(now);
        for (const Record& record : slice.records) {
            if (record.kind == Record::Kind::ScriptStopped) replayFailure_ = record.text;
            Take(record);
        }
        if (!slice.next) {
            if (replayFailure_.empty()) Note("replay: done");
            return std::nullopt;
        }
        if (*slice.next > now || Clock::now() >= end) return slice.next;
    }
    return std::nullopt;
}

void Device::StopReplay() {
    if (!chip_.Playing()) return;
    chip_.Stop();
    replayFailure_ = "replay: stopped; nothing after it was sent";
    Note(replayFailure_);
}

std::string Device::Status() const {
    if (!MayWait()) return Name();
    return Name() + (chip_.Online() ? ", online" : ", offline");
}

std::vector<Transfer> Device::TransferLog() const {
    const Bus& bus = chip_.ChipBus();
    const std::string name = Name();
    // "/dev/i2c-N at ..." names the adapter's number, as the kernel's own captures do.
    uint8_t number = 0;
    if (name.starts_with("/dev/i2c-")) number = static_cast<uint8_t>(std::atoi(name.c_str() + 9));
    std::vector<Transfer> log;
    for (const RingEntry& e : chip_.Transfers().Entries())
        log.push_back({.wall = e.at.wall,
                       .monotonic = e.at.start,
                       .duration = e.at.duration,
                       .device = name,
                       .bus = number,
                       .address = bus.Address(),
                       .reg = e.reg,
                       .direction = e.direction,
                       .value = e.value,
                       .error = e.error,
                       .why = e.error != 0 ? bus.Why(e.error) : std::string(),
                       .source = e.source ? *e.source : std::string()});
    return log;
}

void Device::SaveLog(const std::filesystem::path& path) {
    const std::vector<Transfer> log = TransferLog();
    SaveTransfers(path, log);
    Note("saved the log: " + std::to_string(log.size()) + " transfer(s) to " + PathText(path));
}

void Device::Note(std::string text) {
    const Timing now{std::chrono::system_clock::now(), Clock::now(), {}};
    Take({.kind = Record::Kind::Note, .text = std::move(text), .at = now, .source = chip_.CurrentSource()});
}

void Device::Take(const Record& record) {
    if (IsError(record)) lastFailure_ = RecordLine(record);
    if (record.kind == Record::Kind::Write && record.transfer.reg < kCoveredRegisters) {
        const auto reg = static_cast<uint8_t>(record.transfer.reg);
        const uint8_t before = shadow_[reg], after = record.transfer.value;
        shadow_[reg] = after;
        // The reset pulse acts rather than holds: nothing to undo.
        if (const auto touched = HeldValue(reg, static_cast<uint8_t>(before ^ after)); busy_ == 0 && touched != 0) {
            int field = -1;
            for (size_t f = 0; f < fields_.size() && field < 0; ++f)
                if (fields_[f].reg == reg && (fields_[f].mask & touched) != 0) field = static_cast<int>(f);
            Pend(field, {reg, touched, before, after});
        }
    } else if (record.kind == Record::Kind::Failure) {
        // A failed write leaves the cache as the chip holds it.
        Resync();
    }
    if (sink_) sink_(record);
}

void Device::Pend(int field, Change change) {
    if (std::find(pendingFields_.begin(), pendingFields_.end(), field) == pendingFields_.end()) pendingFields_.push_back(field);
    for (Change& c : pending_.changes)
        if (c.reg == change.reg) {
            c.mask |= change.mask;
            c.after = change.after;
            return;
        }
    pending_.changes.push_back(change);
}

void Device::EndAction() {
    if (pending_.changes.empty()) return;
    // "Limiter / AGC LimiterPaintBox", a field's dialog and control, once each.
    for (const int field : pendingFields_) {
        std::string what = "reg " + Hex(pending_.changes.front().reg);
        if (field >= 0) {
            const Field& f = fields_[static_cast<size_t>(field)];
            what = f.title.substr(0, f.title.find(':')) + " " + f.control_name;
        }
        if (pending_.what.find(what) == std::string::npos) pending_.what += (pending_.what.empty() ? "" : ", ") + what;
    }
    pendingFields_.clear();
    Changed(std::exchange(pending_, {}));
}

void Device::Changed(Step step) {
    if (step.changes.empty()) return;
    history_.Add(std::move(step));
    changedSincePreset_ = !preset_.empty();
}

void Device::ChipChanged() {
    pending_ = {};
    pendingFields_.clear();
    history_.Clear();
    preset_.clear();
    changedSincePreset_ = false;
    Resync();
}

void Device::Resync() {
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) shadow_[reg] = chip_.Registers().bytes[reg];
}

}  // namespace host
