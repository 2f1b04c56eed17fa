#include "host/web/served_device.h"

#include "host/common/bus/bus.h"
#include "host/common/text/parse.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace web {

namespace {

std::string TimeOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
    return text;
}

std::string Covered() { return "registers " + host::Hex(0) + " to " + host::Hex(host::kCoveredRegisters - 1); }

}  // namespace

void Journal::Add(std::string line) {
    lines_.push_back(std::move(line));
    if (lines_.size() > kept_) lines_.pop_front();
    ++end_;
}

std::vector<std::string> Journal::Since(uint64_t& seen, size_t most) const {
    const uint64_t first = end_ - lines_.size();
    seen = std::max(seen, first);
    std::vector<std::string> lines;
    for (; seen < end_ && lines.size() < most; ++seen) lines.push_back(lines_[static_cast<size_t>(seen - first)]);
    return lines;
}

ServedDevice::ServedDevice(const host::Module& module, host::Bus chip, bool verify)
    : amp_(module, std::move(chip), [this](const host::Record& record) { Note(record); }, verify) {
    if (amp_.Connect() && !Simulated()) Note("connected to " + Chip().Name() + "; read " + Covered());
}

void ServedDevice::Note(std::string line) { log.Add(TimeOfDay() + "  " + std::move(line)); }

void ServedDevice::Note(const host::Record& record) {
    if (host::IsError(record))
        Fail(host::RecordLine(record));
    else
        Note(host::RecordLine(record));
}

void ServedDevice::Fail(const std::string& text) {
    Note("error: " + text);
    alerts.Add(text);
}

void ServedDevice::SetRegister(uint8_t reg, uint8_t value) {
    const std::string set = "set reg " + host::Hex(reg) + " = " + host::Hex(value);
    if (!amp_.Write(reg, value)) return Note(set + " failed; the register shows " + host::Hex(Registers().bytes[reg]));
    int told = 0;
    for (int32_t dialog = 0; dialog < host::kDialogCount; ++dialog) {
        const QM7140RegisterWindow* window = amp_.Window(dialog);
        if (window != nullptr && host::Covers(*window, host::ModuleInstance::kAddress, host::ModuleInstance::kPage, reg)) ++told;
    }
    Note(set + ", " + std::to_string(told) + " window(s) told");
}

void ServedDevice::ReadAll() {
    if (Simulated()) {
        amp_.NotifyAll();
        return Note("read all: every window told of every register");
    }
    if (amp_.ReadAll()) Note("read all: " + Covered() + " read from " + Chip().Name());
}

void ServedDevice::Connect() {
    if (amp_.Connect()) Note("connected to " + Chip().Name() + "; read " + Covered());
}

void ServedDevice::Load(const std::vector<std::pair<uint8_t, uint8_t>>& values) {
    for (const auto& [reg, value] : values) amp_.Registers().bytes[reg] = value;
    amp_.NotifyAll();
    Note("loaded a state file: " + std::to_string(values.size()) + " register(s)" +
         (Simulated() ? "" : " into the cache alone; export a script and replay it to send them to the chip"));
}

std::string ServedDevice::Export(host::ExportFormat format) const {
    return host::Export(format, Registers(), Chip().Address());
}

size_t ServedDevice::StartReplay(std::string_view text) {
    if (Playing()) throw host::CommandError("a script is still playing on this device");
    auto steps = host::ParseScript(text, "script", static_cast<uint8_t>(Chip().Address() << 1));
    const size_t count = steps.size();
    amp_.Play(std::move(steps), "script");
    replayFailure_.clear();
    Note("replay: a script of " + std::to_string(count) + " step(s)");
    return count;
}

void ServedDevice::PlayDue(Clock::time_point now) {
    // Slices while the script wants no pause, for one slice's time at most: the server's one
    // thread goes back to its pages between timer ticks.
    const auto end = Clock::now() + host::Amplifier::kSlice;
    while (Playing()) {
        const host::PlayedSlice slice = amp_.Next(now);
        for (const host::Record& record : slice.records) {
            if (record.kind == host::Record::Kind::Stopped) replayFailure_ = record.text;
            Note(record);
        }
        if (!slice.next && replayFailure_.empty()) Note("replay: done");
        if (!slice.next || *slice.next > now || Clock::now() >= end) break;
    }
}

}  // namespace web
