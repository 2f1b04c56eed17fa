#include "host/common/device/compare.h"

#include "host/common/chip/register_export.h"
#include "host/common/chip/state_file.h"
#include "host/common/module/dialogs.h"
#include "host/common/module/module_instance.h"
#include "host/common/chip/register_map.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"

#include <bit>
#include <limits>

namespace host {

RegisterValues ValuesOf(std::string name, const std::array<uint8_t, 256>& bytes) {
    RegisterValues values{.name = std::move(name)};
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg) values.bytes[reg] = bytes[reg];
    return values;
}

RegisterValues ValuesOf(const std::filesystem::path& path) {
    RegisterValues values{.name = PathText(path)};
    for (const auto& [reg, value] : ReadStateFile(path))
        if (reg < kCoveredRegisters) values.bytes[reg] = value;
    return values;
}

std::vector<std::pair<uint8_t, uint8_t>> Pairs(const RegisterValues& values) {
    std::vector<std::pair<uint8_t, uint8_t>> pairs;
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg)
        if (values.bytes[reg]) pairs.emplace_back(static_cast<uint8_t>(reg), *values.bytes[reg]);
    return pairs;
}

Field FieldOf(int32_t dialog, int32_t control, uint8_t reg, uint8_t mask, std::string name, std::string group, std::string label) {
    std::string title = std::string(Dialogs()[static_cast<size_t>(dialog)].key) + ": " + (group.empty() ? "" : group + " > ") + label;
    return {dialog, control, reg, mask, std::move(name), std::move(group), std::move(label), std::move(title)};
}

#ifdef _WIN32

std::vector<Field> FieldsOf(const Module&, QM7140Instance) {
    std::vector<Field> fields;
    for (const RegisterField& f : RegisterMap()) fields.push_back(FieldOf(f.dialog, f.control, f.reg, f.mask, f.name, f.group, f.label));
    return fields;
}

#else

namespace {

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// A caption as the dialog draws it: "&&" is one "&", a single "&" only marks the key.
std::string Drawn(std::string_view caption) {
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        text += caption[i];
    }
    return text;
}

// A control's record with its strings copied: the module's last only until its next call.
struct Control {
    QM7140UiControl record;
    std::string name, caption, text;
};

std::vector<Control> ControlsOf(const Module::UiSeam& ui, QM7140Instance instance, int32_t dialog) {
    QM7140UiForm form{.size = sizeof form};
    if (ui.form(instance, dialog, &form) != QM7140_UI_OK) return {};
    std::vector<Control> controls;
    for (int32_t i = 0; i < form.control_count; ++i) {
        QM7140UiControl c{.size = sizeof c};
        if (ui.control(instance, dialog, i, &c) != QM7140_UI_OK) return {};
        controls.push_back({c, Text(c.name), Drawn(Text(c.caption)), Text(c.text)});
    }
    return controls;
}

bool NamesAControl(const Control& c) {
    return c.record.kind == QM7140_UI_LABEL && c.caption.size() > 1 && c.caption.back() == ':';
}

// A label that shows a value (a time, a unit) rather than naming a control.
bool ShowsAValue(const Control& c) { return c.record.kind == QM7140_UI_LABEL && !c.caption.empty() && !NamesAControl(c); }

long CentreDistance(const QM7140UiControl& a, const QM7140UiControl& b) {
    const long dx = (a.left + a.width / 2L) - (b.left + b.width / 2L);
    const long dy = (a.top + a.height / 2L) - (b.top + b.height / 2L);
    return dx * dx + dy * dy;
}

// The words the dialog puts beside a control: its own caption, else the naming label on its
// row to its left, else the nearest naming label of its group.
std::string TitleOf(const std::vector<Control>& controls, const Control& c) {
    std::string title = c.caption;
    if (title.empty() || c.record.kind == QM7140_UI_LABEL) {
        const Control* best = nullptr;
        long bestScore = std::numeric_limits<long>::max();
        for (const Control& label : controls) {
            if (!NamesAControl(label) || label.record.parent != c.record.parent) continue;
            const bool sameRow = label.record.top < c.record.top + c.record.height && c.record.top < label.record.top + label.record.height;
            const bool leftOf = label.record.left + label.record.width <= c.record.left + 4;
            const long score = sameRow && leftOf ? c.record.left - label.record.left : 1'000'000L + CentreDistance(label.record, c.record);
            if (score < bestScore) bestScore = score, best = &label;
        }
        title = best != nullptr ? best->caption.substr(0, best->caption.size() - 1) : c.name;
    }
    return title;
}

