// The DLL loaded as a host loads it: by file name, every export by its name.
#pragma once

#include <qm7140/plugin.h>

#include <windows.h>

struct Module {
    HMODULE handle = LoadLibraryA("QM7140.dll");
    ~Module() {
        if (handle != nullptr) FreeLibrary(handle);
    }
    template <class Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
    }
    QM7140_InitFn Init = Get<QM7140_InitFn>("_Init");
    QM7140_FreeCodecInstanceFn FreeCodecInstance = Get<QM7140_FreeCodecInstanceFn>("_FreeCodecInstance");
    QM7140_GetI2CObjectFn GetI2CObject = Get<QM7140_GetI2CObjectFn>("_GetI2CObject");
    QM7140_SetSampleRateFn SetSampleRate = Get<QM7140_SetSampleRateFn>("_SetSampleRate");
    QM7140_SetCodecNameFn SetCodecName = Get<QM7140_SetCodecNameFn>("_SetCodecName");
    QM7140_GetMenuItemFn GetMenuItem = Get<QM7140_GetMenuItemFn>("_GetMenuItem");
    QM7140_SelectMenuFn SelectMenu = Get<QM7140_SelectMenuFn>("_SelectMenu");
    QM7140_ShowDialogFn ShowDialog = Get<QM7140_ShowDialogFn>("_ShowDialog");
};
