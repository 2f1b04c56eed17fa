#include "host/web/page_sync.h"

#include <algorithm>
#include <initializer_list>
#include <cstdio>

namespace web {

namespace {

constexpr size_t kLogPerUpdate = 200;  // lines one update carries; the rest follow
constexpr size_t kAlertsPerUpdate = 16;

const char* Or(const char* text) { return text != nullptr ? text : ""; }

FigureLook LookOf(const QM7140GraphObject& o) {
    const host::GraphPen pen = host::CurrentPen(o);
    return {o.AnimationState, o.HitMode, o.AnimationStep, pen.color, pen.width, o.Selected};
}

Json FormJson(int dialog, const QM7140UiForm& f) {
    return {{"dlg", dialog},         {"name", Or(f.name)},      {"caption", Or(f.caption)},
            {"font", Or(f.font_name)}, {"fontHeight", f.font_height}, {"w", f.width},
            {"h", f.height},         {"hasPos", f.has_position != 0}, {"left", f.left},
            {"top", f.top},          {"visible", f.visible != 0},  {"active", f.active != 0},
            {"focused", f.focused}};
}

// The seam's texts last only until its next call: the items are read after the rest.
Json ControlJson(const host::Module::UiSeam& ui, QM7140Instance instance, int dialog, int i, const QM7140UiControl& c) {
    Json control{{"dlg", dialog},          {"c", i},           {"kind", c.kind},       {"name", Or(c.name)},
                 {"parent", c.parent},     {"l", c.left},      {"t", c.top},           {"w", c.width},
                 {"h", c.height},          {"tab", c.tab_order}, {"caption", Or(c.caption)}, {"text", Or(c.text)},
                 {"enabled", c.enabled != 0}, {"checked", c.checked != 0}, {"index", c.item_index},
                 {"columns", c.columns},   {"pos", c.position}, {"min", c.min},         {"max", c.max}};
    Json items = Json::array();
    for (int32_t k = 0; k < c.item_count; ++k) {
        const char* item = nullptr;
        items.push_back(ui.item(instance, dialog, i, k, &item) == QM7140_UI_OK ? Or(item) : "");
    }
    control["items"] = std::move(items);
    return control;
}

// The fields of `now` that differ from `sent`, with the `keys` that say which form or
// control it is; all of them when nothing was sent; null when nothing differs. `sent`
// becomes `now`.
Json Changed(Json now, Json& sent, std::initializer_list<const char*> keys) {
    Json out = now;
    if (sent.is_object()) {
        out = Json::object();
        for (const auto& [key, value] : now.items()) {
            const auto was = sent.find(key);
            if (was == sent.end() || *was != value) out[key] = value;
        }
        if (out.empty()) out = nullptr;
        else
            for (const char* key : keys) out[key] = now[key];
    }
    sent = std::move(now);
    return out;
}

// One dialog's form, controls and pictures that moved since the page saw them.
void SyncDialog(const DeviceState& s, int dialog, PageView& view, Json& forms, Json& controls, Json& paints) {
    const QM7140Instance instance = s.device.Instance();
    QM7140UiForm f{.size = sizeof(QM7140UiForm)};
    if (s.ui.form(instance, dialog, &f) != QM7140_UI_OK) return;
    PageView::Seen& form = view.forms[static_cast<size_t>(dialog)];
    if (form.changes == f.changes) return;
    form.changes = f.changes;
    const int32_t count = std::max(f.control_count, 0);
    if (Json changed = Changed(FormJson(dialog, f), form.sent, {"dlg"}); !changed.is_null()) forms.push_back(std::move(changed));
    auto& seen = view.controls[static_cast<size_t>(dialog)];
    seen.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        QM7140UiControl c{.size = sizeof(QM7140UiControl)};
        PageView::Seen& control = seen[static_cast<size_t>(i)];
        if (s.ui.control(instance, dialog, i, &c) != QM7140_UI_OK || control.changes == c.changes) continue;
        control.changes = c.changes;
        const bool paintBox = c.kind == QM7140_UI_PAINT_BOX;
        const uint32_t changes = c.changes;
        if (Json changed = Changed(ControlJson(s.ui, instance, dialog, i, c), control.sent, {"dlg", "c"}); !changed.is_null())
            controls.push_back(std::move(changed));
        if (!paintBox) continue;
        const Pictures::Picture& picture = s.pictures.Of(s.ui, instance, dialog, i, changes);
        if (control.picture == picture.version) continue;
        control.picture = picture.version;
        paints.push_back({{"dlg", dialog}, {"c", i}, {"ops", picture.ops}});
    }
}

}  // namespace

const Pictures::Picture& Pictures::Of(const host::Module::UiSeam& ui, QM7140Instance instance, int dialog, int control,
                                      uint32_t changes) {
    Picture& picture = painted_[{dialog, control}];
    if (picture.version != 0 && picture.changes == changes) return picture;
    DisplayList list;
    Json ops = ui.paint(instance, dialog, control, &DisplayListDrawing(), &list) == QM7140_UI_OK ? list.Finish() : Json::array();
    picture.changes = changes;
    if (picture.version == 0 || ops != picture.ops) {
        picture.ops = std::move(ops);
        picture.version = ++versions_;
    }
    return picture;
}

void Sync(const DeviceState& s, PageView& view, Json& update) {
    Json forms = Json::array(), controls = Json::array(), paints = Json::array();
    for (int d = 0; d < host::kDialogCount; ++d) SyncDialog(s, d, view, forms, controls, paints);
    if (!forms.empty()) update["forms"] = std::move(forms);
    if (!controls.empty()) update["controls"] = std::move(controls);
    if (!paints.empty()) update["paints"] = std::move(paints);

    const auto& bytes = s.device.Registers().bytes;
    if (!view.registersSeen) {
        update["regs"] = bytes;
    } else if (*view.registersSeen != bytes) {
        Json changed = Json::array();
        for (size_t r = 0; r < bytes.size(); ++r)
            if ((*view.registersSeen)[r] != bytes[r]) changed.push_back({r, bytes[r]});
        update["regd"] = std::move(changed);
    }
    view.registersSeen = bytes;

    if (auto lines = s.device.log.Since(view.logSeen, kLogPerUpdate); !lines.empty()) update["log"] = std::move(lines);
    if (auto lines = s.device.alerts.Since(view.alertSeen, kAlertsPerUpdate); !lines.empty())
        update["alerts"] = std::move(lines);
    if (view.onlineSeen != s.device.Online()) {
        view.onlineSeen = s.device.Online();
        update["bus"] = {{"chip", s.device.Chip().Name()}, {"sim", s.device.Simulated()}, {"online", s.device.Online()}};
    }

    const FigureLook look = LookOf(s.figure);
    if (view.figureSeen != look) {
        view.figureSeen = look;
        const uint32_t c = look.color;  // 0x00BBGGRR
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        update["figure"] = {{"state", look.state}, {"hit", look.hitMode}, {"step", look.step},
                            {"color", colour},     {"width", look.width}, {"selected", look.selected}};
    }
}

}  // namespace web
