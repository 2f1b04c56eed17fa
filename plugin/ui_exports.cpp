// The UI seam's exports: thin C functions over the operations of ui_seam.cpp. No C++
// exception leaves through them.
#include <qm7140/ui.h>

#include "plugin/ui_seam.h"

#include <type_traits>

namespace {

template <class Operation>
QM7140UiStatus Guarded(Operation operation) {
    try {
        ui::BeginCall();
        operation();
        return QM7140_UI_OK;
    } catch (const ui::Refused& refused) {
        return refused.status;
    } catch (...) {
        return QM7140_UI_ERR_FAILED;
    }
}

// Each export has exactly the type the host casts its symbol to.
template <auto Export, class Fn>
constexpr bool kTyped = std::is_same_v<decltype(Export), Fn>;
static_assert(kTyped<&qm7140_ui_version, QM7140_UiVersionFn> && kTyped<&qm7140_ui_form, QM7140_UiFormFn> &&
              kTyped<&qm7140_ui_control, QM7140_UiControlFn> && kTyped<&qm7140_ui_item, QM7140_UiItemFn> &&
              kTyped<&qm7140_ui_find, QM7140_UiFindFn> && kTyped<&qm7140_ui_click, QM7140_UiClickFn> &&
              kTyped<&qm7140_ui_select, QM7140_UiSelectFn> && kTyped<&qm7140_ui_type, QM7140_UiTypeFn> &&
              kTyped<&qm7140_ui_focus, QM7140_UiFocusFn> && kTyped<&qm7140_ui_set_position, QM7140_UiSetPositionFn> &&
              kTyped<&qm7140_ui_mouse, QM7140_UiMouseFn> && kTyped<&qm7140_ui_key, QM7140_UiKeyFn> &&
              kTyped<&qm7140_ui_resize, QM7140_UiResizeFn> &&
              kTyped<&qm7140_ui_activate, QM7140_UiActivateFn> && kTyped<&qm7140_ui_deactivate, QM7140_UiDeactivateFn> &&
              kTyped<&qm7140_ui_close, QM7140_UiCloseFn> && kTyped<&qm7140_ui_paint, QM7140_UiPaintFn> &&
              kTyped<&qm7140_ui_binding, QM7140_UiBindingFn>);

}  // namespace

extern "C" {

uint32_t qm7140_ui_version(void) { return QM7140_UI_VERSION; }

QM7140UiStatus qm7140_ui_form(QM7140Instance instance, int32_t dialog, QM7140UiForm* form) {
    return Guarded([&] { ui::ReadForm(instance, dialog, form); });
}

QM7140UiStatus qm7140_ui_control(QM7140Instance instance, int32_t dialog, int32_t control, QM7140UiControl* out) {
    return Guarded([&] { ui::ReadControl(instance, dialog, control, out); });
}

QM7140UiStatus qm7140_ui_item(QM7140Instance instance, int32_t dialog, int32_t control, int32_t item, const char** text) {
    return Guarded([&] { ui::ReadItem(instance, dialog, control, item, text); });
}

QM7140UiStatus qm7140_ui_find(QM7140Instance instance, int32_t dialog, const char* name, int32_t* control) {
    return Guarded([&] { ui::Find(instance, dialog, name, control); });
}

QM7140UiStatus qm7140_ui_click(QM7140Instance instance, int32_t dialog, int32_t control) {
    return Guarded([&] { ui::Click(instance, dialog, control); });
}

QM7140UiStatus qm7140_ui_select(QM7140Instance instance, int32_t dialog, int32_t control, int32_t item) {
    return Guarded([&] { ui::Select(instance, dialog, control, item); });
}

QM7140UiStatus qm7140_ui_type(QM7140Instance instance, int32_t dialog, int32_t control, const char* keys) {
    return Guarded([&] { ui::Type(instance, dialog, control, keys); });
}

QM7140UiStatus qm7140_ui_focus(QM7140Instance instance, int32_t dialog, int32_t control) {
    return Guarded([&] { ui::Focus(instance, dialog, control); });
}

QM7140UiStatus qm7140_ui_set_position(QM7140Instance instance, int32_t dialog, int32_t control, int32_t position) {
    return Guarded([&] { ui::SetPosition(instance, dialog, control, position); });
}

QM7140UiStatus qm7140_ui_mouse(QM7140Instance instance, int32_t dialog, int32_t control, QM7140UiMouse action,
                               QM7140UiButton button, int32_t x, int32_t y) {
    return Guarded([&] { ui::Mouse(instance, dialog, control, action, button, x, y); });
}

QM7140UiStatus qm7140_ui_key(QM7140Instance instance, int32_t dialog, int32_t control, QM7140UiKey key, int32_t* used) {
    return Guarded([&] { ui::Key(instance, dialog, control, key, used); });
}

QM7140UiStatus qm7140_ui_resize(QM7140Instance instance, int32_t dialog, int32_t control, int32_t width, int32_t height) {
    return Guarded([&] { ui::Resize(instance, dialog, control, width, height); });
}

QM7140UiStatus qm7140_ui_activate(QM7140Instance instance, int32_t dialog) {
    return Guarded([&] { ui::Activate(instance, dialog); });
}

QM7140UiStatus qm7140_ui_deactivate(QM7140Instance instance, int32_t dialog) {
    return Guarded([&] { ui::Deactivate(instance, dialog); });
}

QM7140UiStatus qm7140_ui_close(QM7140Instance instance, int32_t dialog) {
    return Guarded([&] { ui::Close(instance, dialog); });
}

QM7140UiStatus qm7140_ui_paint(QM7140Instance instance, int32_t dialog, int32_t control, const QM7140UiDrawing* drawing,
                               void* context) {
    return Guarded([&] { ui::Paint(instance, dialog, control, drawing, context); });
}

QM7140UiStatus qm7140_ui_binding(QM7140Instance instance, int32_t index, QM7140UiBinding* out) {
    return Guarded([&] { ui::ReadBinding(instance, index, out); });
}

}  // extern "C"
