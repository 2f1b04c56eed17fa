#include "host/web/journal.h"

#include <algorithm>
#include <chrono>
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

void DeviceJournal::Take(const host::Record& record) {
    const std::string text = host::RecordLine(record);
    if (!host::IsError(record)) return log.Add(TimeOfDay() + "  " + text);
    log.Add(TimeOfDay() + "  error: " + text);
    alerts.Add(text);
}

}  // namespace web
