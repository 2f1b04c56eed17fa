#include "controls.h"

#include "host/common/module/dialogs.h"
#include "host/common/module/seam_status.h"
#include "host/common/text/parse.h"
#include "host/common/seam/cairo_drawing.h"
#include "host/common/seam/user.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <variant>

namespace qm7140py {

namespace {

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// Of an index Form or TargetOf took.
const host::DialogInfo& DialogOf(int32_t dialog) { return host::Dialogs()[static_cast<size_t>(dialog)]; }

QM7140UiForm Form(Device& device, host::Amplifier& amp, int32_t dialog) {
    QM7140UiForm form{.size = sizeof form};
    if (dialog < 0 || dialog >= host::kDialogCount || device.Ui().form(amp.Instance(), dialog, &form) != QM7140_UI_OK)
        throw std::runtime_error("the module shows no dialog " + std::to_string(dialog));
    return form;
}

// `read`, when given, gets the control's record: its numbers, not its strings, outlive the
// next call into the module.
host::user::Target TargetOf(Device& device, host::Amplifier& amp, int32_t dialog, int32_t control,
                            QM7140UiControl* read = nullptr) {
    QM7140UiControl c{.size = sizeof c};
    if (dialog < 0 || dialog >= host::kDialogCount || device.Ui().control(amp.Instance(), dialog, control, &c) != QM7140_UI_OK)
        throw std::out_of_range("no control " + std::to_string(control) + " in dialog " + std::to_string(dialog));
    if (read != nullptr) *read = c;
    return {device.Ui(), amp.Instance(), dialog, std::string(DialogOf(dialog).key), control, Text(c.name), c.kind};
}

void ShowDialog(Device& device, host::Amplifier& amp, int32_t dialog) {
    host::user::HostWindowTakesFocus(device.Ui(), amp.Instance());
    device.Api().SelectMenu(amp.Instance(), dialog);
}

// The user reaches into a dialog, its index checked first; one not shown is opened first, as
// its menu item would.
void Reach(Device& device, host::Amplifier& amp, int32_t dialog) {
    if (Form(device, amp, dialog).visible == 0) ShowDialog(device, amp, dialog);
    try {
        host::user::Reach(device.Ui(), amp.Instance(), DialogOf(dialog));
    } catch (const host::CommandError& e) {
        throw std::runtime_error(e.what());
    }
}

host::user::Target Reach(Device& device, host::Amplifier& amp, int32_t dialog, int32_t control) {
    Reach(device, amp, dialog);
    return TargetOf(device, amp, dialog, control);
}

// A seam call that the checks before it should have made safe.
void Check(QM7140UiStatus status, const host::user::Target& t) {
    if (status != QM7140_UI_OK) throw std::runtime_error(t.name + ": " + host::SeamStatusText(status));
}

// Blanks around a number are the edits' to take or not, as for a person typing them. The
// module reads and writes numbers with the process's one decimal separator (its locale's).
std::optional<double> Number(std::string_view shown) {
    const size_t first = shown.find_first_not_of(" \t"), last = shown.find_last_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    std::string text(shown.substr(first, last - first + 1));
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] != 0 && point[0] != '.' && point[1] == 0)
        for (char& c : text)
            if (c == point[0]) c = '.';
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// What an edit shows after Enter is the number typed, quantised to one of its codes (a step
// of at most 0.042 V), or its last value when it refused the text.
bool EditTook(const std::string& typed, const std::string& shown) {
    const auto given = Number(typed), now = Number(shown);
    if (!given) return typed == shown;
    if (!now) return false;
    if (!std::isfinite(*given)) return typed == shown;
    return std::fabs(*now - *given) <= std::max(0.05, 0.01 * std::fabs(*given));
}

// What a control shows, read under the lock and handed out with the GIL.
using Shown = std::variant<bool, int32_t, std::string>;

Shown ShownValue(const host::user::Target& t) {
    const QM7140UiControl c = host::user::Read(t);
    switch (c.kind) {
    case QM7140_UI_CHECK_BOX: return c.checked != 0;
    case QM7140_UI_COMBO_BOX:
    case QM7140_UI_RADIO_GROUP: return c.item_index;
    case QM7140_UI_TRACK_BAR: return c.position;
    case QM7140_UI_EDIT: return Text(c.text);
    default: return host::user::ShownCaption(Text(c.caption));
    }
}

std::string Describe(const Shown& shown) {
    if (const bool* b = std::get_if<bool>(&shown)) return *b ? "True" : "False";
    if (const int32_t* i = std::get_if<int32_t>(&shown)) return std::to_string(*i);
    return host::Quoted(std::get<std::string>(shown));
}

// A value the dialog did not take: why, when more than what it shows says, and what it
// shows after. Worded once the GIL is back, with the value as Python writes it.
struct Refusal {
    std::string name, why, shows;
};

[[noreturn]] void Refused(const host::user::Target& t, const std::string& why) {
    throw Refusal{t.name, why, Describe(ShownValue(t))};
}

// A Python value as the control's kind takes it; a type that does not fit gives the words
// for TypeError.
std::variant<Shown, std::string> WantedOf(int32_t kind, const py::object& value) {
    const bool isBool = py::isinstance<py::bool_>(value);
    const bool isInt = py::isinstance<py::int_>(value) && !isBool;
    const bool isStr = py::isinstance<py::str>(value);
    auto integer = [&]() -> int32_t {
        // Far outside any range: clamped, so that it is refused as out of range.
        return static_cast<int32_t>(std::clamp<long long>(value.cast<long long>(), INT32_MIN, INT32_MAX));
    };
    switch (kind) {
    case QM7140_UI_CHECK_BOX:
        if (isBool) return Shown(value.cast<bool>());
        return std::string("a bool");
    case QM7140_UI_COMBO_BOX:
        if (isStr) return Shown(value.cast<std::string>());
        if (isInt) return Shown(integer());
        return std::string("an item index or an item's text");
    case QM7140_UI_RADIO_GROUP:
    case QM7140_UI_TRACK_BAR:
        if (isInt) return Shown(integer());
        return std::string(kind == QM7140_UI_TRACK_BAR ? "an int position" : "an item index");
    case QM7140_UI_EDIT:
        if (isStr) return Shown(value.cast<std::string>());
        if (isInt || py::isinstance<py::float_>(value)) return Shown(std::string(py::str(value)));
        return std::string("a str or a number");
    default: return std::string();
    }
}

void SetEdit(const host::user::Target& t, const std::string& text) {
    for (char key : text)
        if (key < 0x20 || key > 0x7E) Refused(t, "only printable ASCII can be typed");
    host::user::Type(t, text);
    host::user::Enter(t);
    if (!EditTook(text, std::get<std::string>(ShownValue(t)))) Refused(t, "");
}

// An index or a position goes straight to the seam, which checks its range: the fast path
// of a sweep. Only a refusal reads the control, for its words.
void SetNumber(Device& device, host::Amplifier& amp, int32_t dialog, int32_t control, int32_t kind, int32_t number) {
    const QM7140UiStatus status = kind == QM7140_UI_TRACK_BAR
                                      ? device.Ui().setPosition(amp.Instance(), dialog, control, number)
                                      : device.Ui().select(amp.Instance(), dialog, control, number);
    if (status == QM7140_UI_OK) return;
    QM7140UiControl c{};
    const host::user::Target t = TargetOf(device, amp, dialog, control, &c);
    if (status != QM7140_UI_ERR_RANGE || t.kind != kind) Check(status, t);
    Refused(t, kind == QM7140_UI_TRACK_BAR ? "outside " + std::to_string(c.min) + ".." + std::to_string(c.max)
                                           : std::string("no such item"));
}

void SetItemText(const host::user::Target& t, const std::string& text) {
    try {
        host::user::Select(t, text);
    } catch (const host::CommandError& e) {
        Refused(t, e.what());
    }
}

py::object ToPython(const Shown& shown) {
    return std::visit([](const auto& v) -> py::object { return py::cast(v); }, shown);
}

}  // namespace

