// The graphics layer over the platform's GDI+ flat interface, on a GDI device context.
// GDI+ must already run in the process: the host starts it, never the module.
#pragma once

#include "platform/graphics.h"

namespace platform::win32 {

// One for the process: every call goes straight to GDI+.
Graphics& GdiPlus();

}  // namespace platform::win32
