// The host side of a fuzz target: the hosts' register file, the input cut into steps, and
// the checks every target makes after every step.
#pragma once

#include "host/common/module/register_host.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

inline void Check(bool ok) {
    if (!ok) std::abort();
}

// One step of an input: what to do, on what, with which value. Every byte value reaches
// every field, so the host side delivers each value a field can hold.
struct Step {
    uint8_t op, arg, value;
};

template <class Visit>
void ForEachStep(const uint8_t* data, size_t size, Visit visit) {
    for (size_t i = 0; i + 2 < size; i += 3) visit(Step{data[i], data[i + 1], data[i + 2]});
}

// Up to `longest` keys a person might type, picked from `keys` by the seed.
inline std::string Typed(std::string_view keys, uint8_t seed, uint8_t length, uint8_t longest) {
    std::string text;
    for (uint8_t i = 0; i < length % (longest + 1); ++i) text += keys[(seed + i * 7u) % keys.size()];
    return text;
}

// The hosts' register file and write log behind the windows under test, with what a step
// needs to judge them. Each write is checked as it arrives: the context installed, the
// module's bus address, one register of the file.
struct Host : host::RegisterHost {
    Host() {
        onWrite = [this](const host::BusWrite& w) {
            Check(w.context == Context() && w.address == 128 && w.page == 0 && w.count == 1 && w.reg < 256);
        };
    }
    uint8_t* const regs = Registers().bytes.data();
    std::array<uint8_t, 256> Snapshot() const { return Registers().bytes; }
    int Calls() const { return static_cast<int>(writes.size()); }
};

}  // namespace fuzz
