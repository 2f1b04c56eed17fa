// The module's register map as a table compiled into every host: which control of which
// dialog holds which bits of which register. Linux hosts could ask the module (the UI seam),
// the Windows build cannot, so the table is generated from the seam and committed
// (register_map_table.inc, written by qm7140_make_register_map; a test keeps the two equal).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace host {

// "bit 3", "bits 4-5".
std::string BitsText(uint8_t mask);

struct RegisterField {
    uint8_t reg;
    uint8_t mask;
    int32_t dialog;       // the dialog's index
    int32_t control;      // the control's index in its dialog's list
    const char* caption;  // the dialog's title as the module gives it: "Digital Control"
    const char* group;    // the caption of the group it is in: "Attack", or ""
    const char* label;    // the words beside the control in its dialog: "Mute", "Time"
    const char* name;     // the control's own name: "AttackTime"
};

// Every field, in register order, a register's in the dialogs' order.
std::span<const RegisterField> RegisterMap();
// The fields of one register; empty for a register no control writes.
std::span<const RegisterField> FieldsOfRegister(uint8_t reg);
// Whether a write of `after` over `before` changes the field. A field that acts rather than
// holds (the reset pulse) changes whenever it goes out set.
bool Changes(const RegisterField& field, uint8_t before, uint8_t after);
// "Digital Control: PLL Source (bits 4-5), Mute (bit 2)", every field of a register with its
// bits; empty for a register no control writes.
std::string FieldsText(uint8_t reg);
// "Digital Control: Mute, Noisegate; BoostForm: Enable APT", the fields such a write changed
// by the names their dialogs give them; empty when it changed none.
std::string FieldsChanged(uint8_t reg, uint8_t before, uint8_t after);

}  // namespace host
