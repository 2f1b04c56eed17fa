#include "plugin/ui_seam.h"

#include "platform/form.h"
#include "platform/headless/change_count.h"
#include "plugin/csapi.h"
#include "plugin/ui_canvas.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <deque>
#include <string>

namespace ui {

namespace {

using platform::Kind;

// The keys are the seam's in the model's order.
static_assert(static_cast<int>(platform::Key::Left) == QM7140_UI_KEY_LEFT - 1 &&
              static_cast<int>(platform::Key::Right) == QM7140_UI_KEY_RIGHT - 1 &&
              static_cast<int>(platform::Key::Up) == QM7140_UI_KEY_UP - 1 &&
              static_cast<int>(platform::Key::Down) == QM7140_UI_KEY_DOWN - 1 &&
              static_cast<int>(platform::Key::Tab) == QM7140_UI_KEY_TAB - 1 &&
              static_cast<int>(platform::Key::BackTab) == QM7140_UI_KEY_BACK_TAB - 1);

// The control kinds share their numbers with the seam's.
static_assert(static_cast<int>(Kind::CheckBox) == QM7140_UI_CHECK_BOX &&
              static_cast<int>(Kind::ComboBox) == QM7140_UI_COMBO_BOX &&
              static_cast<int>(Kind::RadioGroup) == QM7140_UI_RADIO_GROUP &&
              static_cast<int>(Kind::TrackBar) == QM7140_UI_TRACK_BAR && static_cast<int>(Kind::Edit) == QM7140_UI_EDIT &&
              static_cast<int>(Kind::Label) == QM7140_UI_LABEL && static_cast<int>(Kind::GroupBox) == QM7140_UI_GROUP_BOX &&
              static_cast<int>(Kind::Button) == QM7140_UI_BUTTON && static_cast<int>(Kind::PaintBox) == QM7140_UI_PAINT_BOX);

// Actions and paints under way in this module: while one runs, the host is inside one of
// our callbacks and may only read.
int running = 0;
// Copies of the strings the last call handed out, so they stay put whatever the dialog
// does before the host calls again.
std::deque<std::string> handedOut;

[[noreturn]] void Refuse(QM7140UiStatus status) { throw Refused{status}; }

void Require(bool ok, QM7140UiStatus otherwise) {
    if (!ok) Refuse(otherwise);
}

const char* HandOut(const std::string& text) { return handedOut.emplace_back(text).c_str(); }

platform::Form& DialogOf(void* instance, int32_t dialog) {
    TQM7140Forms* live = csapi::Live(instance);
    Require(live != nullptr, QM7140_UI_ERR_INSTANCE);
    Require(dialog >= 0 && dialog < static_cast<int32_t>(std::size(csapi::kDialogs)), QM7140_UI_ERR_DIALOG);
    return csapi::kDialogs[dialog].form(*live);
}

struct Target {
    platform::Form& form;
    platform::Control& control;
};

Target ControlOf(void* instance, int32_t dialog, int32_t control) {
    platform::Form& form = DialogOf(instance, dialog);
    const auto& list = form.TabList();
    Require(control >= 0 && static_cast<size_t>(control) < list.size(), QM7140_UI_ERR_CONTROL);
    return {form, *list[static_cast<size_t>(control)]};
}

template <class Control>
Control& As(const Target& t, std::initializer_list<Kind> kinds) {
    Require(std::ranges::find(kinds, t.control.kind()) != kinds.end(), QM7140_UI_ERR_KIND);
    return static_cast<Control&>(t.control);
}

int32_t IndexOf(const platform::Form& form, const platform::Control* control) {
    const auto& list = form.TabList();
    const auto found = std::ranges::find(list, control);
    return found == list.end() ? -1 : static_cast<int32_t>(found - list.begin());
}

bool Focusable(const platform::Control& control) {
    return control.kind() != Kind::Label && control.kind() != Kind::GroupBox && control.kind() != Kind::PaintBox;
}

// The records: the host's size must cover the first version, and only what lies inside it
// is written. The size field itself stays the host's.
template <class Record>
void CheckRecord(const Record* out, uint32_t firstVersion) {
    Require(out != nullptr && out->size >= firstVersion, QM7140_UI_ERR_ARGUMENT);
}

template <class Record>
void Deliver(const Record& filled, Record* out) {
    const size_t end = std::min<size_t>(out->size, sizeof filled), begin = sizeof filled.size;
    std::memcpy(reinterpret_cast<unsigned char*>(out) + begin, reinterpret_cast<const unsigned char*>(&filled) + begin,
                end - begin);
}

// One user action, or a paint: nothing of it runs from inside a callback of ours. What the
// user acts on must be on the screen; a paint may show a hidden dialog.
class Running {
public:
    explicit Running(const platform::Form* shown) {
        Require(running == 0, QM7140_UI_ERR_BUSY);
        Require(shown == nullptr || shown->Visible(), QM7140_UI_ERR_HIDDEN);
        ++running;
    }
    ~Running() { --running; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
};

// As on a screen: acting on a control that takes the focus moves it there first, so an
// edit that had it runs its exit before the action.
void FocusFirst(const Target& t) {
    if (Focusable(t.control)) t.form.userFocus(&t.control);
}

bool IsKey(char key) { return (key >= 0x20 && key <= 0x7E) || key == QM7140_UI_KEY_BACKSPACE || key == QM7140_UI_KEY_ENTER; }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The list follows typed text to the first item it begins, in any letter case; no text
// selects nothing.
int FirstItemBegunBy(const platform::ComboBox& combo, const std::string& text) {
    if (text.empty()) return -1;
    const auto& items = combo.Items();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].size() >= text.size() &&
            std::equal(text.begin(), text.end(), items[i].begin(), [](char a, char b) { return Fold(a) == Fold(b); }))
            return static_cast<int>(i);
    return -1;
}

// A combo box's field as a native one keys it: a key that changes the text reports it.
void TypeInto(platform::ComboBox& combo, const char* keys) {
    std::string text = combo.Text();
    for (; *keys != 0; ++keys) {
        if (*keys == QM7140_UI_KEY_ENTER || (*keys == QM7140_UI_KEY_BACKSPACE && text.empty())) continue;
        if (*keys == QM7140_UI_KEY_BACKSPACE) text.pop_back();
        else text += *keys;
        combo.userEditText(text, FirstItemBegunBy(combo, text));
    }
}

}  // namespace

