// The module loaded as a host loads it: by file name, every export by its name. The same
// for libqm7140.so on Linux and QM7140.dll under Wine.
#pragma once

#include <qm7140/plugin.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

struct Module {
#ifdef _WIN32
    using Handle = HMODULE;
    Handle handle = LoadLibraryA("QM7140.dll");
    void* Symbol(const char* name) const { return reinterpret_cast<void*>(GetProcAddress(handle, name)); }
    void Unload() {
        if (handle != nullptr) FreeLibrary(handle);
        handle = nullptr;
    }
#else
    using Handle = void*;
    Handle handle = dlopen(QM7140_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    void* Symbol(const char* name) const { return dlsym(handle, name); }
    void Unload() {
        if (handle != nullptr) dlclose(handle);
        handle = nullptr;
    }
#endif
    Module() = default;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module() { Unload(); }

    template <class Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(Symbol(name));
    }
    QM7140Instance New() const { return Init(0, 0, 0, 0); }

    QM7140_InitFn Init = Get<QM7140_InitFn>("_Init");
    QM7140_FreeCodecInstanceFn FreeCodecInstance = Get<QM7140_FreeCodecInstanceFn>("_FreeCodecInstance");
    QM7140_GetI2CObjectFn GetI2CObject = Get<QM7140_GetI2CObjectFn>("_GetI2CObject");
    QM7140_SetSampleRateFn SetSampleRate = Get<QM7140_SetSampleRateFn>("_SetSampleRate");
    QM7140_SetCodecNameFn SetCodecName = Get<QM7140_SetCodecNameFn>("_SetCodecName");
    QM7140_GetMenuItemFn GetMenuItem = Get<QM7140_GetMenuItemFn>("_GetMenuItem");
    QM7140_SelectMenuFn SelectMenu = Get<QM7140_SelectMenuFn>("_SelectMenu");
    QM7140_ShowDialogFn ShowDialog = Get<QM7140_ShowDialogFn>("_ShowDialog");
};
