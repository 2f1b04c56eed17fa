// Plays arbitrary sequences of user actions and host notifications on the Boost dialog and
// checks what must hold whatever the order: a user change touches only its own field, one
// write reaches the host once, a reload never writes, nothing lands outside the host's array.
#include "dialogs/tboost.h"
#include "fuzz/fuzz_host.h"

#include <string>

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Host host;
    TBoostForm form;
    TBoostI2C& w = form.BoostI2C;
    w.CallbackContext = host.Context();
    bool connected = false;
    fuzz::ForEachStep(data, size, [&](fuzz::Step s) {
        const auto before = host.Snapshot();
        const int callsBefore = host.Calls();
        uint8_t allowed2 = 0, allowed20 = 0;  // bits the step may change
        switch (s.op % 10) {
        case 0: form.EnableBoost.userClick(), allowed2 = 0x40; break;
        case 1: form.EnableAPT.userClick(), allowed2 = 0x20; break;
        case 2: form.APTThreshold.userSelect(static_cast<int8_t>(s.value)), allowed20 = 0x0C; break;
        case 3: form.APTDelay.userSelect(static_cast<int8_t>(s.value)), allowed20 = 0x03; break;
        case 4: form.APTDelay.userEditText(std::string(s.arg % 4, 'x'), static_cast<int8_t>(s.value)), allowed20 = 0x03; break;
        case 5: host.regs[s.arg % 32] = s.value; return;  // the device changed; no notification yet
        case 6: w.RegisterChanged(s.arg & 0x80 ? 129 : 128, s.arg & 0x40 ? 1 : 0, s.value); break;
        case 7:
            connected = !connected;
            w.Cache = connected ? host.regs : &w.InlineCache;
            w.WriteCallback = connected ? &host::RegisterHost::Written : nullptr;
            break;
        case 8: w.WriteCallback = s.arg & 1 ? &host::RegisterHost::Written : nullptr; break;
        case 9: w.Cache = host.regs; break;
        }
        const bool wrote = host.Calls() != callsBefore;
        Check(host.Calls() - callsBefore <= 1);
        if (wrote) Check(host.writes.back().reg == 2 || host.writes.back().reg == 20);
        for (int r = 0; r < 256; ++r) {
            const uint8_t changed = before[static_cast<size_t>(r)] ^ host.regs[r];
            const uint8_t allowed = r == 2 ? allowed2 : r == 20 ? allowed20 : 0;
            Check((changed & ~allowed) == 0);
            if (changed != 0) Check(wrote);  // a guarded window never changes the cache silently
        }
    });
    return 0;
}