std::vector<std::pair<std::string, int32_t>> Controls(Device& device, int32_t dialog) {
    return device.Run([&](host::Amplifier& amp) {
        std::vector<std::pair<std::string, int32_t>> controls;
        for (int32_t i = 0; i < Form(device, amp, dialog).control_count; ++i) {
            const host::user::Target t = TargetOf(device, amp, dialog, i);
            controls.emplace_back(t.name, t.kind);
        }
        return controls;
    });
}

py::object Get(Device& device, int32_t dialog, int32_t control) {
    return ToPython(device.Run([&](host::Amplifier& amp) {
        Reach(device, amp, dialog);
        return ShownValue(TargetOf(device, amp, dialog, control));
    }));
}

void Set(Device& device, int32_t dialog, int32_t control, int32_t kind, const py::object& value, const py::object& given) {
    const auto wanted = WantedOf(kind, value);
    if (const std::string* needs = std::get_if<std::string>(&wanted)) {
        const std::string name = device.Run([&](host::Amplifier& amp) { return TargetOf(device, amp, dialog, control).name; });
        if (needs->empty()) throw py::type_error(name + " is a " + host::user::KindName(kind) + "; it takes no value");
        throw py::type_error(name + " takes " + *needs + ", not " + std::string(py::str(value.get_type().attr("__name__"))));
    }
    const Shown& shown = std::get<Shown>(wanted);
    try {
        device.Run([&](host::Amplifier& amp) {
            const auto asking = device.Asking(amp, dialog, control);
            Reach(device, amp, dialog);
            if (const int32_t* number = std::get_if<int32_t>(&shown))
                return SetNumber(device, amp, dialog, control, kind, *number);
            QM7140UiControl c{};
            const host::user::Target t = TargetOf(device, amp, dialog, control, &c);
            if (t.kind != kind) throw py::type_error(t.name + " is a " + host::user::KindName(t.kind));
            if (const bool* checked = std::get_if<bool>(&shown)) {
                if ((c.checked != 0) != *checked) host::user::Click(t);
                if (ShownValue(t) != shown) Refused(t, "");
            } else if (kind == QM7140_UI_COMBO_BOX) {
                SetItemText(t, std::get<std::string>(shown));
            } else {
                SetEdit(t, std::get<std::string>(shown));
            }
        });
    } catch (const Refusal& r) {
        throw py::value_error(r.name + " refused " + std::string(py::repr(given)) + (r.why.empty() ? "" : " (" + r.why + ")") +
                              ": it shows " + r.shows);
    }
}

