// The last transfers of one chip, every read and write the bus made with its time, kept in a
// ring of a set size: what a saved log holds. Adding one allocates nothing.
#pragma once

#include "host/common/log/transfer.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

// When a transfer started, by both clocks, and how long it took.
struct Timing {
    std::chrono::system_clock::time_point wall{};
    std::chrono::steady_clock::time_point start{};
    std::chrono::nanoseconds duration{0};
};

// Who asked for a transfer: "limiter LimiterPaintBox", "script.txt:3", "connect". Shared, so
// that a record or a ring entry takes it without copying the text.
using Source = std::shared_ptr<const std::string>;

struct RingEntry {
    Timing at;
    Transfer::Direction direction = Transfer::Direction::Write;
    uint8_t reg = 0, value = 0;
    int error = 0;
    Source source;
};

class TransferRing {
public:
    // How many transfers a device keeps unless told otherwise.
    static constexpr size_t kDefaultSize = 10'000;

    explicit TransferRing(size_t size = kDefaultSize) : size_(size == 0 ? 1 : size) {}
    void Add(RingEntry entry);
    // Oldest first.
    std::vector<RingEntry> Entries() const;
    size_t Size() const { return entries_.size(); }
    size_t Capacity() const { return size_; }
    // Forgets them and gives their memory back.
    void Clear();

private:
    size_t size_;
    size_t next_ = 0;  // where the next one goes once the ring is full
    std::vector<RingEntry> entries_;
};

}  // namespace host