void BeginCall() { handedOut.clear(); }

// ---- Reading ----------------------------------------------------------------------------------

void ReadForm(void* instance, int32_t dialog, QM7140UiForm* out) {
    const platform::Form& form = DialogOf(instance, dialog);
    CheckRecord(out, QM7140_UI_FORM_V1_SIZE);
    QM7140UiForm r{};
    r.control_count = static_cast<int32_t>(form.TabList().size());
    r.name = HandOut(form.Name());
    r.caption = HandOut(form.Caption());
    r.font_name = HandOut(form.FontName);
    r.font_height = form.FontHeight;
    r.width = form.Bounds.Width;
    r.height = form.Bounds.Height;
    r.has_position = form.DesignedPosition.has_value() ? 1 : 0;
    r.left = form.DesignedPosition ? form.DesignedPosition->X : 0;
    r.top = form.DesignedPosition ? form.DesignedPosition->Y : 0;
    r.visible = form.Visible() ? 1 : 0;
    r.active = form.Active() ? 1 : 0;
    r.focused = IndexOf(form, form.Focused());
    r.changes = platform::ChangeCount(form);
    Deliver(r, out);
}

void ReadControl(void* instance, int32_t dialog, int32_t control, QM7140UiControl* out) {
    const Target t = ControlOf(instance, dialog, control);
    CheckRecord(out, QM7140_UI_CONTROL_V1_SIZE);
    const platform::Control& c = t.control;
    QM7140UiControl r{};
    r.kind = static_cast<QM7140UiKind>(c.kind());
    r.name = HandOut(c.Name());
    r.parent = IndexOf(t.form, c.Parent());
    r.left = c.Bounds.Left;
    r.top = c.Bounds.Top;
    r.width = c.Bounds.Width;
    r.height = c.Bounds.Height;
    r.tab_order = c.TabOrder;
    r.enabled = 1;
    r.changes = platform::ChangeCount(c);
    switch (c.kind()) {
    case Kind::CheckBox: r.checked = static_cast<const platform::CheckBox&>(c).Checked() ? 1 : 0; break;
    case Kind::ComboBox: r.text = HandOut(static_cast<const platform::ComboBox&>(c).Text()); break;
    case Kind::RadioGroup: r.columns = static_cast<const platform::RadioGroup&>(c).Columns; break;
    case Kind::TrackBar: {
        const auto& bar = static_cast<const platform::TrackBar&>(c);
        r.position = bar.Position();
        r.min = bar.Min();
        r.max = bar.Max();
        break;
    }
    case Kind::Edit: r.text = HandOut(static_cast<const platform::Edit&>(c).Text()); break;
    default: break;
    }
    if (c.kind() == Kind::ComboBox || c.kind() == Kind::RadioGroup) {
        const auto& list = static_cast<const platform::ItemList&>(c);
        r.item_count = static_cast<int32_t>(list.Items().size());
        r.item_index = list.ItemIndex();
    }
    if (c.kind() != Kind::ComboBox && c.kind() != Kind::Edit && c.kind() != Kind::TrackBar && c.kind() != Kind::PaintBox)
        r.caption = HandOut(c.Caption());
    Deliver(r, out);
}

