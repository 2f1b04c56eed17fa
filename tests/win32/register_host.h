// The host's side of a register window: its own register cache, a write callback that
// logs what it is given, and notifications through the window's operation table.
#pragma once

#include <qm7140/plugin.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

struct WriteCall {
    intptr_t context;
    int32_t address;
    int32_t page;
    uint32_t reg;
    int32_t count;
    uint8_t cached;  // the cache byte of the register while the callback ran
    bool operator==(const WriteCall&) const = default;
};

// For a failing comparison: the register and its byte, not the record's raw bytes.
inline std::ostream& operator<<(std::ostream& out, const WriteCall& c) {
    return out << "{reg " << c.reg << ", cached 0x" << std::hex << int{c.cached} << std::dec << ", address "
               << c.address << ", page " << c.page << ", count " << c.count << "}";
}

struct RegisterHost {
    uint8_t cache[256] = {};
    std::vector<WriteCall> calls;
    // Runs inside the callback once the call is logged (a host that notifies from there).
    std::function<void(uint32_t reg)> duringWrite;

    intptr_t Context() const { return reinterpret_cast<intptr_t>(this); }

    // Written field by field, as a host that knows only the C header does.
    void Connect(QM7140RegisterWindow* window) {
        window->Cache = cache;
        window->WriteCallback = &Callback;
        window->CallbackContext = Context();
    }

    static void QM7140_CDECL Callback(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count) {
        auto* host = reinterpret_cast<RegisterHost*>(context);
        host->calls.push_back({context, address, page, reg, count, host->cache[reg & 0xFF]});
        if (host->duringWrite) host->duringWrite(reg);
    }
};

// The table read where the host reads it, and slot 0 called as a plain cdecl function with
// the window as first argument. The out-of-line read and the volatile pointer keep the
// compiler from calling anything but what the table holds.
__attribute__((noinline)) inline const QM7140RegisterWindowOps* OperationsOf(const QM7140RegisterWindow* window) {
    return window->Ops;
}

inline void NotifyChanged(QM7140RegisterWindow* window, int32_t address, int32_t page, uint32_t reg) {
    using Slot = decltype(QM7140RegisterWindowOps::RegisterChanged);
    const volatile Slot slot = OperationsOf(window)->RegisterChanged;
    slot(window, address, page, reg);
}
