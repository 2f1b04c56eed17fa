// The UI seam with arbitrary arguments, as a careless host might call it: live, freed,
// foreign and null instances, any dialog and control index, any item, key, position, pixel,
// size and button, records of any size, drawing tables of any size, and actions tried from
// inside the write callback. Whatever comes: every status is one of the header's, a refusal
// writes nothing, a record is never written past its size, an action from inside a callback
// is refused as busy, and every drawing operation gets sane arguments.
#include "fuzz/fuzz_host.h"
#include "plugin/csapi.h"
#include <qm7140/ui.h>

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
QM7140Instance QM7140_CDECL qm_Init(int32_t, int32_t, int32_t, int32_t) __asm__("_Init");
void QM7140_CDECL qm_FreeCodecInstance(QM7140Instance) __asm__("_FreeCodecInstance");
QM7140RegisterWindow* QM7140_CDECL qm_GetI2CObject(QM7140Instance, int32_t) __asm__("_GetI2CObject");
void QM7140_CDECL qm_SelectMenu(QM7140Instance, int32_t) __asm__("_SelectMenu");
}

using fuzz::Check;

namespace {

constexpr std::string_view kKeys = "0123456789.-+ xT\r\b\t";

QM7140Instance retry = nullptr;  // what the write callback acts on

void QM7140_CDECL Written(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count) {
    fuzz::Host::Written(context, address, page, reg, count);
    Check(qm7140_ui_click(retry, 2, 6) == (retry != nullptr ? QM7140_UI_ERR_BUSY : QM7140_UI_ERR_INSTANCE));
    QM7140UiForm form{.size = sizeof form};
    Check(qm7140_ui_form(retry, 0, &form) == (retry != nullptr ? QM7140_UI_OK : QM7140_UI_ERR_INSTANCE));
}

void Arcs(const QM7140UiArc* arcs, uint32_t count) {
    Check(arcs != nullptr && count > 0 && count < 100);
    for (uint32_t i = 0; i < count; ++i) Check(arcs[i].width > 0 && arcs[i].height > 0);
}
void Text(void*, int32_t, int32_t, const char* text, const char* font, int32_t, uint32_t argb, uint32_t back) {
    Check(text != nullptr && font != nullptr && argb >> 24 == 0xFF && back >> 24 == 0xFF);
}
const QM7140UiDrawing kTable = {
    .size = sizeof kTable,
    .fill_rect = [](void*, int32_t, int32_t, int32_t, int32_t, uint32_t argb) { Check(argb >> 24 == 0xFF); },
    .line = [](void*, int32_t, int32_t, int32_t, int32_t, uint32_t argb, int32_t w) { Check(argb >> 24 == 0xFF && w >= 1); },
    .text = Text,
    .text_up = Text,
    .aa_line = [](void*, float, float, float, float, uint32_t, float, QM7140UiDash dash) { Check(dash <= 4); },
    .fill_path = [](void*, const QM7140UiArc* arcs, uint32_t count, uint32_t) { Arcs(arcs, count); },
    .stroke_path = [](void*, const QM7140UiArc* arcs, uint32_t count, uint32_t, float, QM7140UiDash) { Arcs(arcs, count); },
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Host host;
    csapi::Detach();
    csapi::Attach();
    int foreign = 0;
    QM7140Instance live = qm_Init(0, 0, 0, 0), freed = qm_Init(0, 0, 0, 0);
    qm_FreeCodecInstance(freed);
    for (int32_t d = 0; d < 3; ++d) {
        QM7140RegisterWindow* w = qm_GetI2CObject(live, d);
        w->Cache = host.regs;
        w->CallbackContext = host.Context();
        w->WriteCallback = &Written;
    }
    const QM7140Instance instances[] = {live, live, live, live, live, freed, &foreign, nullptr};
    fuzz::ForEachStep(data, size, [&](fuzz::Step s) {
        const QM7140Instance h = instances[s.op >> 5];
        const int32_t dialog = s.arg % 5 - 1, control = (s.arg >> 2) % 45 - 2;
        const auto v = static_cast<int8_t>(s.value);
        const auto before = host.Snapshot();
        const int callsBefore = host.Calls();
        retry = h == live ? live : nullptr;
        union {
            QM7140UiForm form;
            QM7140UiControl control;
            unsigned char bytes[sizeof(QM7140UiControl) + 16];
        } out;
        std::memset(out.bytes, 0xA5, sizeof out.bytes);
        out.control.size = s.value % 2 ? sizeof out.control : s.value;
        const char* text = nullptr;
        int32_t found = 0;
        QM7140UiDrawing table = kTable;
        table.size = s.value % 3 ? sizeof table : s.value;
        const std::string keys = fuzz::Typed(kKeys, s.value, s.arg, 5);
        QM7140UiStatus status = QM7140_UI_OK;
        switch (s.op % 17) {
        case 0: status = qm7140_ui_form(h, dialog, &out.form); break;
        case 1: status = qm7140_ui_control(h, dialog, control, &out.control); break;
        case 2: status = qm7140_ui_item(h, dialog, control, v % 6, &text); break;
        case 3: status = qm7140_ui_find(h, dialog, keys.c_str(), &found); break;
        case 4: status = qm7140_ui_click(h, dialog, control); break;
        case 5: status = qm7140_ui_select(h, dialog, control, v % 6); break;
        case 6: status = qm7140_ui_type(h, dialog, control, keys.c_str()); break;
        case 7: status = qm7140_ui_focus(h, dialog, control); break;
        case 8: status = qm7140_ui_set_position(h, dialog, control, v % 20); break;
        case 9: status = qm7140_ui_mouse(h, dialog, control, s.value % 4, s.value / 4 % 4, v * 300, v * 7); break;
        case 10: status = qm7140_ui_resize(h, dialog, control, v * 80, s.value * 40); break;
        case 11: status = qm7140_ui_activate(h, dialog); break;
        case 12: status = qm7140_ui_deactivate(h, dialog); break;
        case 13: status = qm7140_ui_close(h, dialog); break;
        case 14: status = qm7140_ui_paint(h, dialog, control, s.value & 0x80 ? nullptr : &table, nullptr); break;
        case 15: status = qm7140_ui_key(h, dialog, control, s.value % 8, s.value & 0x80 ? nullptr : &found); break;
        default: qm_SelectMenu(live, s.value % 3); return;
        }
        Check(status >= QM7140_UI_OK && status <= QM7140_UI_ERR_FAILED && status != QM7140_UI_ERR_BUSY);
        if (status != QM7140_UI_OK) Check(host.Calls() == callsBefore && host.Snapshot() == before);
        // The size field stays the host's, and nothing past the size or the record is written.
        const size_t record = s.op % 17 == 0 ? sizeof(QM7140UiForm) : sizeof(QM7140UiControl);
        for (size_t i = std::max<size_t>(4, std::min<size_t>(out.control.size, record)); i < sizeof out.bytes; ++i)
            Check(out.bytes[i] == 0xA5);
    });
    qm_FreeCodecInstance(live);
    return 0;
}
