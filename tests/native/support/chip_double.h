// A QM7140 behind an adapter of the test's own: every transfer lands in one list of events,
// in the order they happened, with what the test looks at then.
#pragma once

#include "host/common/chip/amplifier.h"
#include "host/common/text/parse.h"

#include <array>
#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ChipDouble {
    std::array<uint8_t, 256> regs{};
    int refuse = -1;       // a register whose writes get no acknowledge
    uint8_t keeps = 0xFF;  // the bits of a byte the chip keeps
    std::vector<std::string> events;  // "W 0x0B", "R 0x0B", each with what `note` says then
    std::function<std::string()> note;
};

class ChipDoubleAdapter final : public host::Adapter {
public:
    explicit ChipDoubleAdapter(ChipDouble& chip) : chip_(chip) {}
    std::string Name() const override { return "double"; }
    int Open() override { return 0; }
    void Close() override {}
    int Claim(uint8_t) override { return 0; }
    host::BusResult Read(uint8_t, uint8_t reg) override {
        Event("R ", reg);
        return {0, chip_.regs[reg]};
    }
    host::BusResult Write(uint8_t, uint8_t reg, uint8_t value) override {
        Event("W ", reg);
        if (reg == chip_.refuse) return {EREMOTEIO};
        chip_.regs[reg] = value & chip_.keeps;
        return {};
    }

private:
    void Event(const char* kind, uint8_t reg) { chip_.events.push_back(kind + host::Hex(reg) + (chip_.note ? " " + chip_.note() : "")); }
    ChipDouble& chip_;
};

inline host::Bus BusTo(ChipDouble& chip, uint8_t address = 0x40) { return host::MakeBus(std::make_unique<ChipDoubleAdapter>(chip), address); }
