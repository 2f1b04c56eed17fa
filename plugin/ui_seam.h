// The UI seam's operations behind the qm7140_ui_* exports of libqm7140.so, one per export.
// Each checks what the host passed and throws Refused with the status to return; anything
// else it throws (running out of memory) the exports turn into QM7140_UI_ERR_FAILED.
#pragma once

#include <qm7140/ui.h>

namespace ui {

struct Refused {
    QM7140UiStatus status;
};

// Every call of the seam begins here: the strings handed out by the call before expire.
void BeginCall();

void ReadForm(void* instance, int32_t dialog, QM7140UiForm* out);
void ReadControl(void* instance, int32_t dialog, int32_t control, QM7140UiControl* out);
void ReadItem(void* instance, int32_t dialog, int32_t control, int32_t item, const char** text);
void Find(void* instance, int32_t dialog, const char* name, int32_t* control);
void ReadBinding(void* instance, int32_t index, QM7140UiBinding* out);

void Click(void* instance, int32_t dialog, int32_t control);
void Select(void* instance, int32_t dialog, int32_t control, int32_t item);
void Type(void* instance, int32_t dialog, int32_t control, const char* keys);
void Focus(void* instance, int32_t dialog, int32_t control);
void SetPosition(void* instance, int32_t dialog, int32_t control, int32_t position);
void Mouse(void* instance, int32_t dialog, int32_t control, QM7140UiMouse action, QM7140UiButton button, int32_t x,
           int32_t y);
void Key(void* instance, int32_t dialog, int32_t control, QM7140UiKey key, int32_t* used);
void Resize(void* instance, int32_t dialog, int32_t control, int32_t width, int32_t height);
void Activate(void* instance, int32_t dialog);
void Deactivate(void* instance, int32_t dialog);
void Close(void* instance, int32_t dialog);

void Paint(void* instance, int32_t dialog, int32_t control, const QM7140UiDrawing* drawing, void* context);

}  // namespace ui
