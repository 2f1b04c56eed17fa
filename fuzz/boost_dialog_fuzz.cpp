// Plays arbitrary sequences of user actions and host notifications on the Boost dialog and
// checks what must hold whatever the order: a user change touches only its own field, one
// write reaches the host once, a reload never writes, nothing lands outside the host's array.
#include "dialogs/tboost.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kGuard = 64;  // bytes either side of the register file that must stay put
std::array<uint8_t, kGuard + 256 + kGuard> memory;
uint8_t* const regs = memory.data() + kGuard;
int callbacks = 0;

void QM7140_CDECL Count(intptr_t, int32_t address, int32_t page, uint32_t reg, int32_t count) {
    if (address != 128 || page != 0 || count != 1 || (reg != 2 && reg != 20)) std::abort();
    ++callbacks;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    memory.fill(0xA5);
    std::memset(regs, 0, 256);
    TBoostForm form;
    TBoostI2C& w = form.BoostI2C;
    bool connected = false;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint8_t op = data[i] % 10, arg = data[i + 1];
        const std::array<uint8_t, 256> before = [] {
            std::array<uint8_t, 256> copy;
            std::memcpy(copy.data(), regs, 256);
            return copy;
        }();
        const int callsBefore = callbacks;
        uint8_t allowed2 = 0, allowed20 = 0;  // bits the operation may change
        switch (op) {
        case 0: form.EnableBoost.userClick(), allowed2 = 0x40; break;
        case 1: form.EnableAPT.userClick(), allowed2 = 0x20; break;
        case 2: form.APTThreshold.userSelect(static_cast<int8_t>(arg)), allowed20 = 0x0C; break;
        case 3: form.APTDelay.userSelect(static_cast<int8_t>(arg)), allowed20 = 0x03; break;
        case 4: form.APTDelay.userEditText(std::string(arg % 4, 'x')), allowed20 = 0x03; break;
        case 5: regs[arg % 32] = data[i]; break;  // the device changed; no notification yet
        case 6: w.RegisterChanged(arg & 0x80 ? 129 : 128, arg & 0x40 ? 1 : 0, arg & 0x3F); break;
        case 7:
            connected = !connected;
            w.Cache = connected ? regs : &w.InlineCache;
            w.WriteCallback = connected ? &Count : nullptr;
            break;
        case 8: w.WriteCallback = arg & 1 ? &Count : nullptr; break;
        case 9: w.Cache = regs; break;
        }
        if (op == 5) continue;
        const bool wrote = callbacks != callsBefore;
        Check(callbacks - callsBefore <= 1);
        for (int r = 0; r < 256; ++r) {
            const uint8_t changed = before[static_cast<size_t>(r)] ^ regs[r];
            const uint8_t allowed = r == 2 ? allowed2 : r == 20 ? allowed20 : 0;
            Check((changed & ~allowed) == 0);
            if (changed != 0) Check(wrote);  // a guarded window never changes the cache silently
        }
    }
    for (size_t g = 0; g < kGuard; ++g) Check(memory[g] == 0xA5 && memory[kGuard + 256 + g] == 0xA5);
    return 0;
}
