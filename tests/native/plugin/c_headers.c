/* The host's headers as a C compiler sees them: they must stay valid C, and lay the records
 * out as the C++ side does (checked by the ABI tests). */
#include <qm7140/graph.h>
#include <qm7140/plugin.h>

#include <stddef.h>

size_t qm7140_c_register_window_size(void) { return sizeof(QM7140RegisterWindow); }
size_t qm7140_c_graph_object_size(void) { return sizeof(QM7140GraphObject); }
size_t qm7140_c_graph_fill_color_offset(void) { return offsetof(QM7140GraphObject, FillColor); }

/* The UI seam's records at the offsets the header documents for the 64-bit build (the
 * i686 DLL's tests compile this file too). */
#include <qm7140/ui.h>

#include <stdint.h>
#if UINTPTR_MAX > 0xFFFFFFFFu

#define AT(Record, field, offset) _Static_assert(offsetof(Record, field) == (offset), #Record "." #field)
AT(QM7140UiForm, control_count, 4);
AT(QM7140UiForm, name, 8);
AT(QM7140UiForm, caption, 16);
AT(QM7140UiForm, font_name, 24);
AT(QM7140UiForm, font_height, 32);
AT(QM7140UiForm, width, 36);
AT(QM7140UiForm, height, 40);
AT(QM7140UiForm, has_position, 44);
AT(QM7140UiForm, left, 48);
AT(QM7140UiForm, top, 52);
AT(QM7140UiForm, visible, 56);
AT(QM7140UiForm, active, 60);
AT(QM7140UiForm, focused, 64);
AT(QM7140UiForm, changes, 68);
_Static_assert(sizeof(QM7140UiForm) == QM7140_UI_FORM_V1_SIZE, "QM7140UiForm");
AT(QM7140UiControl, kind, 4);
AT(QM7140UiControl, name, 8);
AT(QM7140UiControl, parent, 16);
AT(QM7140UiControl, left, 20);
AT(QM7140UiControl, top, 24);
AT(QM7140UiControl, width, 28);
AT(QM7140UiControl, height, 32);
AT(QM7140UiControl, tab_order, 36);
AT(QM7140UiControl, caption, 40);
AT(QM7140UiControl, text, 48);
AT(QM7140UiControl, enabled, 56);
AT(QM7140UiControl, checked, 60);
AT(QM7140UiControl, item_count, 64);
AT(QM7140UiControl, item_index, 68);
AT(QM7140UiControl, columns, 72);
AT(QM7140UiControl, position, 76);
AT(QM7140UiControl, min, 80);
AT(QM7140UiControl, max, 84);
AT(QM7140UiControl, changes, 88);
AT(QM7140UiControl, reserved, 92);
_Static_assert(sizeof(QM7140UiControl) == QM7140_UI_CONTROL_V1_SIZE, "QM7140UiControl");
AT(QM7140UiArc, start, 16);
AT(QM7140UiArc, close_figure, 24);
_Static_assert(sizeof(QM7140UiArc) == 28, "QM7140UiArc");
AT(QM7140UiDrawing, fill_rect, 8);
AT(QM7140UiDrawing, stroke_path, 56);
_Static_assert(sizeof(QM7140UiDrawing) == QM7140_UI_DRAWING_V1_SIZE, "QM7140UiDrawing");
#undef AT
#endif
