// Saves a small session's log as the hosts do, for tshark to read: the file named by the
// first argument, .pcap or .csv.
#include "host/common/log/transfer_files.h"

#include <cstdio>
#include <exception>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) return std::fputs("usage: qm7140_capture_sample FILE.pcap|FILE.csv\n", stderr), 2;
    using host::Transfer;
    using namespace std::chrono_literals;
    const auto start = std::chrono::sys_days{std::chrono::year{2024} / 5 / 1} + 12h;
    const auto at = [&](int ms, uint8_t address, uint8_t reg, Transfer::Direction direction, uint8_t value, int error = 0) {
        return Transfer{start + std::chrono::milliseconds(ms), {}, 400us, "i2c:/dev/i2c-3@0x40", 3, address, reg, direction, value, error, "", "sample"};
    };
    const std::vector<Transfer> session{
        at(0, 0x40, 0x0E, Transfer::Direction::Write, 0x57),  // hysteresis 1, APT VBAT 2, attack 7
        at(10, 0x40, 0x02, Transfer::Direction::Write, 0x64), // limiter and boost on, auto pass-through on
        at(20, 0x40, 0x0B, Transfer::Direction::Read, 0xB1),
        at(30, 0x40, 0x00, Transfer::Direction::Write, 0x01),
        at(40, 0x41, 0x0E, Transfer::Direction::Write, 0x07),  // another chip: not named
        at(50, 0x40, 0x0F, Transfer::Direction::Read, 0, ETIMEDOUT),
    };
    try {
        host::SaveTransfers(argv[1], session);
    } catch (const std::exception& e) {
        return std::fprintf(stderr, "error: %s\n", e.what()), 1;
    }
    return 0;
}