void ReadItem(void* instance, int32_t dialog, int32_t control, int32_t item, const char** text) {
    const auto& list = As<platform::ItemList>(ControlOf(instance, dialog, control), {Kind::ComboBox, Kind::RadioGroup});
    Require(text != nullptr, QM7140_UI_ERR_ARGUMENT);
    Require(item >= 0 && static_cast<size_t>(item) < list.Items().size(), QM7140_UI_ERR_RANGE);
    *text = HandOut(list.Items()[static_cast<size_t>(item)]);
}

void Find(void* instance, int32_t dialog, const char* name, int32_t* control) {
    const platform::Form& form = DialogOf(instance, dialog);
    Require(name != nullptr && control != nullptr, QM7140_UI_ERR_ARGUMENT);
    const auto& list = form.TabList();
    const auto found = std::ranges::find_if(list, [&](const platform::Control* c) { return c->Name() == name; });
    Require(found != list.end(), QM7140_UI_ERR_CONTROL);
    *control = static_cast<int32_t>(found - list.begin());
}

void ReadBinding(void* instance, int32_t index, QM7140UiBinding* out) {
    TQM7140Forms* live = csapi::Live(instance);
    Require(live != nullptr, QM7140_UI_ERR_INSTANCE);
    CheckRecord(out, QM7140_UI_BINDING_V1_SIZE);
    Require(index >= 0, QM7140_UI_ERR_RANGE);
    auto rest = static_cast<size_t>(index);
    for (int32_t dialog = 0; dialog < static_cast<int32_t>(std::size(csapi::kDialogs)); ++dialog) {
        const auto rows = csapi::kDialogs[dialog].bindings();
        if (rest >= rows.size()) {
            rest -= rows.size();
            continue;
        }
        const RegisterField& row = rows[rest];
        const platform::Form& form = csapi::kDialogs[dialog].form(*live);
        QM7140UiBinding r{};
        r.dialog = dialog;
        r.control = IndexOf(form, form.FindControl(row.control));
        r.reg = row.reg;
        r.mask = row.mask;
        return Deliver(r, out);
    }
    Refuse(QM7140_UI_ERR_RANGE);
}

// ---- Acting as the user -------------------------------------------------------------------------

void Click(void* instance, int32_t dialog, int32_t control) {
    const Target t = ControlOf(instance, dialog, control);
    auto& c = As<platform::Control>(t, {Kind::CheckBox, Kind::Button});
    const Running action(&t.form);
    FocusFirst(t);
    if (c.kind() == Kind::CheckBox) static_cast<platform::CheckBox&>(c).userClick();
    else static_cast<platform::Button&>(c).userClick();
}

void Select(void* instance, int32_t dialog, int32_t control, int32_t item) {
    const Target t = ControlOf(instance, dialog, control);
    auto& list = As<platform::ItemList>(t, {Kind::ComboBox, Kind::RadioGroup});
    Require(item >= 0 && static_cast<size_t>(item) < list.Items().size(), QM7140_UI_ERR_RANGE);
    const Running action(&t.form);
    FocusFirst(t);
    if (list.kind() == Kind::ComboBox) static_cast<platform::ComboBox&>(list).userSelect(item);
    else static_cast<platform::RadioGroup&>(list).userSelect(item);
}

void Type(void* instance, int32_t dialog, int32_t control, const char* keys) {
    const Target t = ControlOf(instance, dialog, control);
    auto& c = As<platform::Control>(t, {Kind::Edit, Kind::ComboBox});
    Require(keys != nullptr, QM7140_UI_ERR_ARGUMENT);
    for (const char* k = keys; *k != 0; ++k) Require(IsKey(*k), QM7140_UI_ERR_RANGE);
    const Running action(&t.form);
    FocusFirst(t);
    if (c.kind() == Kind::ComboBox) {
        TypeInto(static_cast<platform::ComboBox&>(c), keys);
        return;
    }
    // The whole text fits before the first key goes in, and again after each Enter (whose
    // handler may replace the text): running out of memory types none of the keys up to it.
    auto& edit = static_cast<platform::Edit&>(c);
    edit.ReserveKeys(std::strlen(keys));
    for (; *keys != 0; ++keys) {
        edit.userType(*keys);
        if (*keys == QM7140_UI_KEY_ENTER) edit.ReserveKeys(std::strlen(keys + 1));
    }
}

