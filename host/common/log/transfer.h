// One transfer as the saved log holds it: plain values, no host's types, so that every host's
// record fills one and the writers (transfer_files.h) know nothing of where it came from.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace host {

struct Transfer {
    enum class Direction : uint8_t { Read, Write };
    std::chrono::system_clock::time_point wall;      // when it started, by the wall clock
    std::chrono::steady_clock::time_point monotonic;  // the same moment by the monotonic clock
    std::chrono::nanoseconds duration{0};
    std::string device;  // the bus's name: "i2c:/dev/i2c-1@0x40", "simulated", ...
    uint8_t bus = 0;     // the adapter's number where it has one (/dev/i2c-N), else 0
    uint8_t address = 0;  // 7-bit
    uint8_t reg = 0;
    Direction direction = Direction::Write;
    uint8_t value = 0;  // written, or read (none when a read failed)
    int error = 0;      // 0: done; else the transfer's errno
    std::string why;    // the bus's words for `error`, if it gave any
    std::string source;  // who asked: the dialog and control, the script and line, the command
};

}  // namespace host
