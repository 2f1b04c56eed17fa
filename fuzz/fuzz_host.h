// The host side of a fuzz target: a register file with guard bytes around it, a write
// callback that counts, and the checks every target makes after every step.
#pragma once

#include <qm7140/plugin.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

class Host {
public:
    static constexpr size_t kGuard = 64;
    // The callback context the targets install, so a callback can be told as theirs.
    static constexpr intptr_t kContext = 0x51;  // bytes either side of the array that must stay put
    using Registers = std::array<uint8_t, 256>;

    Host() {
        memory_.fill(0xA5);
        std::memset(regs, 0, 256);
        current_ = this;
    }
    ~Host() {
        for (size_t g = 0; g < kGuard; ++g) Check(memory_[g] == 0xA5 && memory_[kGuard + 256 + g] == 0xA5);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    static void QM7140_CDECL Written(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count) {
        Host& host = *current_;
        Check(context == kContext && address == 128 && page == 0 && count == 1 && reg < 256);
        ++host.callbacks;
        host.lastReg = reg;
    }

    Registers Snapshot() const {
        Registers copy;
        std::memcpy(copy.data(), regs, 256);
        return copy;
    }

private:
    std::array<uint8_t, kGuard + 256 + kGuard> memory_;
    static inline Host* current_ = nullptr;

public:
    uint8_t* const regs = memory_.data() + kGuard;
    int callbacks = 0;
    uint32_t lastReg = 0;
};

}  // namespace fuzz
