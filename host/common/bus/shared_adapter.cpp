#include "host/common/bus/shared_adapter.h"

#include <cerrno>

namespace host {

int SharedAdapter::Open(uint8_t address) {
    if (address >= held_.size()) return EINVAL;
    Close(address);
    if (lostError_ != 0 || held_.none()) {
        // Nobody holds it, or its handle is dead for every chip on it: only a new one will do.
        adapter_->Close();
        if (const int error = adapter_->Open(); error != 0) return error;
        lostError_ = 0;
    }
    if (const int error = adapter_->Claim(address); error != 0) {
        if (held_.none()) adapter_->Close();
        Seen({error});
        return error;
    }
    held_.set(address);
    return 0;
}

void SharedAdapter::Close(uint8_t address) {
    if (!Holds(address)) return;
    held_.reset(address);
    if (held_.none()) adapter_->Close();
}

BusResult SharedAdapter::Read(uint8_t address, uint8_t reg) {
    if (!Holds(address)) return {EBADF};
    if (lostError_ != 0) return {lostError_};
    return Seen(adapter_->Read(address, reg));
}

BusResult SharedAdapter::Write(uint8_t address, uint8_t reg, uint8_t value) {
    if (!Holds(address)) return {EBADF};
    if (lostError_ != 0) return {lostError_};
    return Seen(adapter_->Write(address, reg, value));
}

BusResult SharedAdapter::Seen(BusResult result) {
    if (AdapterGone(result.error)) {
        lostError_ = result.error;
        adapter_->Close();
    }
    return result;
}

}  // namespace host
