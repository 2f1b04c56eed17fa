// An adapter as the chips behind it share it: two amplifiers strapped to 0x40 and 0x41 on one
// board use one open adapter. It alone counts the chips that opened it, and alone knows that
// it is gone: once a transfer finds it so, its handle is let go and every chip on it gets that
// errno without touching it, until one of them opens it again.
#pragma once

#include "host/common/bus/adapter.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

namespace host {

class SharedAdapter {
public:
    explicit SharedAdapter(std::unique_ptr<Adapter> adapter) : adapter_(std::move(adapter)) {}
    SharedAdapter(const SharedAdapter&) = delete;
    SharedAdapter& operator=(const SharedAdapter&) = delete;

    std::string Name() const { return adapter_->Name(); }
    // The chip at 7-bit `address` opens it: the adapter is opened unless another chip has it
    // open (reopened when it was lost), and the address claimed; errno, or 0. A chip that
    // had it open lets go first.
    int Open(uint8_t address);
    // The chip lets go; the adapter closes with the last chip that held it.
    void Close(uint8_t address);
    // A chip that has not opened it gets EBADF.
    BusResult Read(uint8_t address, uint8_t reg);
    BusResult Write(uint8_t address, uint8_t reg, uint8_t value);
    std::string Why(int error) const { return adapter_->Why(error); }
    // The errno that found the adapter gone, until a chip opens it again; 0 while it serves.
    int Lost() const { return lostError_; }
    SimulatedAdapter* Simulation() const { return adapter_->Simulation(); }

private:
    bool Holds(uint8_t address) const { return address < held_.size() && held_[address]; }
    BusResult Seen(BusResult result);

    std::unique_ptr<Adapter> adapter_;
    std::bitset<128> held_;  // the addresses of the chips that opened it and have not let go
    int lostError_ = 0;
};

}  // namespace host
