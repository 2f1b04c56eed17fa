// The Boost dialog: boost converter enable and the Auto Pass Through set-up, bound to
// registers 2 and 20.
#pragma once

#include "dialogs/field_bindings.h"
#include "platform/layout.h"
#include "registers/ti2cobject.h"

#include <span>

class TBoostForm;

class TBoostI2C final : public TDialogI2C<TBoostForm, WriteGuard::Guarded> {
public:
    explicit TBoostI2C(TBoostForm* owner) : TDialogI2C(owner, 21) {}
};

class TBoostForm final : public platform::Form {
public:
    explicit TBoostForm(platform::Control* owner = nullptr);

    static const platform::FormLayout& Layout();
    static std::span<const RegisterField> Fields();
    // Every register bit a control of the dialog writes.
    static std::span<const RegisterField> Bindings() { return Fields(); }

    TI2CObject& I2C() { return BoostI2C; }
    void ReloadControls();

    platform::GroupBox& GroupBox4;
    platform::Label& StaticText7;
    platform::Label& StaticText8;
    platform::ComboBox& APTThreshold;
    platform::ComboBox& APTDelay;
    platform::CheckBox& EnableAPT;
    platform::CheckBox& EnableBoost;
    TBoostI2C BoostI2C;

private:
    FieldBindings fields_;
};
