#include "host/common/chip/transfer_ring.h"

namespace host {

void TransferRing::Add(RingEntry entry) {
    if (entries_.size() < size_) {
        // Its whole room at once: the first transfer pays for the rest.
        if (entries_.capacity() == 0) entries_.reserve(size_);
        entries_.push_back(std::move(entry));
        return;
    }
    entries_[next_] = std::move(entry);
    next_ = (next_ + 1) % size_;
}

std::vector<RingEntry> TransferRing::Entries() const {
    std::vector<RingEntry> ordered(entries_.begin() + static_cast<std::ptrdiff_t>(next_), entries_.end());
    ordered.insert(ordered.end(), entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(next_));
    return ordered;
}

void TransferRing::Clear() {
    std::vector<RingEntry>().swap(entries_);
    next_ = 0;
}

}  // namespace host
