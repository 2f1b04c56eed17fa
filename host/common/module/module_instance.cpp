#include "host/common/module/module_instance.h"

#include "host/common/text/parse.h"

#include <stdexcept>

namespace host {

ModuleInstance::ModuleInstance(const Module& module, WriteSink onWrite) : module_(module) {
    // The host reports each write as it comes; nothing piles up in a log.
    registerHost_.keepLog = false;
    registerHost_.onWrite = std::move(onWrite);
    instance_ = module_.Init(0, 0, 0, 0);
    if (instance_ == nullptr) throw std::runtime_error("_Init gave no instance");
    for (int32_t dialog = 0; dialog < kDialogCount; ++dialog) {
        QM7140RegisterWindow* window = module_.GetI2CObject(instance_, dialog);
        if (window == nullptr) continue;
        registerHost_.Connect(*window);
        windows_[static_cast<size_t>(dialog)] = window;
    }
}

ModuleInstance::~ModuleInstance() { module_.FreeCodecInstance(instance_); }

QM7140RegisterWindow* ModuleInstance::Window(int32_t dialog) const {
    return dialog >= 0 && dialog < kDialogCount ? windows_[static_cast<size_t>(dialog)] : nullptr;
}

int ModuleInstance::Notify(uint8_t reg) {
    int told = 0;
    for (QM7140RegisterWindow* window : windows_) {
        if (window == nullptr || !Covers(*window, kAddress, kPage, reg)) continue;
        window->Ops->RegisterChanged(window, kAddress, kPage, reg);
        ++told;
    }
    return told;
}

void ModuleInstance::NotifyAll() {
    for (unsigned reg = 0; reg < 256; ++reg) Notify(static_cast<uint8_t>(reg));
}

bool Covers(const QM7140RegisterWindow& window, int32_t address, int32_t page, uint32_t reg) {
    // As a difference: a window reaching past the last register number cannot wrap round
    // to cover the first ones.
    return window.DeviceAddress == address && window.Page == page && reg >= window.FirstRegister &&
           reg - window.FirstRegister < window.RegisterCount;
}

std::string TransferLine(char kind, const BusWrite& transfer) {
    std::string line = std::string(1, kind) + " " + Hex(static_cast<unsigned>(transfer.address)) + "/" +
                       std::to_string(transfer.page) + " reg " + Hex(transfer.reg);
    if (transfer.reg <= 0xFF)
        line += " = " + Hex(transfer.value);
    else
        line += " (no such register)";
    if (transfer.count != 1) line += " count " + std::to_string(transfer.count);
    return line;
}

std::string WriteLine(const BusWrite& write, const RegisterFile& registers) {
    BusWrite now = write;
    now.value = write.reg < registers.bytes.size() ? registers.bytes[write.reg] : 0;
    return TransferLine('W', now);
}

}  // namespace host
