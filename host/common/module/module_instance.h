// One instance of the module with its register windows: the windows share one register cache
// of the host's, and every bus write they make is reported to the host. Whether a chip stands
// behind that cache, and which, is the chip's object's business (chip/amplifier.h).
#pragma once

#include "host/common/module/module.h"
#include "host/common/module/register_file.h"
#include "host/common/module/register_host.h"

#include <qm7140/plugin.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace host {

// The module's dialogs in index order; each has one register window.
constexpr int32_t kDialogCount = QM7140_DIALOG_COUNT;

class ModuleInstance {
public:
    // Where the module's windows say their chip sits.
    static constexpr int32_t kAddress = 0x80;
    static constexpr int32_t kPage = 0;

    using WriteSink = std::function<void(const BusWrite&)>;
    // A new instance with its windows connected. Throws std::runtime_error when the module
    // gives no instance (it makes 16 per load).
    ModuleInstance(const Module& module, WriteSink onWrite);
    ~ModuleInstance();
    ModuleInstance(const ModuleInstance&) = delete;
    ModuleInstance& operator=(const ModuleInstance&) = delete;

    QM7140Instance Instance() const { return instance_; }
    // The register window of a dialog index, or null when the module gave none.
    QM7140RegisterWindow* Window(int32_t dialog) const;
    RegisterFile& Registers() { return registerHost_.Registers(); }
    const RegisterFile& Registers() const { return registerHost_.Registers(); }

    // What a host does after it stored a new value: each window that covers the register
    // is told, through its own operation table. Gives how many were.
    int Notify(uint8_t reg);
    // What a host does after reading the whole chip.
    void NotifyAll();

private:
    const Module& module_;
    RegisterHost registerHost_;
    QM7140Instance instance_ = nullptr;
    std::array<QM7140RegisterWindow*, kDialogCount> windows_{};
};

// Whether a window holds the register at (address, page), by the window's own fields.
bool Covers(const QM7140RegisterWindow& window, int32_t address, int32_t page, uint32_t reg);

// "W 0x80/0 reg 0x02 = 0x55" for a write (kind 'W'), "R 0x80/0 reg 0x03 = 0x25" for a read
// ('R'): the register and the byte the transfer carried.
std::string TransferLine(char kind, const BusWrite& transfer);
// A write with the byte the cache now holds.
std::string WriteLine(const BusWrite& write, const RegisterFile& registers);

}  // namespace host
