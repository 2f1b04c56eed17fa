#include "host/common/seam/user.h"

#include "host/common/module/seam_status.h"
#include "host/common/text/parse.h"

#include <cstring>
#include <vector>

namespace host::user {

namespace {

[[noreturn]] void WrongKind(const Target& t, std::string_view action, std::string_view needs) {
    throw CommandError(t.name + " is a " + KindName(t.kind) + "; " + std::string(action) + " needs " +
                       std::string(needs));
}

// What the seam said, named for the command's control and dialog where that says more; the
// host checks what it can first, so most of these only show up when the module and the host
// disagree.
void Check(QM7140UiStatus status, const Target& t, std::string_view action, std::string_view needs) {
    switch (status) {
    case QM7140_UI_OK: return;
    case QM7140_UI_ERR_KIND: WrongKind(t, action, needs);
    case QM7140_UI_ERR_HIDDEN: throw CommandError(t.dialogKey + " is not shown (show it first)");
    case QM7140_UI_ERR_RANGE: throw CommandError(std::string(action) + ": " + t.name + " takes no such value");
    default: throw CommandError(std::string(action) + ": " + SeamStatusText(status));
    }
}

void Require(const Target& t, QM7140UiKind kind, std::string_view action, std::string_view needs) {
    if (t.kind != kind) WrongKind(t, action, needs);
}

std::string Item(const Target& t, int32_t item) {
    const char* text = nullptr;
    Check(t.ui.item(t.instance, t.dialog, t.index, item, &text), t, "items", "a combobox or a radiogroup");
    return text;
}

int32_t ItemOf(const Target& t, std::string_view item) {
    std::vector<std::string> items;
    for (int32_t i = 0; i < Read(t).item_count; ++i) items.push_back(Item(t, i));
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == item) return static_cast<int32_t>(i);
    for (size_t i = 0; i < items.size(); ++i)
        if (EqualsIgnoreCase(items[i], item)) return static_cast<int32_t>(i);
    if (const auto index = ParseUnsigned(item); index && *index < items.size()) return static_cast<int32_t>(*index);
    std::string choices;
    for (const auto& text : items) choices += (choices.empty() ? "" : ", ") + text;
    throw CommandError("no item " + Quoted(item) + " in " + t.name + " (" + choices + ")");
}

}  // namespace

QM7140UiForm FormOf(const Module::UiSeam& ui, QM7140Instance instance, const DialogInfo& dialog) {
    QM7140UiForm form{.size = sizeof form};
    if (const QM7140UiStatus status = ui.form(instance, dialog.index, &form); status != QM7140_UI_OK)
        throw CommandError("the module shows no " + std::string(dialog.key) + " dialog (status " + std::to_string(status) + ")");
    return form;
}

void Reach(const Module::UiSeam& ui, QM7140Instance instance, const DialogInfo& dialog) {
    if (FormOf(ui, instance, dialog).visible == 0) throw CommandError(std::string(dialog.key) + " is not shown (show it first)");
    ui.activate(instance, dialog.index);
}

void HostWindowTakesFocus(const Module::UiSeam& ui, QM7140Instance instance) {
    for (const DialogInfo& d : Dialogs())
        if (FormOf(ui, instance, d).visible != 0) ui.deactivate(instance, d.index);
}

QM7140UiStatus TypeOver(const Module::UiSeam& ui, QM7140Instance instance, int32_t dialog, int32_t control,
                        std::string_view text, bool enter) {
    QM7140UiControl c{.size = sizeof c};
    if (const QM7140UiStatus status = ui.control(instance, dialog, control, &c); status != QM7140_UI_OK) return status;
    // A key filter that swallows backspace keeps the old text, as it would for a person.
    std::string keys(c.text != nullptr ? std::strlen(c.text) : 0, QM7140_UI_KEY_BACKSPACE);
    keys += text;
    if (enter) keys += QM7140_UI_KEY_ENTER;
    return ui.type(instance, dialog, control, keys.c_str());
}

