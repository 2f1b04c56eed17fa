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

// The figure's colours, 0x00BBGGRR: slate blue, and orange while Digital Control is active.
constexpr QM7140Color kFigureColor = 0x00805030;
constexpr QM7140Color kFigureHighlight = 0x0000A5FF;

host::GraphRectangle Figure() {
    host::GraphRectangle figure = host::MakeRectangle(0, 0, kFigureWidth, kFigureHeight, 2, kFigureColor);
    figure.object.FadeColor = kFigureHighlight;
    figure.object.HighlightPenWidth = 5;
    return figure;
}

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

void DeviceJournal::Note(std::string line) { log.Add(TimeOfDay() + "  " + std::move(line)); }

void DeviceJournal::Take(const host::Record& record) {
    if (!host::IsError(record)) return Note(host::RecordLine(record));
    const std::string text = host::RecordLine(record);
    Note("error: " + text);
    alerts.Add(text);
}

ServedDevice::ServedDevice(const host::Module& module, host::Bus bus, bool verify)
    : figure(Figure()), chip(module, std::move(bus), [this](const host::Record& record) { journal.Take(record); }, verify) {
    if (chip.Connect() && !chip.Chip().Simulated()) journal.Note("connected to " + chip.Chip().Name() + "; read " + Covered());
}

void ServedDevice::SetRegister(uint8_t reg, uint8_t value) {
    const std::string set = "set reg " + host::Hex(reg) + " = " + host::Hex(value);
    if (!chip.Write(reg, value))
        return journal.Note(set + " failed; the register shows " + host::Hex(chip.Registers().bytes[reg]));
    int told = 0;
    for (int32_t dialog = 0; dialog < host::kDialogCount; ++dialog) {
        const QM7140RegisterWindow* window = chip.Window(dialog);
        if (window != nullptr && host::Covers(*window, host::ModuleInstance::kAddress, host::ModuleInstance::kPage, reg)) ++told;
    }
    journal.Note(set + ", " + std::to_string(told) + " window(s) told");
}

void ServedDevice::ReadAll() {
    if (chip.Chip().Simulated()) {
        chip.NotifyAll();
        return journal.Note("read all: every window told of every register");
    }
    if (chip.ReadAll()) journal.Note("read all: " + Covered() + " read from " + chip.Chip().Name());
}

void ServedDevice::Connect() {
    if (chip.Connect()) journal.Note("connected to " + chip.Chip().Name() + "; read " + Covered());
}

void ServedDevice::Load(const std::vector<std::pair<uint8_t, uint8_t>>& values) {
    for (const auto& [reg, value] : values) chip.Registers().bytes[reg] = value;
    chip.NotifyAll();
    journal.Note("loaded a state file: " + std::to_string(values.size()) + " register(s)" +
                 (chip.Chip().Simulated() ? "" : " into the cache alone; export a script and replay it to send them to the chip"));
}

std::string ServedDevice::Export(host::ExportFormat format) const {
    return host::Export(format, chip.Registers(), chip.Chip().Address());
}

size_t ServedDevice::StartReplay(std::string_view text) {
    if (chip.Playing()) throw host::CommandError("a script is still playing on this device");
    auto steps = host::ParseScript(text, "script", static_cast<uint8_t>(chip.Chip().Address() << 1));
    const size_t count = steps.size();
    chip.Play(std::move(steps), "script");
    replayFailure.clear();
    journal.Note("replay: a script of " + std::to_string(count) + " step(s)");
    return count;
}

void ServedDevice::PlayDue(Clock::time_point now) {
    // Slices while the script wants no pause, for one slice's time at most: the server's one
    // thread goes back to its pages between timer ticks.
    const auto end = Clock::now() + host::Amplifier::kSlice;
    while (chip.Playing()) {
        const host::PlayedSlice slice = chip.Next(now);
        for (const host::Record& record : slice.records) {
            if (record.kind == host::Record::Kind::Stopped) replayFailure = record.text;
            journal.Take(record);
        }
        if (!slice.next && replayFailure.empty()) journal.Note("replay: done");
        if (!slice.next || *slice.next > now || Clock::now() >= end) break;
    }
}

std::string ServedDevice::Status() const {
    if (chip.Chip().Simulated() || chip.Online()) return chip.Chip().Name() + (chip.Chip().Simulated() ? "" : ", online");
    return chip.Chip().Name() + ", offline (the page's Connect tries again): " + journal.alerts.Last();
}

}  // namespace web
