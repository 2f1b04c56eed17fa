#include "host/web/page_sync.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

namespace web {

namespace {

constexpr size_t kLogPerUpdate = 200;  // lines one update carries; the rest follow
constexpr size_t kAlertsPerUpdate = 16;

const char* Or(const char* text) { return text != nullptr ? text : ""; }

FigureLook LookOf(const QM7140GraphObject& o) {
    const host::GraphPen pen = host::CurrentPen(o);
    return {o.AnimationState, o.HitMode, o.AnimationStep, pen.color, pen.width, o.Selected};
}

FormLook LookOf(const QM7140UiForm& f) {
    return {Or(f.name), Or(f.caption), Or(f.font_name), f.font_height, f.width, f.height, f.left, f.top, f.focused,
            f.has_position != 0, f.visible != 0, f.active != 0};
}

// The seam's texts last only until its next call: they are copied before the items are read.
ControlLook LookOf(const host::Module::UiSeam& ui, QM7140Instance instance, int dialog, int i, const QM7140UiControl& c) {
    ControlLook look{c.kind,  Or(c.name),         c.parent,         c.left,         c.top,
                     c.width, c.height,           c.tab_order,      Or(c.caption),  Or(c.text),
                     c.enabled != 0, c.checked != 0, c.item_index, c.columns,      c.position,
                     c.min,   c.max,              {}};
    for (int32_t k = 0; k < c.item_count; ++k) {
        const char* item = nullptr;
        look.items.emplace_back(ui.item(instance, dialog, i, k, &item) == QM7140_UI_OK ? Or(item) : "");
    }
    return look;
}

// Each field a page is sent: its key and where a look keeps it.
template <class Look, class T>
struct Field {
    const char* key;
    T Look::*member;
};
template <class Look, class T>
Field(const char*, T Look::*) -> Field<Look, T>;

constexpr std::tuple kFormFields{
    Field{"name", &FormLook::name},     Field{"caption", &FormLook::caption}, Field{"font", &FormLook::font},
    Field{"fontHeight", &FormLook::fontHeight}, Field{"w", &FormLook::w}, Field{"h", &FormLook::h},
    Field{"hasPos", &FormLook::hasPos}, Field{"left", &FormLook::left},       Field{"top", &FormLook::top},
    Field{"visible", &FormLook::visible}, Field{"active", &FormLook::active}, Field{"focused", &FormLook::focused}};

constexpr std::tuple kControlFields{
    Field{"kind", &ControlLook::kind},       Field{"name", &ControlLook::name},       Field{"parent", &ControlLook::parent},
    Field{"l", &ControlLook::l},             Field{"t", &ControlLook::t},             Field{"w", &ControlLook::w},
    Field{"h", &ControlLook::h},             Field{"tab", &ControlLook::tab},         Field{"caption", &ControlLook::caption},
    Field{"text", &ControlLook::text},       Field{"enabled", &ControlLook::enabled}, Field{"checked", &ControlLook::checked},
    Field{"index", &ControlLook::index},     Field{"columns", &ControlLook::columns}, Field{"pos", &ControlLook::pos},
    Field{"min", &ControlLook::min},         Field{"max", &ControlLook::max},         Field{"items", &ControlLook::items}};

// `ids` (which form or control it is) with the fields of `now` that differ from `sent`, all
// of them when nothing was sent; null when none differ. `sent` becomes `now`.
template <class Look, class Fields>
Json Changed(Look now, std::optional<Look>& sent, const Fields& fields, Json ids) {
    bool any = false;
    const auto put = [&](const auto& field) {
        const auto& value = now.*field.member;
        if (sent && value == (*sent).*field.member) return;
        ids[field.key] = value;
        any = true;
    };
    std::apply([&](const auto&... field) { (put(field), ...); }, fields);
    sent = std::move(now);
    if (!any) return nullptr;
    return ids;
}

// One dialog's form, controls and pictures that moved since the page saw them.
void SyncDialog(const host::Module::UiSeam& ui, ServedDevice& s, int dialog, PageView& view, Json& forms, Json& controls,
                Json& paints) {
    const QM7140Instance instance = s.device.Chip().Instance();
    QM7140UiForm f{.size = sizeof(QM7140UiForm)};
    if (ui.form(instance, dialog, &f) != QM7140_UI_OK) return;
    auto& form = view.forms[static_cast<size_t>(dialog)];
    if (form.changes == f.changes) return;
    form.changes = f.changes;
    const int32_t count = std::max(f.control_count, 0);
    if (Json changed = Changed(LookOf(f), form.sent, kFormFields, {{"dlg", dialog}}); !changed.is_null())
        forms.push_back(std::move(changed));
    auto& seen = view.controls[static_cast<size_t>(dialog)];
    seen.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        QM7140UiControl c{.size = sizeof(QM7140UiControl)};
        auto& control = seen[static_cast<size_t>(i)];
        if (ui.control(instance, dialog, i, &c) != QM7140_UI_OK || control.changes == c.changes) continue;
        control.changes = c.changes;
        const bool paintBox = c.kind == QM7140_UI_PAINT_BOX;
        const uint32_t changes = c.changes;
        if (Json changed = Changed(LookOf(ui, instance, dialog, i, c), control.sent, kControlFields, {{"dlg", dialog}, {"c", i}});
            !changed.is_null())
            controls.push_back(std::move(changed));
        if (!paintBox) continue;
        const Pictures::Picture& picture = s.pictures.Of(ui, instance, dialog, i, changes);
        if (control.picture == picture.version) continue;
        control.picture = picture.version;
        paints.push_back({{"dlg", dialog}, {"c", i}, {"ops", picture.ops}});
    }
}

}  // namespace