// The caption of the group the control is in, or empty.
std::string GroupOf(const std::vector<Control>& controls, const Control& c) {
    const int32_t parent = c.record.parent;
    return parent >= 0 && static_cast<size_t>(parent) < controls.size() ? controls[static_cast<size_t>(parent)].caption : std::string();
}

// A trackbar's value as a label beside it shows it: the value labels of its group each go to
// the trackbar nearest them.
const Control* ValueLabelOf(const std::vector<Control>& controls, const Control& bar) {
    const Control* found = nullptr;
    for (const Control& label : controls) {
        if (!ShowsAValue(label) || label.record.parent != bar.record.parent) continue;
        const Control* nearest = nullptr;
        for (const Control& other : controls)
            if (other.record.kind == QM7140_UI_TRACK_BAR && other.record.parent == label.record.parent &&
                (nearest == nullptr || CentreDistance(other.record, label.record) < CentreDistance(nearest->record, label.record)))
                nearest = &other;
        if (nearest == &bar && (found == nullptr || CentreDistance(label.record, bar.record) < CentreDistance(found->record, bar.record)))
            found = &label;
    }
    return found;
}

std::string ShownValue(const Module::UiSeam& ui, QM7140Instance instance, int32_t dialog, const std::vector<Control>& controls,
                       const Control& c) {
    const QM7140UiControl& r = c.record;
    switch (r.kind) {
    case QM7140_UI_CHECK_BOX: return r.checked != 0 ? "checked" : "unchecked";
    case QM7140_UI_EDIT: return c.text;
    case QM7140_UI_COMBO_BOX:
    case QM7140_UI_RADIO_GROUP: {
        const char* item = nullptr;
        const int32_t index = static_cast<int32_t>(&c - controls.data());
        if (r.item_index >= 0 && ui.item(instance, dialog, index, r.item_index, &item) == QM7140_UI_OK) return Text(item);
        return r.kind == QM7140_UI_COMBO_BOX ? c.text : "none";
    }
    case QM7140_UI_TRACK_BAR:
        if (const Control* label = ValueLabelOf(controls, c)) return label->caption;
        return std::to_string(r.position);
    default: return {};
    }
}

// What each field shows with `values` in a scratch instance of the module; registers the side
// leaves out are taken from `other`.
std::vector<std::string> Shown(const Module& module, const std::vector<Field>& fields, const RegisterValues& values,
                               const RegisterValues& other) {
    ModuleInstance scratch(module, [](const BusWrite&) {});
    for (unsigned reg = 0; reg < kCoveredRegisters; ++reg)
        scratch.Registers().bytes[reg] = values.bytes[reg].value_or(other.bytes[reg].value_or(0));
    scratch.NotifyAll();
    std::array<std::vector<Control>, kDialogCount> controls;
    for (int32_t d = 0; d < kDialogCount; ++d) controls[static_cast<size_t>(d)] = ControlsOf(module.Ui, scratch.Instance(), d);
    std::vector<std::string> shown;
    for (const Field& f : fields) {
        const auto& list = controls[static_cast<size_t>(f.dialog)];
        shown.push_back(static_cast<size_t>(f.control) < list.size()
                            ? ShownValue(module.Ui, scratch.Instance(), f.dialog, list, list[static_cast<size_t>(f.control)])
                            : std::string{});
    }
    return shown;
}

}  // namespace