std::vector<std::string> Items(Device& device, int32_t dialog, int32_t control) {
    return device.Run([&](host::Amplifier& amp) {
        const host::user::Target t = TargetOf(device, amp, dialog, control);
        if (t.kind != QM7140_UI_COMBO_BOX && t.kind != QM7140_UI_RADIO_GROUP)
            throw py::type_error(t.name + " is a " + host::user::KindName(t.kind) + "; it has no items");
        std::vector<std::string> items;
        for (int32_t i = 0; i < host::user::Read(t).item_count; ++i) {
            const char* text = nullptr;
            if (t.ui.item(t.instance, dialog, control, i, &text) != QM7140_UI_OK)
                throw std::runtime_error("cannot read the items of " + t.name);
            items.push_back(Text(text));
        }
        return items;
    });
}

void Click(Device& device, int32_t dialog, int32_t control) {
    device.Run([&](host::Amplifier& amp) {
        const auto asking = device.Asking(amp, dialog, control);
        host::user::Click(Reach(device, amp, dialog, control));
    });
}

void Show(Device& device, int32_t dialog) {
    device.Run([&](host::Amplifier& amp) {
        Form(device, amp, dialog);
        ShowDialog(device, amp, dialog);
    });
}

py::dict Info(Device& device, int32_t dialog, int32_t control) {
    QM7140UiControl c{};
    const std::string kind = device.Run([&](host::Amplifier& amp) {
        return std::string(host::user::KindName(TargetOf(device, amp, dialog, control, &c).kind));
    });
    py::dict info;
    info["kind"] = kind;
    if (c.kind == QM7140_UI_TRACK_BAR) info["range"] = py::make_tuple(c.min, c.max);
    return info;
}

void Hide(Device& device, int32_t dialog) {
    device.Run([&](host::Amplifier& amp) {
        Form(device, amp, dialog);
        device.Ui().close(amp.Instance(), dialog);
    });
}

bool Visible(Device& device, int32_t dialog) {
    return device.Run([&](host::Amplifier& amp) { return Form(device, amp, dialog).visible != 0; });
}

void Drag(Device& device, int32_t dialog, int32_t control, std::pair<int, int> from, std::pair<int, int> to) {
    for (int pixel : {from.first, from.second, to.first, to.second})
        if (pixel < -32768 || pixel > 32767) throw py::value_error("pixels are -32768 to 32767, not " + std::to_string(pixel));
    device.Run([&](host::Amplifier& amp) {
        const auto asking = device.Asking(amp, dialog, control);
        const host::user::Target t = Reach(device, amp, dialog, control);
        host::user::Drag(t, from.first, from.second, to.first, to.second);
    });
}

py::bytes Png(Device& device, int32_t dialog, int32_t control) {
    const std::string png = device.Run([&](host::Amplifier& amp) {
        const host::user::Target t = TargetOf(device, amp, dialog, control);
        const QM7140UiControl c = host::user::Read(t);
        if (c.kind != QM7140_UI_PAINT_BOX) throw py::type_error(t.name + " is a " + host::user::KindName(c.kind) + ", not a paintbox");
        host::CairoPicture picture(c.width, c.height);
        if (t.ui.paint(t.instance, dialog, control, &host::CairoPicture::kDrawing, &picture) != QM7140_UI_OK)
            throw std::runtime_error("the module did not paint " + t.name);
        auto encoded = picture.Png();
        if (!encoded) throw std::runtime_error("cannot encode " + t.name + " as PNG");
        return std::move(*encoded);
    });
    return py::bytes(png);
}

}  // namespace qm7140py
