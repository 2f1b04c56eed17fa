#include "host/web/journal.h"

#include <algorithm>

namespace web {

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
    const std::string stamp = host::TimeStamp(record, 3) + "  ";
    if (!host::IsError(record)) return log.Add(stamp + text);
    log.Add(stamp + "error: " + text);
    alerts.Add(text);
}

}  // namespace web
