// The library's load and unload routine on Linux: the process attach and detach of a DLL.
#include "plugin/csapi.h"

__attribute__((constructor)) static void QM7140Load() { csapi::Attach(); }
__attribute__((destructor)) static void QM7140Unload() { csapi::Detach(); }
