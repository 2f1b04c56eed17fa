// The register window: where a dialog and the host meet over device registers. The host
// reads and writes this record by position (include/qm7140/plugin.h), so every field keeps
// its place and width, and the operation table has exactly two cdecl slots.
#pragma once

#include <qm7140/plugin.h>

#include <cstdint>

class TI2CObject {
public:
    TI2CObject(int32_t deviceAddress, int32_t page, uint32_t firstRegister,
               uint32_t registerCount, uint8_t* cache);
    TI2CObject(const TI2CObject&) = delete;
    TI2CObject& operator=(const TI2CObject&) = delete;

    // Both slots are the host's to call, so neither lets an exception out: a reload that
    // fails stops where it failed, and the callback parked for it is put back all the same.
    // Slot 0: the host's notification that it stored a new value for a register.
    virtual void QM7140_CDECL RegisterChanged(int32_t address, int32_t page, uint32_t reg) noexcept;
    // Slot 1: refreshes the owning dialog from the cache; only RegisterChanged calls it.
    virtual void QM7140_CDECL ReloadControls() noexcept = 0;

    // A register as the dialog sees it. Before the host installs its array only register 0
    // exists (the placeholder); the others read as 0, their power-up value.
    uint8_t ReadRegister(uint8_t reg) const;
    void SuspendWriteCallback(bool suspend);
    bool HasHostCache() const { return Cache != &InlineCache; }

    int32_t DeviceAddress;
    int32_t Page;
    uint32_t FirstRegister;
    uint32_t RegisterCount;
    uint8_t* Cache;
    uint8_t InlineCache;
    uint8_t Filler[3] = {};
    I2CWriteCallback SavedWriteCallback;
    I2CWriteCallback WriteCallback;
    int32_t SpareWord1;
    int32_t SpareWord2;
    intptr_t CallbackContext;

protected:
    // Windows die with their dialog, never through a base pointer.
    ~TI2CObject() = default;

    // The masked write with no guard. Only a window class may call it, through its own
    // public WriteBits: code that holds a bare TI2CObject cannot write around the guard.
    void WriteBits(uint8_t reg, uint8_t value, uint8_t mask);
};

// Boost and Limiter drop a change while no callback is installed (not yet connected, or
// parked during a reload); Digital Control keeps it in the cache.
enum class WriteGuard { Unguarded, Guarded };

// The window a dialog holds by value: it knows its dialog, and reloading it reloads that.
template <class Dialog, WriteGuard Guard>
class TDialogI2C : public TI2CObject {
public:
    TDialogI2C(Dialog* owner, uint32_t registerCount)
        : TI2CObject(128, 0, 0, registerCount, nullptr), OwnerDialog(owner) {}

    // A host may clear OwnerDialog (the field is its to read by position): with no dialog
    // there is nothing to reload.
    void QM7140_CDECL ReloadControls() noexcept override {
        if (OwnerDialog == nullptr) return;
        // The one catch of this layer, which reaches nothing of the platform's.
        try {
            OwnerDialog->ReloadControls();
        } catch (...) {
        }
    }

    void WriteBits(uint8_t reg, uint8_t value, uint8_t mask) {
        if (Guard == WriteGuard::Guarded && WriteCallback == nullptr) return;
        TI2CObject::WriteBits(reg, value, mask);
    }

    Dialog* OwnerDialog;

protected:
    ~TDialogI2C() = default;
};
