// The host's end of register windows: its register file is their cache, and each write they
// report is logged with the byte the register held as the callback ran. The hosts' devices,
// the tests and the fuzzers all use this one.
#pragma once

#include "host/common/module/register_file.h"

#include <qm7140/plugin.h>

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <vector>

namespace host {

// One call of the write callback: the register lies at (address, page) on the bus.
struct BusWrite {
    int32_t address;
    int32_t page;
    uint32_t reg;
    int32_t count;
    uint8_t value;  // the register's byte in the cache while the callback ran; 0 past the file
    intptr_t context;
    bool operator==(const BusWrite&) const = default;
};

// The fields by name (a failing test prints this).
std::ostream& operator<<(std::ostream& out, const BusWrite& write);

class RegisterHost {
public:
    RegisterHost() = default;
    RegisterHost(const RegisterHost&) = delete;
    RegisterHost& operator=(const RegisterHost&) = delete;

    // Makes a window use these registers and report its writes here, field by field as a
    // host that knows only the C header does; the module's own window class has the same
    // fields, so white-box tests connect it alike.
    template <class Window>
    void Connect(Window& window) {
        window.Cache = registers_->bytes.data();
        window.CallbackContext = Context();
        window.WriteCallback = &Written;
    }
    intptr_t Context() const { return reinterpret_cast<intptr_t>(this); }

    RegisterFile& Registers() { return *registers_; }
    const RegisterFile& Registers() const { return *registers_; }

    // Every write so far; a host that reports them as they come turns the log off.
    std::vector<BusWrite> writes;
    bool keepLog = true;
    // Runs for each write once it is logged: a host that prints it, or notifies from there.
    std::function<void(const BusWrite&)> onWrite;

    // The write callback; the context is the host's own.
    static void QM7140_CDECL Written(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count);

private:
    // Alone on the heap, exactly the 256 bytes: a window that reaches past its registers
    // makes an overflow the sanitizers report.
    std::unique_ptr<RegisterFile> registers_ = std::make_unique<RegisterFile>();
};

}  // namespace host
