#include "host/web/served_device.h"

#include "host/common/bus.h"
#include "host/common/parse.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sstream>

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

ServedDevice::ServedDevice(const host::Module& module, std::unique_ptr<host::Bus> chip)
    : device_(module,
              [this](const host::BusWrite& write) {
                  // From inside the module: nothing may be thrown back into it.
                  try {
                      Note(host::WriteLine(write, device_.Registers()));
                      if (link_) link_->Send(write);
                  } catch (...) {
                  }
              }),
      simulated_(chip == nullptr) {
    if (simulated_) chip = host::MakeSimulatedBus(device_.Registers());
    link_ = std::make_unique<host::DeviceBus>(device_, std::move(chip), [this](const std::string& text) { Fail(text); });
    if (link_->Connect() && !simulated_) Note("connected to " + Chip().Name() + "; read " + Covered());
}

void ServedDevice::Note(std::string line) { log.Add(TimeOfDay() + "  " + std::move(line)); }

void ServedDevice::Fail(const std::string& text) {
    Note("error: " + text);
    alerts.Add(text);
}

void ServedDevice::SetRegister(uint8_t reg, uint8_t value) {
    const std::string set = "set reg " + host::Hex(reg) + " = " + host::Hex(value);
    if (!link_->Write(reg, value)) return Note(set + " failed; the register shows " + host::Hex(Registers().bytes[reg]));
    int told = 0;
    for (int32_t dialog = 0; dialog < host::kDialogCount; ++dialog) {
        const QM7140RegisterWindow* window = device_.Window(dialog);
        if (window != nullptr && host::Covers(*window, host::Device::kAddress, host::Device::kPage, reg)) ++told;
    }
    Note(set + ", " + std::to_string(told) + " window(s) told");
}

void ServedDevice::ReadAll() {
    if (simulated_) {
        device_.NotifyAll();
        return Note("read all: every window told of every register");
    }
    if (link_->ReadAll()) Note("read all: " + Covered() + " read from " + Chip().Name());
}

void ServedDevice::Connect() {
    if (link_->Connect()) Note("connected to " + Chip().Name() + "; read " + Covered());
}

void ServedDevice::Load(const std::vector<std::pair<uint8_t, uint8_t>>& values) {
    for (const auto& [reg, value] : values) device_.Registers().bytes[reg] = value;
    device_.NotifyAll();
    Note("loaded a state file: " + std::to_string(values.size()) + " register(s)" +
         (simulated_ ? "" : " into the cache alone; export a script and replay it to send them to the chip"));
}

std::string ServedDevice::Export(host::ExportFormat format) const {
    return host::Export(format, Registers(), Chip().Address());
}

size_t ServedDevice::StartReplay(std::string_view text) {
    if (replay_) throw host::CommandError("a script is still playing on this device");
    auto steps = host::ParseScript(text, "script", static_cast<uint8_t>(Chip().Address() << 1));
    const size_t count = steps.size();
    replay_ = Replay{std::move(steps), 0, Clock::time_point{}};
    replayFailure_.clear();
    Note("replay: a script of " + std::to_string(count) + " step(s)");
    return count;
}

void ServedDevice::PlayDue(Clock::time_point now) {
    while (replay_ && now >= replay_->due) {
        const auto& steps = replay_->steps;
        size_t& next = replay_->next;
        if (next == steps.size()) {
            replay_.reset();
            return Note("replay: done");
        }
        if (steps[next].kind == host::ScriptStep::Kind::Delay) {
            // The server's one thread never sleeps: the tick after the delay plays on.
            replay_->due = now + std::chrono::milliseconds(steps[next].count);
            ++next;
            continue;
        }
        auto end = std::find_if(steps.begin() + static_cast<ptrdiff_t>(next), steps.end(),
                                [](const host::ScriptStep& s) { return s.kind == host::ScriptStep::Kind::Delay; });
        std::ostringstream out;
        std::string failure;
        try {
            host::PlayScript({steps.begin() + static_cast<ptrdiff_t>(next), end}, "script", *link_, out);
        } catch (const host::CommandError& e) {
            failure = e.what();
        }
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) Note(line);
        next = static_cast<size_t>(end - steps.begin());
        if (!failure.empty()) {
            replay_.reset();
            replayFailure_ = failure;
            return Fail(failure);
        }
    }
}

}  // namespace web
