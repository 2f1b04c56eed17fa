// What the pages of a device are told: its records and the host's notes as timed log lines,
// and the failures again as alerts, each a ring numbered from its first line.
#pragma once

#include "host/common/chip/amplifier.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace web {

// Lines numbered from the first one ever added; past `kept`, the oldest fall off.
class Journal {
public:
    explicit Journal(size_t kept) : kept_(kept) {}
    void Add(std::string line);
    uint64_t End() const { return end_; }
    // The lines after `seen` still kept, at most `most`; `seen` moves past them.
    std::vector<std::string> Since(uint64_t& seen, size_t most) const;

private:
    size_t kept_;
    std::deque<std::string> lines_;
    uint64_t end_ = 0;
};

struct DeviceJournal {
    Journal log{500};
    Journal alerts{32};

    void Take(const host::Record& record);
};

}  // namespace web
