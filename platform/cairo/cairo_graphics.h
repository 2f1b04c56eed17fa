// The graphics layer over Cairo: draws on the image surface a Cairo canvas hands out as its
// device handle.
#pragma once

#include "platform/graphics.h"

namespace platform::cairo {

// One for the process: it keeps no state of its own between calls.
Graphics& CairoGraphics();

}  // namespace platform::cairo