std::string ShownCaption(std::string_view caption) {
    std::string shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return shown;
}

const char* KindName(QM7140UiKind kind) {
    switch (kind) {
    case QM7140_UI_CHECK_BOX: return "checkbox";
    case QM7140_UI_COMBO_BOX: return "combobox";
    case QM7140_UI_RADIO_GROUP: return "radiogroup";
    case QM7140_UI_TRACK_BAR: return "trackbar";
    case QM7140_UI_EDIT: return "edit";
    case QM7140_UI_LABEL: return "label";
    case QM7140_UI_GROUP_BOX: return "groupbox";
    case QM7140_UI_BUTTON: return "button";
    case QM7140_UI_PAINT_BOX: return "paintbox";
    default: return "control";
    }
}

QM7140UiControl Read(const Target& t) {
    QM7140UiControl c{.size = sizeof c};
    Check(t.ui.control(t.instance, t.dialog, t.index, &c), t, "read", "a control");
    return c;
}

std::string Describe(const Target& t) {
    const QM7140UiControl c = Read(t);
    auto text = [](const char* s) { return Quoted(s != nullptr ? s : ""); };
    auto caption = [](const char* s) { return Quoted(ShownCaption(s != nullptr ? s : "")); };
    switch (c.kind) {
    case QM7140_UI_CHECK_BOX: return std::string(c.checked != 0 ? "checked" : "unchecked") + " " + caption(c.caption);
    case QM7140_UI_COMBO_BOX: return "item " + std::to_string(c.item_index) + " " + text(c.text);
    case QM7140_UI_RADIO_GROUP:
        return "item " + std::to_string(c.item_index) + (c.item_index >= 0 ? " " + Quoted(Item(t, c.item_index)) : "");
    case QM7140_UI_TRACK_BAR:
        return "position " + std::to_string(c.position) + " of " + std::to_string(c.min) + ".." + std::to_string(c.max);
    case QM7140_UI_EDIT: {
        const std::string shown = "text " + text(c.text);  // before the next call ends its life
        QM7140UiForm form{.size = sizeof form};
        Check(t.ui.form(t.instance, t.dialog, &form), t, "read", "a control");
        return shown + (form.focused == t.index ? " focused" : "");
    }
    case QM7140_UI_PAINT_BOX: return std::to_string(c.width) + " x " + std::to_string(c.height);
    default: return caption(c.caption);
    }
}

void Click(const Target& t) {
    Check(t.ui.click(t.instance, t.dialog, t.index), t, "click", "a checkbox or a button");
}

void Select(const Target& t, std::string_view item) {
    if (t.kind != QM7140_UI_COMBO_BOX && t.kind != QM7140_UI_RADIO_GROUP)
        WrongKind(t, "select", "a combobox or a radiogroup");
    Check(t.ui.select(t.instance, t.dialog, t.index, ItemOf(t, item)), t, "select", "a combobox or a radiogroup");
}

void Type(const Target& t, std::string_view text) {
    if (t.kind != QM7140_UI_EDIT && t.kind != QM7140_UI_COMBO_BOX) WrongKind(t, "type", "an edit or a combobox");
    for (char key : text)
        if (key < 0x20 || key > 0x7E) throw CommandError("type: " + Quoted(text) + " holds a key that cannot be typed");
    Check(TypeOver(t.ui, t.instance, t.dialog, t.index, text), t, "type", "an edit or a combobox");
}

void Leave(const Target& t) {
    Require(t, QM7140_UI_EDIT, "leave", "an edit");
    Check(t.ui.focus(t.instance, t.dialog, t.index), t, "leave", "an edit");
    Check(t.ui.focus(t.instance, t.dialog, -1), t, "leave", "an edit");
}

