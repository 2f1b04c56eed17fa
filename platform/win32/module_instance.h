// The DLL's own module handle, for the window class and the windows it creates.
#pragma once

#include <windows.h>

namespace platform::win32 {

HINSTANCE ModuleInstance();

}  // namespace platform::win32
