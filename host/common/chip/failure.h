// What went wrong between a host's cache and its chip, as a value: each host words it for
// its own user, and tests compare the fields.
#pragma once

#include "host/common/chip/transfer_ring.h"
#include "host/common/module/register_host.h"

#include <cstdint>
#include <optional>
#include <string>

namespace host {

struct Failure {
    enum class Op {
        Open,     // connect could not open the bus
        Identify, // connect opened it but read no QM7140
        ReadAll,
        Read,
        Write,
        Verify,   // the write went through; reading it back failed or showed another byte
        Foreign,  // the module wrote a register that is not this device's
    };
    Op op = Op::Write;
    uint8_t reg = 0;
    uint8_t sent = 0;        // Write, Verify
    int error = 0;           // the transfer's errno; 0 for a verify that read another byte
    bool offline = false;    // the adapter is gone: the bus is offline until connect
    bool notSent = false;    // the bus was offline already: nothing was tried
    std::optional<uint8_t> chipHolds;  // read back after a refused or verified write
    int readBackError = 0;
    uint8_t shows = 0;       // the byte the register shows afterwards
    std::string bus;         // the bus's name
    std::string why;         // the bus's words for `error`
    std::string readBackWhy;
    BusWrite write{};        // Foreign
    Timing at{};             // the failed transfer's, when one was tried
};

// One line for the user, without "error: ".
std::string Describe(const Failure& failure);

}  // namespace host
