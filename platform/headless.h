// Headless builds give every control a peer that only counts: each change the model
// reports moves the control's count and its form's, so a host without native widgets can
// tell what to redraw.
#pragma once

#include <cstdint>

namespace platform {

class Control;

// Changes reported for the control (for a form: for it and every control on it) since it
// was built; 0 for a control without a counting peer. Wraps at 2^32.
uint32_t ChangeCount(const Control& control);

}  // namespace platform
