// The Limiter / AGC dialog: attack, release and mode settings and the transfer curve. Its
// controls and curve view arrive with the dialog's own work; the window and the form are
// here so that the host can use it now.
#pragma once

#include "platform/layout.h"
#include "registers/ti2cobject.h"

class TLimiterForm;

class TLimiterI2C final : public TDialogI2C<TLimiterForm, WriteGuard::Guarded> {
public:
    explicit TLimiterI2C(TLimiterForm* owner) : TDialogI2C(owner, 16) {}
};

class TLimiterForm final : public platform::Form {
public:
    explicit TLimiterForm(platform::Control* owner = nullptr);

    static const platform::FormLayout& Layout();
    TI2CObject& I2C() { return LimiterI2C; }
    void ReloadControls() {}

    TLimiterI2C LimiterI2C;
};
