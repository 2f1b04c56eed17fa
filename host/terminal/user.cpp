#include "host/terminal/user.h"

#include "host/common/parse.h"

namespace host::user {

using platform::Kind;

namespace {

[[noreturn]] void WrongKind(const platform::Control& control, std::string_view action, std::string_view needs) {
    throw CommandError(control.Name() + " is a " + KindName(control.kind()) + "; " + std::string(action) + " needs " +
                       std::string(needs));
}

int ItemOf(const platform::ItemList& list, std::string_view item) {
    const auto& items = list.Items();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == item) return static_cast<int>(i);
    for (size_t i = 0; i < items.size(); ++i)
        if (EqualsIgnoreCase(items[i], item)) return static_cast<int>(i);
    if (const auto index = ParseUnsigned(item); index && *index < items.size()) return static_cast<int>(*index);
    std::string choices;
    for (const auto& text : items) choices += (choices.empty() ? "" : ", ") + text;
    throw CommandError("no item " + Quoted(item) + " in " + list.Name() + " (" + choices + ")");
}

platform::PaintBox& PaintBoxOf(platform::Control& control, std::string_view action) {
    if (control.kind() != Kind::PaintBox) WrongKind(control, action, "a paintbox");
    return static_cast<platform::PaintBox&>(control);
}

int Coordinate(std::string_view text) {
    const auto value = ParseSigned(text);
    if (!value || *value < -100000 || *value > 100000) throw CommandError("pixel " + Quoted(text) + " is not a number from -100000 to 100000");
    return static_cast<int>(*value);
}

platform::Edit& FocusedEdit(platform::Form& form, platform::Control& control, std::string_view action) {
    if (control.kind() != Kind::Edit) WrongKind(control, action, "an edit");
    form.userFocus(&control);
    return static_cast<platform::Edit&>(control);
}

}  // namespace

const char* KindName(Kind kind) {
    switch (kind) {
    case Kind::Form: return "form";
    case Kind::CheckBox: return "checkbox";
    case Kind::ComboBox: return "combobox";
    case Kind::RadioGroup: return "radiogroup";
    case Kind::TrackBar: return "trackbar";
    case Kind::Edit: return "edit";
    case Kind::Label: return "label";
    case Kind::GroupBox: return "groupbox";
    case Kind::Button: return "button";
    case Kind::PaintBox: return "paintbox";
    }
    return "control";
}

std::string Describe(const platform::Form& form, const platform::Control& control) {
    switch (control.kind()) {
    case Kind::CheckBox: {
        const auto& box = static_cast<const platform::CheckBox&>(control);
        return std::string(box.Checked() ? "checked" : "unchecked") + " " + Quoted(box.Caption());
    }
    case Kind::ComboBox: {
        const auto& combo = static_cast<const platform::ComboBox&>(control);
        return "item " + std::to_string(combo.ItemIndex()) + " " + Quoted(combo.Text());
    }
    case Kind::RadioGroup: {
        const auto& radio = static_cast<const platform::RadioGroup&>(control);
        const int index = radio.ItemIndex();
        return "item " + std::to_string(index) +
               (index >= 0 ? " " + Quoted(radio.Items()[static_cast<size_t>(index)]) : std::string());
    }
    case Kind::TrackBar: {
        const auto& bar = static_cast<const platform::TrackBar&>(control);
        return "position " + std::to_string(bar.Position()) + " of " + std::to_string(bar.Min()) + ".." +
               std::to_string(bar.Max());
    }
    case Kind::Edit: {
        const auto& edit = static_cast<const platform::Edit&>(control);
        return "text " + Quoted(edit.Text()) + (form.Focused() == &control ? " focused" : "");
    }
    case Kind::Label:
    case Kind::GroupBox:
    case Kind::Button: return Quoted(control.Caption());
    case Kind::PaintBox: return std::to_string(control.Bounds.Width) + " x " + std::to_string(control.Bounds.Height);
    case Kind::Form: break;
    }
    return "";
}

void Click(platform::Control& control) {
    if (control.kind() == Kind::CheckBox)
        static_cast<platform::CheckBox&>(control).userClick();
    else if (control.kind() == Kind::Button)
        static_cast<platform::Button&>(control).userClick();
    else
        WrongKind(control, "click", "a checkbox or a button");
}

void Select(platform::Control& control, std::string_view item) {
    if (control.kind() == Kind::ComboBox) {
        auto& combo = static_cast<platform::ComboBox&>(control);
        combo.userSelect(ItemOf(combo, item));
    } else if (control.kind() == Kind::RadioGroup) {
        auto& radio = static_cast<platform::RadioGroup&>(control);
        radio.userSelect(ItemOf(radio, item));
    } else {
        WrongKind(control, "select", "a combobox or a radiogroup");
    }
}

void Type(platform::Form& form, platform::Control& control, std::string_view text) {
    if (control.kind() == Kind::ComboBox) {
        static_cast<platform::ComboBox&>(control).userEditText(std::string(text));
        return;
    }
    if (control.kind() != Kind::Edit) WrongKind(control, "type", "an edit or a combobox");
    platform::Edit& edit = FocusedEdit(form, control, "type");
    // A key filter that swallows backspace keeps the old text, as it would for a person.
    for (size_t n = edit.Text().size(); n > 0; --n) edit.userType('\b');
    for (char key : text) edit.userType(key);
}

void Leave(platform::Form& form, platform::Control& control) {
    FocusedEdit(form, control, "leave");
    form.userFocus(nullptr);
}

void Enter(platform::Form& form, platform::Control& control) { FocusedEdit(form, control, "enter").userType('\r'); }

void Slide(platform::Control& control, std::string_view position) {
    if (control.kind() != Kind::TrackBar) WrongKind(control, "slide", "a trackbar");
    auto& bar = static_cast<platform::TrackBar&>(control);
    const auto value = ParseSigned(position);
    if (!value) throw CommandError("position " + Quoted(position) + " is not a number");
    if (*value < bar.Min() || *value > bar.Max())
        throw CommandError("position " + std::string(position) + " is outside " + std::to_string(bar.Min()) + ".." +
                           std::to_string(bar.Max()));
    bar.userSetPosition(static_cast<int>(*value));
}

platform::MouseButton ButtonOf(std::string_view name) {
    if (EqualsIgnoreCase(name, "left")) return platform::MouseButton::Left;
    if (EqualsIgnoreCase(name, "right")) return platform::MouseButton::Right;
    if (EqualsIgnoreCase(name, "middle")) return platform::MouseButton::Middle;
    throw CommandError("no mouse button " + Quoted(name) + " (left, right or middle)");
}

void Press(platform::Control& control, std::string_view x, std::string_view y, platform::MouseButton button) {
    PaintBoxOf(control, "press").userMouseDown(button, Coordinate(x), Coordinate(y));
}

void Move(platform::Control& control, std::string_view x, std::string_view y) {
    PaintBoxOf(control, "move").userMouseMove(Coordinate(x), Coordinate(y));
}

void Release(platform::Control& control, std::string_view x, std::string_view y, platform::MouseButton button) {
    PaintBoxOf(control, "release").userMouseUp(button, Coordinate(x), Coordinate(y));
}

}  // namespace host::user
