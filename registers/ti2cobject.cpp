#include "registers/ti2cobject.h"

TI2CObject::TI2CObject(int32_t deviceAddress, int32_t page, uint32_t firstRegister,
                       uint32_t registerCount, uint8_t* cache)
    : DeviceAddress(deviceAddress),
      Page(page),
      FirstRegister(firstRegister),
      RegisterCount(registerCount),
      Cache(cache != nullptr ? cache : &InlineCache),
      InlineCache(0),
      SavedWriteCallback(nullptr),
      WriteCallback(nullptr),
      SpareWord1(0),
      SpareWord2(0),
      CallbackContext(0) {}

void TI2CObject::RegisterChanged(int32_t address, int32_t page, uint32_t reg) noexcept {
    if (Cache == nullptr) return;
    if (address != DeviceAddress || page != Page) return;
    // Unsigned on purpose: the host's view of the range, wrap-around included.
    if (reg < FirstRegister || reg > FirstRegister + RegisterCount - 1u) return;
    SuspendWriteCallback(true);
    ReloadControls();
    SuspendWriteCallback(false);
}

void TI2CObject::SuspendWriteCallback(bool suspend) {
    if (suspend) {
        if (WriteCallback == nullptr) return;
        SavedWriteCallback = WriteCallback;
        WriteCallback = nullptr;
    } else if (SavedWriteCallback != nullptr) {
        WriteCallback = SavedWriteCallback;
    }
}

void TI2CObject::WriteBits(uint8_t reg, uint8_t value, uint8_t mask) {
    // The placeholder holds register 0 alone; anything else has nowhere to land, and a
    // callback for a byte that was never stored would send the host stale data.
    if (Cache == nullptr || (!HasHostCache() && reg != 0)) return;
    Cache[reg] = static_cast<uint8_t>((Cache[reg] & ~mask) | value);
    if (WriteCallback != nullptr) WriteCallback(CallbackContext, DeviceAddress, Page, reg, 1);
}

uint8_t TI2CObject::ReadRegister(uint8_t reg) const {
    if (Cache == nullptr || (!HasHostCache() && reg != 0)) return 0;
    return Cache[reg];
}
