// The module loaded as a host loads it: a shared library (a DLL on Windows) by path, every
// export by name.
#pragma once

#include <qm7140/plugin.h>
#ifndef _WIN32
#include <qm7140/ui.h>
#endif

#include "host/common/text/command_line.h"

#include <filesystem>

namespace host {

class Module {
public:
    // Throws std::runtime_error naming the library and what is missing.
    explicit Module(const std::filesystem::path& path);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    QM7140_InitFn Init = nullptr;
    QM7140_FreeCodecInstanceFn FreeCodecInstance = nullptr;
    QM7140_GetI2CObjectFn GetI2CObject = nullptr;
    QM7140_SetSampleRateFn SetSampleRate = nullptr;
    QM7140_SetCodecNameFn SetCodecName = nullptr;
    QM7140_GetMenuItemFn GetMenuItem = nullptr;
    QM7140_SelectMenuFn SelectMenu = nullptr;
    QM7140_ShowDialogFn ShowDialog = nullptr;
    void** BoostForm = nullptr;
    void** LimiterForm = nullptr;

#ifndef _WIN32
    // The UI seam of libqm7140.so: how a Linux host reads and plays the dialogs.
    struct UiSeam {
        QM7140_UiVersionFn version = nullptr;
        QM7140_UiFormFn form = nullptr;
        QM7140_UiControlFn control = nullptr;
        QM7140_UiItemFn item = nullptr;
        QM7140_UiFindFn find = nullptr;
        QM7140_UiClickFn click = nullptr;
        QM7140_UiSelectFn select = nullptr;
        QM7140_UiTypeFn type = nullptr;
        QM7140_UiFocusFn focus = nullptr;
        QM7140_UiSetPositionFn setPosition = nullptr;
        QM7140_UiMouseFn mouse = nullptr;
        QM7140_UiKeyFn key = nullptr;
        QM7140_UiResizeFn resize = nullptr;
        QM7140_UiActivateFn activate = nullptr;
        QM7140_UiDeactivateFn deactivate = nullptr;
        QM7140_UiCloseFn close = nullptr;
        QM7140_UiPaintFn paint = nullptr;
        QM7140_UiBindingFn binding = nullptr;
    } Ui;
#endif
    // Any name the module may export (or must not), looked up now: null when it has none.
    void* Export(const char* name) const;

private:
    void* handle_ = nullptr;
};

// The module beside the running program: libqm7140.so, or QM7140.dll on Windows. An installed
// Linux host with none beside it gets the installed library.
std::filesystem::path DefaultModulePath();
#ifndef _WIN32
// Where the package puts the library, for hosts that tell their users where they look.
std::filesystem::path InstalledModulePath();
// --module PATH, setting `module` (which must outlive the option).
Option ModuleOption(std::filesystem::path& module);
#endif

}  // namespace host
