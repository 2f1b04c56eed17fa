// The host's own graph object, made from the C header alone with an operation table of the
// host's, as a host that draws the device does. Linked to the Digital Control dialog, it
// shows the dialog's activation: the module moves its animation state and hit mode.
#pragma once

#include <qm7140/graph.h>

namespace host {

// Visible, hit on its shape, idle; its StartAnimation just takes the state (no fade timer).
QM7140GraphObject MakeGraphObject();

// "always hit" for QM7140_GRAPH_ALWAYS_HIT, ...
const char* HitModeName(int32_t mode);

}  // namespace host