void Enter(const Target& t) {
    Require(t, QM7140_UI_EDIT, "enter", "an edit");
    const char keys[] = {QM7140_UI_KEY_ENTER, 0};
    Check(t.ui.type(t.instance, t.dialog, t.index, keys), t, "enter", "an edit");
}

void Slide(const Target& t, std::string_view position) {
    Require(t, QM7140_UI_TRACK_BAR, "slide", "a trackbar");
    const QM7140UiControl bar = Read(t);
    const auto value = ParseSigned(position);
    if (!value) throw CommandError("position " + Quoted(position) + " is not a number");
    if (*value < bar.min || *value > bar.max)
        throw CommandError("position " + std::string(position) + " is outside " + std::to_string(bar.min) + ".." +
                           std::to_string(bar.max));
    Check(t.ui.setPosition(t.instance, t.dialog, t.index, static_cast<int32_t>(*value)), t, "slide", "a trackbar");
}

QM7140UiButton ButtonOf(std::string_view name) {
    if (EqualsIgnoreCase(name, "left")) return QM7140_UI_BUTTON_LEFT;
    if (EqualsIgnoreCase(name, "right")) return QM7140_UI_BUTTON_RIGHT;
    if (EqualsIgnoreCase(name, "middle")) return QM7140_UI_BUTTON_MIDDLE;
    throw CommandError("no mouse button " + Quoted(name) + " (left, right or middle)");
}

int Coordinate(std::string_view text) {
    const auto value = ParseSigned(text);
    if (!value || *value < -32768 || *value > 32767)
        throw CommandError("pixel " + Quoted(text) + " is not a number from -32768 to 32767");
    return static_cast<int>(*value);
}

void Mouse(const Target& t, QM7140UiMouse action, int x, int y, QM7140UiButton button) {
    constexpr std::string_view kActions[] = {"press", "move", "release"};
    const std::string_view name = kActions[static_cast<size_t>(action)];
    Require(t, QM7140_UI_PAINT_BOX, name, "a paintbox");
    Check(t.ui.mouse(t.instance, t.dialog, t.index, action, button, x, y), t, name, "a paintbox");
}

void Drag(const Target& t, int x0, int y0, int x1, int y1) {
    Mouse(t, QM7140_UI_MOUSE_DOWN, x0, y0, QM7140_UI_BUTTON_LEFT);
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i)
        Mouse(t, QM7140_UI_MOUSE_MOVE, x0 + (x1 - x0) * i / kSteps, y0 + (y1 - y0) * i / kSteps, QM7140_UI_BUTTON_LEFT);
    Mouse(t, QM7140_UI_MOUSE_UP, x1, y1, QM7140_UI_BUTTON_LEFT);
}

void Resize(const Target& t, std::string_view width, std::string_view height) {
    Require(t, QM7140_UI_PAINT_BOX, "resize", "a paintbox");
    const auto w = ParseUnsigned(width), h = ParseUnsigned(height);
    if (!w || !h || *w < 1 || *h < 1 || *w > 8192 || *h > 8192) throw CommandError("resize: sizes are 1 to 8192 pixels");
    Check(t.ui.resize(t.instance, t.dialog, t.index, static_cast<int32_t>(*w), static_cast<int32_t>(*h)), t, "resize",
          "a paintbox");
}

std::shared_ptr<const std::string> ControlSources::Of(const Module::UiSeam& ui, QM7140Instance instance, int32_t dialog,
                                                     int32_t control) {
    QM7140UiControl c{.size = sizeof c};
    if (dialog < 0 || dialog >= QM7140_DIALOG_COUNT || ui.control(instance, dialog, control, &c) != QM7140_UI_OK || c.name == nullptr)
        dialog = control = -1;
    auto& source = sources_[{dialog, control}];
    if (!source)
        source = std::make_shared<const std::string>(
            dialog < 0 ? asker_ : asker_ + ": " + std::string(Dialogs()[static_cast<size_t>(dialog)].key) + " " + c.name);
    return source;
}

}  // namespace host::user
