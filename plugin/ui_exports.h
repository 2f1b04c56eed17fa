// The UI seam's exports of libqm7140.so, declared for the module and for programs that link
// them directly (the fuzz target). Hosts resolve them by name through <qm7140/ui.h>.
#pragma once

#include <qm7140/ui.h>

#define QM7140_UI_EXPORT __attribute__((visibility("default")))

extern "C" {

QM7140_UI_EXPORT uint32_t qm7140_ui_version(void);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_form(QM7140Instance instance, int32_t dialog, QM7140UiForm* form);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_control(QM7140Instance instance, int32_t dialog, int32_t control,
                                                  QM7140UiControl* out);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_item(QM7140Instance instance, int32_t dialog, int32_t control, int32_t item,
                                               const char** text);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_find(QM7140Instance instance, int32_t dialog, const char* name,
                                               int32_t* control);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_click(QM7140Instance instance, int32_t dialog, int32_t control);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_select(QM7140Instance instance, int32_t dialog, int32_t control, int32_t item);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_type(QM7140Instance instance, int32_t dialog, int32_t control,
                                               const char* keys);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_focus(QM7140Instance instance, int32_t dialog, int32_t control);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_set_position(QM7140Instance instance, int32_t dialog, int32_t control,
                                                       int32_t position);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_mouse(QM7140Instance instance, int32_t dialog, int32_t control,
                                                QM7140UiMouse action, QM7140UiButton button, int32_t x, int32_t y);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_key(QM7140Instance instance, int32_t dialog, int32_t control, QM7140UiKey key,
                                              int32_t* used);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_resize(QM7140Instance instance, int32_t dialog, int32_t control,
                                                 int32_t width, int32_t height);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_activate(QM7140Instance instance, int32_t dialog);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_deactivate(QM7140Instance instance, int32_t dialog);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_close(QM7140Instance instance, int32_t dialog);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_binding(QM7140Instance instance, int32_t index, QM7140UiBinding* out);
QM7140_UI_EXPORT QM7140UiStatus qm7140_ui_paint(QM7140Instance instance, int32_t dialog, int32_t control,
                                                const QM7140UiDrawing* drawing, void* context);

}  // extern "C"
