#include "dialogs/tboost.h"

using platform::Kind;

const platform::FormLayout& TBoostForm::Layout() {
    static const platform::FormLayout layout{
        .name = "BoostForm",
        .caption = "BoostForm",
        .clientWidth = 379,
        .clientHeight = 156,
        .controls = {
            {Kind::CheckBox, "EnableBoost", "", "Enable Boost", {}, 0, {24, 16, 97, 17}, 1},
            {Kind::GroupBox, "GroupBox4", "", "Auto Pass Through Configuration", {}, 0, {8, 48, 361, 98}, 0},
            {Kind::Label, "StaticText7", "GroupBox4", "Threshold:", {}, 0, {16, 65, 55, 17}, 0},
            {Kind::Label, "StaticText8", "GroupBox4", "Delay:", {}, 0, {175, 65, 35, 17}, 1},
            {Kind::ComboBox, "APTThreshold", "GroupBox4", "T0", {"T0", "T1", "T2", "T3"}, 0, {83, 61, 70, 21}, 2},
            {Kind::ComboBox, "APTDelay", "GroupBox4", "50ms", {"50ms", "75ms", "125ms", "200ms"}, 0, {238, 61, 72, 21}, 3},
            {Kind::CheckBox, "EnableAPT", "GroupBox4", "Enable Auto Pass Through", {}, 0, {16, 30, 153, 17}, 4},
        },
    };
    return layout;
}

// In reload order: register 2 first, then register 20.
static constexpr RegisterField kFields[] = {
    {"EnableBoost", 2, 0x40, Encoding::Flag},
    {"EnableAPT", 2, 0x20, Encoding::Flag},
    {"APTThreshold", 20, 0x0C, Encoding::Field},
    {"APTDelay", 20, 0x03, Encoding::Field},
};

std::span<const RegisterField> TBoostForm::Fields() { return kFields; }

TBoostForm::TBoostForm(platform::Control*)
    : Form(Layout()),
      GroupBox4(Get<platform::GroupBox>("GroupBox4")),
      StaticText7(Get<platform::Label>("StaticText7")),
      StaticText8(Get<platform::Label>("StaticText8")),
      APTThreshold(Get<platform::ComboBox>("APTThreshold")),
      APTDelay(Get<platform::ComboBox>("APTDelay")),
      EnableAPT(Get<platform::CheckBox>("EnableAPT")),
      EnableBoost(Get<platform::CheckBox>("EnableBoost")),
      BoostI2C(this),
      fields_(*this, Fields(), BoostI2C) {}

void TBoostForm::ReloadControls() { fields_.Reload(BoostI2C); }
