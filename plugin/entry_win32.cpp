// The DLL's load and unload routine.
#include "plugin/csapi.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) csapi::Attach();
    if (reason == DLL_PROCESS_DETACH) csapi::Detach();
    return TRUE;
}
