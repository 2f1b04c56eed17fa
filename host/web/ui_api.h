// The UI seam's functions, resolved by name from the loaded module.
#pragma once

#include <qm7140/ui.h>

#include <filesystem>

namespace web {

struct UiApi {
    QM7140_UiVersionFn Version = nullptr;
    QM7140_UiFormFn Form = nullptr;
    QM7140_UiControlFn Control = nullptr;
    QM7140_UiItemFn Item = nullptr;
    QM7140_UiFindFn Find = nullptr;
    QM7140_UiClickFn Click = nullptr;
    QM7140_UiSelectFn Select = nullptr;
    QM7140_UiTypeFn Type = nullptr;
    QM7140_UiFocusFn Focus = nullptr;
    QM7140_UiSetPositionFn SetPosition = nullptr;
    QM7140_UiMouseFn Mouse = nullptr;
    QM7140_UiResizeFn Resize = nullptr;
    QM7140_UiActivateFn Activate = nullptr;
    QM7140_UiDeactivateFn Deactivate = nullptr;
    QM7140_UiCloseFn Close = nullptr;
    QM7140_UiPaintFn Paint = nullptr;
};

// From the module at `path`, which the host has loaded already. Throws std::runtime_error
// naming what is missing.
UiApi LoadUiApi(const std::filesystem::path& path);

}  // namespace web
