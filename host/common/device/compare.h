// Two states of the covered registers side by side: each register that differs, then each
// field of the register map that differs, named as the dialogs name it and with both values
// as the dialogs show them. The shown values come from the module itself (a scratch instance
// of it per side), so they are the dialogs' own conversions, never ours.
#pragma once

#include "host/common/chip/amplifier.h"
#include "host/common/chip/register_map.h"
#include "host/common/module/module.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace host {

// One side of a comparison: a chip read now, or a file, which may name only some registers.
struct RegisterValues {
    std::string name;  // "chip", "device 2", the file's path
    std::array<std::optional<uint8_t>, kCoveredRegisters> bytes{};
};

RegisterValues ValuesOf(std::string name, const std::array<uint8_t, 256>& bytes);
// A state file's covered registers; CommandError naming the file when it is bad.
RegisterValues ValuesOf(const std::filesystem::path& path);
// The (register, value) pairs a side names, in register order.
std::vector<std::pair<uint8_t, uint8_t>> Pairs(const RegisterValues& values);

// A control's bits in a register, as the module's register map gives them.
struct Field {
    int32_t dialog;
    int32_t control;
    uint8_t reg;
    uint8_t mask;
    std::string control_name;  // "AttackTime"
    std::string group;         // "Attack", the caption of its group, or empty
    std::string label;         // "Time", the words the dialog puts beside it
    std::string title;         // "limiter: Attack > Time"
};
// The same named: its title made of the dialog's key, the group and the label.
Field FieldOf(int32_t dialog, int32_t control, uint8_t reg, uint8_t mask, std::string name, std::string group, std::string label);
// Every binding of the module's register map, named: the module's own where it has the UI
// seam, else the table compiled in (register_map.h).
std::vector<Field> FieldsOf(const Module& module, QM7140Instance instance);

struct Difference {
    uint8_t reg;
    uint8_t a, b;            // the register's two bytes
    std::optional<Field> field;  // none: the register's own line
    std::string shownA, shownB;  // a field's values as its dialog shows them
};

struct Comparison {
    std::string a, b;  // the sides' names
    std::vector<Difference> registers;
    std::vector<Difference> fields;
    bool Equal() const { return registers.empty(); }
};

// Registers both sides name are compared, register 1 without its reset pulse bit.
Comparison Compare(const Module& module, const RegisterValues& a, const RegisterValues& b);
// The differences one a line, or "A and B are equal".
std::string ComparisonText(const Comparison& comparison);

}  // namespace host
