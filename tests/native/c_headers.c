/* The host's headers as a C compiler sees them: they must stay valid C, and lay the records
 * out as the C++ side does (checked by the ABI tests). */
#include <qm7140/graph.h>
#include <qm7140/plugin.h>

#include <stddef.h>

size_t qm7140_c_register_window_size(void) { return sizeof(QM7140RegisterWindow); }
size_t qm7140_c_graph_object_size(void) { return sizeof(QM7140GraphObject); }
size_t qm7140_c_graph_fill_color_offset(void) { return offsetof(QM7140GraphObject, FillColor); }
