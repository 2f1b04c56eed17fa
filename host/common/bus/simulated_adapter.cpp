#include "host/common/bus/simulated_adapter.h"

#include <qm7140/plugin.h>

#include <memory>

namespace host {

void SimulatedAdapter::PowerUpIn(std::array<uint8_t, 256>& registers) {
    registers_ = &registers;
    registers = {};
    registers[11] = QM7140_POWER_UP_INFLECTION;
    registers[12] = QM7140_POWER_UP_SLOPE;
    registers[13] = QM7140_POWER_UP_LEVEL;
}

Bus SimulatedBus() { return MakeBus(std::make_unique<SimulatedAdapter>(), kChipAddress); }

}  // namespace host
