#include "host/common/bus/bus.h"

#include "host/common/text/parse.h"

#include <cerrno>
#include <cstring>

namespace host {

namespace {

class SimulatedBus final : public Bus {
public:
    explicit SimulatedBus(RegisterFile& registers) : registers_(registers) { PowerUp(registers_); }
    std::string Name() const override { return "simulated QM7140 at " + Hex(kChipAddress); }
    uint8_t Address() const override { return kChipAddress; }
    int Open() override { return 0; }
    void Close() override {}
    BusResult Read(uint8_t reg) override { return {0, registers_.bytes[reg]}; }
    BusResult Write(uint8_t reg, uint8_t value) override {
        registers_.bytes[reg] = value;
        return {};
    }

private:
    RegisterFile& registers_;
};

}  // namespace

std::unique_ptr<Bus> MakeSimulatedBus(RegisterFile& registers) { return std::make_unique<SimulatedBus>(registers); }

std::string Bus::Why(int error) const { return std::strerror(error); }

bool AdapterGone(int error) {
    // ENXIO and EIO stay out: adapters give them for one transfer that nobody acknowledged
    // or that the bus garbled, and the next one may well go through.
#ifdef ESHUTDOWN
    if (error == ESHUTDOWN) return true;
#endif
    return error == ENODEV || error == EBADF;
}

std::optional<uint8_t> ParseChipAddress(std::string_view text) {
    const auto parsed = ParseUnsigned(text);
    if (!parsed || *parsed < 0x08 || *parsed > 0x77) return std::nullopt;
    return static_cast<uint8_t>(*parsed);
}

std::string NotAChipAddress(std::string_view text) { return Quoted(text) + " is not a 7-bit address from 0x08 to 0x77"; }

}  // namespace host