void Focus(void* instance, int32_t dialog, int32_t control) {
    if (control == -1) {
        platform::Form& form = DialogOf(instance, dialog);
        const Running action(&form);
        form.userFocus(nullptr);
        return;
    }
    const Target t = ControlOf(instance, dialog, control);
    Require(Focusable(t.control), QM7140_UI_ERR_KIND);
    const Running action(&t.form);
    t.form.userFocus(&t.control);
}

void SetPosition(void* instance, int32_t dialog, int32_t control, int32_t position) {
    const Target t = ControlOf(instance, dialog, control);
    auto& bar = As<platform::TrackBar>(t, {Kind::TrackBar});
    Require(position >= bar.Min() && position <= bar.Max(), QM7140_UI_ERR_RANGE);
    const Running action(&t.form);
    FocusFirst(t);
    bar.userSetPosition(position);
}

void Mouse(void* instance, int32_t dialog, int32_t control, QM7140UiMouse action, QM7140UiButton button, int32_t x,
           int32_t y) {
    const Target t = ControlOf(instance, dialog, control);
    auto& box = As<platform::PaintBox>(t, {Kind::PaintBox});
    auto pixel = [](int32_t v) { return v >= -32768 && v <= 32767; };
    Require(action >= QM7140_UI_MOUSE_DOWN && action <= QM7140_UI_MOUSE_UP && button >= QM7140_UI_BUTTON_LEFT &&
                button <= QM7140_UI_BUTTON_MIDDLE && pixel(x) && pixel(y),
            QM7140_UI_ERR_RANGE);
    const Running acting(&t.form);
    // The seam's buttons are numbered as the model's.
    const auto which = static_cast<platform::MouseButton>(button);
    if (action == QM7140_UI_MOUSE_DOWN) box.userMouseDown(which, x, y);
    else if (action == QM7140_UI_MOUSE_MOVE) box.userMouseMove(x, y);
    else box.userMouseUp(which, x, y);
}

void Key(void* instance, int32_t dialog, int32_t control, QM7140UiKey key, int32_t* used) {
    const Target t = ControlOf(instance, dialog, control);
    auto& box = As<platform::PaintBox>(t, {Kind::PaintBox});
    Require(key >= QM7140_UI_KEY_LEFT && key <= QM7140_UI_KEY_BACK_TAB, QM7140_UI_ERR_RANGE);
    const Running action(&t.form);
    // The seam's keys are numbered as the model's, from 1.
    const bool taken = box.userKey(static_cast<platform::Key>(key - QM7140_UI_KEY_LEFT));
    if (used != nullptr) *used = taken ? 1 : 0;
}

void Resize(void* instance, int32_t dialog, int32_t control, int32_t width, int32_t height) {
    const Target t = ControlOf(instance, dialog, control);
    auto& box = As<platform::PaintBox>(t, {Kind::PaintBox});
    Require(width >= 1 && width <= 8192 && height >= 1 && height <= 8192, QM7140_UI_ERR_RANGE);
    const Running action(&t.form);
    box.userResize(width, height);
}

void Activate(void* instance, int32_t dialog) {
    platform::Form& form = DialogOf(instance, dialog);
    const Running action(&form);
    form.userActivate();
}

void Deactivate(void* instance, int32_t dialog) {
    platform::Form& form = DialogOf(instance, dialog);
    const Running action(&form);
    form.userDeactivate();
}

void Close(void* instance, int32_t dialog) {
    platform::Form& form = DialogOf(instance, dialog);
    if (!form.Visible()) return;
    const Running action(&form);
    form.userClose();
}

// ---- Painting -----------------------------------------------------------------------------------

void Paint(void* instance, int32_t dialog, int32_t control, const QM7140UiDrawing* drawing, void* context) {
    auto& box = As<platform::PaintBox>(ControlOf(instance, dialog, control), {Kind::PaintBox});
    Require(drawing != nullptr && drawing->size >= QM7140_UI_DRAWING_V1_SIZE, QM7140_UI_ERR_ARGUMENT);
    const Running painting(nullptr);
    UiCanvas canvas(*drawing, context);
    box.PaintOn(canvas);
}

}  // namespace ui
