#include "host/common/bus/simulated_adapter.h"

#include <memory>

namespace host {

void SimulatedAdapter::PowerUpIn(std::array<uint8_t, 256>& registers) {
    registers_ = &registers;
    registers = {};
    registers[11] = 143;  // inflection point 3.59 V
    registers[12] = 128;  // slope 5.97 V/V
    registers[13] = 190;  // limiter level 7.90 V
}

Bus SimulatedBus() { return MakeBus(std::make_unique<SimulatedAdapter>(), kChipAddress); }

}  // namespace host