void Acted(PageView& view, const Action& action) {
    switch (action.type) {
    case ActionType::Click:
    case ActionType::Select:
    case ActionType::Text:
    case ActionType::Position: break;
    case ActionType::Register: view.registersOwed.set(static_cast<size_t>(action.reg & 0xFF)); return;
    default: return;
    }
    if (action.dialog < 0 || action.dialog >= host::kDialogCount) return;
    const auto d = static_cast<size_t>(action.dialog);
    auto& controls = view.controls[d];
    if (action.control < 0 || static_cast<size_t>(action.control) >= controls.size()) return;
    // The counters would say nothing moved where the module kept its value.
    view.forms[d].changes.reset();
    auto& control = controls[static_cast<size_t>(action.control)];
    control.changes.reset();
    control.sent.reset();
}

void Sync(const host::Module::UiSeam& ui, ServedDevice& s, PageView& view, Json& update) {
    Json forms = Json::array(), controls = Json::array(), paints = Json::array();
    for (int d = 0; d < host::kDialogCount; ++d) SyncDialog(ui, s, d, view, forms, controls, paints);
    if (!forms.empty()) update["forms"] = std::move(forms);
    if (!controls.empty()) update["controls"] = std::move(controls);
    if (!paints.empty()) update["paints"] = std::move(paints);

    if (!std::exchange(view.mapSent, true)) {
        Json map = Json::array();
        QM7140UiBinding b{.size = sizeof(QM7140UiBinding)};
        for (int32_t i = 0; i < 1024 && ui.binding(s.device.Chip().Instance(), i, &b) == QM7140_UI_OK; ++i)
            map.push_back({b.dialog, b.control, b.reg, b.mask});
        update["map"] = std::move(map);
    }

    const auto& bytes = s.device.Chip().Registers().bytes;
    if (!view.registersSeen) {
        update["regs"] = bytes;
    } else if (*view.registersSeen != bytes || view.registersOwed.any()) {
        Json changed = Json::array();
        for (size_t r = 0; r < bytes.size(); ++r)
            if ((*view.registersSeen)[r] != bytes[r] || view.registersOwed[r]) changed.push_back({r, bytes[r]});
        update["regd"] = std::move(changed);
    }
    view.registersSeen = bytes;
    view.registersOwed.reset();

    if (auto lines = s.journal.log.Since(view.logSeen, kLogPerUpdate); !lines.empty()) update["log"] = std::move(lines);
    if (auto lines = s.journal.alerts.Since(view.alertSeen, kAlertsPerUpdate); !lines.empty())
        update["alerts"] = std::move(lines);
    if (view.onlineSeen != s.device.Chip().Online()) {
        view.onlineSeen = s.device.Chip().Online();
        update["bus"] = {{"chip", s.device.Status()}, {"online", s.device.Chip().Online()}};
    }

    const host::History& history = s.device.Changes();
    BenchLook bench{s.device.Preset(), s.device.ChangedSincePreset(), history.NextUndo(), history.NextRedo()};
    if (view.benchSeen != bench) {
        update["bench"] = {{"preset", bench.preset}, {"changed", bench.changed}, {"undo", bench.undo}, {"redo", bench.redo}};
        view.benchSeen = std::move(bench);
    }

    const FigureLook look = LookOf(s.figure.object);
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