std::vector<Field> FieldsOf(const Module& module, QM7140Instance instance) {
    const Module::UiSeam& ui = module.Ui;
    if (ui.binding == nullptr) return {};
    std::array<std::vector<Control>, kDialogCount> controls;
    for (int32_t d = 0; d < kDialogCount; ++d) controls[static_cast<size_t>(d)] = ControlsOf(ui, instance, d);
    std::vector<Field> fields;
    QM7140UiBinding b{.size = sizeof b};
    for (int32_t i = 0; i < 1024 && ui.binding(instance, i, &b) == QM7140_UI_OK; ++i) {
        if (b.dialog < 0 || b.dialog >= kDialogCount || b.reg < 0 || b.reg >= static_cast<int32_t>(kCoveredRegisters) || b.mask <= 0 ||
            b.mask > 0xFF)
            continue;
        const auto& list = controls[static_cast<size_t>(b.dialog)];
        if (b.control < 0 || static_cast<size_t>(b.control) >= list.size()) continue;
        const Control& c = list[static_cast<size_t>(b.control)];
        fields.push_back(FieldOf(b.dialog, b.control, static_cast<uint8_t>(b.reg), static_cast<uint8_t>(b.mask), c.name, GroupOf(list, c),
                                 TitleOf(list, c)));
    }
    return fields;
}

#endif

Comparison Compare(const Module& module, const RegisterValues& a, const RegisterValues& b) {
    Comparison result{.a = a.name, .b = b.name};
    std::array<bool, kCoveredRegisters> differs{};
    for (unsigned r = 0; r < kCoveredRegisters; ++r) {
        const auto reg = static_cast<uint8_t>(r);
        if (!a.bytes[r] || !b.bytes[r] || HeldValue(reg, *a.bytes[r]) == HeldValue(reg, *b.bytes[r])) continue;
        differs[r] = true;
        result.registers.push_back({reg, HeldValue(reg, *a.bytes[r]), HeldValue(reg, *b.bytes[r]), std::nullopt, {}, {}});
    }
    if (result.registers.empty()) return result;
#ifndef _WIN32
    std::vector<Field> changed;
    ModuleInstance probe(module, [](const BusWrite&) {});
    for (Field& f : FieldsOf(module, probe.Instance()))
        if (differs[f.reg] && ((*a.bytes[f.reg] ^ *b.bytes[f.reg]) & HeldValue(f.reg, f.mask)) != 0) changed.push_back(std::move(f));
    if (changed.empty()) return result;
    const auto shownA = Shown(module, changed, a, b);
    const auto shownB = Shown(module, changed, b, a);
    for (size_t i = 0; i < changed.size(); ++i) {
        const Field& f = changed[i];
        result.fields.push_back({f.reg, *a.bytes[f.reg], *b.bytes[f.reg], f, shownA[i], shownB[i]});
    }
#else
    // No seam to show a value as its dialog does: the field's own number.
    const auto raw = [](uint8_t value, uint8_t mask) { return std::to_string((value & mask) >> std::countr_zero(mask)); };
    for (Field& f : FieldsOf(module, nullptr))
        if (differs[f.reg] && ((*a.bytes[f.reg] ^ *b.bytes[f.reg]) & HeldValue(f.reg, f.mask)) != 0) {
            const uint8_t va = *a.bytes[f.reg], vb = *b.bytes[f.reg];
            std::string shownA = raw(va, f.mask), shownB = raw(vb, f.mask);
            result.fields.push_back({f.reg, va, vb, std::move(f), std::move(shownA), std::move(shownB)});
        }
#endif
    return result;
}

std::string ComparisonText(const Comparison& c) {
    if (c.Equal()) return c.a + " and " + c.b + " are equal\n";
    std::string text = std::to_string(c.registers.size()) + " register(s) differ: " + c.a + " vs " + c.b + "\n";
    for (const Difference& d : c.registers) text += "  reg " + Hex(d.reg) + ": " + Hex(d.a) + " vs " + Hex(d.b) + "\n";
    for (const Difference& d : c.fields)
        text += "  " + d.field->title + " (reg " + Hex(d.reg) + " " + BitsText(d.field->mask) + "): " + Quoted(d.shownA) + " vs " +
                Quoted(d.shownB) + "\n";
    return text;
}

}  // namespace host
