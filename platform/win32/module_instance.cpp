#include "platform/win32/module_instance.h"

namespace platform::win32 {

HINSTANCE ModuleInstance() {
    // Whatever module this code was linked into (the DLL, or a test executable); the entry
    // routine that receives the handle belongs to the plug-in layer, not to us.
    static const HINSTANCE instance = [] {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
        return module;
    }();
    return instance;
}

}  // namespace platform::win32
