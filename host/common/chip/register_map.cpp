#include "host/common/chip/register_map.h"

#include "host/common/chip/register_export.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace host {

namespace {

constexpr RegisterField kMap[] = {
#include "register_map_table.inc"
};

}  // namespace

std::span<const RegisterField> RegisterMap() { return kMap; }

std::span<const RegisterField> FieldsOfRegister(uint8_t reg) {
    const auto [first, last] = std::equal_range(std::begin(kMap), std::end(kMap), RegisterField{.reg = reg},
                                                [](const RegisterField& a, const RegisterField& b) { return a.reg < b.reg; });
    return {first, last};
}

std::string BitsText(uint8_t mask) {
    const int low = std::countr_zero(mask);
    const int high = 7 - std::countl_zero(mask);
    if (low == high) return "bit " + std::to_string(low);
    return "bits " + std::to_string(low) + "-" + std::to_string(high);
}

bool Changes(const RegisterField& field, uint8_t before, uint8_t after) {
    if (HeldValue(field.reg, field.mask) == 0) return (after & field.mask) != 0;
    return ((before ^ after) & field.mask) != 0;
}

namespace {

// The fields of `reg`, all with their bits or those a write of `after` over `before` changed,
// each dialog's title once before its own.
std::string Listed(uint8_t reg, bool all, uint8_t before, uint8_t after) {
    std::string text;
    const char* dialog = nullptr;
    for (const RegisterField& f : FieldsOfRegister(reg)) {
        if (!all && !Changes(f, before, after)) continue;
        if (dialog != nullptr && std::strcmp(dialog, f.caption) == 0) {
            text += ", ";
        } else {
            if (dialog != nullptr) text += "; ";
            (text += f.caption) += ": ";
            dialog = f.caption;
        }
        text += f.label;
        if (all) text += " (" + BitsText(f.mask) + ")";
    }
    return text;
}

}  // namespace

std::string FieldsText(uint8_t reg) { return Listed(reg, true, 0, 0); }

std::string FieldsChanged(uint8_t reg, uint8_t before, uint8_t after) { return Listed(reg, false, before, after); }

}  // namespace host
